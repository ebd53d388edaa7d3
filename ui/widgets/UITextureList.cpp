#include "ui/widgets/UITextureList.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"
#include "engine/input/Input.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/ShaderSystem.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIScrollBar.h"

#include <algorithm>
#include <memory>
#include <set>

namespace {

UserVarRef createVar(TextReader& reader)
{
    std::string name;
    reader.readToken(name, false);
    UserVarSystem* vars = UserVarSystem::instance();
    return vars && !name.empty() ? vars->getVar(name, "", UserVarSystem::kCreate) : UserVarRef();
}

std::string varText(const UserVarRef& var)
{
    return var.isValid() && userVarsReady() ? var.getString() : std::string();
}

// Interface images are acquired with the interface sub-type.
constexpr int kImageFlags = 6;

} // namespace

UITextureList::UITextureList() = default;

UITextureList::~UITextureList() = default;

UIScrollBar* UITextureList::getScrollBar() const
{
    return static_cast<UIScrollBar*>(m_scrollBar.get());
}

void UITextureList::copyFrom(const UITextureList& other)
{
    copyBaseFrom(other);
    // The copy fills its own entries when it is first shown.
    m_folder = other.m_folder;
    m_elementSize = other.m_elementSize;
    m_textureVar = other.m_textureVar;
    m_highlightVar = other.m_highlightVar;
    m_useModels = other.m_useModels;
    m_facing = other.m_facing;
}

int UITextureList::getVisibleRows() const
{
    return m_elementSize.y > 0.0f ? static_cast<int>(m_size.y / pitch()) : 0;
}

int UITextureList::getFirstVisible() const
{
    UIScrollBar* bar = getScrollBar();
    return bar ? bar->getFirstVisible() : 0;
}

int UITextureList::getLastVisible() const
{
    if (m_entries.empty()) {
        return -1;
    }
    const int last = getFirstVisible() + getVisibleRows() - 1;
    return std::min(last, static_cast<int>(m_entries.size()) - 1);
}

void UITextureList::fill()
{
    m_entries.clear();
    m_currentName = varText(m_textureVar);
    m_filled = true;
    std::vector<std::string> files;
    if (FileSystem* fs = FileSystem::instance()) {
        fs->listFiles(files, m_folder, m_useModels ? "mdl" : "tga", false, true);
    }
    std::vector<std::string> names;
    for (const std::string& file : files) {
        names.push_back(m_folder + "/" + file);
    }
    if (!m_useModels) {
        // Shaders whose image has no file of its own are listed by the name
        // the image would have, once per scanned folder.
        std::set<std::string> folders{m_folder};
        for (const std::string& name : names) {
            folders.insert(getPathDirectory(name));
        }
        std::set<std::string> known;
        for (const std::string& name : names) {
            known.insert(toLowerCopy(name));
        }
        if (ShaderSystem* shaders = ShaderSystem::instance()) {
            for (const std::string& folder : folders) {
                for (const std::string& image : shaders->listShadersInDirectory(folder)) {
                    std::string name = folder + "/" + image;
                    if (known.insert(toLowerCopy(name)).second) {
                        names.push_back(name);
                    }
                }
            }
        }
    }
    for (std::string& name : names) {
        m_entries.push_back({std::move(name), ResourceHandle()});
    }
    if (UIScrollBar* bar = getScrollBar()) {
        bar->setRange(static_cast<int>(m_entries.size()), getVisibleRows());
    }
}

void UITextureList::acquireVisible()
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    ResourceSystem* resources = ResourceSystem::instance();
    for (int i = getFirstVisible(); i >= 0 && i <= getLastVisible(); ++i) {
        Entry& entry = m_entries[static_cast<size_t>(i)];
        if (entry.handle.isValid()) {
            continue;
        }
        if (m_useModels) {
            if (resources) {
                entry.handle = resources->load(entry.file);
            }
        } else if (drawing) {
            entry.handle = drawing->acquireImage(entry.file, kImageFlags);
        }
    }
}

void UITextureList::initialize(bool menuWasHidden)
{
    UIWidget::initialize(menuWasHidden);
    fill();
}

