#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"

#include "game/covenants/CovenantBase.h"
#include "game/definitions/GameEnums.h"
#include "ui/UIValueTables.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

// A menu of three widgets: "Sel" describes the selected entity, "Own" the
// player covenant, "Q" a quest row bound to "questSlot" under the selected "P".
struct ConditionScene {
    ConditionScene()
    {
        menu = bench.loadMenu("name M\nvisible 1\n"
                              "Widget\n{\n internalName Sel\n entityType Selected\n}\n"
                              "Widget\n{\n internalName Own\n entityType PlayerCovenant\n}\n"
                              "Widget\n{\n internalName Me\n entityType PlayerClient\n}\n"
                              "Widget\n{\n internalName P\n}\n"
                              "Widget\n{\n internalName Q\n parentWidget M::P\n userVar questSlot 0\n}\n");
        menu->findWidget("P")->setSelected(true);
        for (int i = 0; i < 3; ++i) {
            covenants[i].index = i;
        }
    }
    // A running game: player, covenant 2 the player's, target selected.
    void startGame()
    {
        bench.view.gameRunning = true;
        bench.view.localPlayer = &player;
        bench.view.playerEntity = &player;
        bench.view.playerCovenant = &covenants[2];
        bench.view.playerCovenantIndex = 2;
        bench.view.covenants = {&covenants[0], &covenants[1], &covenants[2]};
        bench.view.target = &target;
    }
    bool check(const char* widget, int condition)
    {
        return menu->findWidget(widget)->checkCondition(condition);
    }

    UITestBench bench;
    UIMenu* menu = nullptr;
    TestEntityMirror player;
    TestEntityMirror target;
    CovenantBase covenants[3];
};

TEST(WidgetConditionTest, GameRowsAreFalseWithoutAGame)
{
    ConditionScene scene;
    setUserVar("rel_simplify", "1");
    scene.bench.view.chosenClass = 7;
    // Rows that read only the interface, the user variables or the class choice.
    const std::set<int> interfaceRows = {
        UICondition::ParentWidgetSelected, UICondition::TextMatchesUserVar,     UICondition::SubmenuSelected,
        UICondition::UserVarSet,           UICondition::UserVarNotSet,          UICondition::CanPlayChampion,
        UICondition::CanPlayElite,         UICondition::CanPlayLegendary,       UICondition::AlwaysTrue,
        UICondition::CanResumeGame,        UICondition::BelowDifficultyMinLevel};
    for (int condition = 0; condition < UICondition::Count; ++condition) {
        if (interfaceRows.count(condition)) {
            continue;
        }
        for (const char* widget : {"Sel", "Own", "Me", "Q"}) {
            EXPECT_FALSE(scene.check(widget, condition)) << condition << " " << widget;
        }
    }
}

