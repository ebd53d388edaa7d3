#include "engine/core/ByteBuffer.h"
#include "support/ProjectileWorld.h"
#include "support/ScriptedClient.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ProjectileSectionTest = ProjectileWorld;

TEST_F(ProjectileSectionTest, ScriptedClientReadsTheBeamAndLobSectionsBack)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 500.0f, 100.0f);
    source->setModel("BoxMan/boxman.mdl");
    target->setModel("BoxMan/boxman.mdl");
    Projectile* beam = launch("TestChain", source, target);
    Projectile* lob = launch("TestLob", source, target);
    step(3);

    auto roundTrip = [](const Projectile* p, ScriptedClient::ProjectileSection& out) {
        ByteBuffer bytes;
        p->writeSnapshot(bytes);
        bytes.writeInt(uint32_t{0xABCD}); // the next entity's first word
        std::vector<uint8_t> raw;
        bool read = ScriptedClient::readProjectileSection(bytes, raw);
        EXPECT_EQ(bytes.readUInt(), 0xABCDu);
        return read && ScriptedClient::decodeProjectileSection(raw, out);
    };
    ScriptedClient::ProjectileSection section;
    ASSERT_TRUE(roundTrip(beam, section));
    EXPECT_TRUE(section.beam);
    EXPECT_EQ(section.start, source->getEntityNumber());
    int helmet = source->findAttachPoint("tag_helmet");
    EXPECT_GE(helmet, 0);
    EXPECT_EQ(section.startPoint, helmet);
    EXPECT_EQ(section.target, target->getEntityNumber());
    EXPECT_EQ(section.targetPoint, target->findAttachPoint("origin"));

    ASSERT_TRUE(roundTrip(lob, section));
    EXPECT_FALSE(section.beam);
    EXPECT_TRUE(section.lob);
    EXPECT_FLOAT_EQ(section.height, lob->getHeight());
    EXPECT_GT(section.height, 0.0f);

    ByteBuffer shortBeam;
    shortBeam.writeInt(uint32_t{1});
    shortBeam.writeInt(int32_t{3});
    std::vector<uint8_t> raw;
    EXPECT_FALSE(ScriptedClient::readProjectileSection(shortBeam, raw));
}

} // namespace
