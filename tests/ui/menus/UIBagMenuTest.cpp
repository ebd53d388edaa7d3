#include "support/SlotTestBench.h"

#include "ui/menus/UIBagMenu.h"
#include "ui/widgets/UIItemSlot.h"

#include <gtest/gtest.h>

namespace {

const int kMain = groupOf(InventoryGroupIndex::Main);

// A template of n item slots, entries 0 … n − 1, in a menu of the size.
void addTemplate(SlotTestBench& bench, const std::string& name, int slots, float height, float width = 100.0f)
{
    std::string text = "name " + name + "\nsize " + std::to_string(width) + " " + std::to_string(height) + "\n";
    for (int i = 0; i < slots; ++i) {
        text += "ItemSlot\n{\n internalName S" + std::to_string(i) + "\n inventorySlot Main " + std::to_string(i) +
                "\n itemSlotType Head\n}\n";
    }
    bench.loadMenu(text);
}

UIBagMenu* addBagMenu(SlotTestBench& bench, const std::string& text)
{
    auto* menu = static_cast<UIBagMenu*>(bench.ui.addMenu(std::make_unique<UIBagMenu>()));
    TextReader reader(text, "bags.mnu");
    menu->parse(reader);
    return menu;
}

std::vector<bool> shownSlots(const UIMenu& menu)
{
    std::vector<bool> out;
    for (const auto& widget : menu.getWidgets()) {
        if (auto* slot = dynamic_cast<UIItemSlot*>(widget.get())) {
            out.push_back(slot->isVisible());
        }
    }
    return out;
}

TEST(BagMenuTest, TemplatesFollowTheBag)
{
    SlotTestBench bench;
    addTemplate(bench, "BagTemplate6", 6, 60.0f);
    addTemplate(bench, "BagTemplate12", 12, 120.0f);
    addTemplate(bench, "Other12", 3, 30.0f);
    UIBagMenu* bag = addBagMenu(bench, "name bag0\ngroup Bag1\nbagTemplate 6 BagTemplate6\n"
                                       "bagTemplate 12 BagTemplate12\nbagTemplate 12 Other12\n");
    bench.place("SmallPouch", kMain, 0);
    bench.ui.pushMenu(bag);
    EXPECT_EQ(bag->getCurrentTemplate(), "BagTemplate6");
    EXPECT_EQ(bag->getWidgets().size(), 6u);
    EXPECT_EQ(bag->getSize().y, 60.0f);
    // The copies show the bag's group as plain places.
    auto* first = dynamic_cast<UIItemSlot*>(bag->getWidgets()[0].get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getGroup(), groupOf(InventoryGroupIndex::Bag1));
    EXPECT_EQ(first->getSlotType(), static_cast<int>(ItemSlotType::General));

    // A bigger bag at the next update; of two templates the first wins. An
    // item of the bag dragged meanwhile is dropped with its widget.
    bench.ui.setDragWidget(first);
    bench.place("TravelPack", kMain, 0);
    bag->update(0.0f);
    EXPECT_EQ(bag->getCurrentTemplate(), "BagTemplate12");
    EXPECT_EQ(bag->getWidgets().size(), 12u);
    EXPECT_EQ(bench.ui.getDragWidget(), nullptr);

    // No template for 8: the last widgets stay, the places from 8 on hidden.
    bench.place("Backpack", kMain, 0);
    bag->update(0.0f);
    EXPECT_EQ(bag->getCurrentTemplate(), "");
    EXPECT_EQ(shownSlots(*bag), (std::vector<bool>{true, true, true, true, true, true, true, true, false, false,
                                                   false, false}));

    // The bag taken away closes its menu.
    bench.view.items.erase({kMain, 0});
    bag->update(0.0f);
    EXPECT_FALSE(bench.ui.isOnMenuStack(bag));
    EXPECT_TRUE(bench.ui.getSideStack().empty());
}

TEST(BagMenuTest, OpenBagsStackAtTheSide)
{
    SlotTestBench bench;
    bench.ui.editSettings().sideStackStart = {440.0f, 470.0f};
    bench.ui.editSettings().sideStackSpace = {10.0f, 5.0f};
    addTemplate(bench, "T6", 1, 100.0f, 90.0f);
    addTemplate(bench, "T12", 1, 200.0f, 120.0f);
    addTemplate(bench, "T16", 1, 250.0f, 80.0f);
    std::vector<UIBagMenu*> bags;
    const char* const names[] = {"SmallPouch", "TravelPack", "ExpeditionPack"};
    for (int i = 0; i < 3; ++i) {
        bench.place(names[i], kMain, i);
        bags.push_back(addBagMenu(bench, "name bag" + std::to_string(i) + "\ngroup Bag" + std::to_string(i + 1) +
                                             "\nbagTemplate 6 T6\nbagTemplate 12 T12\nbagTemplate 16 T16\n"));
        bench.ui.pushMenu(bags.back());
    }
    EXPECT_EQ(bags[0]->getPosition(), Vec2(440.0f, 370.0f));
    EXPECT_EQ(bags[1]->getPosition(), Vec2(440.0f, 165.0f));
    // The third does not fit below: a new column left by the widest + 10.
    EXPECT_EQ(bags[2]->getPosition(), Vec2(440.0f - 130.0f, 220.0f));
    bench.ui.removeFromMenuStack(bags[0]);
    EXPECT_EQ(bags[1]->getPosition(), Vec2(440.0f, 270.0f));
}

} // namespace
