// What the town hears of, on the headless program with data/: the world's
// events become the NPCs' event lines, the town's people keep up with the
// player's level, and blows and plague bodies reach covenants and quests.
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Item.h"
#include "game/quests/NpcChat.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/CombatSystem.h"
#include "game/world/Weather.h"
#include "game/world/WeatherFront.h"
#include "support/PlayerWorld.h"
#include "support/TestCovenant.h"

#include <cmath>
#include <functional>
#include <set>

namespace {

constexpr int kLevel = toIndex(CharacterStat::Level);
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);

const char* const kEvents[] = {
    "PlayerDeath",        "FoundUniqueItem", "CovenantDefendedRaid", "CovenantDefendedPlayerRaid",
    "PlayerDefendedRaid", "CuredMePoison",   "CuredMePetrify",       "CuredPlague",
    "RescuedMe",          "RescuedNpc",      "RenegadeKilled",       "ThiefKilled",
    "RescueNpcDied",      "DeliveryNpcDied", "EscortNpcDied",        "BossKilled",
    "UniqueMonster",      "AssassinKilled",  "TownAttackRepelled",   "Rain"};

class TownEvents : public PlayerWorld {
protected:
    void SetUp() override
    {
        PlayerWorld::SetUp();
        server.game->createTownNpcs();
        player->setName("Aldric");
        player->setStat(kLevel, 5);
        // Every offered event line is kept, so each event shows in full.
        for (const char* event : kEvents) {
            NpcChat* chat = GameData::get().findNpcChat(std::string("ChatEvent") + event);
            ASSERT_NE(chat, nullptr) << event;
            kept.emplace_back(chat, chat->dynamicChance);
            chat->dynamicChance = 1.0f;
        }
    }
    void TearDown() override
    {
        for (auto& [chat, chance] : kept) {
            chat->dynamicChance = chance;
        }
        PlayerWorld::TearDown();
    }
    Actor* townNpc(NpcType type) const { return server.game->getTownNpc(toIndex(type)); }
    Actor* monster(const char* type, float dx)
    {
        Actor* a =
            server.spawns->spawnMonster(GameData::get().findMonsterType(type), 0, MonsterRarity::Normal, 5);
        return a ? add(a, besidePlayer(dx)) : nullptr;
    }
    std::unique_ptr<Quest> quest(QuestType type, Entity* npc)
    {
        auto made = std::make_unique<Quest>();
        made->setup(5, server.game->getClock(), 777, toIndex(type), 0);
        made->questNpc = npc;
        made->goal = 1; // open until its end
        return made;
    }
    // The NPC types of the town that hold an event line of that entry with
    // those arguments; each line is taken, so the next event starts afresh.
    std::set<int> typesTelling(const std::string& event, const std::string& arguments)
    {
        std::set<int> telling;
        for (int type = 0; type < kNpcTypeCount; ++type) {
            while (server.game->hasDynamicChat(type)) {
                const std::string line = server.game->takeDynamicChat(type);
                if (line.rfind("$$ChatEvent" + event, 0) == 0 && line.size() >= arguments.size() + 2 &&
                    line.compare(line.size() - arguments.size() - 2, std::string::npos, arguments + "$$") ==
                        0) {
                    telling.insert(type);
                }
            }
        }
        return telling;
    }
    std::set<int> townTypes(int only) const
    {
        std::set<int> types;
        for (int slot = 0; slot < server.game->getTownNpcCount(); ++slot) {
            const Actor* npc = server.game->getTownNpcAt(slot);
            if (npc && (only == 0 || npc->getNpcType() == only)) {
                types.insert(npc->getNpcType());
            }
        }
        return types;
    }
    std::vector<std::pair<NpcChat*, float>> kept;
};

