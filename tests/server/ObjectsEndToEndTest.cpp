// Objects through the program's own start-up on the shipped data, with a
// scripted client in the player's place: in a dungeon level of the world,
// whose blocks fill with their objects around the player, a door of the
// level opened and closed, a chest of the level opened over its timer line
// and its gold and an item picked up, a spike trap walked onto; in town, a
// merchant of the data used with action 22 to buy, sell and buy back. The
// world comes from seed 4242 and each frame waits for what the loader was
// asked for, so the lines the client receives are the same every run; they
// are kept in testdata/server/objects-run.txt (GLOAM_UPDATE_GOLDEN=1
// rewrites it).
#include "engine/app/Application.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemData.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Door.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/entities/TrapGround.h"
#include "game/entities/Vendor.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/KeptText.h"
#include "support/LevelWait.h"
#include "support/ScriptedRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);

class ObjectsRun : public ScriptedRun {
public:
    using ScriptedRun::ScriptedRun;

    ZonePosition beside(float dx) const
    {
        ZonePosition p = player()->getPosition();
        p.x += dx;
        return p;
    }
    int money() const { return player()->getStat(toIndex(CharacterStat::Money)); }
};

std::vector<ItemGround*> groundItems(Game& game)
{
    std::vector<ItemGround*> out;
    for (int i = 0; i < Game::kMaxEntities; ++i)
        if (auto* g = dynamic_cast<ItemGround*>(game.getEntity(i)))
            out.push_back(g);
    return out;
}

// The centre of the first door cell of a reached place of the level; zone
// -1 when the level has none.
ZonePosition firstDoorCell(Level& level, int zone)
{
    const GameRules& rules = worldRules();
    for (int ty = 0; ty < rules.levelTileHeight; ++ty) {
        for (int tx = 0; tx < rules.levelTileWidth; ++tx) {
            ResourceHandle model;
            if (!level.isPlaceReachable(tx / rules.blockTileWidth, ty / rules.blockTileHeight) ||
                level.getCellObject(tx, ty, model, nullptr) < 0 ||
                toLowerCopy(model.getFileName()).find("door.mdl") == std::string::npos)
                continue;
            return ZonePosition(zone, (static_cast<float>(tx) + 0.5f) * rules.tileSize,
                                (static_cast<float>(ty) + 0.5f) * rules.tileSize);
        }
    }
    return ZonePosition(-1, 0.0f, 0.0f);
}

// The entity of the class nearest the position in its zone that the test
// accepts; null when there is none.
template <class T, class Test> T* nearest(Game& game, const ZonePosition& at, Test test)
{
    T* best = nullptr;
    float distance = 0.0f;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        auto* e = dynamic_cast<T*>(game.getEntity(i));
        if (!e || e->getPosition().zone != at.zone || !test(*e))
            continue;
        const float d = ZonePosition::distanceTo(e->getPosition(), at);
        if (!best || d < distance) {
            best = e;
            distance = d;
        }
    }
    return best;
}

Door* doorAt(Game& game, const ZonePosition& at)
{
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        auto* door = dynamic_cast<Door*>(game.getEntity(i));
        if (door && door->getPosition().zone == at.zone &&
            ZonePosition::distanceTo(door->getPosition(), at) < 1.0f)
            return door;
    }
    return nullptr;
}

} // namespace

