#pragma once

#include "ui/widgets/UIWidget.h"

#include <string>
#include <vector>

// A small pop-up of fixed choices, each with a command line. Its selected flag
// is its open flag. Choices are held by value, so every copy has its own.
class UIDropDownMenu : public UIWidget {
public:
    struct Choice {
        std::string label;
        std::string command;
    };

    UIDropDownMenu();
    ~UIDropDownMenu() override;

    void draw() override;
    void onClick(int button, bool down, int x, int y) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    // The choice under a screen y of the open menu, -1 for none.
    int rowAt(float y) const;
    bool isOpen() const { return m_selected; }
    bool drawsOnTop() const override { return m_selected; }
    void closeList() override
    {
        m_selected = false;
        takeSize();
    }
    const std::vector<Choice>& getChoices() const { return m_choices; }
    Vec2 getChoiceSize() const { return m_choiceSize; }

    void copyFrom(const UIDropDownMenu& other);

private:
    void takeSize();
    void drawHeader(UIDrawing& drawing, const float colour[3]);
    float listInset() const;
    // The open list's width: the header's, or more for a long label.
    float listWidth() const;

    Vec2 m_baseSize;
    Vec2 m_choiceSize;
    std::vector<Choice> m_choices;
    ResourceHandle m_backgroundImage;
};
