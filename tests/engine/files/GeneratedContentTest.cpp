// The build writes what it generates into the build tree only.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Generated kinds: extensions no file in the checkout may have.
bool isGeneratedExtension(const fs::path& path)
{
    std::string ext = path.extension().string();
    return ext == ".mds" || ext == ".mdm" || ext == ".mda";
}

TEST(GeneratedContentTest, ModelsAreBuiltIntoTheBuildTreeAndNotIntoTheCheckout)
{
    for (const std::string& root : {gameDataPath(), testDataPath()}) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            EXPECT_FALSE(entry.is_regular_file() && isGeneratedExtension(entry.path()))
                << entry.path() << " is generated content inside the checkout";
        }
    }
    // Each description's outputs sit at the same relative path in the build tree.
    for (const char* made :
         {"Models/BoxMan/boxman.mds", "Models/BoxMan/boxman.mdm", "Models/BoxMan/walk.mda"}) {
        EXPECT_TRUE(fs::is_regular_file(generatedDataPath(made))) << made;
    }
    for (const char* made : {"models/boxman/boxman.mds", "models/boxman/twobones.mda"}) {
        EXPECT_TRUE(fs::is_regular_file(generatedTestDataPath(made))) << made;
    }
}

} // namespace
