#include "engine/core/DebugSystem.h"

int main(int argc, char** argv)
{
    DebugSystem debug;
    debug.setEchoToStdout(true);
    debugPrintRaw("Gloamreach %s\n", GLOAM_VERSION);
    return 0;
}
