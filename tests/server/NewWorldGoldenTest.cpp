// A new world is a function of the stream-0 state before the start: the
// facts of three states on the shipped data are kept in
// testdata/world/new-<state>.txt (GLOAM_UPDATE_GOLDEN=1 rewrites them).
// ctest runs each case in a process of its own, so a file written by one
// process is compared in another.
#include "engine/console/UserVarSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GateList.h"
#include "game/entities/Actor.h"
#include "game/entities/Gate.h"
#include "game/entities/Recruit.h"
#include "game/world/Level.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/KeptText.h"
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace {

std::string cell(const ZonePosition& p)
{
    std::ostringstream out;
    out << p.zone << ':' << static_cast<int>(p.x) / 32 << ',' << static_cast<int>(p.y) / 32;
    return out.str();
}

std::string entryName(int id)
{
    const DatabaseEntry* entry = Database::get().getEntryByIndex(id);
    return entry ? entry->getName() : "-";
}

// The start command's values from the program's settings.
bool startAsTheCommandDoes(Server& server)
{
    const int covenantDifficulty =
        static_cast<int>(parseCovenantDifficultyLevel(getUserVarString("CovenantDifficultyLevel")));
    const int worldDifficulty =
        static_cast<int>(parseWorldDifficultyLevel(getUserVarString("WorldDifficultyLevel")));
    return server.start(false, getUserVarInt("StartingLevel"), covenantDifficulty, worldDifficulty,
                        getUserVarInt("NumAiCovenants"));
}

std::string describeWorld(Game& game, const World& world)
{
    std::ostringstream out;
    out << "world seed " << world.getWorldSeed() << " secret seed " << world.getSecretSeed() << '\n';
    out << "covenants " << game.getCovenantCount() << " computer " << game.getAiCovenantCount() << '\n';
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        const auto* covenant = dynamic_cast<const ActorCovenant*>(game.getCovenant(i));
        if (!covenant) {
            out << "covenant " << i << " not computer-run\n";
            continue;
        }
        out << "covenant " << i << ' ' << covenant->getDefinitionName() << " house "
            << cell(covenant->housePosition) << " level " << covenant->level << '\n';
        out << "  traits";
        for (const CovenantTrait* trait : covenant->traits) {
            out << ' ' << (trait ? trait->name : "-");
        }
        out << "\n  crystals " << covenant->stats.get(static_cast<int>(CovenantStat::Money)) << " gold "
            << covenant->getLeaderGold() << '\n';
        for (int slot = 0; slot < covenant->getRecruitSlotCount(); ++slot) {
            if (const Recruit* recruit = covenant->getRecruit(slot)) {
                out << "  recruit " << slot << ' ' << entryName(recruit->typeEntry) << " level "
                    << recruit->getStat(static_cast<int>(CharacterStat::Level))
                    << (recruit->hero ? " hero" : "") << '\n';
            }
        }
        for (int other = 0; other < game.getCovenantCount(); ++other) {
            if (other == i) {
                continue;
            }
            out << "  relation " << other << ' ' << covenant->getRelation(other) << ' '
                << getCovenantTreatyName(covenant->getRelationState(other)) << ' '
                << covenant->getRelationSubState(other) << '\n';
        }
    }
    // Gates in entity order; a partner is named by its place in this list.
    std::vector<const Gate*> gates;
    std::map<const Entity*, size_t> place;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        if (const auto* gate = dynamic_cast<const Gate*>(game.getEntity(i))) {
            place[gate] = gates.size();
            gates.push_back(gate);
        }
    }
    for (size_t i = 0; i < gates.size(); ++i) {
        const Gate* gate = gates[i];
        const auto partner = place.find(gate->getLinked());
        out << "gate " << i << " kind " << gate->getKind() << ' ' << gate->getEntryName() << " at "
            << cell(gate->getPosition()) << " partner "
            << (partner == place.end() ? -1 : static_cast<int>(partner->second)) << '\n';
    }
    for (int slot = 0; slot < game.getTownNpcCount(); ++slot) {
        const Actor* npc = game.getTownNpcAt(slot);
        out << "npc " << slot << ' ' << getNpcTypeName(game.getTownNpcType(slot));
        if (npc) {
            out << " \"" << npc->getName() << "\" at " << cell(npc->getPosition());
        } else {
            out << " empty";
        }
        out << '\n';
    }
    return out.str();
}

