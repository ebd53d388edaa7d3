#include "ui/widgets/UIStatusEffectIcons.h"

#include "client/mirrors/EntityClient.h"
#include "client/mirrors/StatusEffectClient.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/DatabaseEntry.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/widgets/WidgetReads.h"

#include <cmath>
#include <vector>

namespace {

// The entry type of an enhancement.
constexpr int kEnhancementType = 6;

} // namespace

void UIStatusEffectIcons::copyFrom(const UIStatusEffectIcons& other)
{
    copyBaseFrom(other);
    m_iconCount = other.m_iconCount;
    for (size_t i = 0; i < m_icons.size(); ++i) {
        m_icons[i].copyFrom(other.m_icons[i]);
    }
    m_offset = other.m_offset;
    m_iconSize = other.m_iconSize;
    m_enhancementsOnly = other.m_enhancementsOnly;
}

bool UIStatusEffectIcons::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "offset")) {
        m_offset = reader.getVec2();
    } else if (equalsNoCase(keyword, "iconSize")) {
        m_iconSize = reader.getVec2();
    } else if (equalsNoCase(keyword, "enhancementsOnly")) {
        m_enhancementsOnly = reader.getBool();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}

void UIStatusEffectIcons::refresh()
{
    const EntityClient* entity = getEntity();
    if (!entity) {
        for (StatusEffectData& icon : m_icons) {
            icon.setEffect(nullptr);
        }
        m_iconCount = 0;
        return;
    }
    std::vector<StatusEffectClient*> effects;
    entity->collectStatusEffects(effects);
    if (!m_enhancementsOnly) {
        m_iconCount = static_cast<int>(std::min<size_t>(effects.size(), kMaxIcons));
        for (int i = 0; i < kMaxIcons; ++i) {
            m_icons[static_cast<size_t>(i)].setEffect(i < m_iconCount ? effects[static_cast<size_t>(i)]
                                                                      : nullptr);
        }
        return;
    }
    // Only the first ten effects are looked at; icons past the count keep
    // what they held (they are neither drawn nor hit).
    int taken = 0;
    for (size_t i = 0; i < effects.size() && i < kMaxIcons; ++i) {
        const DatabaseEntry* entry = effects[i]->getEntry();
        if (entry && entry->getTypeInherited() == kEnhancementType) {
            m_icons[static_cast<size_t>(taken++)].setEffect(effects[i]);
        }
    }
    m_iconCount = taken;
}

void UIStatusEffectIcons::draw()
{
    if (!isVisible()) {
        return;
    }
    refresh();
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing) {
        return;
    }
    const float colour[3] = {m_colour.r, m_colour.g, m_colour.b};
    Vec2 at = getScreenPosition();
    for (int i = 0; i < m_iconCount; ++i) {
        const StatusEffectData& icon = m_icons[static_cast<size_t>(i)];
        if (!icon.texture.isValid()) {
            continue;
        }
        float x = at.x + m_offset.x * static_cast<float>(i);
        float y = at.y + m_offset.y * static_cast<float>(i);
        drawing->drawImage(icon.texture, x, y, x + m_iconSize.x, y + m_iconSize.y, 1.0f, colour, false,
                           false);
    }
}

bool UIStatusEffectIcons::getTooltip(UITooltip& out)
{
    refresh();
    int mx = 0, my = 0;
    UISystem::pointerPosition(mx, my);
    Vec2 at = getScreenPosition();
    for (int i = 0; i < m_iconCount; ++i) {
        float x0 = std::floor(at.x + m_offset.x * static_cast<float>(i));
        float y0 = std::floor(at.y + m_offset.y * static_cast<float>(i));
        float x1 = std::floor(x0 + m_iconSize.x);
        float y1 = std::floor(y0 + m_iconSize.y);
        if (mx < x0 || mx > x1 || my < y0 || my > y1) {
            continue;
        }
        const StatusEffectClient* effect = m_icons[static_cast<size_t>(i)].effect;
        out.text.clear();
        if (effect) {
            ClientView* view = widgetClientView();
            const EntityClient* entity = getEntity();
            const bool player =
                view && entity && (entity == view->getLocalPlayer() || entity == view->getPlayerEntity());
            std::string description;
            effect->getDescription(description, nullptr, effect->level, 0,
                                   player ? view->getPlayerClass() : nullptr);
            out.text = effect->name + "\n" + description;
        }
        return true;
    }
    return false;
}
