#include "graphics/text/TextEventList.h"

#include "engine/core/ByteBuffer.h"

#include <algorithm>
#include <map>
#include <utility>

void TextEventList::add(const std::string& text, float x, float y, double duration, int kind, int orientation,
                        int stacked, double now)
{
    TextEvent* event = nullptr;
    if (stacked == 0 && kind != 0) {
        for (TextEvent& e : m_events) {
            if (e.kind == kind) {
                event = &e;
                break;
            }
        }
    }
    bool fresh = event == nullptr;
    if (fresh) {
        event = &m_events.emplace_back();
    }
    const bool wasVisibleLog = !fresh && event->kind == kLogKind && event->visible;
    event->text = text;
    event->kind = kind;
    event->stacked = stacked;
    event->orientation = orientation;
    event->fadeStart = now + duration;
    event->removeAt = now + duration + 1.0;
    event->x = x;
    event->y = y;
    if (kind == kLogKind) {
        // A reused log line is counted once.
        if (fresh) {
            ++m_savedCount;
        }
        if (!wasVisibleLog) {
            ++m_visibleCount;
        }
    }
    event->visible = true;
}

void TextEventList::update(double now, int maxSaved)
{
    for (auto it = m_events.begin(); it != m_events.end();) {
        TextEvent& e = *it;
        if (e.visible && e.removeAt < now) {
            if (e.kind == kLogKind) {
                e.visible = false;
                --m_visibleCount;
                if (m_scroll > 0) {
                    ++m_scroll;
                }
            } else {
                it = m_events.erase(it);
                continue;
            }
        }
        if (e.kind == kLogKind && m_savedCount > maxSaved) {
            // A line pushed out while still shown leaves the shown count too.
            if (e.visible) {
                --m_visibleCount;
            }
            it = m_events.erase(it);
            --m_savedCount;
            if (m_scroll != 0 && m_savedCount < m_scroll + m_visibleCount) {
                m_scroll = std::max(0, m_savedCount - m_visibleCount);
            }
            continue;
        }
        ++it;
    }
}

int TextEventList::shownLogLines(int maxShown) const
{
    return maxShown > 0 && maxShown < m_visibleCount ? maxShown : m_visibleCount;
}

TextEventList::LogView TextEventList::logView(int maxShown) const
{
    LogView view;
    const int shown = shownLogLines(maxShown);
    const int skip = m_savedCount - shown - m_scroll;
    int index = 0;
    for (const TextEvent& e : m_events) {
        if (e.kind == kLogKind && index++ >= skip) {
            view.texts.push_back(&e.text);
        }
    }
    view.backgroundLines = m_scroll + shown;
    return view;
}

TextEventList::Plan TextEventList::plan(const DrawContext& c)
{
    Plan plan;
    if (m_scroll > 0 && m_scrollResetAt < c.now) {
        m_scroll = 0;
    }
    const int skip = m_savedCount - shownLogLines(c.maxShown) - m_scroll;
    if (c.logPass && !c.mouseOverMenu) {
        LogView log = logView(c.maxShown);
        plan.logTexts = std::move(log.texts);
        plan.backgroundLines = log.backgroundLines;
    }
    std::map<int, int> stackedDrawn;
    int logIndex = 0;
    for (TextEvent& e : m_events) {
        const bool log = e.kind == kLogKind;
        if (log != c.logPass) {
            continue;
        }
        if (c.mouseOverMenu && waitsBehindWindows(e.kind)) {
            e.fadeStart += c.frameSeconds;
            e.removeAt += c.frameSeconds;
            continue;
        }
        if (c.paused || (log && m_scroll > 0)) {
            e.fadeStart += c.frameSeconds;
            e.removeAt += c.frameSeconds;
        }
        if (log && logIndex++ < skip) {
            continue;
        }
        DrawItem item;
        item.event = &e;
        item.logFont = log;
        if (c.now < e.fadeStart || (log && m_scroll > 0)) {
            item.alpha = 1.0f;
        } else {
            item.alpha = static_cast<float>(std::max(0.0, 1.0 - (c.now - e.fadeStart)));
        }
        // The pause banner keeps its place whatever window the mouse is over.
        item.x = e.x;
        item.y = e.y;
        if (e.stacked) {
            int& n = stackedDrawn[e.kind];
            item.y -= static_cast<float>(n) * (log ? c.logLineHeight : c.defaultLineHeight);
            ++n;
        }
        if (log && c.fullUseSlots) {
            item.x += c.useSlotX;
            item.y += c.useSlotY;
        }
        plan.items.push_back(item);
    }
    return plan;
}

void TextEventList::scrollBack(double now, double holdSeconds)
{
    m_scroll = std::min(m_scroll + 1, std::max(0, m_savedCount - m_visibleCount));
    m_scrollResetAt = now + holdSeconds;
}

void TextEventList::scrollForward(double now, double holdSeconds)
{
    --m_scroll;
    if (m_scroll < 0) {
        m_scroll = 0;
        // Only a line that is shown can be hidden.
        for (TextEvent& e : m_events) {
            if (e.kind == kLogKind && e.visible) {
                e.visible = false;
                --m_visibleCount;
                break;
            }
        }
    }
    m_scrollResetAt = now + holdSeconds;
}

void TextEventList::write(ByteBuffer& buffer) const
{
    buffer.writeInt(static_cast<uint32_t>(m_savedCount));
    for (const TextEvent& e : m_events) {
        if (e.kind == kLogKind) {
            buffer.writeString(e.text);
        }
    }
}

bool TextEventList::read(ByteBuffer& buffer, int version, float anchorX, float anchorY, double now,
                         std::string& error)
{
    clear();
    if (version < kFirstSavedVersion) {
        return true;
    }
    // Each line takes at least its terminating byte.
    uint32_t count = buffer.readCount(1);
    if (buffer.failed()) {
        error = "the message log asks for more lines than the file holds";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        std::string text = buffer.readString();
        if (buffer.failed()) {
            clear();
            error = "the message log ends inside line " + std::to_string(i + 1);
            return false;
        }
        add(text, anchorX, anchorY, 0.0, kLogKind, 0, 1, now);
    }
    return true;
}

void TextEventList::clear()
{
    m_events.clear();
    m_savedCount = 0;
    m_visibleCount = 0;
    m_scroll = 0;
}
