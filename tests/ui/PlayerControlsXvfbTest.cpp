// The player's controls for what has no window of its own, reached with the
// mouse and keys alone in the whole program, windowed under Xvfb on the
// shipped data: a quest given up from the journal, the next target, the
// recruits one by one, the party's rows (a member picked, one sent home), a
// covenant's life stone picked on the relations screen, a quest skipped
// from a giver's offer, the quest marks over the givers, war asked before it
// is declared, and the way on once the covenant has fallen; and a new mage's
// first fight: its targets chosen by mouse and keys and a spell cast from the
// hot bar at melee range.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/text/TextEvent.h"
#include "graphics/text/TextEventList.h"
#include "support/ClientWaits.h"
#include "support/PlaySession.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UISkillSlot.h"
#include "ui/widgets/UIText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

int targetNumber()
{
    return Client::get().getLocalPlayer()->getTargetEntityNumber(false);
}

UIWidget* widget(const char* path)
{
    return UISystem::get().findWidget(path);
}

// Clicks the row of the list whose value is `value` (the list shows it
// without scrolling); false when no row has it or the click chose another.
bool clickRow(WindowedGame& window, const char* path, const std::string& value)
{
    auto* list = dynamic_cast<UIList*>(widget(path));
    if (!list) {
        return false;
    }
    const std::vector<ListEntry>& rows = list->getItems();
    for (size_t i = 0; i < rows.size() && static_cast<int>(i) < list->getVisibleRows(); ++i) {
        if (rows[i].value == value) {
            const Vec2 at = list->getScreenPosition();
            const float row = static_cast<float>(list->getItemHeight());
            window.click(static_cast<int>(at.x + 20.0f),
                         static_cast<int>(at.y + row * static_cast<float>(i) + row / 2));
            return list->getSelectedIndex() == static_cast<int>(i);
        }
    }
    return false;
}

// A health bar's colour: red well over blue, as the status's own bars.
bool healthRed(const uint8_t* c)
{
    return c[0] > c[2] + 60 && c[0] > 90;
}

// A new actor of the town a few steps from the player, on a free spot.
Actor* placeBeside(Actor* actor, const Player& player, float dx, float dy)
{
    if (!actor) {
        return nullptr;
    }
    ZonePosition at = player.getPosition();
    at.addOffset(dx, dy);
    ZonePosition spot = at;
    for (int ring = 0; ring < 6 && !Game::get().findFreeSpotOnRing(at, ring, spot, actor); ++ring) {
    }
    actor->setPosition(spot);
    actor->setSecondaryPosition(spot);
    if (Game::get().addEntity(actor) < 0) {
        delete actor;
        return nullptr;
    }
    return actor;
}

