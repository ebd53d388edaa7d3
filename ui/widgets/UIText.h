#pragma once

#include "ui/widgets/UIWidget.h"

#include <string>
#include <vector>

class UIScrollBar;

// A long text wrapped to the widget's width, with a vertical scroll bar of
// its own: a fixed text, a translated key, a text file or the text of its
// text sources. The wheel, the bar and (when asked) the keys scroll it.
class UIText : public UIWidget {
public:
    UIText();
    ~UIText() override;

    void update(float seconds) override;
    void setVisible(bool shown) override;
    bool onMouseWheel(int step) override;
    bool onKey(int key, bool down) override;
    void prepareDraw() override;
    void finishSetup() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    // Translated, backslash-n turned into line breaks, then laid out.
    void setText(const std::string& text);
    void loadTextFile(const std::string& fileName);
    void layoutLines(const std::string& text);

    const std::vector<std::string>& getLines() const { return m_lines; }
    int getVisibleLineCount() const { return m_visibleLineCount; }
    UIScrollBar* getScrollBar() const;
    const std::string& getLoadedFileName() const { return m_loadedFileName; }

    void copyFrom(const UIText& other);

private:
    void scrollTo(int line);
    // Lays the text out again when the size or font changed since.
    void layoutAgainIfResized();

    std::string m_loadedFileName;
    // The text last laid out and the size and font it was laid out with: the
    // same text again (a source rebuilt every frame) keeps its lines and place.
    std::string m_laidOutText;
    Vec2 m_laidOutSize{-1.0f, -1.0f};
    int m_laidOutFont = -1;
    // The new text begins as the last one did (a running time further on):
    // the reader's place stays.
    bool m_keepPlace = false;
    std::vector<std::string> m_lines;
    int m_visibleLineCount = 0;
    int m_firstShownLine = -1;
    // Owned by the menu, like every widget.
    SafePtr<UIWidget> m_scrollBar;
    bool m_textChanged = false;
    Vec2 m_scrollBarOffset;
    Vec2 m_scrollBarSize;
    bool m_keyboardControl = false;
};
