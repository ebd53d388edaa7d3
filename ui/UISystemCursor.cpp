#include "ui/UISystem.h"

#include "engine/core/ColorSystem.h"
#include "engine/input/Input.h"
#include "engine/platform/Cursor.h"
#include "ui/ClientView.h"
#include "ui/UICursors.h"
#include "ui/UIDrawing.h"
#include "ui/maps/WorldMap.h"
#include "ui/widgets/UIHelp.h"

void UISystem::loadCursors()
{
    m_cursors->load();
}

void UISystem::setCursor(int id, bool counting)
{
    if (id == UICursors::kBusy) {
        m_busyFrames = 0;
    } else if (m_currentCursor == UICursors::kBusy) {
        if (counting) {
            ++m_busyFrames;
        }
        if (m_busyFrames <= m_settings.minBusyFrames) {
            return;
        }
    }
    m_currentCursor = id;
    const Cursor* cursor = m_cursors->getCursor(id);
    if (cursor && m_variables[2].isValid() && m_variables[2].getInt() != 0) {
        cursor->set();
        Cursor::show(true);
    } else {
        Cursor::show(false);
    }
}

int UISystem::chooseCursor()
{
    int action = m_view ? m_view->getHoverMouseAction() : 0;
    if (m_drag.get()) {
        return UICursors::kDragging;
    }
    if (WorldMap* map = WorldMap::instance(); map && map->isShown()) {
        return map->isDragging() ? UICursors::kGrabbed : UICursors::kNormal;
    }
    if (isMouseOverMenu()) {
        return UICursors::kNormal;
    }
    if (action == 2) {
        return 2;
    }
    UIHelp* help = dynamic_cast<UIHelp*>(m_helpWidget.get());
    if ((help && help->findLabelAtMouse() >= 0) || action == 10 || action == 11 || action == 23) {
        return 3;
    }
    switch (action) {
    case 12:
    case 13:
    case 14:
    case 15:
    case 18:
    case 19:
        return 4;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 22:
    case 24:
    case 25:
    case 26:
    case 27:
    case 28:
        return 6;
    default:
        return UICursors::kNormal;
    }
}

void UISystem::updateCursor()
{
    if (m_view && m_view->isStartupDone()) {
        setCursor(chooseCursor(), false);
    }
}

void UISystem::drawCursor()
{
    setCursor(chooseCursor(), true);
    const int id = m_currentCursor;
    bool hardware = m_variables[2].isValid() && m_variables[2].getInt() != 0 && m_cursors->hasCursor(id);
    const ResourceHandle& image = m_cursors->getImage(id);
    if (hardware || !m_drawing || !image.isValid()) {
        return;
    }
    int x = 0, y = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    // Drawn where the system cursor would stand: its hot spot at the mouse.
    Vec2 hot = m_cursors->getHotSpot(id);
    float x0 = static_cast<float>(x) - hot.x, y0 = static_cast<float>(y) - hot.y;
    Color c = ColorSystem::getColor(0);
    const float colour[3] = {c.r, c.g, c.b};
    const float side = static_cast<float>(UICursors::kMaxSide);
    m_drawing->drawImage(image, x0, y0, x0 + side, y0 + side, 1.0f, colour, false, false);
}
