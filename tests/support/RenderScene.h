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
                   const AnimationResource& animation, const std::string& animationLines = "")
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
                                     name + ".skn\"\nanimation idle { file \"" + name + ".mda\"\n" +
                                     animationLines + "}\n");
        return load(base + ".mdl");
    }

    // Two bones: a root and a child 10 above it. Frame 0: the child turned
    // 90 degrees about z. Frame 1: the root moved to (1, 2, 3) and turned 90
    // degrees about x.
    static void twoBones(SkeletonResource& skeleton, AnimationResource& animation)
    {
        constexpr float kHalfRoot2 = 0.70710678f;
        skeleton.bones() = {{"root", -1}, {"child", 0}};
        animation.setSize(2, 2);
        animation.setKey(0, 1, {Quaternion(0, 0, kHalfRoot2, kHalfRoot2), Vec3(0, 0, 10)});
        animation.setKey(1, 0, {Quaternion(kHalfRoot2, 0, 0, kHalfRoot2), Vec3(1, 2, 3)});
        animation.setKey(1, 1, {Quaternion(), Vec3(0, 0, 10)});
    }
    // Vertices: 1.0 on the bone at (5, 0, 0); half on the root at 0 and half
    // on the bone as the first; the root at 0; the bone at 0.
    static Mesh twoBoneMesh(int surface = 0, int bone = 1)
    {
        Mesh m;
        m.surface = surface;
        m.weights = {{bone, 5, 0, 0, 1.0f},
                     {0, 0, 0, 0, 0.5f},
                     {bone, 5, 0, 0, 0.5f},
                     {0, 0, 0, 0, 1.0f},
                     {bone, 0, 0, 0, 1.0f}};
        m.vertices.resize(4);
        const uint32_t first[4] = {0, 1, 3, 4}, count[4] = {1, 2, 1, 1};
        for (size_t i = 0; i < 4; ++i) {
            m.vertices[i].firstWeight = first[i];
            m.vertices[i].weightCount = count[i];
        }
        m.triangles = {0, 1, 2, 1, 2, 3};
        return m;
    }
    int writeTwoBoneModel(const std::string& name, const std::string& animationLines = "")
    {
        SkeletonResource skeleton;
        AnimationResource animation;
        twoBones(skeleton, animation);
        MeshSetResource meshes;
        meshes.meshes() = {twoBoneMesh()};
        return writeModel(name, skeleton, meshes, animation, animationLines);
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
