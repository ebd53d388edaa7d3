#include "ui/widgets/UIText.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Localization.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/TextResource.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIScrollBar.h"

#include <algorithm>
#include <memory>

namespace {

// Keyboard scan codes of the scrolling keys.
constexpr int kKeyUp = 200;
constexpr int kKeyDown = 208;
constexpr int kKeyHome = 199;
constexpr int kKeyEnd = 207;
constexpr int kKeyPageUp = 201;
constexpr int kKeyPageDown = 209;
// Room kept free at the right for the bar.
constexpr float kRightMargin = 24.0f;

} // namespace

UIText::UIText()
{
    m_ignoreRepeats = false;
}

UIText::~UIText() = default;

UIScrollBar* UIText::getScrollBar() const
{
    return static_cast<UIScrollBar*>(m_scrollBar.get());
}

void UIText::copyFrom(const UIText& other)
{
    copyBaseFrom(other);
    m_loadedFileName = other.m_loadedFileName;
    m_laidOutText = other.m_laidOutText;
    m_laidOutSize = other.m_laidOutSize;
    m_laidOutFont = other.m_laidOutFont;
    m_keepPlace = other.m_keepPlace;
    m_lines = other.m_lines;
    m_visibleLineCount = other.m_visibleLineCount;
    m_firstShownLine = other.m_firstShownLine;
    m_textChanged = other.m_textChanged;
    m_scrollBarOffset = other.m_scrollBarOffset;
    m_scrollBarSize = other.m_scrollBarSize;
    m_keyboardControl = other.m_keyboardControl;
}

void UIText::setText(const std::string& text)
{
    std::string translated = text;
    if (Localization* loc = Localization::instance()) {
        loc->translate(translated);
    }
    unescapeNewlines(translated);
    layoutLines(translated);
}

void UIText::loadTextFile(const std::string& fileName)
{
    if (fileName.empty()) {
        return;
    }
    m_loadedFileName = fileName;
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources) {
        return;
    }
    ResourceHandle handle = resources->load(fileName);
    if (TextResource* text = handle.isValid() ? handle.getAs<TextResource>() : nullptr) {
        layoutLines(text->getText());
    }
}

void UIText::layoutLines(const std::string& text)
{
    if (text == m_laidOutText && m_size == m_laidOutSize && m_font.getIndex() == m_laidOutFont) {
        return;
    }
    m_laidOutText = text;
    m_laidOutSize = m_size;
    m_laidOutFont = m_font.getIndex();
    const std::string firstBefore = m_lines.empty() ? std::string() : m_lines.front();
    m_textChanged = true;
    m_keepPlace = false;
    m_firstShownLine = -1;
    m_lines.clear();
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (text.empty()) {
        return;
    }
    float limit = m_size.x - kRightMargin;
    auto tooWide = [&](const std::string& s) { return drawing && limit < drawing->layoutText(m_font, s).x; };
    std::string line;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            line += word;
            line += c;
            word.clear();
        } else if (c == '\r') {
            continue;
        } else if (c == '\n') {
            line += word;
            m_lines.push_back(line);
            line.clear();
            word.clear();
        } else {
            word += c;
            if (!tooWide(line + word)) {
                continue;
            }
            if (!line.empty()) {
                m_lines.push_back(line);
                line.clear();
            }
            // A word wider than the box on a line of its own is cut at the
            // last character that fits; the rest carries on.
            while (word.size() > 1 && tooWide(word)) {
                size_t keep = word.size() - 1;
                while (keep > 1 && tooWide(word.substr(0, keep))) {
                    --keep;
                }
                m_lines.push_back(word.substr(0, keep));
                word.erase(0, keep);
            }
        }
    }
    if (!word.empty() || !line.empty()) {
        m_lines.push_back(line + word);
    }
    m_keepPlace = !firstBefore.empty() && !m_lines.empty() && m_lines.front() == firstBefore;
    // The lines are drawn as one text, each a measured line (the spacing
    // between lines included) below the last; the last needs no space under
    // it. As many as fit.
    float h = drawing ? drawing->layoutText(m_font, "Test").y : 0.0f;
    float spacing = ui ? ui->getSettings().spaceBetweenTextLines : 0.0f;
    m_visibleLineCount = h > 0.0f ? static_cast<int>((m_size.y + spacing) / h) : 0;
}

void UIText::layoutAgainIfResized()
{
    if (m_size != m_laidOutSize || m_font.getIndex() != m_laidOutFont) {
        const std::string text = m_laidOutText;
        layoutLines(text);
    }
}

