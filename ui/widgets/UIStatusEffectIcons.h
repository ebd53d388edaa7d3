#pragma once

#include "ui/widgets/StatusEffectData.h"
#include "ui/widgets/UIWidget.h"

#include <array>

// A row of up to ten icons of the status effects on an entity, each with
// the effect's description as its tooltip.
class UIStatusEffectIcons : public UIWidget {
public:
    static constexpr int kMaxIcons = 10;

    void draw() override;
    bool getTooltip(UITooltip& out) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    // Takes the described entity's effects into the icons.
    void refresh() override;
    int getIconCount() const { return m_iconCount; }
    const StatusEffectData& getIcon(int i) const { return m_icons[static_cast<size_t>(i)]; }

    void copyFrom(const UIStatusEffectIcons& other);

private:
    int m_iconCount = 0;
    std::array<StatusEffectData, kMaxIcons> m_icons;
    Vec2 m_offset{18.0f, 0.0f};
    Vec2 m_iconSize{16.0f, 16.0f};
    bool m_enhancementsOnly = false;
};
