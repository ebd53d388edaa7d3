#pragma once

#include "ui/widgets/UIWidget.h"

#include <string>

// A one-line field the player types into: focus from a click or a Tab
// redirect, a blinking cursor, the text kept equal to its user variable,
// filtered by length and digits, Enter and Tab handed on to other widgets.
class UITextInput : public UIWidget {
public:
    UITextInput();
    ~UITextInput() override;

    void update(float seconds) override;
    bool onKey(int key, bool down) override;
    void onClick(int button, bool down, int x, int y) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;
    void initialize(bool menuWasHidden) override;

    const std::string& getInputText() const { return m_inputText; }
    void copyFrom(const UITextInput& other);

private:
    void storeInput();

    std::string m_inputText;
    bool m_onlyAllowNumbers = false;
    bool m_allowTabs = false;
    std::string m_enterRedirect;
    std::string m_tabRedirect;
    int m_maxCharacters = -1;
    bool m_clearOnShow = false;
};
