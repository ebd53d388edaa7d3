#include "ui/widgets/UIWidget.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/resources/ResourceSystem.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"

#include <cstdlib>

namespace {

bool isIntegerToken(const std::string& token)
{
    size_t i = (!token.empty() && (token[0] == '-' || token[0] == '+')) ? 1 : 0;
    if (i >= token.size()) {
        return false;
    }
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') {
            return false;
        }
    }
    return true;
}

bool takesArgument(int type)
{
    return type == UITextSource::SpecifiedUserVar || type == UITextSource::TextFileDirect ||
           type == UITextSource::Text || type == UITextSource::VirtualKeyRealKeyName ||
           type == UITextSource::HotKey || type == UITextSource::NamedHotKey;
}

std::string readToken(TextReader& reader)
{
    std::string token;
    reader.readToken(token, false);
    return token;
}

ResourceHandle loadSound(const std::string& name)
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources && !name.empty() ? resources->load(name) : ResourceHandle();
}

Color hoverDefault()
{
    UISystem* ui = UISystem::instance();
    return ui ? ui->getSettings().defaultHoverColor : Color();
}

} // namespace

void UIWidget::readSourceList(TextReader& reader, std::vector<UITextSourceRecord>& out)
{
    std::string token;
    bool pending = false;
    UITextSourceRecord record;
    while (reader.readToken(token, false)) {
        if (pending && takesArgument(record.type)) {
            record.argument = token;
            out.push_back(record);
            pending = false;
            continue;
        }
        if (pending && isIntegerToken(token)) {
            record.number = std::atoi(token.c_str());
            out.push_back(record);
            pending = false;
            continue;
        }
        if (pending) {
            out.push_back(record);
        }
        record = UITextSourceRecord();
        record.type = lookupUITextSource(token, &reader);
        pending = true;
    }
    if (pending) {
        out.push_back(record);
    }
}

void UIWidget::parseBlock(TextReader& reader)
{
    if (!reader.expect("{")) {
        reader.report(2, "a widget block starts with \"{\"\n");
        return;
    }
    std::string keyword;
    while (reader.readToken(keyword, true)) {
        if (parseParm(keyword, reader)) {
            return;
        }
    }
    reader.report(2, "the widget block has no closing \"}\"\n");
}