TEST_F(TownEvents, EventsOfTheWorldBecomeTheTownsLines)
{
    Game& game = *server.game;
    Actor* steward = townNpc(NpcType::Steward);
    Actor* apothecary = townNpc(NpcType::Apothecary);
    ASSERT_TRUE(steward && apothecary);
    const int stewardType = steward->getNpcType();
    TestCovenant& ours = addTestCovenant(game, "Human");
    TestCovenant& raider = addTestCovenant(game, "Human");
    TestCovenant& house = addTestCovenant(game, "Human");
    ours.name = "Oakhold";
    raider.name = "Ironmark";
    house.name = "Ashfold";
    player->setCovenantIndex(ours.index);
    auto raid = [&](Covenant& r, Covenant& t) {
        r.raidTarget = t.index;
        r.setRelationState(t.index, kRaid);
        t.setRelationState(r.index, kRaid);
        game.announceRaidEnd(r.index, t.index);
    };
    auto both = [&](const Covenant& a, const Covenant& b) {
        return "~<" + game.getCovenantColoredName(a.index) + "@@" + game.getCovenantColoredName(b.index) +
               "@@>~";
    };
    auto item = [&](ItemRarity rarity) {
        auto* found = new Item();
        found->setItemEntry(Database::get().findEntry("ScrollOfReturn"));
        found->setRarity(rarity);
        return std::unique_ptr<Item>(found);
    };
    auto solved = [&](QuestType type, Entity* npc) {
        const int number = game.addQuest(quest(type, npc));
        game.getQuest(number)->solve(player);
        game.deleteQuest(number);
    };
    std::unique_ptr<Item> unique = item(ItemRarity::Unique);
    std::unique_ptr<Item> rare = item(ItemRarity::Rare);
    const std::string uniqueName = "~<" + unique->getDisplayName(true) + "@@>~";
    const std::string stewardName = "~<" + steward->getName() + "@@>~";
    // A town NPC named with its type, the key escaped inside the arguments.
    auto withType = [](const Actor* npc) {
        return "~<" + npc->getName() + " ($NpcType" + getNpcTypeName(npc->getNpcType()) + "$)@@>~";
    };
    Actor* wanderer = monster("GoblinScout", 150.0f);
    Actor* renegade = monster("GoblinScout", 200.0f);
    Actor* thief = monster("GoblinScout", 250.0f);
    Actor* rescued = apothecary; // among friends: safe to lead away
    Actor* killedNpc = monster("GoblinScout", 350.0f);
    Actor* courier = monster("GoblinScout", 380.0f);
    // Quest monsters and NPCs whose deaths the quests tell: the lines name
    // the quest's target, checked here by their kind only.
    Actor* escorted = monster("GoblinScout", 410.0f);
    Actor* boss = monster("GoblinScout", 440.0f);
    Actor* spotted = monster("GoblinScout", 470.0f);
    Actor* assassin = monster("GoblinScout", 500.0f);
    Actor* attacker = monster("GoblinScout", 530.0f);
    ASSERT_TRUE(escorted && boss && spotted && assassin && attacker);
    auto killedIn = [&](QuestType type, Actor* victim, Entity* killer) {
        return [&game, this, type, victim, killer] {
            game.addQuest(quest(type, victim));
            game.onActorKilled(victim, killer);
        };
    };
    ASSERT_TRUE(wanderer && renegade && thief && rescued && killedNpc && courier);

    struct Row {
        const char* what;
        std::function<void()> happen;
        std::string event;
        std::string arguments;
        int only;  // the NPC type told; 0: all
        bool told; // false: nobody hears of it
    };
    const Row rows[] = {
        {"player death", [&] { player->killed(wanderer); }, "PlayerDeath", "~<Aldric@@>~", 0, true},
        {"unique item", [&] { player->onItemFound(unique.get()); }, "FoundUniqueItem", uniqueName, 0, true},
        {"rare item", [&] { player->onItemFound(rare.get()); }, "FoundUniqueItem", "", 0, false},
        {"raid on others repelled", [&] { raid(raider, house); }, "CovenantDefendedRaid", both(raider, house),
         0, true},
        {"our raid repelled", [&] { raid(ours, house); }, "CovenantDefendedPlayerRaid", both(ours, house), 0,
         true},
        {"our house held", [&] { raid(raider, ours); }, "PlayerDefendedRaid", both(raider, ours), 0, true},
        {"poison cured", [&] { solved(QuestType::DeadlyPoison, steward); }, "CuredMePoison", stewardName,
         stewardType, true},
        {"petrify cured", [&] { solved(QuestType::Petrify, steward); }, "CuredMePetrify", stewardName,
         stewardType, true},
        {"plague cured", [&] { solved(QuestType::Plague, nullptr); }, "CuredPlague", "", 0, true},
        {"kidnapped rescued",
         [&] { game.getQuest(game.addQuest(quest(QuestType::Kidnapping, steward)))->tryRescue(steward); },
         "RescuedMe", withType(steward), stewardType, true},
        {"rescue",
         [&] { game.getQuest(game.addQuest(quest(QuestType::RescueNpc, rescued)))->tryRescue(rescued); },
         "RescuedNpc", withType(rescued), 0, true},
        {"renegade killed",
         [&] {
             game.addQuest(quest(QuestType::Renegade, renegade));
             game.onActorKilled(renegade, player);
         },
         "RenegadeKilled", "~<" + renegade->getName() + "@@>~", 0, true},
        {"thief killed",
         [&] {
             game.addQuest(quest(QuestType::Thief, thief));
             game.onActorKilled(thief, player);
         },
         "ThiefKilled", "", 0, true},
        {"rescue NPC died",
         [&] {
             game.addQuest(quest(QuestType::RescueNpc, killedNpc));
             game.onActorKilled(killedNpc, nullptr);
         },
         "RescueNpcDied", "~<" + killedNpc->getName() + "@@>~", 0, true},
        {"delivery NPC died",
         [&] {
             game.addQuest(quest(QuestType::Delivery, courier));
             game.onActorKilled(courier, nullptr);
         },
         "DeliveryNpcDied", "~<" + courier->getName() + "@@>~", 0, true},
        {"escort NPC died", killedIn(QuestType::Escort, escorted, nullptr), "EscortNpcDied", "", 0, true},
        {"boss killed", killedIn(QuestType::BossKnight, boss, player), "BossKilled", "", 0, true},
        {"unique monster killed", killedIn(QuestType::UniqueMonsterSpotted, spotted, player), "UniqueMonster",
         "", 0, true},
        {"assassin killed", killedIn(QuestType::Assassin, assassin, player), "AssassinKilled", "", 0, true},
        {"town attack repelled", killedIn(QuestType::TownAttack, attacker, player), "TownAttackRepelled", "",
         0, true},
    };
    for (const Row& row : rows) {
        typesTelling("", "");
        row.happen();
        const std::set<int> told = typesTelling(row.event, row.arguments);
        EXPECT_EQ(told, row.told ? townTypes(row.only) : std::set<int>()) << row.what;
    }

    // A death to another covenant's member is no news.
    Actor* member = monster("GoblinScout", 400.0f);
    member->setCovenantIndex(raider.index);
    typesTelling("", "");
    player->killed(member);
    EXPECT_TRUE(typesTelling("PlayerDeath", "~<Aldric@@>~").empty());
}

