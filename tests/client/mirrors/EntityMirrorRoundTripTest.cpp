// The server's own writers into the real client: every mirror holds what the
// server entity wrote, and a message that no longer names one deletes it.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityTypeSection.h"
#include "client/mirrors/StatusEffectClient.h"
#include "engine/data/NameGenerator.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Projectile.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/SkillLoaders.h"
#include "support/JoinedClient.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

const MonsterType* monsterType(const GameData& data, const char* name)
{
    for (const auto& type : data.getMonsterTypes()) {
        if (type->getEntryName() == name) {
            return type.get();
        }
    }
    return nullptr;
}

class EntityMirrorRoundTrip : public ::testing::Test {
protected:
    EntityMirrorRoundTrip()
    {
        registerSkillLoaders();
        client.join();
    }

    Actor* addActor(const char* type, int level)
    {
        const MonsterType* found = monsterType(*world.data, type);
        EXPECT_NE(found, nullptr) << type;
        auto* actor = new Actor();
        actor->initFromMonsterType(found, level);
        actor->setPosition(ZonePosition(0, 400.0f + 40.0f * world.game->getEntityCount(), 500.0f));
        EXPECT_GE(world.game->addEntity(actor), 0);
        return actor;
    }
    ItemGround* addGround(const char* entryName, ItemRarity rarity, int quantity)
    {
        auto* item = new Item();
        item->setItemEntry(world.database.findEntry(entryName));
        item->setRarity(rarity);
        item->setQuantity(quantity);
        ItemGround* ground = dropItemOnGround(item, true, false, ZonePosition(0, 600.0f, 600.0f));
        EXPECT_NE(ground, nullptr) << entryName;
        return ground;
    }
    // Message 3 framed as the server frames it, with these entities.
    void send(const std::vector<Entity*>& entities)
    {
        ByteBuffer message;
        message.writeInt(uint32_t(3));
        message.writeInt(kMessageEndMark);
        message.writeInt(kMessageEndMark);
        message.writeInt(uint32_t(0));
        for (Entity* entity : entities) {
            entity->writeUpdate(message);
            entity->writeSnapshot(message);
        }
        message.writeInt(kMessageEndMark);
        world.game->writeUpdate(message, nullptr);
        message.writeInt(uint32_t(0));
        unsigned dropped = client.getDroppedCount();
        client.dispatchMessage(message, NetAddress());
        EXPECT_EQ(client.getDroppedCount(), dropped);
    }
    const EntityClient& mirror(const Entity* entity)
    {
        const EntityClient* found = GameClient::get().getEntity(entity->getEntityNumber());
        EXPECT_NE(found, nullptr);
        static const EntityClient none;
        return found ? *found : none;
    }

    // The quest definitions load with the data.
    struct QuestDefinitions {
        QuestDefinitions() { registerQuestLoaders(); }
    } questDefinitions;
    TestWorld world;
    NameGenerator names;
    JoinedClient client;
};

} // namespace

