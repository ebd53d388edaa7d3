#include "ui/widgets/UIFilePicker.h"

#include "engine/console/CommandLine.h"
#include "engine/console/CommandRecord.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/WidgetFactory.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UITextInput.h"

#include <algorithm>

namespace {

constexpr float kRowHeight = 15.0f;
// Room for the directory line above the rows, and for the buttons below.
constexpr float kDirectoryLine = 30.0f;
constexpr float kButtonRows = 30.0f;

std::string join(const std::string& directory, const std::string& name)
{
    if (directory.empty()) {
        return name;
    }
    if (name.empty() || directory.back() == '/') {
        return directory + name;
    }
    return directory + FileSystem::getJoinText() + name;
}

} // namespace

UIFilePicker::UIFilePicker()
{
    m_canClick = true;
    m_internalName = "FilePicker";
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (const ResourceHandle* blank = drawing ? drawing->standardImage(0) : nullptr) {
        m_background = *blank;
    }
}

UIFilePicker::~UIFilePicker() = default;

void UIFilePicker::copyFrom(const UIFilePicker& other)
{
    copyBaseFrom(other);
    m_baseDirectory = other.m_baseDirectory;
    m_currentDirectory = other.m_currentDirectory;
    m_extensions = other.m_extensions;
    m_entries = other.m_entries;
    m_selectedRow = other.m_selectedRow;
    m_lastClickTime = other.m_lastClickTime;
    m_pickingFile = other.m_pickingFile;
    m_successCommand = other.m_successCommand;
    m_nameVar = other.m_nameVar;
    m_nameVarName = other.m_nameVarName;
    m_infoProc = other.m_infoProc;
    m_textBox = other.m_textBox;
    m_useIdentifier = other.m_useIdentifier;
    m_background = other.m_background;
}

UITextInput* UIFilePicker::getNameInput() const
{
    return static_cast<UITextInput*>(m_nameInput.get());
}

UIScrollBar* UIFilePicker::getScrollBar() const
{
    return static_cast<UIScrollBar*>(m_scrollBar.get());
}

std::string UIFilePicker::getListedDirectory() const
{
    return join(m_baseDirectory, m_currentDirectory);
}

float UIFilePicker::listTop() const
{
    return getScreenPosition().y + (m_infoProc.empty() ? kDirectoryLine : 0.0f);
}

int UIFilePicker::getVisibleRows() const
{
    float room = m_size.y - (m_infoProc.empty() ? kDirectoryLine : 0.0f) - kButtonRows;
    return room > 0.0f ? static_cast<int>(room / kRowHeight) : 0;
}

void UIFilePicker::fillRows()
{
    m_entries.clear();
    if (m_infoProc.empty()) {
        FileSystem* fs = FileSystem::instance();
        std::string directory = getListedDirectory();
        std::vector<std::string> names;
        if (fs) {
            fs->listDirectories(directory, names);
        }
        for (const std::string& name : names) {
            m_entries.push_back({name, {}, true});
        }
        for (const std::string& extension : m_extensions) {
            names.clear();
            if (fs) {
                fs->listFiles(directory, "*." + extension, names, false, false);
            }
            for (const std::string& name : names) {
                m_entries.push_back({name, {}, false});
            }
        }
    } else if (CommandSystem* commands = CommandSystem::instance()) {
        std::vector<ListEntry> list;
        commands->callListFunction(m_infoProc, list);
        for (const ListEntry& entry : list) {
            m_entries.push_back({entry.name, entry.value, false});
        }
    }
    if (UIScrollBar* bar = getScrollBar()) {
        bar->setRange(static_cast<int>(m_entries.size()), getVisibleRows());
        bar->clampFirst();
    }
}

void UIFilePicker::initialize(bool menuWasHidden)
{
    UIWidget::initialize(menuWasHidden);
    fillRows();
}

int UIFilePicker::rowAt(float y) const
{
    float top = listTop();
    if (y < top) {
        return -1;
    }
    int offset = static_cast<int>((y - top) / kRowHeight);
    if (offset >= getVisibleRows()) {
        return -1;
    }
    UIScrollBar* bar = getScrollBar();
    int row = offset + (bar ? bar->getFirstVisible() : 0);
    return row >= 0 && row < static_cast<int>(m_entries.size()) ? row : -1;
}

void UIFilePicker::update(float seconds)
{
    // A typed name other than the selected row's ends the selection.
    if (m_textBox && m_selectedRow >= 0 && m_selectedRow < static_cast<int>(m_entries.size()) &&
        m_nameVar.isValid() && m_entries[static_cast<size_t>(m_selectedRow)].name != m_nameVar.getString()) {
        clearSelection();
    }
}

bool UIFilePicker::handleMouseButton(int button, bool down, int x, int y)
{
    for (const SafePtr<UIWidget>* child :
         {&m_okButton, &m_backButton, &m_cancelButton, &m_nameInput, &m_scrollBar}) {
        if (pressLandsOn(child->get(), down, x, y)) {
            return false;
        }
    }
    return UIWidget::handleMouseButton(button, down, x, y);
}

