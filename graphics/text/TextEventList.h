#pragma once

#include "graphics/text/TextEvent.h"

#include <list>
#include <string>
#include <vector>

class ByteBuffer;

// The on-screen texts in insertion order: notices replace the one of their
// kind, log lines (kind 4) are kept up to a limit, scroll back through the
// history and are saved with the character. No drawing here: `plan` says
// what a pass draws, where and how opaque.
class TextEventList {
public:
    static constexpr int kQuestKind = 1;
    static constexpr int kAreaKind = 2;
    static constexpr int kLogKind = 4;
    static constexpr int kLifestoneKind = 5;
    static constexpr int kPauseKind = 6;
    static constexpr int kFirstSavedVersion = 17;

    struct DrawContext {
        bool logPass = false;
        bool mouseOverMenu = false;
        bool paused = false;
        double now = 0.0;
        double frameSeconds = 0.0;
        int maxShown = 10;
        bool fullUseSlots = false;
        float useSlotX = 0.0f, useSlotY = 0.0f;
        float logLineHeight = 0.0f;
        float defaultLineHeight = 0.0f;
    };
    struct DrawItem {
        const TextEvent* event = nullptr;
        float x = 0.0f, y = 0.0f;
        float alpha = 1.0f;
        bool logFont = false;
    };
    struct Plan {
        std::vector<DrawItem> items;
        // Log pass: the log lines the background covers and its line count.
        std::vector<const std::string*> logTexts;
        int backgroundLines = 0;
    };

    // Position already centred by the caller when asked.
    void add(const std::string& text, float x, float y, double duration, int kind, int orientation,
             int stacked, double now);
    // Fades, removes and trims to `maxSaved` log lines.
    void update(double now, int maxSaved);
    Plan plan(const DrawContext& context);
    // The world's news (quests, areas, the life stone): held while a window
    // covers the screen, as the log is, and shown when it closes. What
    // answers the player's own doing there (refusals, relation changes,
    // the pause banner) is drawn over it.
    static bool waitsBehindWindows(int kind)
    {
        return kind == kLogKind || kind == kQuestKind || kind == kAreaKind || kind == kLifestoneKind;
    }
    // The log as the log pass shows it now, with `maxShown` lines at most:
    // its lines and the lines its background covers (more while scrolled
    // back). Changes nothing.
    struct LogView {
        std::vector<const std::string*> texts;
        int backgroundLines = 0;
    };
    LogView logView(int maxShown) const;

    // The three commands: back in history, forward (hiding the oldest
    // visible line past the newest), back to the newest.
    void scrollBack(double now, double holdSeconds);
    void scrollForward(double now, double holdSeconds);
    void resetScroll() { m_scroll = 0; }

    void write(ByteBuffer& buffer) const;
    // Empties the list first; from `kFirstSavedVersion` on reads the log
    // lines and adds each at the anchor, already fading. False (with the
    // reason) for a damaged list.
    bool read(ByteBuffer& buffer, int version, float anchorX, float anchorY, double now, std::string& error);
    void clear();

    int size() const { return static_cast<int>(m_events.size()); }
    const std::list<TextEvent>& events() const { return m_events; }
    int getSavedCount() const { return m_savedCount; }
    int getVisibleCount() const { return m_visibleCount; }
    int getScroll() const { return m_scroll; }

private:
    int shownLogLines(int maxShown) const;

    std::list<TextEvent> m_events;
    int m_savedCount = 0;
    int m_visibleCount = 0;
    int m_scroll = 0;
    double m_scrollResetAt = 0.0;
};
