#include "support/FakeSkillEntity.h"
#include "support/SlotTestBench.h"

#include "client/mirrors/SkillClient.h"
#include "engine/core/ColorSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/CharacterClass.h"
#include "game/skills/SkillDefinition.h"
#include "ui/UIValueTables.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/UISkillSlotDecrease.h"
#include "ui/widgets/UISkillSlotIncrease.h"
#include "ui/widgets/UIUseSlot.h"

#include <gtest/gtest.h>

namespace {

// The player's skill at (tree, slot) with its points in the owner's stats.
struct PlayerSkill {
    PlayerSkill(SlotTestBench& bench, int tree, int slot, int level)
    {
        // The entry's key and the name the page shows differ, as shipped.
        definition.name = "MageFireball";
        definition.baseName = "Fireball";
        definition.baseCost = 2;
        definition.maxSkillLevel = 5;
        definition.power = 10;
        definition.textureName = "Textures/Skills/fireball.tga";
        skill.setDefinition(&definition);
        skill.setPlace(tree, slot);
        skill.setOwner(&owner);
        setLevel(level);
        bench.view.skills[{tree, slot}] = &skill;
    }
    void setLevel(int level) { owner.stats.set(10 + skill.getTree() * 15 + skill.getSlot(), level); }

    SkillDefinition definition;
    FakeSkillEntity owner;
    SkillClient skill;
};

bool levelDrawn(const SlotTestBench& bench, const std::string& level)
{
    for (const auto& call : bench.drawing.texts()) {
        if (call.text == level) {
            return true;
        }
    }
    return false;
}

TEST(SkillSlotTest, ClicksButtonsAndPlaces)
{
    SlotTestBench bench;
    PlayerSkill fire(bench, 1, 2, 3);
    fire.definition.hardCodedLocation = true;
    bench.loadMenu(
        "name Tree\nvisible 1\nsize 400 300\nSkillSlot\n{\n internalName S\n position 10 10\n"
        " size 32 32\n skillIndex 1 2\n}\nSkillSlotIncrease\n{\n internalName Up\n parentWidget Tree::S\n"
        " texture up.tga\n position 50 10\n size 8 8\n}\nSkillSlotDecrease\n{\n internalName Down\n"
        " parentWidget Tree::S\n texture down.tga\n position 50 20\n size 8 8\n}\n");
    auto* slot = dynamic_cast<UISkillSlot*>(bench.ui.findWidget("Tree::S"));
    auto* up = dynamic_cast<UISkillSlotIncrease*>(bench.ui.findWidget("Tree::Up"));
    auto* down = dynamic_cast<UISkillSlotDecrease*>(bench.ui.findWidget("Tree::Down"));
    ASSERT_TRUE(slot && up && down);
    bench.ui.update(0.0f);

    // Raising mode: the click spends a point, starts no drag, and the mode ends.
    bench.ui.setUIMode(UIMode::IncreaseSkill);
    bench.ui.onMouseButton(0, true, 20, 20);
    EXPECT_EQ(bench.view.queued, (std::vector<std::string>{"increaseSkill 1 2 "}));
    EXPECT_EQ(bench.ui.getDragWidget(), nullptr);
    EXPECT_EQ(bench.ui.getUIMode(), UIMode::Normal);
    bench.ui.onMouseButton(0, true, 20, 20);
    EXPECT_EQ(bench.ui.getDragWidget(), slot);

    // The buttons: raising needs the points, lowering stops at the start level.
    bench.view.playerStats[94] = fire.skill.getPointCost(3);
    EXPECT_TRUE(up->canRaise());
    UITooltip tip;
    ASSERT_TRUE(up->getTooltip(tip));
    EXPECT_EQ(tip.text, "Left click to increase Fireball by 1\nraise 1 2");
    bench.view.playerStats[94] -= 1;
    EXPECT_FALSE(up->canRaise());
    EXPECT_TRUE(down->canLower());
    ASSERT_TRUE(down->getTooltip(tip));
    EXPECT_EQ(tip.text, "Left click to decrease Fireball by 1\nlower 1 2");
    down->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.queued.back(), "decreaseSkill 1 2 ");
    fire.definition.startingSkillLevel = 3;
    EXPECT_FALSE(down->canLower());
    EXPECT_FALSE(down->getTooltip(tip));
    size_t before = bench.view.queued.size();
    down->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.queued.size(), before);

    // A basic skill: no level number, and the raise button is inert and silent.
    fire.definition.basicSkill = true;
    bench.view.playerStats[94] = 100;
    bench.drawing.calls.clear();
    bench.ui.update(0.0f);
    slot->draw();
    EXPECT_FALSE(levelDrawn(bench, "1"));
    EXPECT_FALSE(up->canRaise());
    EXPECT_FALSE(up->getTooltip(tip));
    fire.definition.basicSkill = false;
    bench.drawing.calls.clear();
    slot->update(0.0f);
    slot->draw();
    EXPECT_TRUE(levelDrawn(bench, "3"));

    // Without "skillIndex" the slot shows nothing and does nothing.
    auto* unset = bench.make<UISkillSlot>("SkillSlot", " size 32 32\n");
    unset->update(0.0f);
    EXPECT_FALSE(unset->isVisible());
    bench.view.queued.clear();
    unset->activate();
    EXPECT_TRUE(bench.view.queued.empty());

    // A standalone slot stands at its tree place in its page.
    fire.definition.hardCodedLocation = false;
    fire.skill.treeX = 0.25f;
    fire.skill.treeY = 0.5f;
    slot->update(0.0f);
    EXPECT_EQ(slot->getPosition(), Vec2(84.0f, 134.0f));
}

