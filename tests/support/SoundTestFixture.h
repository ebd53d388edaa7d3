#pragma once

// The engine pieces a sound test stands on: console, a clock the test drives,
// and a resource system that reads sounds and music from a temporary
// directory on its loader thread.
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Clock.h"
#include "engine/core/Random.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/SoundResourceTypes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>

class SoundTestFixture : public ::testing::Test {
protected:
    SoundTestFixture() : clock([this] { return nowNs; }) {}

    void SetUp() override
    {
        resources.setBaseDirectory(dir.path().string());
        registerSoundResourceTypes(resources);
        registerMusicResourceType(resources);
        resources.startLoader();
    }

    TempDir dir;
    LogCapture log;
    UserVarSystem vars;
    CommandSystem commands;
    int64_t nowNs = 0;
    Clock clock;
    Random random;
    SystemInfo info;
    ResourceSystem resources;
};