void UITextureList::update(float seconds)
{
    UIWidget::update(seconds);
    if (!m_filled || varText(m_textureVar) != m_currentName) {
        fill();
    }
    if (!m_highlightVar.isValid() || !userVarsReady() || !isVisible()) {
        return;
    }
    int x = 0, y = 0;
    if (Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    const int entry = entryAt(static_cast<float>(x), static_cast<float>(y));
    if (entry >= 0) {
        m_highlightVar.setString(resourceName(entry));
    }
}

void UITextureList::setVisible(bool shown)
{
    m_shown = shown;
    if (UIScrollBar* bar = getScrollBar()) {
        bar->setVisible(shown);
    }
}

bool UITextureList::handleMouseButton(int button, bool down, int x, int y)
{
    return !pressLandsOn(m_scrollBar.get(), down, x, y) && UIWidget::handleMouseButton(button, down, x, y);
}

int UITextureList::entryAt(float x, float y) const
{
    if (m_elementSize.y <= 0.0f || !containsPoint(x, y)) {
        return -1;
    }
    const float top = getScreenPosition().y;
    const int row = static_cast<int>((y - top) / pitch());
    const int entry = row + getFirstVisible();
    return row >= 0 && entry <= getLastVisible() ? entry : -1;
}

std::string UITextureList::resourceName(int entry) const
{
    if (entry < 0 || entry >= static_cast<int>(m_entries.size())) {
        return {};
    }
    const std::string& file = m_entries[static_cast<size_t>(entry)].file;
    if (m_useModels) {
        return file;
    }
    const int dot = findExtension(file);
    return (dot >= 0 ? file.substr(0, static_cast<size_t>(dot)) : file) + ".sdr";
}

void UITextureList::onClick(int button, bool down, int x, int y)
{
    if (button != 0 || !down || !isVisible() || !m_textureVar.isValid() || !userVarsReady()) {
        return;
    }
    const int entry = entryAt(static_cast<float>(x), static_cast<float>(y));
    if (entry >= 0) {
        m_textureVar.setString(resourceName(entry));
    }
}

void UITextureList::draw()
{
    if (!isVisible() || m_elementSize.y <= 0.0f) {
        return;
    }
    acquireVisible();
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing) {
        return;
    }
    const Color c = ColorSystem::getColor(0);
    const float colour[3] = {c.r, c.g, c.b};
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const Vec2 at = getScreenPosition();
    const Vec2 savedOffset = m_textOffset;
    const int first = getFirstVisible();
    // Names end at the scroll bar when it lies over the list.
    float rowEnd = m_size.x;
    if (UIScrollBar* bar = getScrollBar(); bar && bar->isVisible()) {
        const float barX = bar->getScreenPosition().x - at.x;
        rowEnd = barX > 0.0f ? std::min(rowEnd, barX) : rowEnd;
    }
    for (int i = first; i >= 0 && i <= getLastVisible(); ++i) {
        const Entry& entry = m_entries[static_cast<size_t>(i)];
        const float y = at.y + static_cast<float>(i - first) * pitch();
        if (m_useModels) {
            drawing->drawModel(entry.handle, m_facing, at.x, y, at.x + m_elementSize.x, y + m_elementSize.y);
        } else {
            drawing->drawImage(entry.handle, at.x, y, at.x + m_elementSize.x, y + m_elementSize.y, 1.0f,
                               white, false, false);
        }
        m_textOffset = {m_elementSize.x + kRowGap, y - at.y};
        drawText(fitTextToWidth(entry.file, rowEnd - m_textOffset.x), colour);
    }
    m_textOffset = savedOffset;
}

void UITextureList::finishSetup()
{
    UIMenu* menu = getMenu();
    if (!menu) {
        return;
    }
    auto bar = std::make_unique<UIScrollBar>();
    bar->layOut(m_position, m_size);
    bar->setDrawOrder(m_drawOrder + 1.0f);
    m_scrollBar = UIScrollBar::addFor(*this, *menu, std::move(bar));
}

bool UITextureList::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&keyword](const char* name) { return equalsNoCase(keyword, name); };
    if (is("elementSize")) {
        m_elementSize.x = reader.getFloat();
        m_elementSize.y = reader.getFloat();
    } else if (is("textureUserVar")) {
        m_textureVar = createVar(reader);
    } else if (is("highlightUserVar")) {
        m_highlightVar = createVar(reader);
    } else if (is("useModels")) {
        m_useModels = reader.getBool();
        m_folder = m_useModels ? "Models" : "Textures";
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false; // the block goes on
}