bool UIWidget::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&keyword](const char* name) { return equalsNoCase(keyword, name); };
    if (is("texture")) {
        setTexture(readToken(reader));
    } else if (is("hoverTexture")) {
        setHoverTexture(readToken(reader));
    } else if (is("glowTexture")) {
        std::string name = readToken(reader);
        UISystem* ui = UISystem::instance();
        if (ui && ui->getDrawing() && !name.empty()) {
            m_glowImage = ui->getDrawing()->acquireImage(name, 6);
        }
    } else if (is("position")) {
        m_position = reader.getVec2();
    } else if (is("size")) {
        m_size = reader.getVec2();
    } else if (is("text")) {
        setText(readToken(reader));
        m_hoverColour = hoverDefault();
        m_hoverColourSet = true;
    } else if (is("color")) {
        m_colour = parseColor(readToken(reader));
    } else if (is("hoverColor")) {
        m_hoverColour = parseColor(readToken(reader));
        m_hoverColourSet = true;
    } else if (is("useDefaultHoverColor")) {
        m_hoverColour = hoverDefault();
        m_hoverColourSet = true;
    } else if (is("canClick")) {
        m_canClick = reader.getBool();
    } else if (is("mouseCanRepeat")) {
        m_mouseCanRepeat = reader.getBool();
    } else if (is("addCommand")) {
        m_clickCommands.push_back(readToken(reader));
    } else if (is("addRightClickCommand")) {
        m_rightClickCommands.push_back(readToken(reader));
    } else if (is("addFailCommand")) {
        m_failCommands.push_back(readToken(reader));
    } else if (is("hotKey")) {
        m_hotKey = getKeyCodeByName(readToken(reader));
    } else if (is("altHotKey")) {
        m_altHotKey = getKeyCodeByName(readToken(reader));
    } else if (is("name")) {
        m_name = readToken(reader);
    } else if (is("showCondition")) {
        m_showCondition = lookupUICondition(readToken(reader), &reader);
    } else if (is("hideCondition")) {
        m_hideCondition = lookupUICondition(readToken(reader), &reader);
    } else if (is("blinkCondition")) {
        m_blinkCondition = lookupUICondition(readToken(reader), &reader);
    } else if (is("glowCondition")) {
        m_glowCondition = lookupUICondition(readToken(reader), &reader);
    } else if (is("selectedCondition")) {
        m_selectedCondition = lookupUICondition(readToken(reader), &reader);
    } else if (is("textSource")) {
        readSourceList(reader, m_textSources);
    } else if (is("entityType")) {
        m_entityType = lookupUIEntity(readToken(reader), &reader);
    } else if (is("entityIndex")) {
        m_entityIndex = reader.getInt();
    } else if (is("colorSource")) {
        m_colorSource = lookupUIColorSource(readToken(reader), &reader);
    } else if (is("selectable")) {
        m_selectable = reader.getBool();
    } else if (is("startsSelected")) {
        m_selected = true;
    } else if (is("internalName")) {
        m_internalName = readToken(reader);
    } else if (is("userVar")) {
        std::string name = readToken(reader);
        std::string value = readToken(reader);
        if (UserVarSystem* vars = UserVarSystem::instance(); vars && !name.empty()) {
            m_userVar = vars->getVar(name, "", UserVarSystem::kCreate);
        }
        m_userVarValue = value;
        if (!value.empty()) {
            m_initialized = false;
        }
    } else if (is("parentWidget")) {
        UISystem* ui = UISystem::instance();
        std::string path = readToken(reader);
        m_parent = ui ? ui->findWidget(path, &reader) : nullptr;
    } else if (is("setVarOnButtonPress")) {
        m_setVarOnButtonPress = reader.getBool();
    } else if (is("drawOrder")) {
        m_drawOrder = reader.getFloat();
        if (m_menu) {
            m_menu->reinsertWidget(this);
        }
    } else if (is("highlightBackgroundAlpha")) {
        m_highlightBackgroundAlpha = reader.getFloat();
    } else if (is("highlightText")) {
        m_highlightText = readToken(reader);
        unescapeNewlines(m_highlightText);
    } else if (is("highlightTextSource")) {
        readSourceList(reader, m_highlightSources);
    } else if (is("textAlignment")) {
        m_textAlignment = lookupTextOrientation(readToken(reader), &reader);
    } else if (is("subMenuIndex")) {
        m_subMenuIndex = reader.getInt();
    } else if (is("textOffset")) {
        m_textOffset = reader.getVec2();
    } else if (is("clickSound")) {
        m_clickSound = loadSound(readToken(reader));
    } else if (is("hoverSound")) {
        m_hoverSound = loadSound(readToken(reader));
    } else if (is("showHighlightInfo")) {
        m_showHighlightInfo = reader.getBool();
    } else if (is("font")) {
        setFont(readToken(reader));
    } else if (is("useTextBackdrop")) {
        m_useTextBackdrop = reader.getBool();
    } else if (is("cutTextToWidth")) {
        m_cutTextToWidth = reader.getBool();
    } else if (is("draw")) {
        m_draw = reader.getBool();
    } else if (is("tiled")) {
        m_tiled = reader.getBool();
    } else if (is("tiledToFit")) {
        m_tiledToFit = reader.getBool();
    } else if (is("verifyProc")) {
        m_verifyProc = readToken(reader);
    } else if (is("blocksMouse")) {
        m_blocksMouse = reader.getBool();
    } else if (is("alpha")) {
        m_alpha = reader.getFloat();
    } else if (is("subMenuTab")) {
        m_subMenuTab = reader.getBool();
    } else if (is("highlightRedirect")) {
        m_highlightRedirect = readToken(reader);
    } else if (is("highlightProtectedZone")) {
        Vec2 at = reader.getVec2();
        Vec2 size = reader.getVec2();
        m_protectedZone[0] = at.x;
        m_protectedZone[1] = at.y;
        m_protectedZone[2] = size.x;
        m_protectedZone[3] = size.y;
        m_hasProtectedZone = true;
    } else if (is("parentLinked")) {
        m_parentOffset = reader.getVec2();
        m_parentLinked = true;
    } else if (keyword == "}") {
        return true;
    } else {
        debugPrint(1, "%s: Unknown widget parm %s\n", reader.location().c_str(), keyword.c_str());
    }
    return false;
}
