#include "engine/app/Application.h"
#include "engine/platform/LaunchOptions.h"

#include <cstdio>

int main(int argc, char** argv)
{
    LaunchOptions options;
    std::string error;
    if (!LaunchOptions::parse(argc, argv, options, error)) {
        std::fprintf(stderr, "gloamreach: %s\n%s", error.c_str(), LaunchOptions::usage());
        return 2;
    }
    AppHooks hooks;
    Application app(options, std::move(hooks));
    return app.run();
}
