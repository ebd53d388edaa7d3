#include "engine/data/NameGenerator.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct NameFixture {
    TempDir user;
    LogCapture capture;
    FileSystem fileSystem{testDataPath("names"), user.file("user")};
    NameGenerator names;
};

} // namespace

// Golden names computed by an independent implementation of the documented
// algorithm (x := x * 569813 + 9116991; r = ((x >> 16) & 0x7FFF) / 32768).
TEST(NameGenerator, GoldenNamesForFixedSeeds)
{
    NameFixture f;
    const uint32_t seeds[] = {0u, 1u, 12345u, 0xFFFFFFFFu};
    const char* male[] = {"Aldor", "Aldor", "Cadtor", "Alfiwin"};
    const char* female[] = {"Aemalyn", "Aemael", "Cathewyn", "Aesorira"};
    const char* goblins[] = {"Snaga", "Snaga", "Grishnak", "Snaga"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.names.generateName("npcsMale", seeds[i]), male[i]) << seeds[i];
        EXPECT_EQ(f.names.generateName("npcsFemale", seeds[i]), female[i]) << seeds[i];
        EXPECT_EQ(f.names.generateName("goblins", seeds[i]), goblins[i]) << seeds[i];
    }
    // The list name is matched without regard to case.
    EXPECT_EQ(f.names.generateName("NPCSMALE", 12345u), "Cadtor");
    EXPECT_FALSE(f.capture.contains("Name file"));
}

TEST(NameGenerator, DeterministicAndLeavesTheRandomStreamsAlone)
{
    NameFixture f;
    Random random;
    Random::setState(0, 777u);
    Random::setState(1, 888u);
    std::string first = f.names.generateName("npcsFemale", 4242u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(f.names.generateName("npcsFemale", 4242u), first);
        f.names.generateName("npcsMale", static_cast<uint32_t>(i));
    }
    EXPECT_EQ(Random::getState(0), 777u);
    EXPECT_EQ(Random::getState(1), 888u);

    // Middle-syllable counts stay within [count]: 1 or 2 middles between
    // first and last syllables of at most 4 letters each.
    for (uint32_t seed = 0; seed < 200; ++seed) {
        std::string name = f.names.generateName("npcsFemale", seed * 2654435761u);
        EXPECT_GE(name.size(), 4u) << name;
        EXPECT_LE(name.size(), 14u) << name;
        EXPECT_TRUE(name[0] >= 'A' && name[0] <= 'Z') << name;
    }
}

TEST(NameGenerator, MissingOrUnsafeListsGiveEmptyNames)
{
    NameFixture f;
    EXPECT_EQ(f.names.generateName("nobody", 1u), "");
    EXPECT_EQ(f.names.generateName("nobody", 2u), "");
    size_t warnings = 0;
    for (const LogCapture::Line& line : f.capture.lines()) {
        warnings += line.level == 2 && line.text.find("Names/nobody.txt") != std::string::npos;
    }
    EXPECT_EQ(warnings, 1u);
    EXPECT_EQ(f.names.generateName("../names/Names/goblins", 1u), "");
}

TEST(NameGenerator, ParsesSectionsCountsAndCarriageReturns)
{
    LogCapture capture;
    NameGenerator names;
    names.addList("Test",
                  "[first]\r\nab\r\n[count] 3 99\r\n[middle]\r\nx\r\n[last]\r\ncd\r\n[bogus]\r\nzz\r\n");
    EXPECT_TRUE(capture.contains("Test:3: [count] limited to 3 .. 8", 2));
    EXPECT_TRUE(capture.contains("Test:8: unknown section bogus", 2));
    for (uint32_t seed : {0u, 5u, 99u}) {
        std::string name = names.generateName("test", seed);
        ASSERT_GE(name.size(), 7u);
        EXPECT_EQ(name.substr(0, 5), "Abxxx");
        EXPECT_TRUE(name.ends_with("xcd")) << name;
        EXPECT_LE(name.size(), 12u);
    }
    names.addList("OnlyLast", "[last]\nsmith\n");
    EXPECT_EQ(names.generateName("OnlyLast", 3u), "Smith");
}
