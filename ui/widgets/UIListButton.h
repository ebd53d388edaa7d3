#pragma once

#include "ui/widgets/UIWidget.h"

#include <string>

class UIList;

// A button that runs its command with the selected value of a list. The list
// is found when the keyword is read; a list deleted since leaves a button
// that does nothing.
class UIListButton : public UIWidget {
public:
    UIListButton();
    ~UIListButton() override;

    void onClick(int button, bool down, int x, int y) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    UIList* getList() const;
    void copyFrom(const UIListButton& other);

private:
    SafePtr<UIWidget> m_list;
    std::string m_listCommand;
};