// A line of the message log holds the text.
bool logged(const std::string& text)
{
    for (const TextEvent& e : GraphicsSystem::get().getTextEvents().events()) {
        if (stripColorCodesCopy(Localization::get().translateCopy(e.text)).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The gold of a quest mark's "!" as drawn, lit or not: its channels keep
// their ratios, apart from a torch's flame (bluer) and the hot bar's frame
// (no blue at all).
bool questMarkGold(const uint8_t* c)
{
    const float r = c[0], g = c[1], b = c[2];
    return r >= 120.0f && g >= 0.78f * r && g <= 0.9f * r && b >= 0.17f * r && b <= 0.29f * r;
}

// The interface points where a quest mark's bar stands in the shot: the top
// of every run of at least five of its gold pixels down a column.
std::vector<Vec2> questMarks(const Picture& shot)
{
    std::vector<Vec2> marks;
    for (int x = 0; x < shot.width; ++x) {
        int run = 0;
        for (int y = 0; y < shot.height; ++y) {
            run = questMarkGold(shot.at(x, y)) ? run + 1 : 0;
            if (run == 5) {
                marks.push_back({static_cast<float>(x) * 640.0f / static_cast<float>(shot.width),
                                 static_cast<float>(y - 4) * 480.0f / static_cast<float>(shot.height)});
            }
        }
    }
    return marks;
}

// A mark stands over the entity: over its feet on the screen, within a
// body's height.
bool markOver(const Vec2& mark, const EntityClient& e)
{
    const Vec2 feet = Client::get().screenPositionOf(e.getPosition(), 0.0f);
    return std::abs(mark.x - feet.x) <= 12.0f && mark.y <= feet.y && mark.y >= feet.y - 130.0f;
}

TEST(PlayerControlsXvfbTest, QuestsTargetsRecruitsPartyAndLifeStoneByMouseAndKeys)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    PlaySession s{window};
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    Random::setState(0, 20261208u);
    window.click(320, 206);
    ASSERT_TRUE(menuActive("NewCharacter"));
    window.click(145, 130);
    ASSERT_NO_FATAL_FAILURE(s.startNamed("Orla", "Fen Wardens"));
    Player* server = Game::get().getFirstPlayer();
    ASSERT_NE(server, nullptr);
    PlayerClient* player = Client::get().getLocalPlayer();
    ASSERT_NE(player, nullptr);

    // The town's quests on offer: one with a solved kind (a story quest,
    // skipped below) and one of any other kind (given up).
    int storyGiver = -1, storyQuest = -1, plainQuest = -1;
    ASSERT_TRUE(window.frameUntil([&] {
        const int zone = Client::get().getPlayerPosition().zone;
        for (int number = 0; number < GameClient::kEntityCount; ++number) {
            const EntityClient* e = GameClient::get().getEntity(number);
            if (!e || e->getPosition().zone != zone || !e->talks() || !e->givesQuests()) {
                continue;
            }
            for (int32_t id : e->getOfferedQuests()) {
                const Quest* quest = Game::get().getQuest(id);
                if (!quest || !quest->open || !quest->definition) {
                    continue;
                }
                if (quest->definition->questSolvedBit >= 0 && storyQuest < 0) {
                    storyQuest = id;
                    storyGiver = number;
                } else if (quest->definition->questSolvedBit < 0 && plainQuest < 0) {
                    plainQuest = id;
                }
            }
        }
        return storyQuest >= 0 && plainQuest >= 0;
    })) << "story quest "
        << storyQuest << ", other quest " << plainQuest;

    // ---- Given up from the journal: the row picked, "Give up", then the
    // question answered. "Keep it" keeps the quest; "Give up" takes it out
    // of the player's slots and ends it in the Game.
    {
        ASSERT_NE(server->acceptQuest(plainQuest), nullptr);
        const std::string slot = std::to_string(server->findQuestSlot(plainQuest));
        ASSERT_TRUE(window.frameUntil([&] { return player->hasQuest(plainQuest); }));
        window.key(SDL_SCANCODE_Q);
        ASSERT_TRUE(menuActive("Quests"));
        ASSERT_TRUE(window.frameUntil([&] { return clickRow(window, "Quests::QuestList", slot); }))
            << "no row of the journal holds slot " << slot;
        for (const char* answer : {"QuestGiveUp::Keep", "QuestGiveUp::GiveUp"}) {
            SCOPED_TRACE(answer);
            ASSERT_TRUE(widget("Quests::GiveUp")->isVisible());
            s.clickWidget("Quests::GiveUp");
            ASSERT_TRUE(menuActive("QuestGiveUp"));
            EXPECT_EQ(getUserVarString("QuestToDecline"), slot);
            s.clickWidget(answer);
            EXPECT_FALSE(menuActive("QuestGiveUp"));
            EXPECT_TRUE(menuActive("Quests"));
        }
        ASSERT_TRUE(window.frameUntil([&] { return !server->hasQuest(plainQuest); })) << window.logTail();
        EXPECT_LT(server->findQuestSlot(plainQuest), 0);
        const Quest* left = Game::get().getQuest(plainQuest);
        EXPECT_TRUE(left == nullptr || !left->open) << "the Game's quest goes on";
        EXPECT_TRUE(window.frameUntil([&] { return !player->hasQuest(plainQuest); }));
        window.key(SDL_SCANCODE_Q);
        ASSERT_FALSE(menuActive("Quests"));
    }

    // ---- Tab: the next foe in reach as the target, then the other one.
    {
        std::vector<Actor*> foes;
        const MonsterType* goblin = GameData::get().findMonsterType("GoblinWarrior");
        ASSERT_NE(goblin, nullptr);
        for (float dx : {-160.0f, 160.0f}) {
            // Asleep where it stands (no fight before the keys), not hidden.
            auto* foe = new Actor();
            foe->initFromMonsterType(goblin, 1);
            foe->setFlags(foe->getFlags() & ~Actor::kFlagHidden);
            foe->setChecksActivity(false);
            foe->setActiveNow(false);
            ASSERT_NE(placeBeside(foe, *server, dx, 120.0f), nullptr);
            foe->setHomePosition(foe->getPosition());
            foes.push_back(foe);
        }
        std::set<int> numbers;
        for (const Actor* foe : foes) {
            numbers.insert(foe->getEntityNumber());
        }
        ASSERT_TRUE(window.frameUntil([&] {
            return std::all_of(numbers.begin(), numbers.end(), [](int n) {
                const EntityClient* e = GameClient::get().getEntity(n);
                return e && e->getMouseAction(true, false) == PlayerClient::kActionAttack;
            });
        })) << "the foes are not there to attack on the client";
        std::set<int> chosen;
        for (int press = 0; press < 2; ++press) {
            const int before = targetNumber();
            window.key(SDL_SCANCODE_TAB);
            const int now = targetNumber();
            EXPECT_NE(now, before) << "press " << press;
            EXPECT_TRUE(numbers.count(now)) << "press " << press << " chose " << now;
            chosen.insert(now);
        }
        EXPECT_EQ(chosen, numbers) << "the two presses chose one foe twice";
        for (Actor* foe : foes) {
            Game::get().deleteEntity(foe, false);
        }
        ASSERT_TRUE(window.frameUntil([&] {
            return std::none_of(numbers.begin(), numbers.end(),
                                [](int n) { return GameClient::get().getEntity(n) != nullptr; });
        }));
    }

    // ---- Two recruits in the party: P picks the first, ] and [ step on and
    // back through the covenant's recruits, past its empty places and round.
    std::vector<int> recruits;
    {
        for (float dx : {-70.0f, 70.0f}) {
            Actor* actor = placeBeside(
                SpawnSystem::get().spawnPotentialRecruit(server->getPosition().zone, 1), *server, dx, 60.0f);
            ASSERT_NE(actor, nullptr);
            server->recruitToCovenant(actor, true);
            recruits.push_back(actor->getEntityNumber());
        }
        ASSERT_EQ(server->getFollowers().size(), 2u) << window.logTail(8);
        ASSERT_TRUE(window.frameUntil([&] {
            const PlayerCovenantClient* covenant = Client::get().getPlayerCovenant();
            return player->partyMembers.size() == 2 && covenant &&
                   std::all_of(recruits.begin(), recruits.end(), [&](int n) {
                       return covenant->findRecruitSlot(n) >= 0 && GameClient::get().getEntity(n);
                   });
        })) << "the recruits did not reach the client";
        const PlayerCovenantClient* covenant = Client::get().getPlayerCovenant();
        std::sort(recruits.begin(), recruits.end(),
                  [&](int a, int b) { return covenant->findRecruitSlot(a) < covenant->findRecruitSlot(b); });
        // Empty places after the two, passed over on the way round.
        ASSERT_EQ(covenant->getRecruitSlotCount(), GameData::get().rules().maxRecruits);
        ASSERT_GT(covenant->getRecruitSlotCount(), 2);
        struct Case {
            SDL_Scancode key;
            int recruit; // index into recruits
        };
        const Case cases[] = {
            {SDL_SCANCODE_P, 0},           {SDL_SCANCODE_RIGHTBRACKET, 1}, {SDL_SCANCODE_RIGHTBRACKET, 0},
            {SDL_SCANCODE_LEFTBRACKET, 1}, {SDL_SCANCODE_LEFTBRACKET, 0},  {SDL_SCANCODE_P, 0}};
        for (size_t i = 0; i < std::size(cases); ++i) {
            window.key(cases[i].key);
            EXPECT_EQ(targetNumber(), recruits[static_cast<size_t>(cases[i].recruit)]) << "press " << i;
        }
    }

    // ---- The party's rows on the screen: each member's name over its
    // health; a click on a name makes it the target, "Send home" on a row
    // sends that member away: it leaves the party, the other moves up.
    {
        UIWidget* second = widget("Status::Party1");
        UIWidget* health = widget("Status::Party1Health");
        ASSERT_NE(second, nullptr);
        ASSERT_NE(health, nullptr);
        ASSERT_TRUE(window.frameUntil([&] { return second->isVisible() && health->isVisible(); }));
        EXPECT_FALSE(widget("Status::Party2")->isVisible()) << "a row for a third member";
        window.waitForLoads();
        window.moveTo(600, 300);
        const Picture shot = window.stillShot();
        for (const char* bar : {"Status::Party0Health", "Status::Party1Health"}) {
            const UIWidget* w = widget(bar);
            const Vec2 at = w->getScreenPosition();
            EXPECT_TRUE(healthRed(pixelAt(shot, static_cast<int>(at.x) + 4, static_cast<int>(at.y) + 2)))
                << bar << " is not drawn";
        }
        const int member1 = player->partyMembers[1];
        const int member0 = player->partyMembers[0];
        s.clickWidget("Status::Party1");
        EXPECT_EQ(targetNumber(), member1);
        s.clickWidget("Status::Party0");
        EXPECT_EQ(targetNumber(), member0);
        s.clickWidget("Status::Party0Home");
        ASSERT_TRUE(window.frameUntil([&] { return server->getFollowers().size() == 1; }))
            << window.logTail();
        EXPECT_EQ(server->getFollowers()[0]->getEntityNumber(), member1) << "the wrong member left";
        ASSERT_TRUE(window.frameUntil([&] { return player->partyMembers.size() == 1; }));
        EXPECT_EQ(player->partyMembers[0], member1);
        EXPECT_TRUE(window.frameUntil([&] { return !second->isVisible(); })) << "the second row stays";
        // Still a recruit of the covenant, at home.
        EXPECT_GE(Client::get().getPlayerCovenant()->findRecruitSlot(member0), 0);
    }

    // ---- The covenant's life stone: a click on its bar under the crest on
    // the relations screen makes it the target, and the screen gives way to
    // the game where its health bar shows.
    {
        const int own = Client::get().getPlayerCovenantIndex();
        ASSERT_GE(own, 0);
        int stone = -1;
        ASSERT_TRUE(window.frameUntil([&] {
            for (int n = 0; n < GameClient::kEntityCount && stone < 0; ++n) {
                const EntityClient* e = GameClient::get().getEntity(n);
                if (e && e->isLifeStone() && e->getCovenantIndex() == own) {
                    stone = n;
                }
            }
            return stone >= 0;
        })) << "the covenant's life stone is not on the client";
        window.key(SDL_SCANCODE_R);
        ASSERT_TRUE(menuActive("CovenantRelations"));
        auto* relations = dynamic_cast<UIRelationsMenu*>(UISystem::get().findMenu("CovenantRelations"));
        ASSERT_NE(relations, nullptr);
        ASSERT_TRUE(window.frameUntil(
            [&] { return relations->getCurrentPage() == relations->getPage(UIRelationsMenu::Main); }));
        window.frame();
        const UIWidget* bar = relations->getEntry(own).lifestoneBar;
        ASSERT_NE(bar, nullptr);
        const Vec2 at = bar->getScreenPosition();
        ASSERT_NE(targetNumber(), stone);
        window.click(static_cast<int>(at.x + bar->getSize().x / 2),
                     static_cast<int>(at.y + bar->getSize().y / 2));
        EXPECT_EQ(targetNumber(), stone);
        EXPECT_FALSE(menuActive("CovenantRelations"));
        UIWidget* targetHealth = widget("Status::TargetHealth");
        ASSERT_TRUE(window.frameUntil([&] { return targetHealth->isVisible(); }));
        window.moveTo(600, 300);
        const Picture shot = window.stillShot();
        const Vec2 drawn = targetHealth->getScreenPosition();
        EXPECT_TRUE(healthRed(pixelAt(shot, static_cast<int>(drawn.x) + 4, static_cast<int>(drawn.y) + 2)))
            << "the life stone's health bar is not drawn";
    }

    // ---- Skipped from the giver's offer: the story quest's Skip shows only
    // once the player has solved that quest before; then it skips it.
    {
        ASSERT_TRUE(s.talkTo(storyGiver, "GetQuest")) << window.logTail();
        ASSERT_TRUE(window.frameUntil([&] {
            return clickRow(window, "GetQuest::Quests", std::to_string(storyQuest));
        })) << "the giver does not offer quest "
            << storyQuest;
        UIWidget* skip = widget("GetQuest::Skip");
        ASSERT_NE(skip, nullptr);
        EXPECT_FALSE(skip->isVisible()) << "Skip for a quest never solved";
        const Quest* quest = Game::get().getQuest(storyQuest);
        ASSERT_NE(quest, nullptr);
        std::vector<bool>& solved = server->getFlags65();
        const size_t bit =
            static_cast<size_t>(Game::get().getSolvedBitBase() + quest->definition->questSolvedBit);
        ASSERT_LT(bit, solved.size());
        solved[bit] = true;
        ASSERT_TRUE(window.frameUntil([&] { return skip->isVisible(); }))
            << "no Skip for a quest solved before";
        s.clickWidget("GetQuest::Skip");
        ASSERT_TRUE(window.frameUntil([&] { return Game::get().getQuest(storyQuest) == nullptr; }))
            << "the quest was not skipped\n"
            << window.logTail();
        const std::string said = stripColorCodesCopy(Localization::get().translateCopy("$$QuestSkipped$$"));
        const std::string words = said.substr(0, said.find('%'));
        ASSERT_FALSE(words.empty());
        EXPECT_TRUE(window.frameUntil([&] { return logged(words); })) << "no \"" << words << "\" in the log";
    }

    // ---- Quest marks only over people: with quests held and the map
    // closed, every quest mark on the game view stands over someone whose
    // own mark it is, the help topics' row (shown) wears no quest mark, and
    // a giver whose quests the player took shows none.
    {
        for (const char* window_ : {"GetQuest", "QuestNpcMenu", "NpcChat"}) {
            if (menuActive(window_)) {
                window.key(SDL_SCANCODE_ESCAPE);
            }
        }
        ASSERT_EQ(getUserVarString("drawWorldMap"), "0");
        const int zone = Client::get().getPlayerPosition().zone;
        auto onScreen = [](const EntityClient& e) {
            const Vec2 at = Client::get().screenPositionOf(e.getPosition(), 0.0f);
            return at.x > 20.0f && at.x < 620.0f && at.y > 150.0f && at.y < 400.0f &&
                   !underAWindow(at.x, at.y);
        };
        // The givers in view with a quest new to the player.
        std::vector<int> givers;
        ASSERT_TRUE(window.frameUntil([&] {
            givers.clear();
            for (int n = 0; n < GameClient::kEntityCount; ++n) {
                const EntityClient* e = GameClient::get().getEntity(n);
                if (e && e->getPosition().zone == zone && e->talks() && e->hasNewQuestForPlayer() &&
                    onScreen(*e)) {
                    givers.push_back(n);
                }
            }
            return !givers.empty();
        })) << "no giver with a quest in view";
        window.moveTo(600, 300);
        ASSERT_TRUE(window.waitForLoads(100));
        const Picture before = window.stillShot();
        const std::vector<Vec2> offered = questMarks(before);
        for (int n : givers) {
            EXPECT_TRUE(
                std::any_of(offered.begin(), offered.end(),
                            [&](const Vec2& m) { return markOver(m, *GameClient::get().getEntity(n)); }))
                << "giver " << n << " shows no mark";
        }
        // Every quest the first giver offers taken, as far as the slots go.
        const int taken = givers.front();
        for (int32_t id : GameClient::get().getEntity(taken)->getOfferedQuests()) {
            server->acceptQuest(id);
        }
        ASSERT_TRUE(window.frameUntil([&] {
            const EntityClient* e = GameClient::get().getEntity(taken);
            return e && !e->hasNewQuestForPlayer();
        })) << "the giver still has a quest new to the player";
        ASSERT_TRUE(std::any_of(UISystem::get().getMenus().begin(), UISystem::get().getMenus().end(),
                                [](const auto& m) {
                                    const std::string& name = m->getName();
                                    return m->isActive() && name.size() > 6 &&
                                           name.compare(name.size() - 6, 6, "Button") == 0;
                                }))
            << "no help topic offered";
        const Picture held = window.stillShot();
        std::vector<const EntityClient*> marked;
        for (int n = 0; n < GameClient::kEntityCount; ++n) {
            const EntityClient* e = GameClient::get().getEntity(n);
            if (e && e->getPosition().zone == zone && !e->getOverheadIconName().empty()) {
                marked.push_back(e);
            }
        }
        const EntityClient* giver = GameClient::get().getEntity(taken);
        ASSERT_NE(giver, nullptr);
        ASSERT_TRUE(onScreen(*giver));
        std::string stray;
        for (const Vec2& mark : questMarks(held)) {
            if (markOver(mark, *giver) ||
                std::none_of(marked.begin(), marked.end(),
                             [&](const EntityClient* e) { return markOver(mark, *e); })) {
                stray += " (" + std::to_string(static_cast<int>(mark.x)) + ", " +
                         std::to_string(static_cast<int>(mark.y)) + ")";
            }
        }
        EXPECT_EQ(stray, "") << "quest marks over no one with a quest to give or take in";
    }

    // ---- War asks first on a covenant's talking page: Escape and "No"
    // declare nothing, "Declare war" does; on a covenant at war "War" only
    // says so. Escape and the covenants key close the screen from its
    // inner pages.
    {
        const int own = Client::get().getPlayerCovenantIndex();
        const Covenant* ours = Game::get().getCovenant(own);
        ASSERT_NE(ours, nullptr);
        std::vector<int> peaceful;
        for (int i = 0; i < Game::get().getCovenantCount(); ++i) {
            const Covenant* c = Game::get().getCovenant(i);
            if (c && i != own && !c->destroyed && !ours->isHostile(i)) {
                peaceful.push_back(i);
            }
        }
        ASSERT_GE(peaceful.size(), 2u) << "two covenants at peace with the player's";
        const int spared = peaceful[0], fought = peaceful[1];
        const Covenant* foe = Game::get().getCovenant(fought);
        ASSERT_NE(foe->getRelationState(spared), static_cast<int>(CovenantTreaty::Alliance));
        ASSERT_NE(foe->getRelationState(spared), static_cast<int>(CovenantTreaty::MutualProtectionPact));
        auto* relations = dynamic_cast<UIRelationsMenu*>(UISystem::get().findMenu("CovenantRelations"));
        ASSERT_NE(relations, nullptr);
        auto talkTo = [&](int covenant) {
            if (!menuActive("CovenantRelations")) {
                window.key(SDL_SCANCODE_R);
            }
            ASSERT_TRUE(menuActive("CovenantRelations"));
            if (relations->getCurrentPage() != relations->getPage(UIRelationsMenu::Main)) {
                s.clickWidget((relations->getCurrentPage()->getName() + "::Back").c_str());
            }
            ASSERT_TRUE(window.frameUntil(
                [&] { return relations->getCurrentPage() == relations->getPage(UIRelationsMenu::Main); }));
            window.frame();
            const UIWidget* crest = relations->getEntry(covenant).picture;
            const Vec2 at = crest->getScreenPosition();
            window.click(static_cast<int>(at.x + crest->getSize().x / 2), static_cast<int>(at.y + 20.0f));
            ASSERT_EQ(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::Diplomacy));
        };
        const std::string spareName = stripColorCodesCopy(
            Localization::get().translateCopy(Game::get().getCovenant(spared)->getDisplayName()));
        ASSERT_NO_FATAL_FAILURE(talkTo(spared));
        s.clickWidget("RelationsDiplomacy::War");
        ASSERT_TRUE(menuActive("DeclareWarAsk"));
        {
            UIWidget* question = widget("DeclareWarAsk::Question");
            question->prepareDraw();
            EXPECT_NE(stripColorCodesCopy(Localization::get().translateCopy(question->getTextValue()))
                          .find(spareName),
                      std::string::npos)
                << question->getTextValue();
        }
        window.key(SDL_SCANCODE_ESCAPE);
        EXPECT_FALSE(menuActive("DeclareWarAsk"));
        ASSERT_TRUE(menuActive("CovenantRelations")) << "Escape on the question closed the screen";
        s.clickWidget("RelationsDiplomacy::War");
        ASSERT_TRUE(menuActive("DeclareWarAsk"));
        s.clickWidget("DeclareWarAsk::No");
        EXPECT_FALSE(menuActive("DeclareWarAsk"));
        // War on the other: once it stands, any line the answers above sent
        // has been carried out before it.
        ASSERT_NO_FATAL_FAILURE(talkTo(fought));
        s.clickWidget("RelationsDiplomacy::War");
        ASSERT_TRUE(menuActive("DeclareWarAsk"));
        s.clickWidget("DeclareWarAsk::Yes");
        EXPECT_FALSE(menuActive("DeclareWarAsk"));
        ASSERT_TRUE(window.frameUntil([&] {
            return ours->isHostile(fought) && Client::get().getPlayerCovenant()->isHostile(fought);
        })) << window.logTail();
        EXPECT_FALSE(ours->isHostile(spared)) << "\"No\" declared war";
        s.clickWidget("RelationsDiplomacy::War");
        EXPECT_FALSE(menuActive("DeclareWarAsk")) << "asked again at war";
        const std::string foeName =
            stripColorCodesCopy(Localization::get().translateCopy(foe->getDisplayName()));
        EXPECT_TRUE(window.frameUntil([&] { return logged("Already at war with " + foeName); }));

        struct Case {
            const char* page; // the talking page's button to it; none: the circle
            SDL_Scancode key;
        };
        for (const Case& c :
             {Case{nullptr, SDL_SCANCODE_R}, Case{"RelationsDiplomacy::Raid", SDL_SCANCODE_ESCAPE},
              Case{"RelationsDiplomacy::Rumors", SDL_SCANCODE_R},
              Case{"RelationsDiplomacy::Trade", SDL_SCANCODE_ESCAPE},
              Case{"RelationsDiplomacy::Treaties", SDL_SCANCODE_R}}) {
            SCOPED_TRACE(c.page ? c.page : "RelationsMain");
            if (c.page) {
                ASSERT_NO_FATAL_FAILURE(talkTo(spared));
                s.clickWidget(c.page);
                ASSERT_NE(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::Diplomacy));
            } else {
                ASSERT_TRUE(menuActive("CovenantRelations"));
                s.clickWidget("RelationsDiplomacy::Back");
                ASSERT_EQ(relations->getCurrentPage(), relations->getPage(UIRelationsMenu::Main));
            }
            window.key(c.key);
            EXPECT_FALSE(menuActive("CovenantRelations"));
        }
    }

    // ---- The covenant fallen: its window names the way on with the
    // character, in words drawn whole in their box.
    {
        Game::get().getFirstPlayer()->getCovenant()->onDestroyed(nullptr, true, true);
        ASSERT_TRUE(window.frameUntil([] { return menuActive("LoseGame"); }));
        auto* wayOn = dynamic_cast<UIText*>(widget("LoseGame::WayOn"));
        ASSERT_NE(wayOn, nullptr);
        std::string way;
        for (const std::string& line : wayOn->getLines()) {
            way += line;
        }
        const Localization& words = Localization::get();
        for (const char* button : {"$$MenuSaveAndExit$$", "$$MenuLoadCharacter$$", "$$MenuNewWorld$$"}) {
            EXPECT_NE(way.find(words.translateCopy(button)), std::string::npos) << way << " / " << button;
        }
        EXPECT_LE(static_cast<int>(wayOn->getLines().size()), wayOn->getVisibleLineCount())
            << "the way on does not fit its box";
        ASSERT_TRUE(window.waitForLoads(100));
        window.moveTo(600, 460);
        const Picture shot = window.stillShot();
        const Vec2 at = wayOn->getScreenPosition(), size = wayOn->getSize();
        int light = 0;
        for (int y = static_cast<int>(at.y * shot.height / 480); y < (at.y + size.y) * shot.height / 480;
             ++y) {
            for (int x = static_cast<int>(at.x * shot.width / 640); x < (at.x + size.x) * shot.width / 640;
                 ++x) {
                const uint8_t* c = shot.at(x, y);
                light += std::min({c[0], c[1], c[2]}) > 180 ? 1 : 0;
            }
        }
        EXPECT_GT(light, 500) << "the way on is not drawn";
    }
}

