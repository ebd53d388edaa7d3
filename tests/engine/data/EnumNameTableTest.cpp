#include "engine/data/EnumNameTable.h"
#include "engine/core/ColorSystem.h"
#include "engine/data/DatabaseEntryType.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(EnumNameTable, LookupLogsUnknownNamesAndGivesTheDefault)
{
    LogCapture capture;
    const EnumNameTable table(
        "StatusEffectType", {"Normal", "Combine", "OnlyOne", "OnePerInflicter", "OnlyOneExact", "Cancel"}, 0);
    EXPECT_EQ(lookupEnumName(table, "onlyone"), 2);
    EXPECT_EQ(table.lookup("CANCEL"), 5);
    EXPECT_EQ(capture.count(3), 0u);

    EXPECT_EQ(lookupEnumName(table, "Sometimes"), 0);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].level, 3);
    EXPECT_TRUE(capture.contains("Unknown StatusEffectType name Sometimes\n"));
    EXPECT_EQ(lookupEnumName(table, "Sometimes", 4), 4);

    // An absent optional field is not an error.
    capture.clear();
    EXPECT_EQ(lookupEnumName(table, "", 3), 3);
    EXPECT_TRUE(capture.lines().empty());

    // The counted form searches only the first names.
    EXPECT_EQ(lookupEnumName(table, 2, "Combine", -1), 1);
    EXPECT_EQ(lookupEnumName(table, 2, "OnlyOne", -1), -1);
    EXPECT_EQ(lookupEnumName(table, 99, "Cancel", -1), 5);

    EXPECT_EQ(table.nameOf(3), "OnePerInflicter");
    EXPECT_EQ(table.nameOf(6), "");
    EXPECT_EQ(table.nameOf(-1), "");
    EXPECT_EQ(table.find("combine"), 1);
    EXPECT_EQ(table.find("nope"), -1);
}

TEST(EnumNameTable, EngineTables)
{
    const EnumNameTable& types = getDatabaseEntryTypeTable();
    EXPECT_EQ(types.tableName, "DatabaseEntryType");
    ASSERT_EQ(types.count(), kDatabaseEntryTypeCount);
    EXPECT_EQ(types.nameOf(0), "None");
    EXPECT_EQ(types.nameOf(11), "Class");
    EXPECT_EQ(parseDatabaseEntryType("faction"), static_cast<int>(DatabaseEntryType::Faction));
    EXPECT_EQ(parseDatabaseEntryType("NpcChat"), 27);
    EXPECT_EQ(parseDatabaseEntryType("MonsterEnhancement"), 6);

    const EnumNameTable& colors = getColorTypeTable();
    EXPECT_EQ(colors.tableName, "ColorType");
    ASSERT_EQ(colors.count(), kColorCount);
    EXPECT_EQ(colors.lookup("pop"), static_cast<int>(ColorType::Pop));
    EXPECT_EQ(colors.lookup("Red"), 1);
    for (int i = 0; i < colors.count(); ++i) {
        EXPECT_EQ(colors.lookup(colors.nameOf(i)), i) << colors.nameOf(i);
    }
}
