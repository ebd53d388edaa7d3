#include "ui/widgets/UIWidget.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/CovenantBase.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"

UIWidget::UIWidget() : m_colour(ColorSystem::getColor(0)), m_hoverColour(ColorSystem::getColor(0))
{
    if (UISystem* ui = UISystem::instance()) {
        m_font = ui->getDefaultFont();
    }
}

UIWidget::~UIWidget()
{
    // The interface's pointers to this widget read null from here on
    // (SafeClass); the handles release their entries themselves.
}

void UIWidget::copyBaseFrom(const UIWidget& other)
{
    if (&other == this) {
        return;
    }
    m_position = other.m_position;
    m_size = other.m_size;
    m_image = other.m_image;
    m_imageName = other.m_imageName;
    m_hoverImage = other.m_hoverImage;
    m_hoverImageName = other.m_hoverImageName;
    m_glowImage = other.m_glowImage;
    m_colour = other.m_colour;
    m_colorSource = other.m_colorSource;
    m_hoverColour = other.m_hoverColour;
    m_hoverColourSet = other.m_hoverColourSet;
    m_shown = other.m_shown;
    m_draw = other.m_draw;
    m_canClick = other.m_canClick;
    m_mouseCanRepeat = other.m_mouseCanRepeat;
    m_hotKey = other.m_hotKey;
    m_altHotKey = other.m_altHotKey;
    m_showHotKey = other.m_showHotKey;
    m_parent = other.m_parent;
    m_text = other.m_text;
    m_textOffset = other.m_textOffset;
    m_textSources = other.m_textSources;
    m_highlightSources = other.m_highlightSources;
    m_userVar = other.m_userVar;
    m_setVarOnButtonPress = other.m_setVarOnButtonPress;
    m_userVarValue = other.m_userVarValue;
    m_initialized = other.m_initialized;
    m_name = other.m_name;
    m_internalName = other.m_internalName;
    m_showCondition = other.m_showCondition;
    m_hideCondition = other.m_hideCondition;
    m_glowCondition = other.m_glowCondition;
    m_blinkCondition = other.m_blinkCondition;
    m_selectedCondition = other.m_selectedCondition;
    m_entityType = other.m_entityType;
    m_entityIndex = other.m_entityIndex;
    m_selectable = other.m_selectable;
    m_selected = other.m_selected;
    m_drawOrder = other.m_drawOrder;
    m_activatingButton = other.m_activatingButton;
    m_ignoreRepeats = other.m_ignoreRepeats;
    m_highlightBackgroundAlpha = other.m_highlightBackgroundAlpha;
    m_highlightText = other.m_highlightText;
    m_textAlignment = other.m_textAlignment;
    m_clickSound = other.m_clickSound;
    m_hoverSound = other.m_hoverSound;
    m_clickCommands = other.m_clickCommands;
    m_rightClickCommands = other.m_rightClickCommands;
    m_failCommands = other.m_failCommands;
    m_subMenuIndex = other.m_subMenuIndex;
    m_showHighlightInfo = other.m_showHighlightInfo;
    m_font = other.m_font;
    m_useTextBackdrop = other.m_useTextBackdrop;
    m_cutTextToWidth = other.m_cutTextToWidth;
    m_tiled = other.m_tiled;
    m_tiledToFit = other.m_tiledToFit;
    m_verifyProc = other.m_verifyProc;
    m_blocksMouse = other.m_blocksMouse;
    m_alpha = other.m_alpha;
    m_hitTest = other.m_hitTest;
    m_highlightRedirect = other.m_highlightRedirect;
    m_subMenuTab = other.m_subMenuTab;
    m_draggedDrawing = false;
    m_hasProtectedZone = other.m_hasProtectedZone;
    for (int i = 0; i < 4; ++i) {
        m_protectedZone[i] = other.m_protectedZone[i];
    }
    // Holding a button belongs to the widget under the pointer, not its copy.
    m_repeating = false;
    m_parentLinked = other.m_parentLinked;
    m_parentOffset = other.m_parentOffset;
}

void UIWidget::update(float seconds)
{
    switch (m_colorSource) {
    case 1:
        if (EntityClient* entity = getEntity()) {
            if (UISystem* ui = UISystem::instance(); ui && ui->getClientView()) {
                Color colour;
                if (ui->getClientView()->getEntityClassColor(entity, colour)) {
                    m_colour = colour;
                }
            }
        }
        break;
    case 2:
        if (CovenantBase* covenant = getCovenant()) {
            m_colour = ColorSystem::getColor(covenant->getColorType());
        }
        break;
    default:
        break;
    }
    if (m_parentLinked) {
        if (UIWidget* parent = m_parent.get()) {
            m_position.x = parent->m_position.x + m_parentOffset.x;
            m_position.y = parent->m_position.y + m_parentOffset.y;
        }
    }
}