TEST(WidgetConditionTest, GameRowsReadTheMirrors)
{
    struct Case {
        const char* what;
        const char* widget;
        int condition;
        std::function<void(ConditionScene&)> setUp;
        bool expected;
    };
    auto xp = [](int value) {
        return [value](ConditionScene& s) {
            s.bench.view.playerStats[static_cast<int>(CharacterStat::Xp)] = value;
            s.bench.view.playerStats[static_cast<int>(CharacterStat::XpNeeded)] = 1000;
        };
    };
    auto treaty = [](int state) {
        return [state](ConditionScene& s) {
            s.covenants[2].setRelationState(1, state);
            s.bench.view.raidedCovenants = {1};
        };
    };
    auto slot = [](const char* value) {
        return [value](ConditionScene& s) {
            s.bench.view.quests[2].held = true;
            setUserVar("questSlot", value);
        };
    };
    const Case cases[] = {
        {"empty maximum, covenant low", "Sel", UICondition::LowHealth,
         [](ConditionScene& s) {
             s.target.setMaxHealth(0);
             s.target.setCovenantIndex(0);
             s.covenants[0].setLifestoneMaxHealth(100);
             s.covenants[0].setLifestoneHealth(10);
         },
         false},
        {"covenant low without an entity", "Own", UICondition::LowHealth,
         [](ConditionScene& s) {
             s.covenants[2].setLifestoneMaxHealth(100);
             s.covenants[2].setLifestoneHealth(10);
         },
         true},
        {"entity at a fifth", "Sel", UICondition::LowHealth,
         [](ConditionScene& s) {
             s.target.setMaxHealth(100);
             s.target.setHealth(20);
         },
         true},
        {"xp 900 of 1000", "Sel", UICondition::NearLevelUp, xp(900), false},
        {"xp 901 of 1000", "Sel", UICondition::NearLevelUp, xp(901), true},
        {"no hostile record", "Sel", UICondition::AtWar,
         [](ConditionScene& s) { s.covenants[0].setRelationState(1, 2); }, false},
        {"war toward the player", "Sel", UICondition::AtWar,
         [](ConditionScene& s) { s.covenants[0].setRelationState(2, 2); }, true},
        {"pact state 4", "Sel", UICondition::FriendBeingRaided, treaty(4), false},
        {"pact state 5", "Sel", UICondition::FriendBeingRaided, treaty(5), true},
        {"pact, covenant out", "Sel", UICondition::FriendBeingRaided,
         [&](ConditionScene& s) {
             treaty(6)(s);
             s.covenants[2].destroyed = true;
         },
         false},
        {"rank 3 elite", "Sel", UICondition::EliteMonster, [](ConditionScene& s) { s.target.setRank(3); },
         true},
        {"rank 3 not champion", "Sel", UICondition::ChampionMonster,
         [](ConditionScene& s) { s.target.setRank(3); }, false},
        {"guard vendor is no normal vendor", "Sel", UICondition::NormalVendor,
         [](ConditionScene& s) { s.target.setVendorKind(true, true, false); }, false},
        {"slot 2 held", "Q", UICondition::ValidSelectedQuest, slot("2"), true},
        {"slot -1", "Q", UICondition::ValidSelectedQuest, slot("-1"), false},
        {"slot 6", "Q", UICondition::ValidSelectedQuest, slot("6"), false},
        {"parent not selected", "Q", UICondition::ValidSelectedQuest,
         [&](ConditionScene& s) {
             slot("2")(s);
             s.menu->findWidget("P")->setSelected(false);
         },
         false},
        {"held quest cannot be skipped by id", "Q", UICondition::CanSkipSelectedQuest,
         [&](ConditionScene& s) {
             slot("2")(s);
             s.bench.view.quests[2].id = 2;
             s.bench.view.skippable = {2};
         },
         false},
        {"all quests finished or none: notice", "Sel", UICondition::QuestNotice, [](ConditionScene&) {},
         true},
        {"one open quest: no notice", "Sel", UICondition::QuestNotice,
         [](ConditionScene& s) { s.bench.view.quests[0].held = true; }, false},
        {"treaties without covenants", "Sel", UICondition::ShowTreaties,
         [](ConditionScene& s) {
             setUserVar("rel_simplify", "0");
             s.bench.view.covenants.clear();
         },
         true},
        {"simplified, all at peace", "Sel", UICondition::ShowTreaties,
         [](ConditionScene&) { setUserVar("rel_simplify", "1"); }, false},
        {"simplified, one pact", "Sel", UICondition::ShowTreaties,
         [](ConditionScene& s) {
             setUserVar("rel_simplify", "1");
             s.covenants[0].setRelationState(2, 5);
         },
         true},
        {"every other covenant out", "Sel", UICondition::WonGame,
         [](ConditionScene& s) { s.covenants[0].destroyed = s.covenants[1].destroyed = true; }, true},
        {"one other left", "Sel", UICondition::WonGame,
         [](ConditionScene& s) { s.covenants[0].destroyed = true; }, false},
        {"text events", "Sel", UICondition::ExtraTextEvents,
         [](ConditionScene& s) { s.bench.drawing.textEvents = 1; }, true},
        {"nothing equipped", "Sel", UICondition::NothingEquipped, [](ConditionScene&) {}, true},
        {"progress on the player's server mirror", "Me", UICondition::ValidTimedEvent,
         [](ConditionScene& s) {
             s.bench.view.playerEntity = &s.target;
             s.target.startProgress(5.0f, 2);
         },
         true},
    };
    for (const Case& c : cases) {
        ConditionScene scene;
        setUserVar("rel_simplify", "0");
        scene.startGame();
        c.setUp(scene);
        EXPECT_EQ(scene.check(c.widget, c.condition), c.expected) << c.what;
    }
}

} // namespace
