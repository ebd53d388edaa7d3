#pragma once

#include "ui/widgets/UIWidget.h"

#include <vector>

// A placed box of the 640 × 480 interface: its corner and size.
struct HelpBox {
    Vec2 position;
    Vec2 size;
    bool overlaps(const HelpBox& other) const;
    bool contains(float x, float y) const;
};

// The framed help box: the tooltip of the moment in one box and, while Alt
// or Ctrl is held, a clickable label over every item and chest on screen.
class UIHelp : public UIWidget {
public:
    static constexpr float kRightEdge = 635.0f;
    static constexpr float kLeftEdge = 5.0f;
    static constexpr float kScreenWidth = 640.0f;
    static constexpr float kScreenHeight = 480.0f;
    // How many steps each way the overlap avoidance tries.
    static constexpr int kAvoidSteps = 8;

    UIHelp();
    ~UIHelp() override;

    void draw() override;
    bool handleMouseButton(int button, bool down, int x, int y) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    void copyFrom(const UIHelp& other);

    // A box for text of that size at an anchor rectangle (size 0 by 0: no
    // anchor, the base position).
    HelpBox placeBox(Vec2 textSize, Vec2 anchorPosition, Vec2 anchorSize) const;
    // A box tied to a point: right of it, else left; above it, else 32 below.
    HelpBox placeAtPoint(Vec2 textSize, Vec2 point) const;
    // Moves the box off every box placed this frame and records it.
    HelpBox avoidPlaced(HelpBox box);
    void clearPlaced() { m_placed.clear(); }

    // While Alt or Ctrl is held: the entity number whose label lies under
    // the mouse, -1 for none.
    int findLabelAtMouse();
    static bool isLabelKeyHeld();

private:
    // Where a box may lie so that its frame stays on the screen.
    struct Bounds {
        float left, top, right, bottom;
    };
    Bounds bounds() const;
    // How far the frame reaches out of the box.
    float frameWidth() const;

    struct Label {
        int entity;
        std::string text;
        HelpBox box;
    };
    // Every label of this frame, placed apart, in entity-number order.
    std::vector<Label> placeLabels();
    void drawBox(const HelpBox& box, const std::string& text, float alpha);
    Vec2 measure(const std::string& text) const;
    const ResourceHandle& textFont() const;

    Vec2 m_basePosition;
    Vec2 m_baseSize;
    Vec2 m_margin{5.0f, 5.0f};
    Vec2 m_gap{0.0f, 20.0f};
    ResourceHandle m_borders[8];
    ResourceHandle m_background;
    std::vector<HelpBox> m_placed;
};
