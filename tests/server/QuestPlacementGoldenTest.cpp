// Quest making is a function of the stream-0 state and the world: one quest
// of every offered and event type, made in type order in a new world, gives
// the facts kept in testdata/quests/placements.txt (GLOAM_UPDATE_GOLDEN=1
// rewrites it). ctest runs each case in a process of its own, so the two
// cases compare two processes with the file and so with each other.
#include "engine/core/Random.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/KeptText.h"
#include "support/LevelWait.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void describe(std::ostream& out, const char* role, const Entity* entity)
{
    if (!entity) {
        return;
    }
    const ZonePosition& p = entity->getPosition();
    out << "  " << role << ' ' << entity->getEntryName() << " zone " << p.zone << " tile "
        << static_cast<int>(std::floor(p.x / 32.0f)) << ',' << static_cast<int>(std::floor(p.y / 32.0f));
    if (const auto* actor = dynamic_cast<const Actor*>(entity)) {
        out << " name " << actor->getName();
    }
    out << '\n';
}

std::string makeQuests(HeadlessServer& program)
{
    Game& game = *program.game;
    Random::setState(0, 4242);
    Player* player = addAldricLeading(game);
    if (!Server::get().newWorld({"1", "Average", "Normal", "3"})) {
        return "no world";
    }
    // The levels the player's view asked for are built and populated before
    // the quests are made, so no level is built halfway through.
    World& world = *program.world;
    std::vector<int> viewed = {0};
    for (int d = 0; d < 8; ++d) {
        if (world.getNeighbourLevel(0, d) >= 0) {
            viewed.push_back(world.getNeighbourLevel(0, d));
        }
    }
    auto built = [&] {
        for (int level : viewed) {
            if (!world.isLevelLoaded(level)) {
                return false;
            }
        }
        return true;
    };
    waitForLevels(program.app->getHooks(), built, std::chrono::seconds(240));
    if (!built()) {
        return "levels not built";
    }
    player->setStat(toIndex(CharacterStat::Level), 8);
    Random::setState(0, 777);
    Random::setState(1, 778);

    const GameRules& rules = GameData::get().rules();
    std::ostringstream out;
    for (int type = 1; type < kQuestTypeCount; ++type) {
        const bool offered = rules.questTypeChance[static_cast<size_t>(type)] > 0.0f;
        const bool event = rules.eventTypeChance[static_cast<size_t>(type)] > 0.0f;
        if (!offered && !event) {
            continue;
        }
        out << getQuestTypeName(type);
        Quest* quest = game.generateQuests(type, nullptr, -1);
        if (!quest) {
            out << " none\n";
            continue;
        }
        out << " number " << quest->id << " level " << quest->level << " seed " << quest->seed << " target "
            << quest->getTargetLevel() << ' ' << quest->getSecondTargetLevel();
        for (int t = 0; t < static_cast<int>(quest->targets.size()); ++t) {
            const MonsterType* target = quest->getMonsterType(t);
            out << " type " << (target ? target->getEntryName() : "-");
        }
        if (quest->targets.empty() && quest->monsterType) {
            out << " type " << quest->monsterType->getEntryName();
        }
        if (const std::string& name = quest->getNpcName(); !name.empty()) {
            out << " npc " << name;
        }
        out << '\n';
        describe(out, "npc", quest->questNpc.get());
        describe(out, "second", quest->secondNpc.get());
        describe(out, "chest", quest->questChest.get());
        for (const SafePtr<Entity>& placed : quest->spawnedEntities) {
            describe(out, "placed", placed.get());
        }
    }
    return out.str();
}

class QuestPlacementGolden : public ::testing::TestWithParam<int> {};

TEST_P(QuestPlacementGolden, EveryQuestTypeIsMadeAndPlacedAsKept)
{
    std::string facts;
    {
        HeadlessServer program;
        facts = makeQuests(program);
        program.game->clear();
    }
    expectKeptText("quests/placements.txt", facts, GetParam() == 0);
}

INSTANTIATE_TEST_SUITE_P(Runs, QuestPlacementGolden, ::testing::Values(0, 1));

} // namespace
