// The description key (H) in a new game, as a user meets it: the whole
// program windowed under Xvfb on the shipped data, driven with the mouse and
// keys. Over the world with nothing selected it opens the story of the town;
// over the starting weapon it opens nothing and tells nothing; the tutor's
// first lesson leaves the town's chronicle at the player's feet, picked up
// by its name under Alt, and over it in the bag the key opens the book's
// story; with the tutor selected, the tutor's own.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/input/Input.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"
#include "support/ClientWaits.h"
#include "support/PlaySession.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIHelp.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// The place of the first bag that shows an item the test wants.
UIItemSlot* bagPlace(const std::function<bool(const ItemBase&)>& wanted)
{
    for (const auto& widget : UISystem::get().findMenu("bag0")->getWidgets()) {
        auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
        const ItemBase* item = slot ? slot->getItem() : nullptr;
        if (item && wanted(*item)) {
            return slot;
        }
    }
    return nullptr;
}

bool isEntry(const ItemBase& item, const char* name)
{
    return item.getItemEntry() && item.getItemEntry()->getName() == name;
}

// The first line of a story file of the shipped data.
std::string titleOf(const std::string& file)
{
    std::ifstream in(gameDataPath() + "/" + file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The ground entity of a chronicle on the player's level, -1 none.
int groundChronicle()
{
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const auto* ground = dynamic_cast<const ItemGround*>(Game::get().getEntity(i));
        const Item* item = ground ? ground->getGroundItem() : nullptr;
        if (item && !ground->isItemTaken() && isEntry(*item, "FoundersChronicle")) {
            return i;
        }
    }
    return -1;
}

TEST(StoryKeyXvfbTest, HOpensTheStoryOfTheTownTheTutorsBookAndTheTutor)
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
    std::vector<std::string> told;
    // What the key could say shows on the screen; the world's news (a recruit
    // looking for a covenant, say) goes on in the message log meanwhile.
    Client::get().setTextEventSink([&told](const ClientTextEvent& event) {
        if (event.kind != Client::kMessageLogKind) {
            told.push_back(event.text);
        }
    });
    auto* text = dynamic_cast<UIText*>(ui.findWidget("Story::Story"));
    ASSERT_NE(text, nullptr);
    // The key pressed with the pointer where it stands opens the story of
    // the file; its window shows the file's first line, and Escape closes it.
    auto opensStory = [&](const std::string& file) {
        window.key(SDL_SCANCODE_H);
        ASSERT_TRUE(window.frameUntil([] { return menuActive("Story"); })) << file << "\n"
                                                                           << window.logTail();
        EXPECT_EQ(ui.getStoryFile(), file);
        ASSERT_TRUE(window.frameUntil([&] { return !text->getLines().empty(); })) << window.logTail();
        EXPECT_EQ(text->getLines().front(), titleOf(file));
    };
    auto closeStory = [&] {
        window.key(SDL_SCANCODE_ESCAPE);
        ASSERT_TRUE(window.frameUntil([] { return !menuActive("Story"); }));
    };
    // A point of bare ground: no window and no entity under it.
    auto overBareGround = [&] {
        return window.frameUntil([&] {
            for (int y : {300, 260, 340, 220}) {
                for (int x : {560, 80, 420, 200}) {
                    window.moveTo(x, y);
                    if (!Client::get().getHoverEntity() && !ui.getWidgetAtMouse(true)) {
                        return true;
                    }
                }
            }
            return false;
        });
    };
    auto readHelpTopic = [&] {
        if (menuActive("helpTopic")) {
            s.clickWidget("helpTopic::Later");
        }
    };

    // Nothing selected, over the town itself: the town's story.
    readHelpTopic();
    ASSERT_TRUE(Client::get().getTargetEntity() == nullptr);
    ASSERT_TRUE(overBareGround()) << "no bare ground in the view";
    ASSERT_NO_FATAL_FAILURE(opensStory("Text/areaTown.txt"));
    ASSERT_NO_FATAL_FAILURE(closeStory());

    // The starting weapon in the first bag tells no story: nothing opens,
    // nothing is said.
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Inventory"); }));
    s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("bag0"); }));
    UIItemSlot* weapon = nullptr;
    ASSERT_TRUE(window.frameUntil([&] {
        weapon = bagPlace([](const ItemBase& item) { return item.isWeapon(); });
        return weapon != nullptr;
    })) << "no weapon in the first bag";
    auto pressOver = [&](const UIItemSlot* slot) {
        const Vec2 at = slot->getScreenPosition();
        window.moveTo(static_cast<int>(at.x + 16), static_cast<int>(at.y + 16));
        window.key(SDL_SCANCODE_H);
    };
    pressOver(weapon);
    for (int i = 0; i < 5; ++i) {
        window.frame();
    }
    EXPECT_FALSE(menuActive("Story"));
    EXPECT_TRUE(told.empty()) << told.front();
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("Inventory") && !menuActive("bag0"); }));

    // The tutor's first lesson: taken from the tutor, done with the weapon
    // put on, handed in.
    int lesson = -1;
    for (int n = 0; n < Game::get().getQuestTableSize() && lesson < 0; ++n) {
        const Quest* q = Game::get().getQuest(n);
        if (q && q->type == toIndex(QuestType::TutorialEquipWeapon)) {
            lesson = n;
        }
    }
    ASSERT_GE(lesson, 0) << "no tutorial quest in the new world";
    int tutor = -1;
    ASSERT_TRUE(window.frameUntil([&] {
        tutor = findEntity([&](const EntityClient& e) {
            auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(e.getEntityNumber()));
            const auto offered = actor ? Game::get().collectQuestsOfferedBy(actor) : std::vector<int>();
            return std::find(offered.begin(), offered.end(), lesson) != offered.end();
        });
        return tutor >= 0;
    })) << "nobody in the town teaches the first lesson";
    if (!player->hasQuest(lesson)) {
        ASSERT_NO_FATAL_FAILURE(s.takeQuest(tutor, lesson, [&] { return player->hasQuest(lesson); }));
    }
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Inventory"); }));
    s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("bag0"); }));
    ASSERT_TRUE(window.frameUntil([&] {
        weapon = bagPlace([](const ItemBase& item) { return item.isWeapon(); });
        return weapon != nullptr;
    }));
    const Vec2 at = weapon->getScreenPosition();
    window.click(static_cast<int>(at.x + 16), static_cast<int>(at.y + 16), SDL_BUTTON_RIGHT);
    ASSERT_TRUE(window.frameUntil([&] { return player->isQuestComplete(lesson); }))
        << "the weapon was not put on";
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("Inventory") && !menuActive("bag0"); }));
    ASSERT_TRUE(s.talkTo(tutor, "SolveQuest")) << window.logTail();
    s.clickWidget("SolveQuest::CompleteQuest");
    ASSERT_TRUE(window.frameUntil([&] { return !player->hasQuest(lesson); })) << window.logTail();
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("SolveQuest"); }));
    if (menuActive("NpcChat")) {
        s.clickWidget("NpcChat::Close");
    }
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("NpcChat") && !menuActive("SolveQuest"); }));

    // The reward at the player's feet, picked up by a click on its name
    // while Alt is held.
    int book = -1;
    ASSERT_TRUE(window.frameUntil([&] {
        book = groundChronicle();
        const EntityClient* shown = book >= 0 ? GameClient::get().getEntity(book) : nullptr;
        return shown && shown->isHintTarget(true);
    })) << "no chronicle at the player's feet";
    window.frameUntil([] { return !Client::get().getLocalPlayer()->hasDestination(); }, 240);
    auto* help = dynamic_cast<UIHelp*>(ui.getHelpWidget());
    ASSERT_NE(help, nullptr);
    window.send(SDL_SCANCODE_LALT, true);
    window.frame();
    auto clickLabel = [&] {
        for (int y = 40; y < 440; y += 3) {
            for (int x = 0; x < 640; x += 6) {
                Input::get().setMousePosition(x, y);
                if (help->findLabelAtMouse() == book) {
                    window.clickNow(x, y);
                    return true;
                }
            }
        }
        return false;
    };
    int clicks = 0;
    const bool taken = window.frameUntil(
        [&] {
            if (Game::get().getEntity(book) == nullptr) {
                return true;
            }
            readHelpTopic();
            if (!Client::get().getLocalPlayer()->hasDestination() && clicks < 20) {
                clicks += clickLabel() ? 1 : 0;
            }
            return false;
        },
        600);
    window.send(SDL_SCANCODE_LALT, false);
    ASSERT_TRUE(taken) << "the chronicle was not picked up after " << clicks << " clicks on its name";

    // In the bag: over the book, the chronicle's words on the story's panel.
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Inventory"); }));
    s.clickWidget("Inventory::Bag0", SDL_BUTTON_RIGHT);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("bag0"); }));
    UIItemSlot* chronicle = nullptr;
    ASSERT_TRUE(window.frameUntil([&] {
        chronicle = bagPlace([](const ItemBase& item) { return isEntry(item, "FoundersChronicle"); });
        return chronicle != nullptr;
    })) << "the chronicle never reached the player's bag";
    pressOver(chronicle);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Story"); })) << window.logTail();
    EXPECT_EQ(ui.getStoryFile(), "Text/foundersChronicle.txt");
    ASSERT_TRUE(window.frameUntil([&] { return !text->getLines().empty(); })) << window.logTail();
    EXPECT_EQ(text->getLines().front(), titleOf("Text/foundersChronicle.txt"));
    window.moveTo(630, 470);
    const Picture shown = window.stillShot();
    // The words' strokes against the panel's ground (the commonest shade of
    // the text's box) over the lines of its first paragraphs, below where
    // the notice of the area entered may stand.
    const Vec2 panel = text->getScreenPosition();
    std::vector<int> shades;
    for (int y = static_cast<int>(panel.y) + 50; y < static_cast<int>(panel.y) + 150; ++y) {
        for (int x = static_cast<int>(panel.x); x < static_cast<int>(panel.x + text->getSize().x); ++x) {
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
    ASSERT_NO_FATAL_FAILURE(closeStory());
    window.key(SDL_SCANCODE_I);
    ASSERT_TRUE(window.frameUntil([] { return !menuActive("Inventory") && !menuActive("bag0"); }));

    // The tutor selected with a right click (its hover text offers the
    // key): the tutor's own story.
    const EntityClient* teacher = GameClient::get().getEntity(tutor);
    ASSERT_NE(teacher, nullptr);
    std::string hover;
    teacher->getTooltipText(hover, false, true, true);
    EXPECT_NE(hover.find("Press H for description"), std::string::npos) << hover;
    ASSERT_TRUE(window.frameUntil([&] {
        readHelpTopic();
        return Client::get().getTargetEntity() == teacher ||
               (s.aimAndClick(*teacher, SDL_BUTTON_RIGHT) && Client::get().getTargetEntity() == teacher);
    })) << "the tutor cannot be selected";
    told.clear(); // the lesson's notices
    ASSERT_NO_FATAL_FAILURE(opensStory("Text/townTutor.txt"));
    ASSERT_NO_FATAL_FAILURE(closeStory());
    EXPECT_TRUE(told.empty()) << told.front();
    Client::get().setTextEventSink(nullptr);
}

} // namespace
