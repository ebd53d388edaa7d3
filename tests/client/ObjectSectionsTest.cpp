// The class sections of a chest, a gate and a vendor as the server writes
// them, read by the client's parser exactly to their end.
#include "client/mirrors/EntityClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Chest.h"
#include "game/entities/Gate.h"
#include "game/entities/Vendor.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

TEST(ObjectSections, ChestGateAndVendorAreReadToTheirEnd)
{
    TestWorld world;
    Database& db = Database::get();
    Chest chest;
    chest.setEntry(db.findEntry("ChestWooden"), "ChestWooden");
    chest.loadFromDatabase();
    Gate gate;
    gate.setEntry(db.findEntry("ObjectPlayerGate"), "ObjectPlayerGate");
    gate.loadFromDatabase();
    gate.setLinked(&chest);
    chest.setPosition(ZonePosition(0, 100.0f, 200.0f));
    Vendor vendor;
    vendor.initFromMonsterType(GameData::get().findMonsterType("NpcVendorBasic"), 3);
    ASSERT_NE(vendor.getEntry(), nullptr);

    struct Row {
        const Entity* entity;
        EntityTypeSection::Kind kind;
    };
    for (const Row& row :
         {Row{&chest, EntityTypeSection::Kind::Chest}, Row{&gate, EntityTypeSection::Kind::Gate},
          Row{&vendor, EntityTypeSection::Kind::Sentient}}) {
        ByteBuffer out;
        row.entity->writeSnapshot(out);
        ByteBuffer in(out.bytes());
        EntityTypeSection section;
        std::string field;
        ASSERT_TRUE(EntityClient::parseTypeSection(in, row.entity->getEntry(), section, field)) << field;
        EXPECT_EQ(section.kind, row.kind);
        EXPECT_EQ(in.getReadPos(), out.size()) << row.entity->getEntryName();
    }
    ByteBuffer gateBytes;
    gate.writeSnapshot(gateBytes);
    ByteBuffer in(gateBytes.bytes());
    EntityTypeSection section;
    std::string field;
    ASSERT_TRUE(EntityClient::parseTypeSection(in, gate.getEntry(), section, field));
    EXPECT_EQ(section.gateTarget.x, 100.0f);
}
