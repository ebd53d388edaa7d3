#pragma once

#include "ui/widgets/UIWidget.h"

#include <memory>

// Scrolls a run of items: two arrows, a track and a thumb. The owner gives
// the item count and how many fit; the bar answers the first visible item.
// Arrows step one item, the track one page, the thumb whole items while
// dragged, repeating while the button is held. Lengths along the bar are
// kept from the bar's own start, so a moving menu needs no new layout.
class UIScrollBar : public UIWidget {
public:
    UIScrollBar();
    ~UIScrollBar() override;

    // A bar goes on top with its owner.
    bool drawsOnTop() const override { return getParent() && getParent()->drawsOnTop(); }

    void draw() override;
    void update(float seconds) override;
    void onMouseHeld(int button, bool down) override;
    void onClick(int button, bool down, int x, int y) override;
    // A bar whose owner is hidden (a text under a false show condition)
    // leaves a press to what lies below it.
    bool handleMouseButton(int button, bool down, int x, int y) override;
    bool onMouseWheel(int step) override;
    bool isVisible() const override;
    void finishSetup() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    // Along the edge of an area, 16 thick.
    void layOut(const Vec2& areaPosition, const Vec2& areaSize);
    void setRange(int count, int visibleCount);
    int getFirstVisible() const { return m_first; }
    // Puts the first visible item within 0 … max(0, count − 1).
    void scrollTo(int first);
    void clampFirst();
    // 1 first arrow, 2 second arrow, 3 track before the thumb, 4 after it.
    void scroll(int part);
    void dragBy(float delta, bool rebase);
    // The part under a screen point (0 outside, 5 the thumb).
    int hitPart(float x, float y) const;

    // Gives the bar, scrolling the owner and belonging to it, to the menu
    // and finishes its set-up; the bar as the menu holds it.
    static UIWidget* addFor(UIWidget& owner, UIMenu& menu, std::unique_ptr<UIScrollBar> bar);

    void setTarget(UIWidget* target) { m_target = target; }
    UIWidget* getTarget() const { return m_target.get(); }
    void setDrawOrder(float order) { m_drawOrder = order; }
    void setVertical(bool vertical) { m_vertical = vertical; }
    void setHideIfNotNeeded(bool hide) { m_hideIfNotNeeded = hide; }
    bool fits() const { return m_fits; }
    int getCount() const { return m_count; }
    int getVisibleCount() const { return m_visibleCount; }
    float getThumbStart() const { return m_thumbStart; }
    float getThumbLength() const { return m_thumbLength; }
    float getPixelsPerItem() const { return m_pixelsPerItem; }
    float getDragReference() const { return m_vertical ? m_dragReference.y : m_dragReference.x; }
    int getPressedPart() const { return m_pressedPart; }

    // The menu-file copy: the fields of a bag menu's clone.
    void copyFrom(const UIScrollBar& other);

private:
    float length() const { return m_vertical ? m_size.y : m_size.x; }
    float along(float x, float y) const;
    bool hiddenByFit() const { return m_hideIfNotNeeded && m_fits; }
    bool reacts() const;
    void acquireImages();
    void drawPart(const ResourceHandle& image, float from, float to);

    ResourceHandle m_up;
    ResourceHandle m_down;
    ResourceHandle m_left;
    ResourceHandle m_right;
    ResourceHandle m_background;
    ResourceHandle m_bar;
    ResourceHandle m_backgroundHoriz;
    ResourceHandle m_barHoriz;
    float m_trackStart = 0.0f;
    float m_lastThumbStart = 0.0f;
    float m_thumbStart = 0.0f;
    int m_first = 0;
    float m_thumbLength = 0.0f;
    float m_arrowLength = 0.0f;
    Vec2 m_dragReference;
    int m_count = 0;
    int m_visibleCount = 0;
    float m_pixelsPerItem = 0.0f;
    bool m_hideIfNotNeeded = false;
    bool m_fits = true;
    bool m_vertical = true;
    int m_pressedPart = 0;
    // The repeat delay of a held arrow or track: a countdown of its own.
    bool m_repeatRunning = false;
    float m_repeatLeft = 0.0f;
    // The widget whose items the bar scrolls (a text, a list …).
    SafePtr<UIWidget> m_target;
};