bool UIWidget::hasFocus() const
{
    UISystem* ui = UISystem::instance();
    return ui && ui->getFocusWidget() == this;
}

void UIWidget::prepareDraw()
{
    if (hasTextSource(m_textSources)) {
        m_text = buildSourceText(m_textSources, *this);
        unescapeNewlines(m_text);
    }
}

void UIWidget::initialize(bool menuWasHidden)
{
    if (m_initialized) {
        return;
    }
    if (userVarsReady() && m_userVar.isValid()) {
        m_userVar.setString(m_userVarValue);
    }
    m_initialized = true;
}

bool UIWidget::isVisible() const
{
    if (!m_shown) {
        return false;
    }
    if (m_parentLinked && m_parent && !m_parent->isVisible()) {
        return false;
    }
    if (m_hideCondition != 0 && checkCondition(m_hideCondition)) {
        return false;
    }
    return m_showCondition == 0 || checkCondition(m_showCondition);
}

void UIWidget::executeCommand(const std::string& line)
{
    if (m_menu) {
        m_menu->handleCommand(line);
    } else {
        executeCommandLine(line);
    }
}

void UIWidget::setTexture(const std::string& name)
{
    if (name == m_imageName && (name.empty() || m_image.isValid())) {
        return;
    }
    m_imageName = name;
    if (name.empty()) {
        m_image.release();
        return;
    }
    UISystem* ui = UISystem::instance();
    if (ui && ui->getDrawing()) {
        m_image = ui->getDrawing()->acquireImage(name, (m_tiled || m_tiledToFit) ? 7 : 6);
    }
}

void UIWidget::setHoverTexture(const std::string& name)
{
    if (name == m_hoverImageName && (name.empty() || m_hoverImage.isValid())) {
        return;
    }
    m_hoverImageName = name;
    if (name.empty()) {
        m_hoverImage.release();
        return;
    }
    UISystem* ui = UISystem::instance();
    if (ui && ui->getDrawing()) {
        m_hoverImage = ui->getDrawing()->acquireImage(name, 6);
    }
}

void UIWidget::setText(const std::string& text)
{
    m_text = text;
    unescapeNewlines(m_text);
}

void UIWidget::setFont(const std::string& name)
{
    std::string path = FileSystem::addDirectoryPrefix("Fonts", name);
    addExtensionIfMissing(path, "fnt");
    UISystem* ui = UISystem::instance();
    if (ui && ui->getDrawing()) {
        m_font = ui->getDrawing()->loadFont(path);
    }
}

Vec2 UIWidget::getScreenPosition() const
{
    if (!m_menu) {
        return m_position;
    }
    const Vec2& menu = m_menu->getPosition();
    return {m_position.x + menu.x, m_position.y + menu.y};
}

bool UIWidget::containsPoint(float x, float y) const
{
    Vec2 at = getScreenPosition();
    return x >= at.x && x <= at.x + m_size.x && y >= at.y && y <= at.y + m_size.y;
}

Vec2 UIWidget::getProtectedZonePosition() const
{
    Vec2 at{m_protectedZone[0], m_protectedZone[1]};
    if (m_menu) {
        at.x += m_menu->getPosition().x;
        at.y += m_menu->getPosition().y;
    }
    return at;
}

void UIWidget::storeTextInUserVar()
{
    if (userVarsReady() && m_userVar.isValid()) {
        m_userVar.setString(m_text);
    }
}

void UIWidget::runCommandList(const std::vector<std::string>& lines)
{
    if (m_menu) {
        m_menu->runCommands(lines);
        return;
    }
    for (const std::string& line : lines) {
        executeCommandLine(line);
    }
}

void UIWidget::runClickCommands()
{
    runCommandList(m_clickCommands);
}

void UIWidget::playHoverSound()
{
    UISystem* ui = UISystem::instance();
    if (ui && ui->getClientView() && m_hoverSound.isValid()) {
        ui->getClientView()->playInterfaceSound(m_hoverSound);
    }
}

void UIWidget::holdButton()
{
    if (m_repeating) {
        return;
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->setHeldWidget(this);
    }
    m_repeating = true;
}

void UIWidget::releaseButton()
{
    if (!m_repeating) {
        return;
    }
    m_repeating = false;
    if (UISystem* ui = UISystem::instance()) {
        ui->clearHeldWidget(this);
    }
}