TEST(SkillSlotTest, TheHotBarShowsWhetherItCanBeUsed)
{
    SlotTestBench bench;
    PlayerSkill fire(bench, 0, 4, 2);
    CharacterClass mage;
    mage.powerName = "Mana";
    bench.view.playerClass = &mage;
    bench.view.playerStats[80] = 5;
    bench.view.skillRefusals[&fire.skill] = 7;
    auto* slot = bench.make<UISkillSlot>("SkillSlot", " size 32 32\n skillIndex 0 4\n");
    // In a menu the slot keeps its colour; in the hot bar it dims.
    Color plain = ColorSystem::getColor(0);
    slot->setStandalone(false);
    slot->setHeldByHotBar(true);
    slot->update(0.0f);
    slot->draw();
    bool dimmed = false;
    Color dim = ColorSystem::getColor(UISkillSlot::kDimmedColour);
    for (const auto& call : bench.drawing.imagesOf(slot->getImage())) {
        dimmed = dimmed || (call.colour[0] == dim.r && call.colour[1] == dim.g && call.colour[2] == dim.b);
    }
    EXPECT_TRUE(dimmed);
    EXPECT_FALSE(dim == plain);
    UITooltip tip;
    ASSERT_TRUE(slot->getTooltip(tip));
    EXPECT_NE(tip.text.find("\nNot enough Mana"), std::string::npos) << tip.text;
    bench.view.playerStats[80] = 10;
    ASSERT_TRUE(slot->getTooltip(tip));
    EXPECT_EQ(tip.text.find("Not enough"), std::string::npos) << tip.text;
}