TEST_F(TownEvents, RainStartingOrEndingOverTheTownIsTalkedOf)
{
    Game& game = *server.game;
    Weather& weather = game.weather();
    Weather::Settings settings = weather.settings();
    settings.maxFronts = 2;
    settings.minFrontStartTime = settings.maxFrontStartTime = 1e6f;
    weather.setSettings(settings);
    const GameRules& rules = worldRules();
    const ZonePosition centre(0, std::floor(rules.townCenterPosition.x) * rules.tileSize,
                              std::floor(rules.townCenterPosition.y) * rules.tileSize);
    auto front = [&](const ZonePosition& at, float intensity, bool ending) {
        WeatherFront* f = weather.startFront(at);
        f->intensity = intensity;
        f->minDistance = 100.0f;
        f->maxDistance = 300.0f;
        f->fadeUpTime = 0.0f;
        f->velocity = Vec2(0.0f, 0.0f);
        f->fadeDownTime = 0.0f;
        f->holdTimer.start(ending ? 0.01f : 1e6f);
        return f;
    };
    ZonePosition far = centre;
    far.x += 5000.0f;
    struct Row {
        const char* what;
        ZonePosition rainAt;
        float intensity;
        bool frontEnds;
        bool talked;
    };
    const Row rows[] = {
        {"a front ends while it rains in town", centre, 0.8f, true, true},
        {"nothing starts or ends", centre, 0.8f, false, false},
        {"it rains elsewhere", far, 0.8f, true, false},
        {"a drizzle in town", centre, 0.2f, true, false},
    };
    for (const Row& row : rows) {
        weather.clear();
        weather.setSettings(settings);
        front(row.rainAt, row.intensity, false);
        front(far, 0.5f, row.frontEnds);
        typesTelling("", "");
        game.updateWeatherChat(0.05f);
        EXPECT_EQ(typesTelling("Rain", ""), row.talked ? townTypes(0) : std::set<int>()) << row.what;
    }
}

