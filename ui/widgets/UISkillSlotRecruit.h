#pragma once

#include "engine/resources/ResourceHandle.h"
#include "ui/widgets/UIWidget.h"

class SkillDefinition;

// A skill of the recruit the player has selected; it never sends anything.
class UISkillSlotRecruit : public UIWidget {
public:
    UISkillSlotRecruit();
    void copyFrom(const UISkillSlotRecruit& other);
    void draw() override;
    void update(float seconds) override;
    bool getTooltip(UITooltip& out) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    const SkillDefinition* getDefinition() const { return m_definition; }
    int getLevel() const { return m_level; }

private:
    int m_number = -1;
    const SkillDefinition* m_definition = nullptr;
    int m_level = -1;
    ResourceHandle m_outline;
};
