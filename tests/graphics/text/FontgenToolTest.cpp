// Runs the font generator (tools/gen/fontgen.cpp) twice on one description.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace {

// Where the build found the DejaVu faces.
std::string faceDirectory()
{
    for (const char* dir :
         {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu", "/usr/share/fonts/TTF"}) {
        if (std::filesystem::exists(std::string(dir) + "/DejaVuSans.ttf")) {
            return dir;
        }
    }
    return "";
}

int runFontgen(const TempDir& dir, const std::string& out)
{
    const std::string command = std::string(GLOAM_BINARY_DIR) + "/tools/fontgen '" +
                                dir.file("desc.fontsrc") + "' '" + dir.file(out) + "' '" + faceDirectory() +
                                "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return -1;
    }
    char buffer[256];
    while (std::fread(buffer, 1, sizeof buffer, pipe) > 0) {
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FontgenTool, TwoRunsWriteTheSameBytes)
{
    ASSERT_FALSE(faceDirectory().empty()) << "the build needs the DejaVu faces";
    TempDir dir;
    dir.write("desc.fontsrc", "font plain DejaVuSans.ttf 12\nfont bold DejaVuSans-Bold.ttf 16\n");
    ASSERT_EQ(runFontgen(dir, "one"), 0);
    ASSERT_EQ(runFontgen(dir, "two"), 0);
    for (const char* file :
         {"fonts/plain.fnt", "Textures/Fonts/plain.tga", "fonts/bold.fnt", "Textures/Fonts/bold.tga"}) {
        const std::vector<uint8_t> first = readFileBytes(dir.path() / "one" / file);
        EXPECT_GT(first.size(), 18u) << file;
        EXPECT_EQ(first, readFileBytes(dir.path() / "two" / file)) << file;
    }
}

} // namespace
