#pragma once

#include "ui/menus/UIMenu.h"

#include <string>
#include <vector>

// The window of one bag: one of the player's four bags or one of the eight
// bags of the stash being looked into. A bag may have any capacity, so the
// menu names a template menu per capacity and copies the template's widgets
// when a bag of that capacity is shown. Open bags stand in the side stack.
class UIBagMenu : public UIMenu {
public:
    void update(float seconds) override;
    void onShow() override;
    void onHide() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    // The capacity of the bag the menu shows; 0 without the bag.
    int getBagCapacity() const;
    // Takes the template of that capacity unless it is the current one.
    void applyTemplate(int capacity);
    int getGroup() const { return m_group; }
    const std::string& getCurrentTemplate() const { return m_currentTemplate; }

private:
    void giveGroupToSlots();

    int m_group = 0;
    std::vector<int> m_templateCapacities;
    std::vector<std::string> m_templateNames;
    std::string m_currentTemplate;
};