TEST(ObjectsEndToEnd, ADoorAChestATrapAndAMerchantThroughTheClient)
{
    HeadlessServer program;
    ASSERT_TRUE(program.world && program.game && program.spawns);
    std::vector<std::string> warnings;
    int sink = DebugSystem::get().addSink([&](int level, const std::string& text) {
        // Several item models of the data have no files yet; their drops say so.
        if (level >= 2 && text.find("Models/Items/") == std::string::npos)
            warnings.push_back(text);
    });
    // One world every run: seed 4242 and the draws from a known state.
    ObjectsRun run(program);
    ASSERT_TRUE(run.join(4242u));
    Player& player = *run.player();
    const int number = player.getEntityNumber();
    Game& game = *program.game;

    // A dungeon level: its blocks fill with their objects as the player comes,
    // and a door of the level is opened and closed again with action 20.
    const ZonePosition home = player.getPosition();
    game.setWorldGenerated(true);
    int zone = -1;
    for (int i = 1; i < program.world->getLevelCount() && zone < 0; ++i) {
        const Level* level = program.world->getLevel(i);
        if (level && level->definition && level->definition->areaFileName == "Levels/dungeon.ara")
            zone = i;
    }
    ASSERT_GE(zone, 0) << "the world has a dungeon level";
    player.warp(ZonePosition(zone, 1024.0f, 1024.0f));
    run.frame(0, -1);
    ASSERT_TRUE(waitForLevels(program.app->getHooks(), [&] { return program.world->isLevelLoaded(zone); }));
    const ZonePosition doorCell = firstDoorCell(*program.world->getLevel(zone), zone);
    ASSERT_EQ(doorCell.zone, zone) << "a dungeon level has a hall with a door";
    ZonePosition stand = doorCell;
    for (float dy : {-48.0f, 48.0f}) {
        stand = doorCell;
        stand.y += dy;
        if (game.isPlaceFree(stand, &player))
            break;
    }
    player.warp(stand);
    run.frames(2, 0, -1);
    Door* door = doorAt(game, doorCell);
    ASSERT_NE(door, nullptr) << "the door's block was populated around the player";
    // The level's monsters go: one walking into the doorway would rightly
    // keep the door from closing.
    for (int i = 0; i < Game::kMaxEntities; ++i)
        if (auto* monster = dynamic_cast<Actor*>(game.getEntity(i));
            monster && monster->getPosition().zone == zone)
            game.deleteEntity(monster, true);
    ASSERT_EQ(door->getState(), Door::Closed);
    EXPECT_TRUE(door->isSolid());
    run.frame(Player::ActionUseOnce, door->getEntityNumber());
    EXPECT_EQ(door->getState(), Door::Opening);
    run.frames(30, 0, -1);
    EXPECT_EQ(door->getState(), Door::Open);
    EXPECT_FALSE(door->isSolid()) << "an open door lets through";
    run.frame(Player::ActionUseOnce, door->getEntityNumber());
    run.frames(30, 0, -1);
    EXPECT_EQ(door->getState(), Door::Closed);
    EXPECT_TRUE(door->isSolid());

    // A chest of the level: opened over its timer, then its gold picked up.
    Chest* chest = nearest<Chest>(game, player.getPosition(),
                                  [](const Chest& c) { return c.isClosed() && !c.isSecretChest(); });
    ASSERT_NE(chest, nullptr) << "the level's blocks hold chests";
    player.warp(chest->getPosition());
    const float seconds =
        game.getChestOpenTime(chest->getLevel(), player.getStat(toIndex(CharacterStat::Level)));
    run.frame(Player::ActionUseBegin, chest->getEntityNumber());
    EXPECT_TRUE(run.saw(formatString("timer %d %f 3", number, static_cast<double>(seconds))));
    run.frames(static_cast<int>(seconds / 0.05f) + 4, Player::ActionUseBegin, chest->getEntityNumber());
    EXPECT_FALSE(chest->isClosed());
    const std::vector<ItemGround*> drops = groundItems(game);
    ASSERT_FALSE(drops.empty()) << "a wooden chest always drops";
    // The coins and one item: how many items a chest drops is a draw, and
    // the bags must keep room for the purchase below.
    const int before = run.money();
    int gold = 0;
    bool itemTaken = false;
    for (ItemGround* drop : drops) {
        const bool coins = drop->getGroundItem()->getEntryType() == kEntryTypeMoney;
        if (!coins && itemTaken)
            continue;
        itemTaken = itemTaken || !coins;
        gold += coins ? drop->getGroundItem()->getQuantity() : 0;
        run.frame(0, -1, {formatString("pickupEntity %d", drop->getEntityNumber())});
    }
    EXPECT_EQ(run.money(), before + gold);
    EXPECT_LT(groundItems(game).size(), drops.size()) << "an item was picked up";

    // A spike trap under the player fires or is disarmed (the blocks around
    // this door roll none of their own on this seed).
    auto* trap = new TrapGround();
    trap->setEntry(Database::get().findEntry("SpikeTrap"), "SpikeTrap");
    trap->loadFromDatabase();
    trap->setLevel(1);
    trap->setPosition(player.getPosition());
    ASSERT_GE(game.addEntity(trap), 0);
    trap->onPlaced();
    SafePtr<Entity> watched(trap);
    run.frames(60, 0, -1);
    EXPECT_TRUE(!watched.get() || trap->isTriggered());
    player.warp(home);
    run.frame(0, -1);

    // A merchant of the data: a potion bought, a sword sold and bought back.
    const MonsterType* merchantType = GameData::get().findMonsterType("NpcVendorBasic");
    auto* merchant =
        dynamic_cast<Vendor*>(program.spawns->spawnMonster(merchantType, 0, MonsterRarity::Normal, 1));
    ASSERT_NE(merchant, nullptr);
    ASSERT_TRUE(program.spawns->placeMonster(merchant, run.beside(-64.0f), nullptr));
    run.frame(Player::ActionTrade, merchant->getEntityNumber());
    ASSERT_NE(player.getInventoryGroup(kLoot), nullptr);
    const ItemBase* potion = merchant->getStockItem(0);
    ASSERT_NE(potion, nullptr) << "a merchant always has health potions";
    const int price = potion->getPrice(1);
    // The chest's gold is a draw: the purchase must not hang on it.
    if (run.money() < price)
        player.setStat(toIndex(CharacterStat::Money), price);
    const int cash = run.money();
    run.frame(Player::ActionTrade, merchant->getEntityNumber(), {"buyItem 15 0"});
    EXPECT_EQ(run.money(), cash - price);

    // The starting weapon is in the first bag; it is sold and bought back.
    InventoryBase& inventory = *player.getInventory();
    int group = -1, slot = -1;
    for (int g = toIndex(InventoryGroupIndex::Bag1); g <= toIndex(InventoryGroupIndex::Bag4) && group < 0;
         ++g)
        if (InventoryGroup* bag = inventory.getSlot(g))
            for (int i = 0; i < bag->getSize() && group < 0; ++i)
                if (bag->getItem(i) && bag->getItem(i)->isWeapon()) {
                    group = g;
                    slot = i;
                }
    ASSERT_GE(group, 0) << "the warrior's kit has a weapon";
    const ItemBase* weapon = inventory.getItemAt(group, slot);
    const int fetched = weapon->getSellValue(1);
    const int held = run.money();
    run.frame(Player::ActionTrade, merchant->getEntityNumber(),
              {formatString("sellItem %d %d", group, slot)});
    EXPECT_EQ(run.money(), held + fetched);
    EXPECT_EQ(merchant->getStockItem(Vendor::kSlotCount - 1), weapon);
    run.frame(Player::ActionTrade, merchant->getEntityNumber(),
              {formatString("buyItem 15 %d", Vendor::kSlotCount - 1)});
    EXPECT_EQ(run.money(), held);
    EXPECT_EQ(merchant->getStockItem(Vendor::kSlotCount - 1), nullptr);
    EXPECT_FALSE(run.saw("msg 4 \"No room in inventory!\""));

    DebugSystem::get().removeSink(sink);
    EXPECT_TRUE(warnings.empty()) << warnings.front();

    // Every line the client received, as kept.
    expectKeptText("server/objects-run.txt", run.transcript());
}
