#include "tools/datacheck/DataCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

// Replaces the first occurrence of `from` in a file of the copy.
void replaceIn(const std::filesystem::path& file, const std::string& from, const std::string& to)
{
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    std::string contents = text.str();
    size_t at = contents.find(from);
    ASSERT_NE(at, std::string::npos) << from << " not in " << file;
    contents.replace(at, from.size(), to);
    std::ofstream(file, std::ios::trunc) << contents;
}

} // namespace

TEST(DataCheck, TheShippedDataAndTheSourcesNameNothingMissing)
{
    const std::vector<std::string> problems =
        DataCheck::run(gameDataPath(), generatedDataPath(), GLOAM_SOURCE_DIR);
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// A copy of data/ with one reference broken gives exactly that problem, with
// its file, line and entry.
TEST(DataCheck, OneBrokenReferenceOfEachKindIsReportedWhereItIs)
{
    struct Case {
        const char* file;
        const char* from;
        const char* to;
        const char* expected;
    };
    const Case cases[] = {
        {"Database/items.dbl", "ModelName \"Models/Items/dagger.mdl\"",
         "ModelName \"Models/Items/dagge.mdl\"",
         "Database/items.dbl:65: entry Dagger: ModelName: no file \"Models/Items/dagge.mdl\""},
        {"Database/skills.dbl", "StartingSkills WarriorStrike", "StartingSkills WarriorStrik",
         "Database/skills.dbl:200: entry WarriorTreeArms: StartingSkills: no entry named \"WarriorStrik\""},
        {"UI/Main.mnu", "$$MenuNewGame$$", "$$MenuNewGam$$",
         "UI/Main.mnu:35: no translation of \"MenuNewGam\""},
        {"UI/menus.lst", "Menu Story", "Menu Stories", "UI/menus.lst:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir copy;
        std::filesystem::copy(gameDataPath(), copy.path(), std::filesystem::copy_options::recursive);
        replaceIn(copy.path() / c.file, c.from, c.to);
        const std::vector<std::string> problems =
            DataCheck::run(copy.path().string(), generatedDataPath(), "");
        ASSERT_EQ(problems.size(), 1u) << joined(problems);
        EXPECT_NE(problems[0].find(c.expected), std::string::npos) << problems[0];
    }
}
