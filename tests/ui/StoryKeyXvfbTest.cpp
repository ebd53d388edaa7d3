// The description key (H) in a new game, as a user meets it: the whole
// program windowed under Xvfb on the shipped data, driven with the mouse and
// keys. Over a book that carries a story the key opens the story window with
// the book's text; over an item without one it opens nothing and tells
// nothing.
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "support/ClientWaits.h"
#include "support/PlaySession.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// An item of the entry in the player's bags, handed over as a find would be.
void hand(Player& player, const char* entryName)
{
    const DatabaseEntry* entry = Database::get().findEntry(entryName);
    ASSERT_NE(entry, nullptr) << entryName;
    auto* item = static_cast<Item*>(player.getInventory()->createItem());
    item->setItemEntry(entry);
    item->updateStackValue();
    ASSERT_EQ(player.getInventory()->addItem(item), InventoryBase::kAddPlaced) << entryName;
    item->setOwner(&player);
}

// The place of the first bag that shows an item of the entry.
UIItemSlot* bagPlaceOf(const char* entryName)
{
    for (const auto& widget : UISystem::get().findMenu("bag0")->getWidgets()) {
        auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
        const ItemBase* item = slot ? slot->getItem() : nullptr;
        if (item && item->getItemEntry() && item->getItemEntry()->getName() == entryName) {
            return slot;
        }
    }
    return nullptr;
}

TEST(StoryKeyXvfbTest, HOverABookOpensItsStoryAndOverAnotherItemNothing)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    PlaySession s{window};
    UISystem& ui = UISystem::get();
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    s.clickWidget("Main::NewGame");
    ASSERT_TRUE(window.frameUntil([] { return menuActive("NewCharacter"); }));
    ASSERT_NO_FATAL_FAILURE(s.startNamed("Brann", "Reed Chapter"));
    Player* player = Game::get().getFirstPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_NO_FATAL_FAILURE(hand(*player, "FoundersChronicle"));
    ASSERT_NO_FATAL_FAILURE(hand(*player, "ShortSword"));
    std::vector<std::string> told;
    // What the key could say shows on the screen; the world's news (a recruit
    // looking for a covenant, say) goes on in the message log meanwhile.
    Client::get().setTextEventSink([&told](const ClientTextEvent& event) {
        if (event.kind != Client::kMessageLogKind) {
            told.push_back(event.text);
        }
    });

    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Inventory"); }));
    s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("bag0"); }));
    UIItemSlot* book = nullptr;
    UIItemSlot* sword = nullptr;
    ASSERT_TRUE(window.frameUntil([&] {
        book = bagPlaceOf("FoundersChronicle");
        sword = bagPlaceOf("ShortSword");
        return book && sword;
    })) << "the book and the sword never reached the player's bag";
    auto pressOver = [&](const UIItemSlot* slot) {
        const Vec2 at = slot->getScreenPosition();
        window.moveTo(static_cast<int>(at.x + 16), static_cast<int>(at.y + 16));
        window.key(SDL_SCANCODE_H);
    };

    // The sword tells no story: nothing opens, nothing is said.
    pressOver(sword);
    for (int i = 0; i < 5; ++i) {
        window.frame();
    }
    EXPECT_FALSE(menuActive("Story"));
    EXPECT_TRUE(told.empty()) << told.front();

    // The book: the story window with the chronicle's words on its panel.
    pressOver(book);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Story"); })) << window.logTail();
    EXPECT_EQ(ui.getStoryFile(), "Text/foundersChronicle.txt");
    auto* text = dynamic_cast<UIText*>(ui.findWidget("Story::Story"));
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(window.frameUntil([&] { return !text->getLines().empty(); })) << window.logTail();
    std::string opening = text->getLines().front();
    EXPECT_NE(opening.find_first_not_of(' '), std::string::npos) << "the first line is blank";
    window.moveTo(630, 470);
    const Picture shown = window.stillShot();
    // The words' strokes against the panel's ground (the commonest shade of
    // the text's box) over the lines of its first paragraphs, below where
    // the notice of the area entered may stand.
    const Vec2 at = text->getScreenPosition();
    std::vector<int> shades;
    for (int y = static_cast<int>(at.y) + 50; y < static_cast<int>(at.y) + 150; ++y) {
        for (int x = static_cast<int>(at.x); x < static_cast<int>(at.x + text->getSize().x); ++x) {
            const uint8_t* c = pixelAt(shown, x, y);
            shades.push_back(c[0] + c[1] + c[2]);
        }
    }
    std::vector<int> sorted = shades;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
    const int ground = sorted[sorted.size() / 2];
    const auto strokes = std::count_if(shades.begin(), shades.end(),
                                       [&](int shade) { return std::abs(shade - ground) > 150; });
    EXPECT_GT(strokes * 40, static_cast<long>(shades.size()))
        << "no words on the story's panel: " << strokes << " of " << shades.size();
    EXPECT_TRUE(told.empty()) << told.front();

    // Escape closes it again.
    window.key(SDL_SCANCODE_ESCAPE);
    EXPECT_TRUE(window.frameUntil([] { return !menuActive("Story"); }));
    Client::get().setTextEventSink(nullptr);
}

} // namespace
