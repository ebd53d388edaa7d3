// On-screen text events of the graphics system: adding, ageing, the two
// drawing passes, the scroll commands and the log's save and load.
#include "graphics/GraphicsSystem.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Clock.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "graphics/text/TextEventList.h"

double GraphicsSystem::textEventTime() const
{
    if (m_textClock) {
        return m_textClock();
    }
    Clock* clock = Clock::instance();
    return clock ? clock->getGameTime().toSeconds() : 0.0;
}

void GraphicsSystem::registerTextEventCommands()
{
    UserVarSystem* vars = UserVarSystem::instance();
    if (vars) {
        m_fullUseSlots = vars->getVar("fullUseSlots", "0", UserVarSystem::kCreate);
        // The interface's variables, with its defaults, when it has not made them.
        m_drawUI = vars->getVar("drawUI", "1", UserVarSystem::kCreate);
        m_maxTextEventsShown = vars->getVar("ui_maxTextEventsShown", "10", UserVarSystem::kCreate);
    }
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    commands->registerCommand(
        [this](const CommandArgs&) {
            m_textEvents->scrollForward(textEventTime(), getVar("ui_textEventsTime").getFloat());
        },
        "nextTextEvent", "Goes to the next text event", "", "", false, 0);
    commands->registerCommand(
        [this](const CommandArgs&) {
            m_textEvents->scrollBack(textEventTime(), getVar("ui_textEventsTime").getFloat());
        },
        "prevTextEvent", "Goes to the prev text event", "", "", false, 0);
    commands->registerCommand([this](const CommandArgs&) { m_textEvents->resetScroll(); }, "resetTextEvent",
                              "Resets the text events", "", "", false, 0);
}

void GraphicsSystem::addTextEvent(const std::string& text, float x, float y, float duration, int kind,
                                  int orientation, int stacked)
{
    if (orientation == 1) {
        Vec2 size = layoutText(text, getFontHandle(1));
        x -= size.x / 2.0f;
        y -= size.y / 2.0f;
    }
    m_textEvents->add(text, x, y, duration, kind, orientation, stacked, textEventTime());
}

void GraphicsSystem::updateTextEvents()
{
    m_textEvents->update(textEventTime(), getVar("ui_maxTextEventsSaved").getInt());
}

bool GraphicsSystem::textEventsDrawn()
{
    // An editor replaces the game's view, its messages with it.
    return (!m_drawUI.isValid() || m_drawUI.getInt() != 0) && m_frameHooks.gameRunning() &&
           !m_frameHooks.areaEditorActive() && !m_frameHooks.modelEditorActive();
}

bool GraphicsSystem::logBackdrop(const std::vector<const std::string*>& texts, int lines, bool fullUseSlots,
                                 float box[4])
{
    const ResourceHandle& logFont = getFontHandle(0);
    float width = 0.0f;
    for (const std::string* text : texts) {
        width = std::max(width, layoutText(*text, logFont).x);
    }
    if (!(width > 0.0f)) {
        return false;
    }
    Vec2 anchor = m_frameHooks.messageAnchor();
    if (fullUseSlots) {
        anchor = anchor + m_frameHooks.useSlotOffset();
    }
    const float h = layoutText("T", logFont).y;
    box[0] = anchor.x - 2.0f;
    box[1] = anchor.y + h - h * static_cast<float>(lines);
    box[2] = anchor.x - 2.0f + width + 4.0f;
    box[3] = anchor.y + h;
    return true;
}

bool GraphicsSystem::getMessageLogBox(float box[4])
{
    if (!textEventsDrawn() || m_frameHooks.mouseOverMenu()) {
        return false;
    }
    const TextEventList::LogView log =
        m_textEvents->logView(m_maxTextEventsShown.isValid() ? m_maxTextEventsShown.getInt() : 10);
    return logBackdrop(log.texts, log.backgroundLines,
                       m_fullUseSlots.isValid() && m_fullUseSlots.getInt() != 0, box);
}

void GraphicsSystem::drawTextEvents(bool logPass)
{
    if (m_drawUI.isValid() && m_drawUI.getInt() == 0) {
        return;
    }
    const ResourceHandle& logFont = getFontHandle(0);
    const ResourceHandle& defaultFont = getFontHandle(1);
    TextEventList::DrawContext context;
    context.logPass = logPass;
    context.mouseOverMenu = m_frameHooks.mouseOverMenu();
    context.paused = m_frameHooks.paused();
    context.now = textEventTime();
    Clock* clock = Clock::instance();
    context.frameSeconds = clock ? clock->getFrameTimeSeconds() : 0.0;
    context.maxShown = m_maxTextEventsShown.isValid() ? m_maxTextEventsShown.getInt() : 10;
    context.fullUseSlots = m_fullUseSlots.isValid() && m_fullUseSlots.getInt() != 0;
    const Vec2 slots = m_frameHooks.useSlotOffset();
    context.useSlotX = slots.x;
    context.useSlotY = slots.y;
    context.logLineHeight = layoutText("T", logFont).y;
    context.defaultLineHeight = layoutText("T", defaultFont).y;
    TextEventList::Plan plan = m_textEvents->plan(context);
    if (!textEventsDrawn()) {
        return;
    }
    float box[4];
    if (logPass && logBackdrop(plan.logTexts, plan.backgroundLines, context.fullUseSlots, box)) {
        if (const ResourceHandle* black = getStandardTexture(1)) {
            Color c = ColorSystem::getColor(0);
            const float colour[3] = {c.r, c.g, c.b};
            // Line by line from the bottom, each fading with its words: a
            // fading line leaves no dark stripe behind.
            const float h = context.logLineHeight;
            for (int row = 0; row < plan.backgroundLines; ++row) {
                const size_t k = static_cast<size_t>(row);
                const float alpha = k < plan.items.size() ? plan.items[k].alpha : 1.0f;
                const float bottom = box[3] - h * static_cast<float>(row);
                if (alpha > 0.0f) {
                    drawImage(colour, *black, box[0], bottom - h, box[2], bottom, 0.75f * alpha, false,
                              false);
                }
            }
        }
    }
    const float white[3] = {1.0f, 1.0f, 1.0f};
    for (const TextEventList::DrawItem& item : plan.items) {
        drawText(item.logFont ? logFont : defaultFont, item.event->text, static_cast<int>(item.x),
                 static_cast<int>(item.y), white, false, item.alpha);
    }
}

void GraphicsSystem::saveTextEvents(ByteBuffer& buffer) const
{
    m_textEvents->write(buffer);
}

bool GraphicsSystem::loadTextEvents(ByteBuffer& buffer, int version)
{
    const Vec2 anchor = m_frameHooks.messageAnchor();
    std::string error;
    if (!m_textEvents->read(buffer, version, anchor.x, anchor.y, textEventTime(), error)) {
        debugPrint(2, "Message log not restored: %s", error.c_str());
        return false;
    }
    return true;
}

void GraphicsSystem::clearTextEvents()
{
    m_textEvents->clear();
}

int GraphicsSystem::getTextEventCount() const
{
    return m_textEvents->size();
}
