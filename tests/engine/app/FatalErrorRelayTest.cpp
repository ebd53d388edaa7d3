#include "engine/app/Application.h"
#include "engine/core/FatalError.h"
#include "engine/platform/CriticalError.h"
#include "engine/resources/ResourceSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <new>
#include <sstream>
#include <thread>

namespace {

// A fatal error inside a resource factory on the loader thread must neither
// end the process from that thread nor leave the main thread waiting.
TEST(FatalErrorRelayTest, LoaderThreadFatalErrorReachesTheMainThread)
{
    LogCapture log;
    TempDir dir;
    dir.write("huge.oom", "x");
    ResourceSystem resources;
    resources.setBaseDirectory(dir.path().string());
    ResourceTypeInfo type;
    type.extension = "oom";
    // Allocation failure in a factory is fatal ("Out of memory").
    type.factory = [](const std::string&, const uint8_t*, size_t, int) -> std::unique_ptr<Resource> {
        throw std::bad_alloc();
    };
    resources.registerType(type);
    FatalErrorHook previous = getFatalErrorHook();
    setFatalErrorHook(Application::handleFatalError);
    resources.startLoader();

    testing::internal::CaptureStderr();
    ResourceHandle h = resources.load("huge.oom");
    EXPECT_EQ(resources.get(h), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    setFatalErrorHook(previous);

    std::string text;
    ASSERT_TRUE(resources.takeFatalError(text));
    EXPECT_EQ(text, "Out of memory");
    EXPECT_TRUE(log.contains("Out of memory", 3));
    // Reporting is for the main thread: nothing was shown from the loader.
    EXPECT_EQ(err, "");
}

// Once the loader thread has handed its error over, the main thread may end
// the process with its own text: neither waits for the other.
TEST(FatalErrorRelayDeathTest, MainThreadFatalAfterALoaderFatalExitsWithBothTextsLogged)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    TempDir dir;
    dir.write("huge.oom", "x");
    std::string logPath = dir.file("log.txt");
    auto started = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            DebugSystem debug;
            debug.openLog(logPath, 1);
            ResourceSystem resources;
            resources.setBaseDirectory(dir.path().string());
            ResourceTypeInfo type;
            type.extension = "oom";
            type.factory = [](const std::string&, const uint8_t*, size_t, int) -> std::unique_ptr<Resource> {
                throw std::bad_alloc();
            };
            resources.registerType(type);
            setFatalErrorHook(Application::handleFatalError);
            setCriticalErrorBoxAllowed(false);
            resources.startLoader();
            // get() waits for the loader.
            if (resources.get(resources.load("huge.oom")) != nullptr) {
                std::_Exit(2);
            }
            std::string text;
            if (!resources.takeFatalError(text)) {
                std::_Exit(3);
            }
            // Start-up goes on before the next frame's check, and fails.
            fatalError("The main thread gives up");
        },
        ::testing::ExitedWithCode(1), "Critical Error: The main thread gives up");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    std::ifstream in(logPath);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find("Out of memory\n"), std::string::npos) << log.str();
    EXPECT_NE(log.str().find("The main thread gives up\n"), std::string::npos) << log.str();
}

} // namespace
