#pragma once

#include "ui/widgets/UIWidget.h"

// Sets a numeric user variable between a minimum and a maximum by a notch
// dragged along a bar, or at once by a click on the bar. The value lives in
// the variable only.
class UISlider : public UIWidget {
public:
    UISlider();
    ~UISlider() override;

    void draw() override;
    void update(float seconds) override;
    void onMouseHeld(int button, bool down) override;
    void onClick(int button, bool down, int x, int y) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    // The variable's place between the limits; 0.5 without one.
    float getFraction() const;
    // The notch's top-left corner on screen.
    Vec2 getNotchPosition() const;
    void setFromX(float x);
    bool isDragging() const { return m_dragging; }

    void copyFrom(const UISlider& other);

private:
    ResourceHandle m_barTexture;
    ResourceHandle m_notchTexture;
    float m_minValue = 0.0f;
    float m_maxValue = 1.0f;
    Vec2 m_notchSize{8.0f, 20.0f};
    // The notch follows the mouse while the button that took it is held.
    bool m_dragging = false;
};
