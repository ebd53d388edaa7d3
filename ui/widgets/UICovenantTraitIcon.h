#pragma once

#include "ui/widgets/UIWidget.h"

class CovenantTrait;

// The icon of one trait of the described covenant, with the trait's name and
// description as its tooltip.
class UICovenantTraitIcon : public UIWidget {
public:
    UICovenantTraitIcon();
    ~UICovenantTraitIcon() override;

    void update(float seconds) override;
    bool getTooltip(UITooltip& out) override;

    void setTraitIndex(int index) { m_traitIndex = index; }
    int getTraitIndex() const { return m_traitIndex; }
    void copyFrom(const UICovenantTraitIcon& other);

private:
    const CovenantTrait* findTrait() const;

    int m_traitIndex = -1;
};
