#include "engine/app/Application.h"
#include "engine/core/FatalError.h"
#include "engine/platform/CriticalError.h"
#include "engine/resources/ResourceSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <new>
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
    EXPECT_NE(err.find("Out of memory"), std::string::npos);
    // The box is for the main thread: nothing was shown from the loader.
    EXPECT_EQ(err.find("Critical Error"), std::string::npos);
}

} // namespace