// The length of a bar's red fill on its middle row, as a fraction of its width.
float redFill(const Picture& shot, const UIWidget& bar)
{
    const Vec2 at = bar.getScreenPosition();
    const int width = static_cast<int>(bar.getSize().x);
    int red = 0;
    for (int x = 0; x < width; ++x) {
        red +=
            healthRed(pixelAt(shot, static_cast<int>(at.x) + x, static_cast<int>(at.y + bar.getSize().y / 2)))
                ? 1
                : 0;
    }
    return static_cast<float>(red) / static_cast<float>(width);
}

// A goblin asleep where it stands (no fight before the test acts), not
// hidden, near the player.
Actor* sleepingGoblin(const Player& player, float dx, float dy)
{
    const MonsterType* goblin = GameData::get().findMonsterType("GoblinWarrior");
    if (!goblin) {
        return nullptr;
    }
    auto* foe = new Actor();
    foe->initFromMonsterType(goblin, 1);
    foe->setFlags(foe->getFlags() & ~Actor::kFlagHidden);
    foe->setChecksActivity(false);
    foe->setActiveNow(false);
    if (!placeBeside(foe, player, dx, dy)) {
        return nullptr;
    }
    foe->setHomePosition(foe->getPosition());
    return foe;
}

bool overlaps(const ScreenRect& a, const ScreenRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// A new mage's first fight, as a user plays it. With itself selected (a
// closed window leaves it so) the target bar shows the player's own health;
// a click on a help topic's "?" or on the mini-map walks nowhere; with a
// quest giver or the player itself selected, a right click on a monster
// standing next to the player selects the monster, not the player; Tab
// selects a foe a few steps away; Firebolt from the hot bar is cast at
// melee range, over the effect a blow leaves at the monster; and a blow at
// a monster that hides says "Can't see".
TEST(PlayerControlsXvfbTest, ACastersFirstFightTargetsAndCastsAtMeleeRange)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    PlaySession s{window};
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    Random::setState(0, 20261208u);
    window.click(320, 206);
    ASSERT_TRUE(menuActive("NewCharacter"));
    s.clickWidget("NewCharacter::ClassMage");
    ASSERT_EQ(getUserVarString("PlayerClass"), "$$ClassMage$$");
    ASSERT_NO_FATAL_FAILURE(s.startNamed("Ysolde", "Ember Hall"));
    Player* server = Game::get().getFirstPlayer();
    ASSERT_NE(server, nullptr);
    PlayerClient* player = Client::get().getLocalPlayer();
    ASSERT_NE(player, nullptr);
    const int giver =
        findEntity([](const EntityClient& e) { return e.isNpc() && e.givesQuests() && e.talks(); });
    ASSERT_GE(giver, 0) << "the town has no quest giver who talks";

    // ---- Itself selected: Escape on the giver's window selects the
    // player, and the target bar shows its health as its own bar does.
    {
        ASSERT_TRUE(s.talkTo(giver, "QuestNpcMenu")) << window.logTail();
        window.key(SDL_SCANCODE_ESCAPE);
        ASSERT_FALSE(menuActive("QuestNpcMenu"));
        ASSERT_EQ(targetNumber(), player->getEntityNumber());
        server->setHealth(server->getMaxHealth() / 2);
        const EntityClient* mirror = player->getServerMirror();
        ASSERT_TRUE(window.frameUntil([&] { return mirror->getHealth() * 10 < mirror->getMaxHealth() * 6; }));
        UIWidget* target = widget("Status::TargetHealth");
        UIWidget* own = widget("Status::HealthBar");
        ASSERT_TRUE(target && own);
        ASSERT_TRUE(window.frameUntil([&] { return target->isVisible(); })) << "no target bar for the player";
        window.moveTo(600, 300);
        const Picture shot = window.shot();
        const float ownFill = redFill(shot, *own);
        EXPECT_LT(ownFill, 0.7f) << "the player's own bar";
        EXPECT_NEAR(redFill(shot, *target), ownFill, 2.5f / 120.0f) << "the target bar of the player itself";
    }

    // ---- A press that the first help topic's "?" or the mini-map takes
    // goes no further: the player does not walk there.
    {
        UISystem& ui = UISystem::get();
        UIMenu* help = nullptr;
        ASSERT_TRUE(window.frameUntil([&] {
            help = ui.findMenu((ui.getStartHelpTopic() + "Button").c_str());
            return help && help->isActive() && !help->getWidgets().empty();
        })) << "no help topic offered at the start";
        ASSERT_FALSE(player->hasDestination());
        const UIWidget& mark = *help->getWidgets().front();
        const Vec2 at = mark.getScreenPosition();
        window.click(static_cast<int>(at.x + mark.getSize().x / 2),
                     static_cast<int>(at.y + mark.getSize().y / 2));
        EXPECT_TRUE(menuActive("helpTopic"));
        EXPECT_FALSE(player->hasDestination()) << "a click on the help topic walked the player";
        window.key(SDL_SCANCODE_ESCAPE);
        ASSERT_FALSE(menuActive("helpTopic"));
        const UISettings& settings = ui.getSettings();
        window.click(static_cast<int>(settings.miniMapMaskPosition.x + settings.miniMapMaskSize.x / 2),
                     static_cast<int>(settings.miniMapMaskPosition.y + settings.miniMapMaskSize.y / 2));
        EXPECT_FALSE(player->hasDestination()) << "a click on the mini-map walked the player";
    }

    // ---- The giver still selected after a talk (a step away closes its
    // window): a right click on the monster beside the player selects it,
    // and so it does with the player itself selected.
    Actor* beside = nullptr;
    {
        ASSERT_TRUE(s.talkTo(giver, "QuestNpcMenu")) << window.logTail();
        ASSERT_TRUE(s.clickFreeGround());
        ASSERT_TRUE(window.frameUntil([&] { return !player->hasDestination(); }));
        ASSERT_EQ(targetNumber(), giver);
        const ScreenRect own = Client::get().getEntityScreenRect(*player->getServerMirror());
        // Straight below the player on the screen, near enough for the
        // two to overlap there.
        for (float d : {20.0f, 28.0f, 36.0f}) {
            beside = sleepingGoblin(*server, d, -d);
            ASSERT_NE(beside, nullptr);
            const int n = beside->getEntityNumber();
            ASSERT_TRUE(window.frameUntil([&] { return GameClient::get().getEntity(n) != nullptr; }));
            window.frame();
            if (overlaps(Client::get().getEntityScreenRect(*GameClient::get().getEntity(n)), own)) {
                break;
            }
            Game::get().deleteEntity(beside, false);
            ASSERT_TRUE(window.frameUntil([&] { return GameClient::get().getEntity(n) == nullptr; }));
            beside = nullptr;
        }
        ASSERT_NE(beside, nullptr) << "no goblin stands over the player on the screen";
        const EntityClient* foe = GameClient::get().getEntity(beside->getEntityNumber());
        const ScreenRect box = Client::get().getEntityScreenRect(*foe);
        // Its middle, and the point of it nearest the player's middle.
        const float ox = (own.left + own.right) / 2, oy = (own.top + own.bottom) / 2;
        const Vec2 points[] = {
            {(box.left + box.right) / 2, (box.top + box.bottom) / 2},
            {std::clamp(ox, box.left + 1, box.right - 1), std::clamp(oy, box.top + 1, box.bottom - 1)}};
        // With the giver selected the player stays pickable, so only the
        // monster's middle is its own; with itself selected both points are.
        for (const Vec2& p : points) {
            for (EntityClient* selected : {GameClient::get().getEntity(giver),
                                           static_cast<EntityClient*>(player), player->getServerMirror()}) {
                if (&p != &points[0] && selected->getEntityNumber() == giver) {
                    continue;
                }
                SCOPED_TRACE(formatString("right click at %.0f, %.0f with %d selected", p.x, p.y,
                                          selected->getEntityNumber()));
                player->setTarget(selected, true);
                window.clickNow(static_cast<int>(p.x), static_cast<int>(p.y), SDL_BUTTON_RIGHT);
                EXPECT_EQ(targetNumber(), beside->getEntityNumber());
            }
        }
    }

    // ---- Tab: a foe a few steps away, with the giver selected and with
    // the inventory or the quest log open.
    Actor* further = sleepingGoblin(*server, 150.0f, 90.0f);
    ASSERT_NE(further, nullptr);
    ASSERT_TRUE(window.frameUntil([&] {
        const EntityClient* e = GameClient::get().getEntity(further->getEntityNumber());
        return e && e->getMouseAction(true, false) == PlayerClient::kActionAttack;
    }));
    for (SDL_Scancode open : {SDL_SCANCODE_UNKNOWN, SDL_SCANCODE_I, SDL_SCANCODE_Q}) {
        SCOPED_TRACE(formatString("window key %d", static_cast<int>(open)));
        if (open != SDL_SCANCODE_UNKNOWN) {
            window.key(open);
        }
        player->setTarget(GameClient::get().getEntity(giver), true);
        window.key(SDL_SCANCODE_TAB);
        const int now = targetNumber();
        EXPECT_TRUE(now == beside->getEntityNumber() || now == further->getEntityNumber())
            << "Tab chose " << now;
        if (open != SDL_SCANCODE_UNKNOWN) {
            window.key(open);
        }
    }

    // ---- Firebolt, dragged from the skills page to the hot bar, cast with
    // its key at the monster beside the player over the effect of a blow
    // there: the monster is hurt, and nothing says "Can't see".
    {
        window.key(SDL_SCANCODE_K);
        ASSERT_TRUE(menuActive("Skills"));
        UISkillSlot* bolt = nullptr;
        ASSERT_TRUE(window.frameUntil([&] {
            for (const auto& w : UISystem::get().findMenu("SkillsTree0")->getWidgets()) {
                auto* slot = dynamic_cast<UISkillSlot*>(w.get());
                if (slot && slot->isVisible() && slot->getSkill() &&
                    slot->getSkill()->getDefinition()->name == "MageFirebolt") {
                    bolt = slot;
                }
            }
            return bolt != nullptr;
        })) << "no Firebolt on the first page";
        for (const UIWidget* w :
             {static_cast<const UIWidget*>(bolt), static_cast<const UIWidget*>(widget("HotBar::Use1"))}) {
            const Vec2 at = w->getScreenPosition();
            window.click(static_cast<int>(at.x + w->getSize().x / 2),
                         static_cast<int>(at.y + w->getSize().y / 2));
        }
        window.key(SDL_SCANCODE_K);
        ASSERT_EQ(player->getHotkey(1).values[0], 1) << "no skill on the second place";
        const EntityClient* foe = GameClient::get().getEntity(beside->getEntityNumber());
        const ScreenRect box = Client::get().getEntityScreenRect(*foe);
        window.clickNow(static_cast<int>((box.left + box.right) / 2),
                        static_cast<int>((box.top + box.bottom) / 2), SDL_BUTTON_RIGHT);
        ASSERT_EQ(targetNumber(), beside->getEntityNumber());
        ASSERT_LE(server->distanceToEntity(beside, true), 96.0f) << "the monster is not at melee range";
        ASSERT_NE(Game::get().spawnEntity("EffectNormalHit", beside->getPosition(), 5.0f), nullptr);
        const int health = beside->getHealth();
        window.key(SDL_SCANCODE_2);
        EXPECT_TRUE(window.frameUntil([&] { return beside->getHealth() < health || logged("Can't see"); }));
        EXPECT_FALSE(logged("Can't see"));
        EXPECT_LT(beside->getHealth(), health) << "the bolt did not hurt the monster";
    }

    // ---- The monster beside hides while the player strikes it: the blow
    // says why it cannot land.
    {
        ASSERT_GT(beside->getHealth(), 0);
        const EntityClient* foe = GameClient::get().getEntity(beside->getEntityNumber());
        ASSERT_TRUE(window.frameUntil([&] {
            if (server->getAction() == Player::ActionAttack) {
                return true;
            }
            const ScreenRect box = Client::get().getEntityScreenRect(*foe);
            window.clickNow(static_cast<int>((box.left + box.right) / 2),
                            static_cast<int>((box.top + box.bottom) / 2));
            return server->getAction() == Player::ActionAttack;
        })) << "no blow asked for";
        ASSERT_EQ(targetNumber(), beside->getEntityNumber());
        EXPECT_FALSE(logged("Can't see"));
        beside->setFlags(beside->getFlags() | EntityBase::kFlagHidden);
        EXPECT_TRUE(window.frameUntil([&] { return logged("Can't see"); })) << window.logTail();
    }
}

} // namespace
