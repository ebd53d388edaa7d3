#pragma once

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/SkeletonResource.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/StageDrawer.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/ShaderSystem.h"
#include "support/RecordingStageBackend.h"
#include "support/TestSupport.h"

#include <string>

// The graphics system without a display, drawing into a recording back end,
// with the game's shaders, its models (BoxMan) and models a test writes into
// its own directory ("Models/Test/<name>.mdl").
class RenderScene {
public:
    RenderScene()
    {
        setResourceRoots(resources, {dir.path().string(), gameDataPath(), generatedDataPath()});
        ModelResource::registerTypes(resources);
        shaders.registerCommands();
        graphics.registerCommands(false);
        graphics.getStageDrawer().setBackend(&backend);
    }
    ~RenderScene() { held.clear(); }

    int load(const std::string& name, int subType = 0)
    {
        held.push_back(resources.load(name, subType));
        return held.back().getIndex();
    }
    int boxMan() { return load("Models/BoxMan/boxman.mdl"); }
    int shader(const std::string& name) { return load(name + ".sdr", ShaderSystem::kWorld); }
    ModelResource* model(int index) { return dynamic_cast<ModelResource*>(resources.get(index)); }

    // Writes a model of that skeleton, meshes and one animation (and a skin
    // giving every surface the BoxMan body shader) and loads it.
    int writeModel(const std::string& name, const SkeletonResource& skeleton, const MeshSetResource& meshes,
                   const AnimationResource& animation)
    {
        const std::string base = "Models/Test/" + name;
        std::filesystem::create_directories(dir.path() / "Models/Test");
        writeFileBytes(dir.path() / (base + ".mds"), skeleton.serialize());
        writeFileBytes(dir.path() / (base + ".mdm"), meshes.serialize());
        writeFileBytes(dir.path() / (base + ".mda"), animation.serialize());
        std::string skin;
        for (const Mesh& m : meshes.meshes()) {
            skin += std::to_string(m.surface) + " \"Models/BoxMan/body\"\n";
        }
        dir.write(base + ".skn", skin);
        dir.write(base + ".mdl", "skeleton \"" + name + ".mds\"\nmeshes \"" + name + ".mdm\"\nskin \"" +
                                     name + ".skn\"\nanimation idle { file \"" + name + ".mda\" }\n");
        return load(base + ".mdl");
    }

    void draw() { graphics.drawQueuedSurfaces(graphics.getRenderQueue().getQueued()); }

    LogCapture log;
    TempDir dir;
    TempDir user;
    CommandSystem commands;
    UserVarSystem vars;
    FileSystem files{gameDataPath(), user.path().string(), false};
    ResourceSystem resources;
    ShaderSystem shaders;
    RecordingStageBackend backend;
    GraphicsSystem graphics;
    RenderQueue& queue = graphics.getRenderQueue();
    std::vector<ResourceHandle> held;
};
