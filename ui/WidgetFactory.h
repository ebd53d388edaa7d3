#pragma once

#include <memory>
#include <string_view>

class UIMenu;
class UIWidget;

// The menu and widget types of the menu files. One table of rows {type
// keyword, make, copy}; each widget class adds its row with its class.
// Keywords compare without regard to case; a word without a row is no type.
std::unique_ptr<UIMenu> createMenu(std::string_view type);
std::unique_ptr<UIWidget> createWidget(std::string_view type);
// A widget of the same class with all of its fields; a class without a copy
// of its own is cloned as a plain widget with the base fields.
std::unique_ptr<UIWidget> cloneWidget(const UIWidget& widget);
