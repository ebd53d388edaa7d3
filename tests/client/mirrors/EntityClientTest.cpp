// Entity mirrors fed hand-built records: the server's animation by class
// priority, health, the appearance seed, the attach chain and model indices.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "engine/core/Random.h"
#include "engine/data/NameGenerator.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/TextResource.h"
#include "support/TestEntityMirror.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

class EntityClientTest : public ::testing::Test {
protected:
    EntityClientTest() { GameClient::registerCommands(); }
    ~EntityClientTest() override { GameClient::destroy(); }

    int animationIndex(const EntityClient& e, const char* name)
    {
        ModelResource* model = e.getModel();
        for (int i = 0; model && i < model->getNumAnimations(); ++i) {
            if (model->getAnimation(i)->name == name) {
                return i;
            }
        }
        ADD_FAILURE() << name;
        return -1;
    }
    // A record that keeps the model and names no entry.
    static EntityUpdateRecord record(int animation, int parameter)
    {
        EntityUpdateRecord r;
        r.model = kMessageEndMark;
        r.animation = animation;
        r.animationMode = parameter;
        r.health = 50;
        r.maxHealth = 100;
        return r;
    }
    void loadBoxMan(TestEntityMirror& e)
    {
        e.setModel("BoxMan/boxman.mdl");
        ASSERT_NE(e.getModel(), nullptr);
    }
    EntityUpdateRecord entryRecord(const char* entryName)
    {
        EntityUpdateRecord r = record(-1, 0);
        const DatabaseEntry* entry = world.database.findEntry(entryName);
        EXPECT_NE(entry, nullptr) << entryName;
        r.entryId = entry ? static_cast<uint32_t>(entry->getId()) : kMessageEndMark;
        return r;
    }

    TestWorld world{true, false};
    NameGenerator names;
};

} // namespace

TEST_F(EntityClientTest, ServerAnimationsFollowTheClassPriority)
{
    TestEntityMirror e;
    loadBoxMan(e);
    int walk = animationIndex(e, "walk");
    int attack = animationIndex(e, "attack");

    // The playing index again raises the priority and adopts P, no restart.
    ASSERT_TRUE(e.playAnimationIndex(walk, 3, EntityBase::kModeLoop, false));
    e.update(0.1f);
    float time = e.getAnimationTime();
    ASSERT_GT(time, 0.0f);
    e.readUpdate(record(walk, 6));
    EXPECT_EQ(e.getAnimation(), walk);
    EXPECT_EQ(e.getAnimationPriority(), 14);
    EXPECT_EQ(e.getAnimationParameter(), 6);
    EXPECT_EQ(e.getAnimationTime(), time);

    // Another index replaces an animation of priority 14, and starts over.
    e.readUpdate(record(attack, 2));
    EXPECT_EQ(e.getAnimation(), attack);
    EXPECT_EQ(e.getAnimationTime(), 0.0f);

    // Priority 15 is the entity's own: the server waits for it to end.
    ASSERT_TRUE(e.playAnimationIndex(walk, 15, 0, true));
    e.readUpdate(record(attack, 0));
    EXPECT_EQ(e.getAnimation(), walk);
    EXPECT_EQ(e.getAnimationPriority(), 15);

    // Health above the maximum is cut to it.
    EntityUpdateRecord hurt = record(walk, 0);
    hurt.health = 120;
    e.readUpdate(hurt);
    EXPECT_EQ(e.getHealth(), 100);
    EXPECT_EQ(e.getMaxHealth(), 100);
}

TEST_F(EntityClientTest, GatesChangeOnlyBelowTwoOrAtFourteen)
{
    TestEntityMirror gate;
    gate.setGateFlag(true);
    loadBoxMan(gate);
    int walk = animationIndex(gate, "walk");
    int attack = animationIndex(gate, "attack");
    struct Case {
        int priority;
        bool changes;
    };
    for (Case c : {Case{1, true}, Case{2, false}, Case{5, false}, Case{13, false}, Case{14, true}}) {
        gate.playAnimationIndex(attack, 0, 0, true);
        ASSERT_TRUE(gate.playAnimationIndex(walk, c.priority, 0, true));
        ASSERT_EQ(gate.getAnimationPriority(), c.priority);
        gate.readUpdate(record(attack, 0));
        EXPECT_EQ(gate.getAnimation(), c.changes ? attack : walk) << c.priority;
        if (c.changes) {
            EXPECT_EQ(gate.getAnimationPriority(), 2);
            gate.readUpdate(record(walk, 0));
            EXPECT_EQ(gate.getAnimationPriority(), 2); // two does not allow another start
            EXPECT_EQ(gate.getAnimation(), attack);
        }
    }
}

