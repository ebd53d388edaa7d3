#include "engine/data/Database.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace {

// The test database loaded through a file system rooted at a test data folder.
struct LoadedDatabase {
    TempDir user;
    LogCapture capture;
    FileSystem fileSystem;
    Database database;
    bool loaded;

    explicit LoadedDatabase(const std::string& folder)
        : fileSystem(testDataPath(folder), user.file("user")),
          loaded(database.load(Database::kMasterFile, false))
    {
    }
    const DatabaseEntry* entry(const char* name) const
    {
        const DatabaseEntry* found = database.findEntry(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

} // namespace

TEST(Database, InheritanceChainAndFieldKinds)
{
    LoadedDatabase db("db");
    ASSERT_TRUE(db.loaded);
    const Database& d = db.database;
    const DatabaseEntry* rusty = db.entry("rustysword");
    const DatabaseEntry* sword = db.entry("Sword");
    const DatabaseEntry* root = db.entry("SWORDBASE");
    ASSERT_TRUE(rusty && sword && root);

    // Overridden at each level, with keys compared without case.
    EXPECT_EQ(d.getInt(rusty, "Damage"), 3);
    EXPECT_EQ(d.getInt(sword, "Damage"), 8);
    EXPECT_EQ(d.getInt(root, "damage"), 5);
    // Only in the root, read through two links.
    EXPECT_EQ(d.getInt(rusty, "RootOnly"), 7);
    EXPECT_FLOAT_EQ(d.getFloat(rusty, "Weight", -1.0f), 3.5f);
    EXPECT_EQ(d.getString(rusty, "Description"), "A plain sword");
    // A list key comes from the first entry on the chain that has it.
    EXPECT_EQ(d.getStringList(rusty, "Tags"), (std::vector<std::string>{"Shiny"}));
    EXPECT_EQ(d.getStringList(root, "Tags"), (std::vector<std::string>{"Sharp", "Metal"}));

    // Missing keys and null entries give the defaults.
    EXPECT_EQ(d.getInt(rusty, "NoSuchKey"), 0);
    EXPECT_EQ(d.getInt(rusty, "NoSuchKey", -4), -4);
    EXPECT_FLOAT_EQ(d.getFloat(nullptr, "Weight", 2.5f), 2.5f);
    EXPECT_EQ(d.getString(nullptr, "Description"), "");
    EXPECT_EQ(d.findField(rusty, "NoSuchKey"), nullptr);
    const DatabaseEntry* game = db.entry("GameSystem");
    EXPECT_EQ(d.getInt(game, "EmptyValue", 9), 9);
    EXPECT_FLOAT_EQ(d.getFloat(game, "Difficulty", 0.0f), 0.75f);
    EXPECT_FLOAT_EQ(d.getFloat(game, formatString("XpMultEachLevel%d", 1), 0.0f), 1.5f);
    EXPECT_EQ(db.capture.count(3), 0u);
}

TEST(Database, ListsRepeatedKeysAndQuotedItems)
{
    LoadedDatabase db("db");
    const Database& d = db.database;
    const DatabaseEntry* rusty = db.entry("RustySword");
    EXPECT_EQ(d.getStringList(rusty, "Behavior"), (std::vector<std::string>{"Melee", "Idle", "Flee"}));
    // getString gives the first occurrence's raw text.
    EXPECT_EQ(d.getString(rusty, "Behavior"), "Melee Idle");
    std::vector<std::string> positions = {"kept"};
    d.getStringList(rusty, "CovenantPosition", positions, false);
    EXPECT_EQ(positions, (std::vector<std::string>{"kept", "0.5 0.5", "0.2 0.8"}));
    d.getStringList(rusty, "Absent", positions, true);
    EXPECT_TRUE(positions.empty());

    std::vector<float> floats;
    d.getFloatList(rusty, "Resist", floats);
    EXPECT_EQ(floats, (std::vector<float>{1.5f, -2.0f, 0.0f}));
    std::vector<int> ints;
    d.getIntList(db.entry("Warrior"), "ShowSurface", ints);
    EXPECT_EQ(ints, (std::vector<int>{1, 0, 3}));
}

TEST(Database, FieldValuesJoinTheirItemsByOneBlankAndOutliveTheLoadedText)
{
    Database d;
    std::string text = "Thing\n{\n"
                       "    Plain a b c\n"
                       "    Spaced a\t\tb   \"c d\"\n"
                       "    Quoted \"x\" y\n"
                       "    One \"one item\"\n"
                       "    EmptyQuote \"\"\n"
                       "    Nothing\n"
                       "    Last p q }\n";
    d.addSubDatabase("First", "first.dbl", text);
    // The caller's text is gone before the fields are read.
    std::fill(text.begin(), text.end(), '#');
    text.clear();
    text.shrink_to_fit();
    d.addSubDatabase("Second", "second.dbl", "Other {\n Base Thing\n Plain z\n}");
    d.resolveBases();
    const DatabaseEntry* thing = d.findEntry("Thing");
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(d.getString(thing, "Plain"), "a b c");
    EXPECT_EQ(d.getStringList(thing, "Plain"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(d.getString(thing, "Spaced"), "a b c d");
    EXPECT_EQ(d.getStringList(thing, "Spaced"), (std::vector<std::string>{"a", "b", "c d"}));
    EXPECT_EQ(d.getString(thing, "Quoted"), "x y");
    EXPECT_EQ(d.getString(thing, "Last"), "p q");
    for (const char* key : {"One", "EmptyQuote"}) {
        const DatabaseField* field = d.findField(thing, key);
        ASSERT_NE(field, nullptr) << key;
        ASSERT_EQ(field->items.size(), 1u) << key;
        EXPECT_EQ(field->items[0], field->value) << key;
    }
    EXPECT_EQ(d.getString(thing, "One"), "one item");
    EXPECT_EQ(d.getString(thing, "EmptyQuote"), "");
    const DatabaseField* nothing = d.findField(thing, "Nothing");
    ASSERT_NE(nothing, nullptr);
    EXPECT_TRUE(nothing->items.empty());
    EXPECT_TRUE(nothing->value.empty());

    const DatabaseEntry* other = d.findEntry("Other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->getBase(), thing);
    EXPECT_EQ(d.getString(other, "Plain"), "z");
    EXPECT_EQ(d.getString(other, "Quoted"), "x y");
}

TEST(Database, TypesIdsAndLookups)
{
    LoadedDatabase db("db");
    const Database& d = db.database;
    ASSERT_EQ(d.getSubDatabaseCount(), 3);
    EXPECT_EQ(d.getSubDatabaseName(1), "Class");

    const DatabaseEntry* rusty = db.entry("RustySword");
    const DatabaseEntry* root = db.entry("SwordBase");
    EXPECT_EQ(rusty->getType(), 0);
    EXPECT_EQ(rusty->getTypeInherited(), static_cast<int>(DatabaseEntryType::Item));
    EXPECT_TRUE(root->isBaseOnly());
    EXPECT_FALSE(rusty->isBaseOnly());
    EXPECT_TRUE(rusty->isDerivedFrom(root));
    EXPECT_TRUE(rusty->isDerivedFrom(rusty));
    EXPECT_FALSE(root->isDerivedFrom(rusty));
    EXPECT_FALSE(rusty->isDerivedFrom(nullptr));

    // Forward Base reference from the first sub-database into the third.
    const DatabaseEntry* starter = db.entry("StarterWeapon");
    EXPECT_EQ(starter->getBase(), rusty);
    EXPECT_EQ(d.getInt(starter, "Damage"), 3);

    // Ids: sub-database index * 65536 + entry number.
    EXPECT_EQ(db.entry("GameSystem")->getId(), 0);
    EXPECT_EQ(db.entry("Warrior")->getId(), 65536);
    EXPECT_EQ(rusty->getId(), 2 * 65536 + 2);
    EXPECT_EQ(d.getEntryByIndex(2 * 65536 + 2), rusty);
    EXPECT_EQ(d.getEntryByIndex(-1), nullptr);
    EXPECT_EQ(d.getEntryByIndex(2 * 65536 + 3), nullptr);
    EXPECT_EQ(d.getEntryByIndex(3 * 65536), nullptr);
    EXPECT_EQ(d.getEntryByIndex(0x7FFF0000), nullptr);
    EXPECT_EQ(d.getEntryByIndex(65536 + 0xFFFF), nullptr);

    // A name in two sub-databases: the first in load order, or by sub-database.
    EXPECT_EQ(d.getString(d.findEntry("dummy"), "Where"), "GameSystem");
    EXPECT_EQ(d.getString(d.findEntry("Dummy", "class"), "Where"), "Class");
    EXPECT_EQ(d.findEntry("Warrior", "Item"), nullptr);
    EXPECT_EQ(d.findEntry("Warrior", "NoSuchSub"), nullptr);
    EXPECT_TRUE(db.capture.contains("duplicate entry name Dummy", 2));

    // Type iteration skips BaseOnly templates and accepts numeric types.
    std::vector<std::string> factions;
    for (const DatabaseEntry* e = d.findFirstEntryOfType(static_cast<int>(DatabaseEntryType::Faction)); e;
         e = d.findNextEntryOfType(e)) {
        factions.push_back(e->getName());
    }
    EXPECT_EQ(factions, (std::vector<std::string>{"Wolves", "Bandits"}));
    std::vector<std::string> items;
    for (const DatabaseEntry* e = d.findFirstEntryOfType(1); e; e = d.findNextEntryOfType(e)) {
        items.push_back(e->getName());
    }
    EXPECT_EQ(items, (std::vector<std::string>{"StarterWeapon", "Sword", "RustySword"}));
    EXPECT_EQ(d.findFirstEntryOfType(static_cast<int>(DatabaseEntryType::Quest)), nullptr);
}

TEST(Database, BrokenFilesAreLoggedWithFileAndLine)
{
    LoadedDatabase db("db_broken");
    ASSERT_TRUE(db.loaded);
    const Database& d = db.database;
    const LogCapture& log = db.capture;
    EXPECT_TRUE(log.contains("database.dbl:2: sub-database Missing: cannot read Database/missing.dbl", 3));
    EXPECT_TRUE(log.contains("broken.dbl:6: Base cycle between CycleB and CycleA", 3));
    EXPECT_TRUE(log.contains("broken.dbl:10: entry Orphan: unknown Base NoSuchEntry", 3));
    EXPECT_TRUE(log.contains("broken.dbl:14: Base cycle between SelfRef and SelfRef", 3));
    EXPECT_TRUE(log.contains("broken.dbl:16: entry Open is not terminated", 3));
    EXPECT_TRUE(log.contains("broken.dbl:22: Unknown DatabaseEntryType name Dragon", 3));
    EXPECT_TRUE(log.contains("broken.dbl:24: entry Unterminated is not terminated", 3));

    // Everything else loaded, the missing sub-database keeps its index.
    ASSERT_EQ(d.getSubDatabaseCount(), 3);
    EXPECT_EQ(d.getInt(d.findEntry("Healthy"), "Value"), 1);
    const DatabaseEntry* next = d.findEntry("Next");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->getId(), 2 * 65536 + 5);
    EXPECT_EQ(d.getInt(next, "Value"), 5);
    EXPECT_EQ(d.getInt(d.findEntry("Open"), "Value"), 4);
    EXPECT_EQ(d.getInt(d.findEntry("Unterminated"), "Value"), 6);

    // The cut cycle: lookups and type queries end.
    const DatabaseEntry* a = d.findEntry("CycleA");
    const DatabaseEntry* b = d.findEntry("CycleB");
    EXPECT_EQ(a->getBase(), b);
    EXPECT_EQ(b->getBase(), nullptr);
    EXPECT_EQ(d.getInt(a, "Missing", -1), -1);
    EXPECT_EQ(a->getTypeInherited(), 0);
    EXPECT_FALSE(b->isDerivedFrom(a));
    EXPECT_EQ(d.findEntry("SelfRef")->getBase(), nullptr);
    EXPECT_EQ(d.findEntry("Orphan")->getBase(), nullptr);
}

TEST(Database, MalformedTextNeverStopsTheLoader)
{
    LogCapture capture;
    Database d;
    d.addSubDatabase("Junk", "junk.dbl",
                     "} { Lonely\nFirst Second {\n Key 1 }\n{ x }\nLast { A \"unterminated\n B 2 }");
    d.addSubDatabase("Quoted", "quoted.dbl", "Braces {\n Symbols \"{\" \"}\" x\n}\nAfter {}\n");
    d.resolveBases();
    EXPECT_EQ(d.getStringList(d.findEntry("Braces"), "Symbols"), (std::vector<std::string>{"{", "}", "x"}));
    EXPECT_NE(d.findEntry("After"), nullptr);
    EXPECT_FALSE(capture.contains("quoted.dbl"));
    EXPECT_TRUE(capture.contains("junk.dbl:1: unexpected }", 3));
    EXPECT_TRUE(capture.contains("expected { after entry name", 3));
    const DatabaseEntry* second = d.findEntry("Second");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(d.getInt(second, "Key"), 1);
    const DatabaseEntry* last = d.findEntry("Last");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(d.getInt(last, "B"), 2);
}

TEST(Database, AQuoteLeftOpenBeforeABraceStaysAnItem)
{
    LogCapture capture;
    Database d;
    d.addSubDatabase("Quotes", "quotes.dbl",
                     "Open {\n Symbol \"{\n Value 3\n Close \"}\n}\nNext { Value 4 }\n");
    d.resolveBases();
    const DatabaseEntry* open = d.findEntry("Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(d.getString(open, "Symbol"), "{");
    EXPECT_EQ(d.getString(open, "Close"), "}");
    EXPECT_EQ(d.getInt(open, "Value"), 3);
    EXPECT_EQ(d.findEntry("Symbol"), nullptr);
    EXPECT_EQ(d.getInt(d.findEntry("Next"), "Value"), 4);
    EXPECT_EQ(d.getEntryCount(), 2);
    EXPECT_EQ(capture.count(3), 0u);
}

TEST(Database, OutOfRangeNumbersSaturateAndNonFiniteOnesReadAsZero)
{
    LogCapture capture;
    Database d;
    d.addSubDatabase("Numbers", "numbers.dbl",
                     "Big {\n Huge 99999999999\n Tiny -99999999999\n Plain 42\n"
                     " Far 1e300\n NotANumber nan\n Infinite -inf\n Weight 2.5\n"
                     " Ints 4294967297 7\n Floats 1e39 nan 0.5\n}\n"
                     "Wrapped {\n Type 4294967297\n BaseOnly 4294967296\n}\n");
    d.resolveBases();
    const DatabaseEntry* big = d.findEntry("Big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(d.getInt(big, "Huge"), INT_MAX);
    EXPECT_EQ(d.getInt(big, "Tiny"), INT_MIN);
    EXPECT_EQ(d.getInt(big, "Plain"), 42);
    EXPECT_EQ(d.getFloat(big, "Far", 1.0f), 0.0f);
    EXPECT_EQ(d.getFloat(big, "NotANumber", 1.0f), 0.0f);
    EXPECT_EQ(d.getFloat(big, "Infinite", 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(d.getFloat(big, "Weight"), 2.5f);
    std::vector<int> ints;
    d.getIntList(big, "Ints", ints);
    EXPECT_EQ(ints, (std::vector<int>{INT_MAX, 7}));
    std::vector<float> floats;
    d.getFloatList(big, "Floats", floats);
    EXPECT_EQ(floats, (std::vector<float>{0.0f, 0.0f, 0.5f}));

    // A huge type number is out of range, not wrapped round into a valid type.
    const DatabaseEntry* wrapped = d.findEntry("Wrapped");
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->getType(), 0);
    EXPECT_TRUE(capture.contains("numbers.dbl:13: entry Wrapped: Type 2147483647 out of range", 3));
    EXPECT_TRUE(wrapped->isBaseOnly());
}

TEST(Database, BaseChainDepthIsLimited)
{
    LogCapture capture;
    Database d;
    std::string text;
    for (int i = 0; i < 70; ++i) {
        appendFormat(text, "E%d { Base E%d }\n", i, i + 1);
    }
    text += "E70 {\n Type Item\n Marker 1\n}\n";
    d.addSubDatabase("Deep", "deep.dbl", text);
    d.resolveBases();
    EXPECT_TRUE(capture.contains("deeper than 64", 3));
    EXPECT_EQ(d.getInt(d.findEntry("E6"), "Marker"), 1);
    EXPECT_EQ(d.getInt(d.findEntry("E0"), "Marker"), 0);
    for (int i = 0; i <= 70; ++i) {
        int depth = 0;
        for (const DatabaseEntry* e = d.findEntry(formatString("E%d", i)); e->getBase(); e = e->getBase()) {
            ++depth;
        }
        EXPECT_LE(depth, Database::kMaxBaseDepth);
    }
}

TEST(Database, SubDatabaseEntryLimit)
{
    LogCapture capture;
    Database d;
    std::string text;
    text.reserve(65536 * 12);
    for (int i = 0; i < 65536; ++i) {
        appendFormat(text, i % 2 ? "N%d { }\n" : "N%d {}\n", i);
    }
    d.addSubDatabase("Big", "big.dbl", text);
    d.addSubDatabase("Next", "next.dbl", "After { V 1 }");
    d.resolveBases();
    EXPECT_EQ(d.getEntryCount(), 65536);
    EXPECT_EQ(d.findEntry("N65535"), nullptr);
    EXPECT_TRUE(capture.contains("big.dbl:65536: sub-database Big is full", 3));
    EXPECT_EQ(d.getEntryByIndex(65534)->getName(), "N65534");
    EXPECT_EQ(d.getEntryByIndex(65535), nullptr);
    EXPECT_EQ(d.getEntryByIndex(65536)->getName(), "After");
}

TEST(Database, EntryReferencesFromSavesAndMessages)
{
    LoadedDatabase db("db");
    const DatabaseEntry* rusty = db.entry("RustySword");
    ByteBuffer buffer;
    buffer.writeString("rustysword");
    buffer.writeInt(static_cast<uint32_t>(rusty->getId()));
    buffer.writeInt(static_cast<uint32_t>(0xFFFFFFFFu));
    buffer.writeInt(static_cast<uint32_t>(5 * 65536));
    buffer.writeString("NoSuchEntry");
    EXPECT_EQ(readDatabaseEntryRef(buffer, true, 38), rusty);
    EXPECT_EQ(readDatabaseEntryRef(buffer, true, 37), rusty); // before 38: always an id
    EXPECT_EQ(readDatabaseEntryRef(buffer, false, 39), nullptr);
    EXPECT_EQ(readDatabaseEntryRef(buffer, false, 39), nullptr);
    EXPECT_EQ(readDatabaseEntryRef(buffer, true, 39), nullptr);
    EXPECT_TRUE(buffer.ok());
    EXPECT_EQ(readDatabaseEntryRef(buffer, false, 39), nullptr); // past the end
    EXPECT_TRUE(buffer.failed());
}

TEST(Database, StatisticsAndMissingMaster)
{
    LoadedDatabase db("db");
    db.database.logStatistics();
    EXPECT_TRUE(db.capture.contains("Database: 3 sub-databases, 11 entries"));

    EXPECT_FALSE(db.database.load("Database/none.dbl", false));
    EXPECT_TRUE(db.capture.contains("Couldn't load the database Database/none.dbl", 3));
    EXPECT_EQ(db.database.getEntryCount(), 0);
    EXPECT_EQ(db.database.findEntry("GameSystem"), nullptr);
}

TEST(DatabaseDeathTest, MissingMasterIsCritical)
{
    EXPECT_EXIT(
        {
            TempDir dir;
            FileSystem fs(dir.file("base"), dir.file("user"));
            Database d;
            d.load();
        },
        testing::ExitedWithCode(1), "Couldn't load the database Database/database.dbl");
}

TEST(Database, BadNumbersAreReportedOnceWithFileLineEntryAndKey)
{
    LogCapture log;
    Database d;
    d.addSubDatabase("Numbers", "bad.dbl",
                     "Thing {\n  Level abc\n  Speed 1.5x\n  Sizes 1 two 3\n  Half 2.5\n}\n");
    d.resolveBases();
    const DatabaseEntry* thing = d.findEntry("Thing");
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(d.getInt(thing, "Level", 4), 4);
    EXPECT_EQ(d.getInt(thing, "Level", 4), 4);
    EXPECT_FLOAT_EQ(d.getFloat(thing, "Speed", 2.0f), 2.0f);
    std::vector<int> sizes;
    d.getIntList(thing, "Sizes", sizes);
    EXPECT_EQ(sizes, (std::vector<int>{1, 0, 3}));
    // A decimal read as a whole number is cut, as before, and not reported.
    EXPECT_EQ(d.getInt(thing, "Half"), 2);
    EXPECT_TRUE(log.contains("bad.dbl:2: entry Thing: Level \"abc\" is not a number", 3));
    EXPECT_TRUE(log.contains("bad.dbl:3: entry Thing: Speed \"1.5x\" is not a number", 3));
    EXPECT_TRUE(log.contains("bad.dbl:4: entry Thing: Sizes \"two\" is not a number", 3));
    EXPECT_EQ(log.count(3), 3u);
}

namespace {
struct DerivedSum : DatabaseEntry::Derived {
    int sum = 0;
};
struct DerivedName : DatabaseEntry::Derived {
    std::string name;
};
} // namespace

TEST(Database, DerivedValuesAreBuiltOnceAndRebuiltWhenBasesChange)
{
    Database d;
    d.addSubDatabase("A", "a.dbl", "Child { Base Parent\n Own 1 }\n");
    d.resolveBases();
    int builds = 0;
    auto sumOf = [&](const DatabaseEntry* entry) {
        return entry
            ->derived<DerivedSum>([&](const DatabaseEntry& e) {
                ++builds;
                DerivedSum values;
                values.sum = d.getInt(&e, "Own") + d.getInt(&e, "Inherited");
                return values;
            })
            .sum;
    };
    const DatabaseEntry* child = d.findEntry("Child");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(sumOf(child), 1);
    EXPECT_EQ(sumOf(child), 1);
    EXPECT_EQ(builds, 1);
    // The Base arrives with a later file: values built before it are stale.
    d.addSubDatabase("B", "b.dbl", "Parent { Inherited 10 }\n");
    d.resolveBases();
    EXPECT_EQ(sumOf(child), 11);
    EXPECT_EQ(builds, 2);

    // Another reader's kind on the same entry is kept beside it, not mistaken for it.
    const auto& named = child->derived<DerivedName>([](const DatabaseEntry& e) {
        DerivedName values;
        values.name = e.getName();
        return values;
    });
    EXPECT_EQ(named.name, "Child");
    EXPECT_EQ(sumOf(child), 11);
    EXPECT_EQ(builds, 2);
}
