#include "ui/widgets/UICovenantTraitIcon.h"

#include "client/mirrors/CovenantClient.h"
#include "game/covenants/CovenantTrait.h"

UICovenantTraitIcon::UICovenantTraitIcon() = default;

UICovenantTraitIcon::~UICovenantTraitIcon() = default;

void UICovenantTraitIcon::copyFrom(const UICovenantTraitIcon& other)
{
    copyBaseFrom(other);
    m_traitIndex = other.m_traitIndex;
}

const CovenantTrait* UICovenantTraitIcon::findTrait() const
{
    auto* covenant = dynamic_cast<const CovenantClient*>(getCovenant());
    return covenant && m_traitIndex != -1 ? covenant->getTrait(m_traitIndex) : nullptr;
}

void UICovenantTraitIcon::update(float seconds)
{
    const CovenantTrait* trait = findTrait();
    setTexture(trait ? trait->textureName : std::string());
}

bool UICovenantTraitIcon::getTooltip(UITooltip& out)
{
    const CovenantTrait* trait = findTrait();
    if (!trait) {
        return false;
    }
    out.text = trait->name;
    if (!trait->description.empty()) {
        out.text += "\n" + trait->description;
    }
    return true;
}