TEST_F(EntityClientTest, AppearanceSeedDrawsOnceFromStreamThree)
{
    TestEntityMirror goblin;
    goblin.readUpdate(entryRecord("GoblinWarrior"));
    ASSERT_NE(goblin.getArchetype(), nullptr);
    goblin.setAppearanceSeed(1000);
    // The first draw after reseeding with 1000 is 8833 / 32768.
    EXPECT_NEAR(goblin.getScaleMultiplier(), 0.9f + 0.2f * 8833.0f / 32768.0f, 1e-6f);
    EXPECT_NEAR(goblin.getScale(), goblin.getScaleMultiplier(), 1e-6f);
    Random::setState(3, 77);
    goblin.setAppearanceSeed(1000);
    EXPECT_EQ(Random::getState(3), 77u);
    EXPECT_NEAR(goblin.getScaleMultiplier(), 0.95391f, 1e-5f);

    TestEntityMirror first;
    TestEntityMirror second;
    first.readUpdate(entryRecord("CultInitiate"));
    second.readUpdate(entryRecord("CultInitiate"));
    first.setAppearanceSeed(31337);
    Random::setState(3, 5);
    second.setAppearanceSeed(31337);
    EXPECT_FALSE(first.getGeneratedName().empty());
    EXPECT_EQ(first.getGeneratedName(), second.getGeneratedName());
    EXPECT_EQ(first.getScale(), second.getScale());
}

TEST_F(EntityClientTest, DefinitionLoadRunsOnANewEntryAndHoldsItsResources)
{
    // Image and sound types as a windowed run has them (a headless one skips
    // such names).
    for (const char* extension : {"tga", "snd"}) {
        ResourceTypeInfo type;
        type.extension = extension;
        type.factory = [](const std::string&, const uint8_t* data, size_t size, int) {
            return std::make_unique<TextResource>(data, size);
        };
        type.placeholderFactory = [](const std::string&) {
            return std::make_unique<TextResource>(nullptr, 0);
        };
        ResourceSystem::get().registerType(std::move(type));
    }
    TestEntityMirror e;
    e.readUpdate(entryRecord("GoblinWarrior"));
    size_t held = e.getDefinitionResourceCount();
    // Two quest icons, the sight and idle sounds.
    EXPECT_GE(held, 4u);
    EXPECT_TRUE(e.canAttack());
    e.readUpdate(entryRecord("GoblinWarrior"));
    EXPECT_EQ(e.getDefinitionResourceCount(), held);
    e.readUpdate(entryRecord("MerchantType"));
    EXPECT_EQ(e.getIconHeight(), 80.0f);
    EXPECT_TRUE(e.isNpc());
    EXPECT_FALSE(e.canAttack());
}

TEST_F(EntityClientTest, AttachChainsEndAfterEightParentsAndCyclesCountAsNone)
{
    GameClient& game = GameClient::get();
    std::vector<TestEntityMirror*> chain;
    for (int i = 0; i < 10; ++i) {
        auto mirror = std::make_unique<TestEntityMirror>();
        mirror->setScale(2.0f);
        mirror->setFade(0.5f);
        // Each attached to the next number; the last to none.
        mirror->setParent(i + 1 < 10 ? i + 1 : -1, 0);
        chain.push_back(mirror.get());
        game.setEntity(i, std::move(mirror));
    }
    // Eight parents above mirror 1 are followed; mirror 0 has nine.
    EXPECT_EQ(chain[1]->getAttachParent(), chain[2]);
    EXPECT_FLOAT_EQ(chain[1]->getScale(), 512.0f);
    EXPECT_EQ(chain[0]->getAttachParent(), nullptr);
    EXPECT_FLOAT_EQ(chain[0]->getScale(), 2.0f);
    EXPECT_FLOAT_EQ(chain[0]->getFadeValue(), 0.5f);
    // A cycle, and a mirror attached to itself.
    chain[9]->setParent(8, 0);
    EXPECT_EQ(chain[8]->getAttachParent(), nullptr);
    EXPECT_FLOAT_EQ(chain[8]->getScale(), 2.0f);
    chain[5]->setParent(5, 0);
    EXPECT_FLOAT_EQ(chain[5]->getFadeValue(), 0.5f);
}

TEST_F(EntityClientTest, AModelIndexPastTheNameTableKeepsTheModel)
{
    Client client;
    TestEntityMirror e;
    e.setModel("BoxMan/boxman.mdl");
    EntityUpdateRecord r = record(-1, 0);
    r.model = 99;
    world.log.clear();
    e.readUpdate(r);
    e.readUpdate(r);
    EXPECT_EQ(e.getModelName(), "Models/BoxMan/boxman.mdl");
    size_t lines = 0;
    for (const LogCapture::Line& line : world.log.lines()) {
        lines += line.level == 2 && line.text.find("model index 99") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(lines, 1u);
}