TEST(UseSlotTest, PlacesFillMoveAndKeepTheirRecords)
{
    SlotTestBench bench;
    PlayerSkill fire(bench, 1, 2, 1);
    auto* skillSlot = bench.make<UISkillSlot>("SkillSlot", " size 32 32\n skillIndex 1 2\n");
    auto* three = bench.make<UIUseSlot>("UseSlot", " size 32 32\n index 3\n");
    auto* five = bench.make<UIUseSlot>("UseSlot", " size 32 32\n index 5\n");
    using Record = std::array<int, 4>;

    bench.ui.setDragWidget(skillSlot);
    three->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.getHotkey(3), (Record{1, 1, 2, -1}));
    EXPECT_EQ(bench.ui.getDragWidget(), nullptr);

    // From place 3 to place 5: 3 is emptied, both records written.
    three->onClick(0, true, 0, 0);
    ASSERT_EQ(bench.ui.getDragWidget(), three);
    five->onClick(0, true, 0, 0);
    EXPECT_EQ(three->getContent(), nullptr);
    EXPECT_EQ(bench.view.getHotkey(3), (Record{2, -1, -1, -1}));
    EXPECT_EQ(bench.view.getHotkey(5), (Record{1, 1, 2, -1}));

    // Onto itself: refilled from its own content, which must be read first.
    five->onClick(0, true, 0, 0);
    five->onClick(0, true, 0, 0);
    ASSERT_NE(five->getContent(), nullptr);
    EXPECT_EQ(bench.view.getHotkey(5), (Record{1, 1, 2, -1}));
    five->update(0.0f);

    // A skill the player has at level 0 is refused aloud but kept.
    fire.setLevel(0);
    bench.ui.setDragWidget(skillSlot);
    three->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.errors, (std::vector<std::string>{"Don't have the Fireball skill"}));
    EXPECT_EQ(bench.view.getHotkey(3), (Record{1, 1, 2, -1}));
    bench.view.queued.clear();
    three->activate();
    EXPECT_EQ(bench.view.queued, (std::vector<std::string>{"useSkill 1 2"}));

    // A menu's place outside the hot-bar table is refused with its place in the file.
    for (const char* index : {"64", "-1"}) {
        auto* outside = bench.make<UIUseSlot>("UseSlot", std::string(" index ") + index + "\n");
        EXPECT_EQ(outside->getIndex(), -1);
        EXPECT_TRUE(bench.log.contains(std::string("test.mnu:6: use slot index ") + index + " out of range"))
            << index;
    }
}

TEST(UseSlotTest, AUsedUpStackBindsAgain)
{
    SlotTestBench bench;
    const int main = groupOf(InventoryGroupIndex::Main);
    const int bag = groupOf(InventoryGroupIndex::Bag1);
    bench.view.groupCapacities[main] = 10;
    bench.view.groupCapacities[bag] = 8;
    const ItemBase* potion = bench.place("MinorHealthPotion", main, 2);
    const int id = potion->getItemEntry()->getId();
    auto* itemSlot = bench.make<UIItemSlot>("ItemSlot", " size 32 32\n inventorySlot Main 2\n");
    auto* place = bench.make<UIUseSlot>("UseSlot", " size 32 32\n index 0\n");
    bench.ui.setDragWidget(itemSlot);
    place->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.getHotkey(0), (std::array<int, 4>{0, main, 2, id}));
    // Ready in the hot bar: its hint is given once, not every frame.
    place->update(0.0f);
    place->update(0.0f);
    EXPECT_EQ(bench.view.useHints, (std::vector<std::string>{"MinorHealthPotion"}));

    bench.view.items.erase({main, 2});
    place->update(0.0f);
    UITooltip tip;
    ASSERT_TRUE(place->getTooltip(tip));
    EXPECT_EQ(tip.text.rfind("^c001Ran out of this item^c145", 0), 0u) << tip.text;
    EXPECT_EQ(bench.view.getHotkey(0), (std::array<int, 4>{0, main, -1, id}));

    bench.place("MinorHealthPotion", bag, 5);
    place->update(0.0f);
    EXPECT_FALSE(place->hasRunOut());
    EXPECT_EQ(bench.view.getHotkey(0), (std::array<int, 4>{0, bag, 5, id}));
    ASSERT_TRUE(place->getTooltip(tip));
    EXPECT_EQ(tip.text.find("Ran out"), std::string::npos);
}

} // namespace
