#include "ui/WidgetFactory.h"

#include "engine/core/StringUtil.h"
#include "ui/menus/UIBagMenu.h"
#include "ui/menus/UIMenu.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UICheckBox.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIDropDownMenu.h"
#include "ui/widgets/UIFilePicker.h"
#include "ui/widgets/UIHelp.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIListButton.h"
#include "ui/widgets/UIModelWidget.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/UISkillSlotDecrease.h"
#include "ui/widgets/UISkillSlotIncrease.h"
#include "ui/widgets/UISkillSlotRecruit.h"
#include "ui/widgets/UISlider.h"
#include "ui/widgets/UIStatBar.h"
#include "ui/widgets/UIStatWidget.h"
#include "ui/widgets/UIStatusEffectIcons.h"
#include "ui/widgets/UIText.h"
#include "ui/widgets/UITextInput.h"
#include "ui/widgets/UITextureList.h"
#include "ui/widgets/UIUseSlot.h"
#include "ui/widgets/UIVirtualKeyInput.h"
#include "ui/widgets/UIWidget.h"

#include <typeinfo>

namespace {

struct MenuRow {
    const char* keyword;
    std::unique_ptr<UIMenu> (*make)();
};

struct WidgetRow {
    const char* keyword;
    std::unique_ptr<UIWidget> (*make)();
    // Null for a class whose clone is a plain widget.
    std::unique_ptr<UIWidget> (*copy)(const UIWidget& widget);
    const std::type_info* type;
};

const MenuRow kMenus[] = {
    {"Menu", [] { return std::make_unique<UIMenu>(); }},
    {"RelationsMenu", []() -> std::unique_ptr<UIMenu> { return std::make_unique<UIRelationsMenu>(); }},
    {"BagMenu", []() -> std::unique_ptr<UIMenu> { return std::make_unique<UIBagMenu>(); }},
};

template <class T> std::unique_ptr<UIWidget> makeWidget()
{
    return std::make_unique<T>();
}

// The class's own copy: every field its row names.
template <class T> std::unique_ptr<UIWidget> copyWidget(const UIWidget& widget)
{
    auto copy = std::make_unique<T>();
    copy->copyFrom(static_cast<const T&>(widget));
    return copy;
}

template <class T> WidgetRow row(const char* keyword)
{
    return {keyword, &makeWidget<T>, &copyWidget<T>, &typeid(T)};
}

const WidgetRow kWidgets[] = {
    {"Widget", [] { return std::make_unique<UIWidget>(); },
     [](const UIWidget& widget) {
         auto copy = std::make_unique<UIWidget>();
         copy->copyBaseFrom(widget);
         return copy;
     },
     &typeid(UIWidget)},
    row<UIStatBar>("StatBar"),
    row<UIStatusEffectIcons>("StatusEffectIcons"),
    row<UIStatWidget>("StatWidget"),
    row<UIStatValue>("StatValue"),
    row<UITextInput>("TextInput"),
    row<UIList>("List"),
    row<UIListButton>("ListButton"),
    row<UIDropDownMenu>("DropDownMenu"),
    row<UIDropDownBox>("DropDownBox"),
    row<UIFilePicker>("FilePicker"),
    row<UIScrollBar>("ScrollBar"),
    row<UIText>("Text"),
    row<UICheckBox>("CheckBox"),
    row<UISlider>("Slider"),
    row<UITextureList>("TextureList"),
    // Cloned as a plain widget.
    {"ModelWidget", &makeWidget<UIModelWidget>, nullptr, &typeid(UIModelWidget)},
    row<UIHelp>("Help"),
    row<UIVirtualKeyInput>("VirtualKeyInput"),
    row<UIItemSlot>("ItemSlot"),
    row<UISkillSlot>("SkillSlot"),
    row<UISkillSlotRecruit>("SkillSlotRecruit"),
    row<UISkillSlotIncrease>("SkillSlotIncrease"),
    // Cloned as a plain widget.
    {"SkillSlotDecrease", &makeWidget<UISkillSlotDecrease>, nullptr, &typeid(UISkillSlotDecrease)},
    row<UIUseSlot>("UseSlot"),
};

} // namespace

std::unique_ptr<UIMenu> createMenu(std::string_view type)
{
    for (const MenuRow& row : kMenus) {
        if (equalsNoCase(type, row.keyword)) {
            return row.make();
        }
    }
    return nullptr;
}

std::unique_ptr<UIWidget> createWidget(std::string_view type)
{
    for (const WidgetRow& row : kWidgets) {
        if (equalsNoCase(type, row.keyword)) {
            return row.make();
        }
    }
    return nullptr;
}

std::unique_ptr<UIWidget> cloneWidget(const UIWidget& widget)
{
    for (const WidgetRow& row : kWidgets) {
        if (row.copy && *row.type == typeid(widget)) {
            return row.copy(widget);
        }
    }
    auto plain = std::make_unique<UIWidget>();
    plain->copyBaseFrom(widget);
    return plain;
}