void UIFilePicker::onClick(int button, bool down, int x, int y)
{
    if (button != 0 || !down) {
        return;
    }
    int row = rowAt(static_cast<float>(y));
    if (row < 0) {
        // No row under the click: nothing to enter or complete.
        clearSelection();
        return;
    }
    UISystem* ui = UISystem::instance();
    GameTime now = ui ? ui->getTime() : GameTime();
    const Entry entry = m_entries[static_cast<size_t>(row)];
    if (row == m_selectedRow && ui && ui->isDoubleClick(now, m_lastClickTime)) {
        if (entry.isDirectory) {
            enterDirectory(entry.name);
        } else if (m_pickingFile) {
            complete();
        }
        return;
    }
    m_selectedRow = row;
    m_lastClickTime = now;
    if (m_textBox && m_nameVar.isValid() && userVarsReady()) {
        m_nameVar.setString(entry.name);
    }
    if (UIWidget* okButton = m_okButton.get()) {
        okButton->setText(entry.isDirectory ? "Open" : "Ok");
    }
}

void UIFilePicker::enterDirectory(const std::string& name)
{
    m_currentDirectory = join(m_currentDirectory, name);
    if (UIWidget* okButton = m_okButton.get()) {
        okButton->setText("Ok");
    }
    fillRows();
    clearSelection();
}

bool UIFilePicker::choiceIsValid() const
{
    if (m_textBox) {
        std::string typed = m_nameVar.isValid() ? m_nameVar.getString() : std::string();
        size_t dot = typed.rfind('.');
        if (dot == std::string::npos) {
            return false;
        }
        std::string extension = typed.substr(dot + 1);
        return std::find(m_extensions.begin(), m_extensions.end(), extension) != m_extensions.end();
    }
    return m_selectedRow >= 0 && m_selectedRow < static_cast<int>(m_entries.size()) &&
           !m_entries[static_cast<size_t>(m_selectedRow)].isDirectory;
}

std::string UIFilePicker::pickedPath() const
{
    if (m_textBox) {
        return join(m_currentDirectory, m_nameVar.isValid() ? m_nameVar.getString() : std::string());
    }
    if (m_selectedRow < 0 || m_selectedRow >= static_cast<int>(m_entries.size())) {
        return {};
    }
    const Entry& entry = m_entries[static_cast<size_t>(m_selectedRow)];
    return join(m_currentDirectory, m_useIdentifier ? entry.identifier : entry.name);
}

void UIFilePicker::showError(const std::string& text) const
{
    UISystem* ui = UISystem::instance();
    if (ClientView* view = ui ? ui->getClientView() : nullptr) {
        view->showErrorMessage(text);
    }
}

void UIFilePicker::ok()
{
    // A selected directory is entered first, with or without a name box: its
    // name in the box is no file name to refuse.
    if (m_selectedRow >= 0 && m_selectedRow < static_cast<int>(m_entries.size()) &&
        m_entries[static_cast<size_t>(m_selectedRow)].isDirectory) {
        enterDirectory(m_entries[static_cast<size_t>(m_selectedRow)].name);
        return;
    }
    if (m_pickingFile && !choiceIsValid()) {
        showError("Nothing selected");
        return;
    }
    complete();
}

void UIFilePicker::complete()
{
    std::string chosen = m_currentDirectory;
    if (m_pickingFile) {
        chosen = pickedPath();
        // A typed "..", an absolute path or a provider's odd identifier
        // must not lead out of the base directory.
        if (!FileSystem::isSafeRelativePath(chosen)) {
            showError("$$InvalidFileName$$");
            return;
        }
    }
    if (m_userVar.isValid() && userVarsReady()) {
        m_userVar.setString(chosen);
    }
    if (!m_successCommand.empty()) {
        executeCommand(m_successCommand);
    }
    clearSelection();
    executeCommand("menuCommand hide");
}

void UIFilePicker::executeCommand(const std::string& line)
{
    std::vector<std::string> words;
    splitCommandLine(line, words);
    if (words.empty() || words[0] != "widgetCommand") {
        UIWidget::executeCommand(line);
        return;
    }
    const std::string verb = words.size() > 1 ? words[1] : std::string();
    if (verb == "back") {
        size_t cut = m_currentDirectory.rfind(FileSystem::getJoinText());
        m_currentDirectory = cut == std::string::npos ? std::string() : m_currentDirectory.substr(0, cut);
        fillRows();
        clearSelection();
    } else if (verb == "cancel") {
        clearSelection();
        executeCommand("menuCommand hide");
    } else if (verb == "ok") {
        ok();
    }
}