void UIText::update(float seconds)
{
    const std::vector<UITextSourceRecord>& sources = getTextSources();
    if (!hasTextSource(sources)) {
        return;
    }
    const UITextSourceRecord& first = sources.front();
    if (first.type == UITextSource::TextFile) {
        UISystem* ui = UISystem::instance();
        std::string name = ui ? ui->getStoryFile() : std::string();
        if (name != m_loadedFileName) {
            loadTextFile(name);
        }
    } else if (first.type == UITextSource::TextFileDirect) {
        loadTextFile(first.argument);
    } else {
        setText(buildSourceText(sources, *this));
    }
}

void UIText::setVisible(bool shown)
{
    m_shown = shown;
    if (UIScrollBar* bar = getScrollBar()) {
        bar->setVisible(shown);
    }
}

void UIText::scrollTo(int line)
{
    if (UIScrollBar* bar = getScrollBar()) {
        bar->scrollTo(std::clamp(line, 0, std::max(0, static_cast<int>(m_lines.size()) - 1)));
    }
}

bool UIText::onMouseWheel(int step)
{
    // A hidden text, or one away from the pointer, leaves the wheel to the
    // other texts, the widgets behind it and the camera.
    if (!isVisible()) {
        return false;
    }
    int x = 0;
    int y = 0;
    UISystem::pointerPosition(x, y);
    UIScrollBar* bar = getScrollBar();
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (!containsPoint(fx, fy) && !(bar && bar->containsPoint(fx, fy))) {
        return false;
    }
    if (bar) {
        scrollTo(bar->getFirstVisible() + (step > 0 ? -1 : 1));
    }
    return true;
}

bool UIText::onKey(int key, bool down)
{
    UIScrollBar* bar = getScrollBar();
    if (!m_keyboardControl || !down || !bar) {
        return false;
    }
    int at = bar->getFirstVisible();
    int last = static_cast<int>(m_lines.size()) - 1;
    switch (key) {
    case kKeyUp:
        scrollTo(at - 1);
        break;
    case kKeyDown:
        scrollTo(at + 1);
        break;
    case kKeyHome:
        scrollTo(0);
        break;
    case kKeyEnd:
        scrollTo(last);
        break;
    case kKeyPageUp:
        scrollTo(at - (m_visibleLineCount - 1));
        break;
    case kKeyPageDown:
        scrollTo(at + (m_visibleLineCount - 1));
        break;
    default:
        return false;
    }
    return true;
}

void UIText::prepareDraw()
{
    layoutAgainIfResized();
    UIScrollBar* bar = getScrollBar();
    if (!bar) {
        return;
    }
    if (m_textChanged) {
        const int count = static_cast<int>(m_lines.size());
        // A text that now fits whole shows from its top.
        const int kept = m_keepPlace && count > m_visibleLineCount ? bar->getFirstVisible() : 0;
        bar->setRange(count, m_visibleLineCount);
        bar->scrollTo(kept);
        m_textChanged = false;
    }
    int p = bar->getFirstVisible();
    if (p == m_firstShownLine) {
        return;
    }
    std::string shown;
    int end = std::min(static_cast<int>(m_lines.size()), p + m_visibleLineCount);
    for (int i = std::max(p, 0); i < end; ++i) {
        shown += m_lines[static_cast<size_t>(i)];
        shown += '\n';
    }
    UIWidget::setText(shown);
    m_firstShownLine = p;
}

void UIText::finishSetup()
{
    // A "text" read before the block's "size" or "font" is laid out again
    // with them.
    layoutAgainIfResized();
    UIMenu* menu = getMenu();
    if (!menu) {
        return;
    }
    auto bar = std::make_unique<UIScrollBar>();
    if (m_scrollBarOffset.x == 0.0f && m_scrollBarOffset.y == 0.0f && m_scrollBarSize.x == 0.0f &&
        m_scrollBarSize.y == 0.0f) {
        bar->layOut(m_position, m_size);
    } else {
        bar->setPosition(m_scrollBarOffset);
        bar->setSize(m_scrollBarSize);
    }
    bar->setDrawOrder(m_drawOrder + 1.0f);
    // A text that fits (an empty one too) shows no bar beside it.
    bar->setHideIfNotNeeded(true);
    m_scrollBar = UIScrollBar::addFor(*this, *menu, std::move(bar));
    // A new bar needs the range, also in a copy.
    m_textChanged = true;
    m_firstShownLine = -1;
}

bool UIText::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "scrollBarOffset")) {
        m_scrollBarOffset = reader.getVec2();
    } else if (equalsNoCase(keyword, "scrollBarSize")) {
        m_scrollBarSize = reader.getVec2();
    } else if (equalsNoCase(keyword, "text")) {
        std::string token;
        reader.readToken(token, false);
        setText(token);
    } else if (equalsNoCase(keyword, "keyboardControl")) {
        m_keyboardControl = reader.getBool();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
