#include "game/definitions/ItemData.h"

#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class ItemData : public ::testing::Test {
protected:
    ItemData()
    {
        database.addSubDatabase("GameSystem", "rules.dbl", "GameSystem {\n    StashSize 9\n}\n");
        database.addSubDatabase("Item", "items.dbl", R"(
SwordBase {
    Type Item
    BaseOnly 1
    Value 40
    Name "Sword"
}
Sabre {
    Base SwordBase
    Value 55
}
)");
        database.resolveBases();
    }
    LogCapture log;
    Database database;
};

} // namespace

TEST_F(ItemData, LookupsFollowTheBaseChainAndTakeNullEntries)
{
    const DatabaseEntry* sabre = findEntryByName("sabre");
    ASSERT_NE(sabre, nullptr);
    EXPECT_EQ(entryInt(sabre, "Value"), 55);
    EXPECT_EQ(entryString(sabre, "Name"), "Sword"); // from its Base
    EXPECT_EQ(entryTypeOf(sabre), kEntryTypeItem);  // inherited Type
    EXPECT_EQ(findEntryById(entryIdOf(sabre)), sabre);

    EXPECT_EQ(entryInt(nullptr, "Value", 7), 7);
    EXPECT_FLOAT_EQ(entryFloat(nullptr, "Value", 1.5f), 1.5f);
    EXPECT_EQ(entryNameOf(nullptr), "");
    EXPECT_EQ(entryIdOf(nullptr), kNoEntryId);
    EXPECT_EQ(entryTypeOf(nullptr), 0);
    EXPECT_EQ(findEntryById(kNoEntryId), nullptr);
    EXPECT_EQ(findEntryById(0x80000000u), nullptr);
    EXPECT_EQ(findEntryByName(""), nullptr);

    EXPECT_EQ(gameSystemInt("StashSize", 8), 9);
    EXPECT_EQ(gameSystemInt("LootSize", 48), 48);
}

TEST_F(ItemData, EntryRefsRoundTripAndReportMissingEntries)
{
    const DatabaseEntry* sabre = findEntryByName("Sabre");
    for (bool byName : {false, true}) {
        ByteBuffer buffer;
        writeEntryRef(buffer, sabre, byName);
        writeEntryRef(buffer, nullptr, byName);
        bool missing = true;
        EXPECT_EQ(readEntryRef(buffer, byName, kEntryNamesFromVersion, missing), sabre);
        EXPECT_FALSE(missing);
        EXPECT_EQ(readEntryRef(buffer, byName, kEntryNamesFromVersion, missing), nullptr);
        EXPECT_FALSE(missing); // no entry written is not a missing one
        EXPECT_TRUE(buffer.ok());
    }
    ByteBuffer unknown;
    unknown.writeString("Halberd");
    unknown.writeInt(static_cast<uint32_t>(0x7FFF0000u));
    bool missing = false;
    EXPECT_EQ(readEntryRef(unknown, true, kEntryNamesFromVersion, missing), nullptr);
    EXPECT_TRUE(missing);
    EXPECT_EQ(readEntryRef(unknown, false, kEntryNamesFromVersion, missing), nullptr);
    EXPECT_TRUE(missing);

    ByteBuffer shortRef;
    EXPECT_EQ(readEntryRef(shortRef, false, 1, missing), nullptr);
    EXPECT_FALSE(missing);
    EXPECT_TRUE(shortRef.failed());
}
