// The quest record, the chat line and the chat block over arbitrary bytes.
// The first byte picks the mode: bit 5 the world save's chat block; bit 3 a
// chat line; bit 4 the server's save record on a live
// Game (bit 1: version 39, else 5); otherwise bit 0 the by-name form, bit 1
// version 39 (else 37) and bit 2 rebuild. A record that reads is written,
// read into a fresh quest and written again; both writes must be equal. A
// refused save record leaves the Game's entities as they were.
#include "FuzzSupport.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/quests/DynamicChatLine.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestLoaders.h"
#include "game/world/Game.h"
#include "tests/support/TestQuest.h"

#include <cmath>
#include <cstdint>

namespace {

const char* const kData = R"(GameSystem {
    MoneyChance 40
    MinMoneyPerLevel 2
    MaxMoneyPerLevel 6
    QuestKillMonsters Hunt
    QuestMonsterQuest Hunt
    QuestMeeting Hunt
    QuestKillMonsterGroup Hunt
}
Hunt {
    Type Quest
    MinCountMult 4
    MaxCountMult 8
    XpMinRewardPerMonster 10
    XpMaxRewardPerMonster 20
    MinTime 600
    MaxTime 1200
    TextList "A"
    TextList "B"
}
Goblin {
    Type MonsterArchetype
    SpawnChance 1
    QuestItemName "Ear"
}
GoblinScout {
    Type MonsterType
    Archetype Goblin
    Name "Goblin Scout"
}
Grabnak {
    Type MonsterType
    Archetype Goblin
    Unique 1
    Title "warlord"
}
)";

struct World {
    World()
    {
        registerQuestLoaders();
        database.addSubDatabase("GameSystem", "gamesystem.dbl", kData);
        database.resolveBases();
        data.load();
    }
    Database database;
    GameData data;
};

void fuzzChatLine(const uint8_t* bytes, size_t size)
{
    ByteBuffer buffer(bytes, size);
    DynamicChatLine line;
    if (!line.read(buffer))
        return;
    FUZZ_CHECK(std::isfinite(line.secondsLeft));
    ByteBuffer again;
    line.write(again);
    DynamicChatLine back;
    FUZZ_CHECK(back.read(again));
    FUZZ_CHECK(back.key == line.key && back.text == line.text);
}

void fuzzQuest(uint8_t mode, const uint8_t* bytes, size_t size)
{
    bool byName = mode & 1;
    int version = (mode & 2) ? 39 : 37;
    bool rebuild = mode & 4;
    ByteBuffer buffer(bytes, size);
    TestQuest quest;
    if (!quest.read(buffer, rebuild, byName, version))
        return;
    quest.getTitle(false, 0);
    quest.getDescription(10, GameTime(), "Ann");
    // Before version 38 names were not written: write the form that was read.
    bool writeNames = byName && version >= 38;
    ByteBuffer first;
    quest.write(first, writeNames);
    TestQuest fresh;
    FUZZ_CHECK(fresh.read(first, rebuild, byName, version));
    ByteBuffer second;
    fresh.write(second, writeNames);
    FUZZ_CHECK(first.bytes() == second.bytes());
}

// One Game for both modes: the one made last is Game::instance(), which the
// readers consult, so a second one would leave the first checked in vain.
Game& sharedGame()
{
    static Game* game = new Game();
    return *game;
}

void fuzzServerQuest(uint8_t mode, const uint8_t* bytes, size_t size)
{
    Game* game = &sharedGame();
    const int version = (mode & 2) ? 39 : 5;
    const int entities = game->getEntityCount();
    ByteBuffer buffer(bytes, size);
    Quest quest;
    if (!quest.read(buffer, version)) {
        FUZZ_CHECK(game->getEntityCount() == entities);
        FUZZ_CHECK(quest.level == -1);
        return;
    }
    ByteBuffer first;
    quest.write(first);
    Quest fresh;
    FUZZ_CHECK(fresh.read(first, 39));
    ByteBuffer second;
    fresh.write(second);
    FUZZ_CHECK(first.bytes() == second.bytes());
    game->clear();
}

// The world save's chat block: refused whole (the lines as they were), or
// written back to the same bytes as a second read gives.
void fuzzChatBlock(const uint8_t* bytes, size_t size)
{
    Game* game = &sharedGame();
    const size_t before = game->getDynamicChats().size();
    ByteBuffer buffer(bytes, size);
    if (!game->readDynamicChats(buffer)) {
        FUZZ_CHECK(game->getDynamicChats().size() == before);
        return;
    }
    ByteBuffer first;
    game->writeDynamicChats(first);
    FUZZ_CHECK(game->readDynamicChats(first));
    ByteBuffer second;
    game->writeDynamicChats(second);
    FUZZ_CHECK(first.bytes() == second.bytes());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    static World* world = new World();
    (void)debug;
    (void)world;
    if (size == 0)
        return 0;
    if (data[0] & 32)
        fuzzChatBlock(data + 1, size - 1);
    else if (data[0] & 8)
        fuzzChatLine(data + 1, size - 1);
    else if (data[0] & 16)
        fuzzServerQuest(data[0], data + 1, size - 1);
    else
        fuzzQuest(data[0], data + 1, size - 1);
    return 0;
}
