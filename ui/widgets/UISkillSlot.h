#pragma once

#include "engine/resources/ResourceHandle.h"
#include "ui/widgets/UISlotBase.h"

#include <string>

class SkillBase;

// One skill of the local player's skill trees: its icon, level, cooldown
// and whether it can be used now. A right click (or the hot bar) uses it, a
// left click drags it to the hot bar, and in skill-raising mode a left click
// spends a skill point on it.
class UISkillSlot : public UISlotBase {
public:
    static constexpr int kDimmedColour = 148;
    static constexpr int kOutlineColour = 61;

    UISkillSlot();
    ~UISkillSlot() override;

    void copyFrom(const UISkillSlot& other);

    void draw() override;
    void update(float seconds) override;
    void activate() override;
    void onClick(int button, bool down, int x, int y) override;
    bool getTooltip(UITooltip& out) override;
    bool isVisible() const override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    void getSource(int& kind, int& a, int& b) const override;
    void setSource(int tree, int skill) override;
    void clearSource() override { setSource(-1, -1); }
    int getSourceEntryId() const override { return -1; }
    void setSourceEntryId(int) override {}
    bool refreshSource() override { return true; }
    void checkAvailable() override;

    const SkillBase* getSkill() const { return m_skill; }
    int getLevel() const { return m_level; }
    int getTree() const { return m_tree; }
    int getSkillIndex() const { return m_skillIndex; }
    // In the hot bar or drawn under the mouse: shows whether it can be used.
    bool showsUsability() const { return m_heldByHotBar || m_draggedDrawing; }

private:
    void lookUp();
    void drawLinkLine();

    bool m_hintGiven = false;
    int m_tree = -1;
    int m_skillIndex = -1;
    // The player's record, found again at every update.
    const SkillBase* m_skill = nullptr;
    int m_level = -1;
    ResourceHandle m_outline;
};
