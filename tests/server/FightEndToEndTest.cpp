// A fight through the program's own start-up on the shipped data: a level-5
// mage of the "Barbarian" faction casts the shipped firebolt at a level-5
// warrior of the "Monsters" faction, with a scripted client joined, until the
// warrior dies.
#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillList.h"
#include "game/world/CombatSystem.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "server/GameStartup.h"
#include "server/Server.h"
#include "support/ClassStart.h"
#include "support/FlatNavigation.h"
#include "support/HeadlessServer.h"
#include "support/ScriptedClient.h"
#include "support/ScriptedCovenant.h"
#include "support/SkillUser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr int kLevel = toIndex(CharacterStat::Level);
constexpr int kPower = toIndex(CharacterStat::Power);

// A character of a shipped class, with the class entry a player's body has.
SkillUser* placeFighter(Game& game, CharacterClassType type, const char* classEntry, float x,
                        const char* faction)
{
    auto* s = new SkillUser();
    s->setEntry(Database::get().findEntry(classEntry), classEntry);
    giveClassStart(*s, type);
    s->setStat(kLevel, 5);
    for (int stat = toIndex(CharacterStat::Skill1); stat < toIndex(CharacterStat::Skill1) + 60; ++stat)
        s->setStat(stat, 0);
    s->updateStats(true);
    s->setOwnFactionName(faction);
    s->setFactionId(FactionSystem::instance()->getFactionId(faction));
    s->setPosition(ZonePosition(0, x, 2016.0f));
    if (game.addEntity(s) < 0) {
        delete s;
        return nullptr;
    }
    s->getSkillList()->rebuild(s, s->getCharacterClass());
    return s;
}

bool isProjectileEntry(uint32_t entryId)
{
    const DatabaseEntry* entry = Database::get().getEntryByIndex(static_cast<int>(entryId));
    return entry && entry->getTypeInherited() == static_cast<int>(DatabaseEntryType::Projectile);
}

} // namespace