class NewWorldGolden : public ::testing::TestWithParam<uint32_t> {};

TEST_P(NewWorldGolden, AStartFromOneStreamStateMakesTheKeptWorld)
{
    HeadlessServer program;
    Server& server = Server::get();
    std::string runs[2];
    for (std::string& run : runs) {
        program.game->clear();
        program.game->setWorldGenerated(false);
        Random::setState(0, GetParam());
        ASSERT_TRUE(startAsTheCommandDoes(server));
        run = describeWorld(*program.game, *program.world);
    }
    EXPECT_EQ(runs[0], runs[1]);

    expectKeptText("world/new-" + std::to_string(GetParam()) + ".txt", runs[0]);
}

INSTANTIATE_TEST_SUITE_P(States, NewWorldGolden, ::testing::Values(1u, 2u, 4242u));

// Every connection of the kept layout seeds names a gate entry the database has.
TEST(NewWorldGates, EveryConnectionOfTheKeptSeedsNamesAGateEntry)
{
    HeadlessServer program;
    World& world = *program.world;
    for (uint32_t seed : {1u, 2u, 3u, 4242u, 2147483647u}) {
        world.reset();
        world.setWorldSeed(seed);
        world.load();
        int connections = 0;
        for (int i = 0; i < world.getLevelCount(); ++i) {
            const Level* level = world.getLevel(i);
            for (int c = 0; c < level->getConnectionCount(); ++c) {
                const ConnectionPoint* point = level->getConnection(c);
                const std::string name = world.getGateName(i, Gate::kConnection, point->targetLevel);
                EXPECT_NE(Database::get().findEntry(name), nullptr)
                    << "seed " << seed << " level " << i << ": \"" << name << "\"";
                ++connections;
            }
        }
        EXPECT_GT(connections, 0) << seed;
    }
}

// The program itself: a started world is saved when a signal ends it, a
// saved one resumes, and a damaged one is refused and left as it was.
class NewWorldProgram : public ::testing::Test {
protected:
    // One run of the commands, ended by SIGTERM some frames after they ran.
    std::string run(const std::string& commands)
    {
        const std::string logPath = user.file("log.txt");
        std::optional<std::chrono::steady_clock::time_point> inputEnded;
        const auto started = std::chrono::steady_clock::now();
        auto joined = [&](const RunResult& sofar) {
            const auto now = std::chrono::steady_clock::now();
            if (!inputEnded && (sofar.out + sofar.err).find("Standard input ended") != std::string::npos) {
                inputEnded = now;
            }
            return (inputEnded && now - *inputEnded > std::chrono::seconds(3)) ||
                   now - started > std::chrono::seconds(30);
        };
        RunResult result =
            runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                       commands, true, joined, SIGTERM);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(inputEnded.has_value());
        return readFile(logPath);
    }
    // The character folder may already exist in another case.
    std::filesystem::path worldFile() const
    {
        for (const char* folder : {"chars", "Chars"}) {
            if (std::filesystem::exists(user.path() / folder / "Aldric.wld")) {
                return user.path() / folder / "Aldric.wld";
            }
        }
        return user.path() / "chars" / "Aldric.wld";
    }

    TempDir user;
};

TEST_F(NewWorldProgram, AWorldIsSavedOnASignalResumesAndADamagedOneIsRefused)
{
    std::string log = run("set PlayerName Aldric\nstart both 0\n");
    std::vector<uint8_t> saved = readFileBytes(worldFile());
    ASSERT_GT(saved.size(), 100u);
    EXPECT_EQ(saved[0], Game::kWorldSaveVersion);
    EXPECT_NE(log.find(" 0 warnings, 0 errors"), std::string::npos) << log;

    log = run("set PlayerName Aldric\nstart both 1\n");
    EXPECT_NE(log.find(" 0 warnings, 0 errors"), std::string::npos) << log;
    saved = readFileBytes(worldFile());
    ASSERT_GT(saved.size(), 100u);

    const std::vector<uint8_t> half(saved.begin(),
                                    saved.begin() + static_cast<std::ptrdiff_t>(saved.size() / 2));
    writeFileBytes(worldFile(), half);
    log = run("set PlayerName Aldric\nstart both 1\n");
    EXPECT_NE(log.find("Cannot resume Aldric: chars/Aldric.wld: offset "), std::string::npos) << log;
    EXPECT_EQ(readFileBytes(worldFile()), half);
}

} // namespace
