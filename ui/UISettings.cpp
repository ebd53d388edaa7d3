#include "ui/UISystem.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"
#include "ui/ClientView.h"
#include "ui/menus/UIMenu.h"

namespace {

// Two numbers, written as one quoted text or as two values; 0 for what is
// missing.
Vec2 readPair(const Database& db, const DatabaseEntry* entry, const char* key)
{
    std::vector<std::string> items = db.getStringList(entry, key);
    std::string text;
    for (const std::string& item : items) {
        text += item;
        text += ' ';
    }
    return parseVec2(text);
}

} // namespace

void UISystem::loadSettings()
{
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("UISystem") : nullptr;
    if (!entry) {
        return;
    }
    UISettings& s = m_settings;
    s.centerTextPosition = readPair(*db, entry, "CenterTextPosition");
    s.relationChangeTextPosition = readPair(*db, entry, "RelationChangeTextPosition");
    s.relationChangeTextPositionOverWindow =
        db->getStringList(entry, "RelationChangeTextPositionOverWindow").empty()
            ? s.relationChangeTextPosition
            : readPair(*db, entry, "RelationChangeTextPositionOverWindow");
    s.eventsTextPosition = readPair(*db, entry, "EventsTextPosition");
    s.fullUseSlotsOffset = readPair(*db, entry, "FullUseSlotsOffset");
    s.helpTopicBasePosition = readPair(*db, entry, "HelpTopicBasePosition");
    s.helpTopicButtonOffset = db->getFloat(entry, "HelpTopicButtonOffset");
    s.helpTopicButtonSize = db->getFloat(entry, "HelpTopicButtonSize");
    s.miniMapMaskPosition = readPair(*db, entry, "MiniMapMaskPosition");
    s.miniMapMaskSize = readPair(*db, entry, "MiniMapMaskSize");
    s.minRelationForColoring = db->getFloat(entry, "MinRelationForColoring");
    s.maxRelationForColoring = db->getFloat(entry, "MaxRelationForColoring");
    s.worldMapKeyPosition = readPair(*db, entry, "WorldMapKeyPosition");
    s.worldMapKeyLineSpace = db->getFloat(entry, "WorldMapKeyLineSpace");
    s.worldMapKeyMarkerSize = db->getFloat(entry, "WorldMapKeyMarkerSize");
    s.worldMapKeyTextOffset = db->getFloat(entry, "WorldMapKeyTextOffset");
    s.worldMapKeyFontName = db->getString(entry, "WorldMapKeyFontName");
    if (!s.worldMapKeyFontName.empty()) {
        s.worldMapKeyFontName = FileSystem::addDirectoryPrefix("Fonts", s.worldMapKeyFontName);
        addExtensionIfMissing(s.worldMapKeyFontName, "fnt");
    }
    s.scrollbarUp = db->getString(entry, "ScrollbarUp");
    s.scrollbarDown = db->getString(entry, "ScrollbarDown");
    s.scrollbarLeft = db->getString(entry, "ScrollbarLeft");
    s.scrollbarRight = db->getString(entry, "ScrollbarRight");
    s.scrollbarBar = db->getString(entry, "ScrollbarBar");
    s.scrollbarBackground = db->getString(entry, "ScrollbarBackground");
    s.scrollbarBarHoriz = db->getString(entry, "ScrollbarBarHoriz");
    s.scrollbarBackgroundHoriz = db->getString(entry, "ScrollbarBackgroundHoriz");
    s.defaultHoverColor = parseColor(db->getString(entry, "DefaultHoverColor"));
    s.minBusyFrames = db->getInt(entry, "MinBusyFrames");
    s.gameMenu = db->getStringList(entry, "GameMenu");
    s.mouseFirstRepeatTime = db->getFloat(entry, "MouseFirstRepeatTime");
    s.mouseOtherRepeatTime = db->getFloat(entry, "MouseOtherRepeatTime");
    s.relationsCenter = readPair(*db, entry, "RelationsCenter");
    s.relationsRadius = db->getFloat(entry, "RelationsRadius");
    s.sideStackStart = readPair(*db, entry, "SideStackStart");
    s.sideStackSpace = readPair(*db, entry, "SideStackSpace");
    s.spaceBetweenTextLines = db->getFloat(entry, "SpaceBetweenTextLines");
    s.relationPicturePos = readPair(*db, entry, "RelationPicturePos");
    s.relationNamePos = readPair(*db, entry, "RelationNamePos");
}

void UISystem::showGameMenus()
{
    CallGuard guard(*this);
    for (const std::string& name : m_settings.gameMenu) {
        if (UIMenu* menu = findMenu(name); menu && !menu->isVisible()) {
            menu->show();
            menu->setVisibleFlag(true);
        }
    }
}

void UISystem::hideMenusForEditor()
{
    m_editorShown = true;
    if (!m_view || !m_view->isGameRunning()) {
        return;
    }
    for (const std::string& name : m_settings.gameMenu) {
        if (UIMenu* menu = findMenu(name); menu && menu->isVisible()) {
            hideMenu(menu);
        }
    }
    for (const SafePtr<UIMenu>& entry : m_helpButtons) {
        if (UIMenu* menu = entry.get(); menu && menu->isVisible()) {
            hideMenu(menu);
            m_helpButtonsUnderEditor.push_back(entry);
        }
    }
}

void UISystem::showMenusAfterEditor()
{
    m_editorShown = false;
    if (m_view && m_view->isGameRunning()) {
        showGameMenus();
        for (const SafePtr<UIMenu>& entry : m_helpButtonsUnderEditor) {
            if (UIMenu* menu = entry.get(); menu && !menu->isVisible()) {
                menu->show();
                menu->setVisibleFlag(true);
            }
        }
        m_helpButtonsUnderEditor.clear();
        layoutHelpTopicButtons();
    } else {
        m_helpButtonsUnderEditor.clear();
        showMenu("Main");
    }
}

bool UISystem::panelsTakePresses() const
{
    return !m_editorShown && getUserVarInt("drawWorldMap") == 0;
}