TEST_F(EntityMirrorRoundTrip, MirrorsHoldWhatTheServerWrote)
{
    Actor* goblin = addActor("GoblinWarrior", 6);
    Actor* merchant = addActor("MerchantType", 1);
    merchant->setNameSeed(4242);
    // One per inflicter: the same entry and level twice.
    const DatabaseEntry* effect = world.database.findEntry("StatusEffectDevotion");
    ASSERT_NE(effect, nullptr);
    goblin->addStatusEffect(effect, merchant, 3);
    goblin->addStatusEffect(effect, goblin, 3);
    InventoryBase* gear = goblin->getInventory();
    ASSERT_NE(gear, nullptr);
    InventoryGroup* equipment = gear->getSlot(toIndex(InventoryGroupIndex::Equipment));
    ASSERT_NE(equipment, nullptr);
    for (auto [name, place] : {std::pair{"WardenHelm", EquipedLocation::Head},
                               std::pair{"Dagger", EquipedLocation::HandPrimary}}) {
        auto* item = new Item();
        item->setItemEntry(world.database.findEntry(name));
        equipment->setItem(toIndex(place), item);
    }
    goblin->setHealth(goblin->getMaxHealth() - 3);
    ItemGround* sword = addGround("Dagger", ItemRarity::Rare, 1);
    ItemGround* money = addGround("Money", ItemRarity::Normal, 250);
    StatChangeList none;
    Projectile* beam = Entity::spawnProjectile("ProjLightningBeam", none, false, false, goblin, merchant,
                                               ZonePosition(), nullptr, 0, 0.0f, none, nullptr);
    Projectile* lob =
        Entity::spawnProjectile("ProjBomb", none, false, false, goblin, nullptr,
                                ZonePosition(0, 900.0f, 500.0f), nullptr, 0, 0.0f, none, nullptr);
    ASSERT_NE(beam, nullptr);
    ASSERT_NE(lob, nullptr);
    ASSERT_EQ(beam->getType(), Projectile::Beam);
    ASSERT_EQ(lob->getType(), Projectile::Lob);
    world.game->update(0.25f);
    ASSERT_EQ(world.game->getEntity(lob->getEntityNumber()), lob);

    // A quest item, an object of the data and an entity without an entry:
    // the last three kinds of class section (the player's is the client's own).
    ItemGround* ear = addGround("QuestGoblinEar", ItemRarity::Normal, 1);
    Entity* lantern = world.game->spawnEntity("TownLantern", ZonePosition(0, 700.0f, 700.0f), 0.0f);
    auto* bare = new Entity();
    bare->setPosition(ZonePosition(0, 720.0f, 700.0f));
    ASSERT_GE(world.game->addEntity(bare), 0);
    ASSERT_NE(lantern, nullptr);

    send({goblin, merchant, sword, money, beam, lob, ear, lantern, bare});
    for (const Entity* e : std::initializer_list<const Entity*>{ear, lantern, bare}) {
        EXPECT_EQ(mirror(e).getEntry(), e->getEntry());
    }
    const EntityClient& g = mirror(goblin);
    EXPECT_EQ(g.getEntry(), goblin->getEntry());
    EXPECT_EQ(g.getCovenantIndex(), goblin->getCovenantIndex());
    EXPECT_EQ(g.getPosition(), goblin->getPosition());
    EXPECT_EQ(g.getHealth(), goblin->getHealth());
    EXPECT_EQ(g.getMaxHealth(), goblin->getMaxHealth());
    EXPECT_EQ(g.getPower(), goblin->getStat(toIndex(CharacterStat::Power)));
    EXPECT_EQ(g.getMaxPower(), goblin->getStat(toIndex(CharacterStat::MaxPower)));
    EXPECT_EQ(g.getLevel(), 6);
    EXPECT_EQ(g.getRank(), 0);
    std::vector<KeptStatusEffect> kept;
    goblin->collectKeptStatusEffects(kept);
    EXPECT_EQ(kept.size(), 2u);
    ASSERT_EQ(g.getStatusEffects().size(), kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(g.getStatusEffects()[i]->getEntry()->getId(), static_cast<int>(kept[i].first));
        EXPECT_EQ(g.getStatusEffects()[i]->level, static_cast<int>(kept[i].second));
    }
    // Head and primary hand: the first and ninth written, slots 0 and 14.
    for (int slot : EntityClient::kEquippedSlots) {
        int expected = slot == 0    ? world.database.findEntry("WardenHelm")->getId()
                       : slot == 14 ? world.database.findEntry("Dagger")->getId()
                                    : -1;
        EXPECT_EQ(g.getAttachmentEntry(slot), expected) << slot;
    }

    const EntityClient& m = mirror(merchant);
    EXPECT_EQ(m.getAppearanceSeed(), 4242u);
    EXPECT_FALSE(m.getGeneratedName().empty());
    EXPECT_EQ(m.getGeneratedName(), merchant->getName());

    const EntityClient& s = mirror(sword);
    EXPECT_EQ(s.getQuality(), static_cast<int>(ItemRarity::Rare));
    EXPECT_EQ(s.getAttachmentEntry(EntityClient::kGroundSlot), sword->getEntry()->getId());
    EXPECT_EQ(mirror(money).getMoneyAmount(), 250);

    const EntityClient& b = mirror(beam);
    EXPECT_TRUE(b.isBeam());
    EXPECT_EQ(b.getBeamStart(), goblin->getEntityNumber());
    EXPECT_EQ(b.getBeamTarget(), merchant->getEntityNumber());
    const EntityClient& l = mirror(lob);
    EXPECT_FALSE(l.isBeam());
    EXPECT_GT(lob->getHeight(), 0.0f);
    EXPECT_EQ(l.getHeight(), lob->getHeight());

    // The next message without the money and the lob drops their mirrors.
    int moneyNumber = money->getEntityNumber();
    int lobNumber = lob->getEntityNumber();
    send({goblin, merchant, sword, beam});
    EXPECT_EQ(GameClient::get().getEntity(moneyNumber), nullptr);
    EXPECT_EQ(GameClient::get().getEntity(lobNumber), nullptr);
    EXPECT_NE(GameClient::get().getEntity(goblin->getEntityNumber()), nullptr);
}

// A quest giver's offered list, empty and then with an open quest of its kind,
// read to the section's end and into the mirror.
TEST_F(EntityMirrorRoundTrip, AQuestGiversOfferedListReachesItsMirror)
{
    Actor* warmaster = addActor("NpcWarmaster", 1);
    Actor* goblin = addActor("GoblinWarrior", 3);
    auto sectionOf = [&](const Actor* actor) {
        ByteBuffer out;
        actor->writeSnapshot(out);
        ByteBuffer in(out.bytes());
        EntityTypeSection section;
        std::string field;
        EXPECT_TRUE(EntityClient::parseTypeSection(in, actor->getEntry(), section, field)) << field;
        EXPECT_TRUE(in.atEnd()) << in.remaining() << " bytes left";
        return section.quests;
    };
    EXPECT_TRUE(sectionOf(warmaster).empty());
    send({warmaster, goblin});
    EXPECT_TRUE(mirror(warmaster).getOfferedQuests().empty());

    // A closed quest, an open one under way and an open one finished: the
    // finished one stays on the list, where the client's quest-target test
    // looks for the quest the player hands in.
    for (int i = 0; i < 3; ++i) {
        auto quest = std::make_unique<Quest>();
        ASSERT_TRUE(quest->setup(2, GameTime(), 700u + static_cast<uint32_t>(i),
                                 static_cast<int>(QuestType::KillMonsters), 0));
        quest->goal = 6;
        quest->progress = i == 2 ? 6 : 0;
        quest->open = i >= 1;
        ASSERT_GE(world.game->addQuest(std::move(quest)), 0);
    }
    const std::vector<int> offered = world.game->collectQuestsOfferedBy(warmaster);
    ASSERT_EQ(offered.size(), 2u) << "the open quests are offered, the finished one too";
    EXPECT_EQ(sectionOf(warmaster), std::vector<int32_t>(offered.begin(), offered.end()));
    EXPECT_TRUE(sectionOf(goblin).empty()) << "a monster offers nothing";
    send({warmaster, goblin});
    EXPECT_EQ(mirror(warmaster).getOfferedQuests(), std::vector<int32_t>(offered.begin(), offered.end()));
    EXPECT_TRUE(mirror(goblin).getOfferedQuests().empty());
}