TEST_F(TownEvents, TownsfolkRiseToThePlayersLevelKeepingTheirShareOfHealth)
{
    Game& game = *server.game;
    Actor* steward = townNpc(NpcType::Steward);
    Actor* warmaster = townNpc(NpcType::Warmaster);
    ASSERT_TRUE(steward && warmaster);
    ASSERT_EQ(steward->getStat(kLevel), 1);
    const int fullAtOne = steward->getMaxHealth();
    steward->setHealth((fullAtOne + 2) / 3);
    struct Row {
        int playerLevel;
        int npcLevel;
    };
    // Up to the player, one level at a time; never down again.
    for (const Row& row : {Row{1, 1}, Row{4, 4}, Row{2, 4}, Row{6, 6}}) {
        const double share = static_cast<double>(steward->getHealth()) / steward->getMaxHealth();
        player->setStat(kLevel, row.playerLevel);
        game.levelTownNpcsTo(player);
        EXPECT_EQ(steward->getStat(kLevel), row.npcLevel) << row.playerLevel;
        EXPECT_EQ(warmaster->getStat(kLevel), row.npcLevel) << row.playerLevel;
        EXPECT_EQ(warmaster->getHealth(), warmaster->getMaxHealth()) << "a whole NPC stays whole";
        // The share of health holds (rounded up at each step).
        EXPECT_GE(steward->getHealth(), static_cast<int>(share * steward->getMaxHealth())) << row.playerLevel;
        EXPECT_LE(steward->getHealth(), static_cast<int>(std::ceil(share * steward->getMaxHealth())) + 1)
            << row.playerLevel;
    }
    EXPECT_GT(steward->getMaxHealth(), fullAtOne);

    // A player's own level-up brings the town along.
    player->levelUp();
    EXPECT_EQ(warmaster->getStat(kLevel), player->getStat(kLevel));
}

TEST_F(TownEvents, BlowsReachEveryCovenantAndRisenBodiesCatchThePlagueAgain)
{
    Game& game = *server.game;
    TestCovenant& first = addTestCovenant(game, "Human");
    TestCovenant& second = addTestCovenant(game, "Human");
    ASSERT_NE(CombatSystem::instance(), nullptr);
    Actor* member = monster("GoblinScout", 100.0f);
    Actor* wild = monster("GoblinScout", 150.0f);
    Actor* other = monster("GoblinScout", 200.0f);
    ASSERT_TRUE(member && wild && other);
    member->setCovenantIndex(first.index);
    struct Row {
        const char* what;
        Actor* attacker;
        Actor* victim;
        bool noticed;
    };
    const Row rows[] = {
        {"a member strikes", member, wild, true},
        {"a member is struck", wild, member, true},
        {"no covenant in it", wild, other, false},
    };
    for (const Row& row : rows) {
        first.attacksNoticed.clear();
        second.attacksNoticed.clear();
        CombatSystem::instance()->dealDamage(row.victim, 1, row.attacker, false, false, true);
        const std::vector<std::pair<Entity*, Entity*>> expected =
            row.noticed ? std::vector<std::pair<Entity*, Entity*>>{{row.attacker, row.victim}}
                        : std::vector<std::pair<Entity*, Entity*>>{};
        EXPECT_EQ(first.attacksNoticed, expected) << row.what;
        EXPECT_EQ(second.attacksNoticed, expected) << row.what;
    }

    // A carrier of a plague quest catches it again when it rises; a body
    // the quest does not hold does not.
    auto plague = quest(QuestType::Plague, nullptr);
    ASSERT_NE(plague->definition, nullptr);
    const DatabaseEntry* effect = plague->definition->statusEffect;
    ASSERT_NE(effect, nullptr);
    plague->carriers.push_back(Quest::Carrier{});
    plague->carriers.back().entity = wild;
    game.addQuest(std::move(plague));
    for (Actor* body : {wild, other}) {
        body->endStatusEffectsOf(effect);
        game.hooks().applyPlagueEffects(body);
        EXPECT_EQ(body->hasStatusEffect(effect), body == wild);
    }
}

} // namespace
