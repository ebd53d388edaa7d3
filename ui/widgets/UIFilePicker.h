#pragma once

#include "engine/core/GameTime.h"
#include "ui/widgets/UIWidget.h"

#include <string>
#include <vector>

class UIScrollBar;
class UITextInput;

// Chooses a file or a directory under a base directory, or one entry of a
// list provider, and hands the choice on through its user variable and a
// command line. It builds its own buttons, name box and scroll bar and talks
// to itself through "widgetCommand" lines. A picked path never leaves the
// base directory.
class UIFilePicker : public UIWidget {
public:
    struct Entry {
        std::string name;
        std::string identifier;
        bool isDirectory = false;
    };

    UIFilePicker();
    ~UIFilePicker() override;

    void draw() override;
    void update(float seconds) override;
    // A click on the own scroll bar or buttons, which lie inside the
    // rectangle one draw order above, is left to them.
    bool handleMouseButton(int button, bool down, int x, int y) override;
    void onClick(int button, bool down, int x, int y) override;
    void initialize(bool menuWasHidden) override;
    void finishSetup() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;
    void executeCommand(const std::string& line) override;

    void fillRows();
    // The row under a screen y, -1 for none.
    int rowAt(float y) const;
    int getVisibleRows() const;
    const std::vector<Entry>& getEntries() const { return m_entries; }
    int getSelectedRow() const { return m_selectedRow; }
    const std::string& getCurrentDirectory() const { return m_currentDirectory; }
    // The directory listed: the base directory and the current one joined.
    std::string getListedDirectory() const;
    UIWidget* getOkButton() const { return m_okButton.get(); }
    UITextInput* getNameInput() const;
    UIScrollBar* getScrollBar() const;

    void copyFrom(const UIFilePicker& other);

private:
    float listTop() const;
    void enterDirectory(const std::string& name);
    void ok();
    bool choiceIsValid() const;
    std::string pickedPath() const;
    void complete();
    void clearSelection() { m_selectedRow = -1; }
    void showError(const std::string& text) const;
    UIWidget* makeWidget(const std::string& type, const std::string& block);

    std::string m_baseDirectory;
    std::string m_currentDirectory;
    std::vector<std::string> m_extensions;
    std::vector<Entry> m_entries;
    int m_selectedRow = -1;
    GameTime m_lastClickTime;
    // The created widgets belong to the menu.
    SafePtr<UIWidget> m_okButton;
    SafePtr<UIWidget> m_backButton;
    SafePtr<UIWidget> m_cancelButton;
    SafePtr<UIWidget> m_nameLabel;
    SafePtr<UIWidget> m_nameInput;
    SafePtr<UIWidget> m_scrollBar;
    bool m_pickingFile = true;
    std::string m_successCommand;
    UserVarRef m_nameVar;
    std::string m_nameVarName;
    std::string m_infoProc;
    bool m_textBox = false;
    bool m_useIdentifier = false;
    ResourceHandle m_background;
};
