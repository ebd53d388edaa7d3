#pragma once

#include "ui/widgets/UIStatValue.h"

// A stat value whose place slides along a line with the stat: a marker on a bar.
class UIStatWidget : public UIStatValue {
public:
    void draw() override;
    void update(float seconds) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    // The marker's place along its line, 0 … 1.
    float getFraction() const;

    void copyFrom(const UIStatWidget& other);

private:
    bool m_statControlsPosition = false;
    Vec2 m_startPosition;
    Vec2 m_endPosition;
    float m_statMultiplier = 0.0f;
    bool m_statWraps = false;
    int m_dontDrawValue = 0;
    bool m_dontDrawValueSet = false;
};
