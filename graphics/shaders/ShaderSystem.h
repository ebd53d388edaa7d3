#pragma once

#include "engine/core/Singleton.h"
#include "engine/resources/ResourceHandle.h"
#include "graphics/shaders/ShaderDefinition.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class Resource;
class ResourceSystem;
class Shader;

// The shader definitions read from "Shaders/*.sdr" and the factory of the
// "sdr" resources. Exists in every run, headless too: without texture types
// a shader carries its flags and stage settings with texture handles -1.
//
// Lock order: this system's lock before the resource table's.
class ShaderSystem : public Singleton<ShaderSystem> {
public:
    // Sub-types a caller asks a shader with (the settings of a shader made
    // without a definition, and the image it is made from).
    enum SubType : int {
        kDefault = 0,
        kWorld = 1,
        kBlendedTile = 2,
        kSkin = 3,
        kAdditive = 4,
        kTransparent = 5,
        kInterface = 6,
        kInterfaceTiled = 7,
        kInterfaceDirect = 8,
    };

    // Fills the enumeration tables.
    ShaderSystem();
    ~ShaderSystem();

    static void init();

    // Registers the "sdr" type and `reloadShaders`, then loads every
    // definition.
    void registerCommands();
    void registerResourceType(ResourceSystem& resources);

    // Reads every "Shaders/*.sdr" file of the file system in listing order;
    // the definitions replace the loaded ones and are numbered from 0.
    void loadAll();
    // Appends the definitions of one script text (numbered on).
    void loadText(std::string_view text, const std::string& fileName);
    // `reloadShaders`: new definitions, then every shader built again, the
    // blended-tile shaders after the ones they are made from.
    void reload();

    // The first definition of the name without regard to case; null when
    // none. The caller holds the lock while it uses the result.
    const ShaderDefinition* findDefinition(std::string_view name) const;

    // Fills a shader from its definition (0) or from the sub-type's settings
    // (1). The name's extension is ignored.
    int getShader(Shader& shader, const std::string& name, int subType);
    // The "sdr" factory: a definition's shader keeps its index, any other
    // takes the next one.
    std::unique_ptr<Resource> createShaderResource(const std::string& name, int subType);
    // For a blended-tile name: the first listed tile shader that is not
    // loaded yet, -1 when all are (or for any other sub-type).
    int getBlendedTileDependency(const std::string& name, int subType) const;

    // File names (with ".tga") of the definitions directly in a directory.
    std::vector<std::string> listShadersInDirectory(std::string_view directory) const;
    // Every definition name with its folder, in load order.
    std::vector<std::string> getDefinitionNames() const;
    size_t getDefinitionCount() const;
    int32_t getNextIndex() const;

    // Image extension for stages: "ctx" while compressed textures are in
    // use, else "rtx". Set by the display set-up; read by the loader.
    void setCompressedTextures(bool on) { m_compressedTextures = on; }
    const char* getTextureExtension() const { return m_compressedTextures ? "ctx" : "rtx"; }
    // Sphere-lit stages give per-vertex colours only with better lighting.
    void setBetterLighting(bool on) { m_betterLighting = on; }
    bool getBetterLighting() const { return m_betterLighting; }

    std::recursive_mutex& getLock() const { return m_lock; }

    // The blended-tile name of a list of tile shader handles: "BT 3 5 7.sdr".
    static std::string makeBlendedTileName(const std::vector<int>& tileShaders);

private:
    void buildBlendedTile(Shader& shader, const std::string& name);
    void buildFromDefinition(Shader& shader, const ShaderDefinition& definition);
    void buildFromImage(Shader& shader, const std::string& name, int subType);
    ResourceHandle loadTexture(const std::string& name, int flags) const;
    void readBetterLighting();

    mutable std::recursive_mutex m_lock;
    std::vector<std::unique_ptr<ShaderDefinition>> m_definitions;
    std::unordered_map<std::string, const ShaderDefinition*> m_byName; // lower-case name -> first
    int32_t m_nextIndex = 0;
    std::atomic<bool> m_compressedTextures{false};
    std::atomic<bool> m_betterLighting{false};
    bool m_installedSkinLookup = false;
};

// Holds the shader system's lock for a scope (reading a shader's flags while
// a reload may run).
class ShaderSystemLock {
public:
    ShaderSystemLock();
    ~ShaderSystemLock();
    ShaderSystemLock(const ShaderSystemLock&) = delete;
    ShaderSystemLock& operator=(const ShaderSystemLock&) = delete;

private:
    std::recursive_mutex* m_mutex = nullptr;
};

// The shader of an image or shader path ("Textures/a/b.tga" becomes
// "Textures/a/b.sdr"), asked for with a sub-type.
ResourceHandle acquireShader(const std::string& path, int subType = 0);
// The shader blending the listed tile shaders, in order.
ResourceHandle acquireBlendedTileShader(const std::vector<int>& tileShaders);
ResourceHandle acquireBlendedTileShader(const std::vector<ResourceHandle>& tileShaders);
