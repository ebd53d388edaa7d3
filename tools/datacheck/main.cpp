// datacheck [data directory] [generated directory] [source root]: lists the
// game data's references that lead nowhere, one per line; exits 1 when there
// are any.
#include "engine/platform/Directories.h"
#include "tools/datacheck/DataCheck.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const std::string data = argc > 1 ? argv[1] : Directories::builtDataDirectory();
    const std::string generated = argc > 2 ? argv[2] : Directories::builtGeneratedDirectory();
    const std::string sources = argc > 3 ? argv[3] : GLOAM_SOURCE_DIR;
    const std::vector<std::string> problems = DataCheck::run(data, generated, sources);
    for (const std::string& problem : problems) {
        std::printf("%s\n", problem.c_str());
    }
    std::printf("%zu problem%s\n", problems.size(), problems.size() == 1 ? "" : "s");
    return problems.empty() ? 0 : 1;
}