TEST(FightEndToEnd, FireboltsOfABarbarianKillAMonsterWarrior)
{
    HeadlessServer program;
    Application& app = *program.app;
    Server* server = Server::instance();
    Game* game = Game::instance();
    ASSERT_NE(server, nullptr);
    ASSERT_NE(game, nullptr);
    ASSERT_NE(CombatSystem::instance(), nullptr) << "the game's start makes the combat system";
    FactionSystem* factions = FactionSystem::instance();
    ASSERT_NE(factions, nullptr);
    const int barbarian = factions->getFactionId("Barbarian");
    const int monsters = factions->getFactionId("Monsters");
    ASSERT_GE(barbarian, 0);
    ASSERT_GE(monsters, 0);
    ASSERT_FLOAT_EQ(factions->getReputation(monsters, barbarian), 5.0f);

    game->resizeForWorld(1);
    FlatNavigation field; // open ground: the mage sees the warrior
    field.openZone(0);
    auto navigation = std::make_unique<ScopedNavigation>(*game, field);

    server->start(false, 0, 1, 1, 0);
    ScriptedClient client(5003);
    client.sendNewJoin();
    AppHooks& h = app.getHooks();
    h.serverReceive(16.0, false);
    ScriptedClient::Joined joined;
    ASSERT_TRUE(client.readJoined(joined));

    SkillUser* mage = placeFighter(*game, CharacterClassType::Mage, "ClassMage", 1944.0f, "Barbarian");
    SkillUser* warrior =
        placeFighter(*game, CharacterClassType::Warrior, "ClassWarrior", 2144.0f, "Monsters");
    ASSERT_NE(mage, nullptr);
    ASSERT_NE(warrior, nullptr);
    // Sentients without covenants are each other's friends; the mage has a
    // covenant of its own, as a player's character has, so the bolt may be
    // aimed at the warrior.
    mage->setCovenantIndex(addScriptedCovenant(*game).index);
    ASSERT_TRUE(mage->isEnemyOf(warrior));
    SafePtr<Entity> victim(warrior);
    // The mage is the client's viewer, as its player will be.
    ASSERT_NE(server->findClient(client.address()), nullptr);
    server->findClient(client.address())->player = mage;
    const int warriorNumber = warrior->getEntityNumber();
    const std::string damageLine = "dmg " + std::to_string(warriorNumber) + " ";
    const std::string castLine = "timer " + std::to_string(mage->getEntityNumber()) + " 1.500000 1";
    const std::string xpLine = "dmg " + std::to_string(mage->getEntityNumber()) + " ^f005+";

    auto* firebolt = dynamic_cast<Skill*>(mage->getSkillList()->findByName("MageFirebolt"));
    ASSERT_NE(firebolt, nullptr);
    mage->setStat(toIndex(CharacterStat::Skill1) + firebolt->getTree() * 15 + firebolt->getSlot(), 5);
    ASSERT_EQ(firebolt->getLevel(), 5);
    mage->target = warrior;

    // The first bolt, worked out by hand: 6 + 4 × 3 = 18 to 10 + 4 × 4 = 26
    // fire at level 5, doubled by the skill's and again by the combat's
    // critical roll at most (104); the warrior's fire resistance R absorbs
    // between 0.5 × 0.2 R and 0.2 R (rounded either way); 70 % of the rest
    // burns at once, 30 % over time.
    const int resistance = warrior->getStat(toIndex(CharacterStat::ResistanceFire));
    ASSERT_GE(resistance, 0);
    const float x = 0.2f * static_cast<float>(resistance);
    const int least = static_cast<int>(std::floor(0.7f * std::max(0.0f, 18.0f - std::ceil(x))));
    const int most = static_cast<int>(std::ceil(0.7f * (104.0f - std::floor(0.5f * x))));

    int casts = 0;
    int damageLines = 0;
    int firstHitLines = -1;
    int firstFall = -1;
    int xpLines = 0;
    bool sawBoltInFlight = false;
    int health = warrior->getHealth();
    for (int step = 0; step < 4000 && xpLines == 0; ++step) {
        // A request while the cast winds up does nothing, so ask every step
        // until the bolt is out and its reuse time runs.
        const Timer& reuse = firebolt->getUseTimer();
        const bool reusing = reuse.running && reuse.remaining > 0.0f;
        if (victim && !reusing) {
            mage->setStat(kPower, mage->getStat(toIndex(CharacterStat::MaxPower)));
            firebolt->use(mage, nullptr, Skill::kStageRequest, false);
        }
        h.serverReceive(50.0, false);
        h.serverUpdate();
        ScriptedClient::State s;
        ASSERT_TRUE(client.readState(s)) << "step " << step;
        for (const ScriptedClient::EntityRecord& record : s.entities) {
            if (!isProjectileEntry(record.entryId))
                continue;
            ScriptedClient::ProjectileSection section;
            ASSERT_TRUE(ScriptedClient::decodeProjectileSection(record.classSection, section));
            EXPECT_FALSE(section.beam);
            EXPECT_FALSE(section.lob);
            sawBoltInFlight = true;
        }
        int linesNow = 0;
        for (const std::string& line : s.lines) {
            casts += line == castLine ? 1 : 0;
            if (line.compare(0, damageLine.size(), damageLine) == 0 && line.find('+') == std::string::npos)
                ++linesNow;
            if (line.compare(0, xpLine.size(), xpLine) == 0 && line.size() > xpLine.size() + 2 &&
                line.compare(line.size() - 2, 2, "xp") == 0)
                ++xpLines;
        }
        damageLines += linesNow;
        if (firstHitLines < 0 && linesNow > 0) {
            firstHitLines = linesNow;
            firstFall = health - (victim ? warrior->getHealth() : 0);
        }
        if (victim)
            health = warrior->getHealth();
    }
    EXPECT_TRUE(sawBoltInFlight) << "the bolt's class section reached the client";
    EXPECT_EQ(firstHitLines, 1) << "one damage line for the first hit";
    EXPECT_GE(firstFall, least);
    EXPECT_LE(firstFall, most);
    EXPECT_GE(damageLines, 2);
    EXPECT_GE(casts, 2);
    EXPECT_EQ(xpLines, 1) << "the kill's experience line";
    EXPECT_TRUE(!victim || warrior->isDead());
    EXPECT_FLOAT_EQ(factions->getReputation(monsters, barbarian), 0.0f);
    navigation.reset(); // before the Game goes
}