void UIFilePicker::draw()
{
    UIDrawing* drawing = shownDrawing();
    if (!drawing) {
        return;
    }
    Vec2 p = getScreenPosition();
    if (m_background.isValid()) {
        static const float kShade[3] = {0.08f, 0.08f, 0.12f};
        drawing->drawImage(m_background, p.x, p.y, p.x + m_size.x, p.y + m_size.y, 0.85f, kShade, false,
                           false);
    }
    float colour[3] = {m_colour.r, m_colour.g, m_colour.b};
    Vec2 saved = m_textOffset;
    if (m_infoProc.empty()) {
        m_textOffset = {0.0f, 0.0f};
        drawText(getListedDirectory(), colour);
    }
    float top = listTop() - p.y;
    UIScrollBar* bar = getScrollBar();
    int first = bar ? bar->getFirstVisible() : 0;
    int rows = getVisibleRows();
    for (int k = 0; k < rows; ++k) {
        int row = first + k;
        if (row < 0 || row >= static_cast<int>(m_entries.size())) {
            break;
        }
        const Entry& entry = m_entries[static_cast<size_t>(row)];
        std::string text = row == m_selectedRow
                               ? formatColorCode(1) + formatString("%cl%03d", kColorCodeCaret, 0)
                               : std::string();
        text += entry.name;
        if (entry.isDirectory) {
            text += FileSystem::getJoinText();
        }
        m_textOffset = {0.0f, top + static_cast<float>(k) * kRowHeight};
        drawText(text, colour);
    }
    m_textOffset = saved;
}

UIWidget* UIFilePicker::makeWidget(const std::string& type, const std::string& block)
{
    UIMenu* menu = getMenu();
    std::unique_ptr<UIWidget> widget = createWidget(type);
    if (!menu || !widget) {
        return nullptr;
    }
    TextReader reader(block, menu->getPath().empty() ? "picker" : menu->getPath());
    widget->parseBlock(reader);
    UIWidget* added = menu->addWidget(std::move(widget));
    added->setMenu(menu);
    added->finishSetup();
    return added;
}

void UIFilePicker::finishSetup()
{
    UIMenu* menu = getMenu();
    if (!menu) {
        return;
    }
    float px = m_position.x;
    float py = m_position.y;
    float x0 = px + 10.0f;
    float above = m_drawOrder + 1.0f;
    auto at = [](float x, float y) { return formatString("position %g %g\n", x, y); };
    auto order = formatString("drawOrder %g\n", above);
    if (m_textBox) {
        // As wide as the gap to the name box allows: "File name:" is wider than 50.
        m_nameLabel = makeWidget("Widget", "{\n" + at(x0, py + m_size.y - 30.0f) + "size 66 15\n" + order +
                                               "text \"File name:\"\n}");
        m_nameInput = makeWidget("TextInput", "{\n" + at(x0 + 70.0f, py + m_size.y - 30.0f) + "size 50 20\n" +
                                                  order + "userVar \"" + m_nameVarName + "\"\n}");
    }
    std::string target = menu->getName() + "::" + m_internalName;
    auto button = [&](float x, const char* label, const char* verb) {
        return makeWidget("Widget", "{\n" + at(x, py + m_size.y - 15.0f) + "size 50 15\ncanClick 1\n" +
                                        order + "text " + label + "\naddCommand \"widgetCommand " + target +
                                        " " + verb + "\"\n}");
    };
    m_backButton = button(x0, "Back", "back");
    m_cancelButton = button(x0 + 70.0f, "Cancel", "cancel");
    m_okButton = button(x0 + 140.0f, "Ok", "ok");
    auto bar = std::make_unique<UIScrollBar>();
    bar->setPosition({px + m_size.x - 16.0f, py});
    bar->setSize({16.0f, m_size.y});
    bar->setDrawOrder(above);
    m_scrollBar = UIScrollBar::addFor(*this, *menu, std::move(bar));
}

bool UIFilePicker::parseParm(const std::string& keyword, TextReader& reader)
{
    auto word = [&reader] {
        std::string token;
        reader.readToken(token, false);
        return token;
    };
    if (keyword == "baseDirectory") {
        m_baseDirectory = word();
    } else if (keyword == "addExtension") {
        m_extensions.push_back(word());
    } else if (keyword == "pickingFile") {
        m_pickingFile = reader.getBool();
    } else if (keyword == "successCommand") {
        m_successCommand = word();
    } else if (equalsNoCase(keyword, "tempUserVar")) {
        m_nameVarName = word();
        UserVarSystem* vars = UserVarSystem::instance();
        m_nameVar = vars && !m_nameVarName.empty() ? vars->getVar(m_nameVarName, "", UserVarSystem::kCreate)
                                                   : UserVarRef();
    } else if (equalsNoCase(keyword, "textBox")) {
        m_textBox = reader.getBool();
    } else if (equalsNoCase(keyword, "infoProc")) {
        m_infoProc = word();
    } else if (equalsNoCase(keyword, "useIdentifier")) {
        m_useIdentifier = true;
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
