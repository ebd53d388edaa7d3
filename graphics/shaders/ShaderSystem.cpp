#include "graphics/shaders/ShaderSystem.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVar.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"
#include "engine/resources/ResourceSystem.h"
#include "engine/resources/Skin.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderScriptParser.h"

#include <charconv>

namespace {

std::string withoutExtension(std::string_view path)
{
    int dot = findExtension(path);
    return std::string(dot < 0 ? path : path.substr(0, static_cast<size_t>(dot)));
}

// The handle numbers of a blended-tile name ("BT 3 5 7"); false when the
// name is not of that form.
bool parseBlendedTileName(std::string_view name, std::vector<int>& out)
{
    out.clear();
    if (name.size() < 2 || !equalsNoCase(name.substr(0, 2), "BT")) {
        return false;
    }
    size_t pos = 2;
    while (pos < name.size()) {
        if (name[pos] == ' ') {
            ++pos;
            continue;
        }
        int value = 0;
        auto [end, ec] = std::from_chars(name.data() + pos, name.data() + name.size(), value);
        if (ec != std::errc() || (end != name.data() + name.size() && *end != ' ')) {
            return false;
        }
        out.push_back(value);
        pos = static_cast<size_t>(end - name.data());
    }
    return !out.empty();
}

} // namespace

ShaderSystem::ShaderSystem()
{
    init();
}

ShaderSystem::~ShaderSystem()
{
    if (m_installedSkinLookup) {
        Skin::setShaderLookup(nullptr);
    }
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_byName.clear();
    m_definitions.clear();
}

void ShaderSystem::init()
{
    colorGenTable();
    alphaGenTable();
    uvModTable();
    deformVertsTypeTable();
    sortTypeTable();
}

void ShaderSystem::registerResourceType(ResourceSystem& resources)
{
    ResourceTypeInfo info;
    info.extension = "sdr";
    // Through the instance: a resource built after this system is gone
    // gets none.
    info.nameFactory = [](const std::string& name, int flags) -> std::unique_ptr<Resource> {
        ShaderSystem* shaders = ShaderSystem::instance();
        return shaders ? shaders->createShaderResource(name, flags) : nullptr;
    };
    info.readinessCheck = [](const std::string& name, int flags) {
        ShaderSystem* shaders = ShaderSystem::instance();
        return shaders ? shaders->getBlendedTileDependency(name, flags) : -1;
    };
    info.flagsInKey = true;
    info.subTypeName = "shader";
    resources.registerType(std::move(info));
}

void ShaderSystem::registerCommands()
{
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        registerResourceType(*resources);
    }
    // Skins (sub-type 3) and models' map markers (6) ask for counted handles.
    Skin::setShaderLookup([](const std::string& name, int subType) { return acquireShader(name, subType); });
    m_installedSkinLookup = true;
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->registerCommand([this](const CommandArgs&) { reload(); }, "reloadShaders",
                                  "Reloads the shader files", "", "", false, 0);
    }
    loadAll();
}

void ShaderSystem::readBetterLighting()
{
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        if (const UserVar* var = vars->findVar("r_betterLighting")) {
            m_betterLighting = var->getBool();
        }
    }
}

void ShaderSystem::loadAll()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    readBetterLighting();
    m_definitions.clear();
    m_byName.clear();
    m_nextIndex = 0;
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return;
    }
    for (const std::string& name : files->listFiles("Shaders", "sdr")) {
        std::string path = "Shaders/" + name;
        auto data = files->readFile(path);
        if (!data) {
            debugPrint(2, "%s: cannot read the shader file\n", path.c_str());
            continue;
        }
        loadText(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()), path);
    }
}

void ShaderSystem::loadText(std::string_view text, const std::string& fileName)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    size_t first = m_definitions.size();
    ShaderScriptParser(m_betterLighting).parseFile(text, fileName, m_definitions, m_nextIndex);
    for (size_t i = first; i < m_definitions.size(); ++i) {
        // The first of equal names wins.
        m_byName.emplace(toLowerCopy(m_definitions[i]->name), m_definitions[i].get());
    }
}

void ShaderSystem::reload()
{
    ResourceSystem* resources = ResourceSystem::instance();
    {
        // Shaders are deleted and queued under the lock, so that no build
        // reads a shader that goes away.
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        loadAll();
        if (resources) {
            resources->reloadExtension("sdr", 0, true);
        }
    }
    if (resources) {
        resources->waitForQueueEmpty();
        resources->reloadExtension("sdr", 1, true);
    }
}

const ShaderDefinition* ShaderSystem::findDefinition(std::string_view name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    auto it = m_byName.find(toLowerCopy(name));
    return it == m_byName.end() ? nullptr : it->second;
}

ResourceHandle ShaderSystem::loadTexture(const std::string& name, int flags) const
{
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources || name.empty() || !resources->hasType(ResourceSystem::extensionOf(name))) {
        return ResourceHandle();
    }
    return resources->load(name, flags);
}

void ShaderSystem::buildFromDefinition(Shader& shader, const ShaderDefinition& definition)
{
    static_cast<ShaderSettings&>(shader) = definition;
    const char* extension = getTextureExtension();
    shader.stages.clear();
    shader.stages.reserve(definition.stages.size());
    for (const ShaderStageDefinition& source : definition.stages) {
        ShaderStage stage;
        static_cast<ShaderStageSettings&>(stage) = source;
        if (source.animationFrames.empty()) {
            if (!source.texture.empty()) {
                stage.texture = loadTexture(replaceExtension(source.texture, extension), 0);
            }
        } else {
            for (const std::string& frame : source.animationFrames) {
                stage.frames.push_back(loadTexture(replaceExtension(frame, extension), 0));
            }
        }
        shader.stages.push_back(std::move(stage));
    }
}

void ShaderSystem::buildFromImage(Shader& shader, const std::string& name, int subType)
{
    ShaderStage stage;
    const char* extension = subType == kInterfaceDirect ? "tga" : getTextureExtension();
    stage.texture = loadTexture(name + "." + extension, subType);
    switch (subType) {
    case kWorld:
        shader.cullEnabled = false;
        stage.colorGen = ColorGen::Vertex;
        stage.clampU = stage.clampV = GL_REPEAT;
        break;
    case kSkin:
        shader.needsNormals = true;
        stage.colorGen = ColorGen::Sphere;
        stage.clampU = stage.clampV = GL_REPEAT;
        break;
    case kAdditive:
    case kTransparent:
        shader.cullEnabled = false;
        shader.writeDepth = false;
        shader.sort = subType == kAdditive ? SortType::Additive : SortType::AdvancedTransparent;
        stage.blendEnabled = true;
        stage.sourceBlend = subType == kAdditive ? GL_ONE : GL_SRC_ALPHA;
        stage.destBlend = subType == kAdditive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA;
        stage.clampU = stage.clampV = GL_CLAMP;
        stage.colorGen = ColorGen::CodeGenerated;
        stage.alphaGen = AlphaGen::CodeGenerated;
        break;
    case kInterface:
    case kInterfaceTiled:
    case kInterfaceDirect:
        shader.cullEnabled = false;
        shader.testDepth = false;
        shader.writeDepth = false;
        shader.useMipMaps = false;
        shader.sort = SortType::AdvancedTransparent;
        stage.blendEnabled = true;
        stage.sourceBlend = GL_SRC_ALPHA;
        stage.destBlend = GL_ONE_MINUS_SRC_ALPHA;
        stage.clampU = stage.clampV = subType == kInterfaceTiled ? GL_REPEAT : GL_CLAMP_TO_EDGE;
        stage.colorGen = ColorGen::CodeGenerated;
        stage.alphaGen = AlphaGen::CodeGenerated;
        break;
    default:
        break;
    }
    stage.vertexColorMode = computeVertexColorMode(stage.colorGen, stage.alphaGen, false, m_betterLighting);
    shader.stages.clear();
    shader.stages.push_back(std::move(stage));
    shader.groupHash = hashString(name);
}

void ShaderSystem::buildBlendedTile(Shader& shader, const std::string& name)
{
    shader.cullEnabled = false;
    shader.blendedTile = true;
    shader.stages.clear();
    std::vector<int> tiles;
    bool parsed = parseBlendedTileName(name, tiles);
    if (!parsed) {
        tiles.assign(1, -1);
    }
    ResourceSystem* resources = ResourceSystem::instance();
    int untextured = 0;
    for (size_t i = 0; i < tiles.size(); ++i) {
        ShaderStage stage;
        stage.colorGen = ColorGen::Vertex;
        stage.clampU = stage.clampV = GL_REPEAT;
        if (i > 0) {
            stage.blendEnabled = true;
            stage.sourceBlend = GL_SRC_ALPHA;
            stage.destBlend = GL_ONE_MINUS_SRC_ALPHA;
            stage.alphaGen = AlphaGen::StageGenerated;
            stage.colorGen = ColorGen::SameAsPreviousStage;
        }
        // Only a loaded tile shader is read: this runs under the shader lock,
        // which a reload holds while it deletes shaders.
        const Shader* tile =
            resources && tiles[i] >= 0 ? dynamic_cast<const Shader*>(resources->peek(tiles[i])) : nullptr;
        if (tile && !tile->stages.empty()) {
            stage.texture = tile->stages.front().getFrameTexture();
        } else {
            ++untextured;
        }
        stage.vertexColorMode =
            computeVertexColorMode(stage.colorGen, stage.alphaGen, false, m_betterLighting);
        shader.stages.push_back(std::move(stage));
    }
    if (!parsed) {
        debugPrint(2, "%s: not a list of tile shaders; drawn without a texture\n", name.c_str());
    } else if (untextured > 0) {
        debugPrint(2, "%s: %d of %zu layers have no tile shader with a stage; drawn without a texture\n",
                   name.c_str(), untextured, tiles.size());
    }
}

int ShaderSystem::getShader(Shader& shader, const std::string& name, int subType)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    std::string base = withoutExtension(name);
    if (subType == kBlendedTile) {
        buildBlendedTile(shader, base);
        return 1;
    }
    if (const ShaderDefinition* definition = findDefinition(base)) {
        buildFromDefinition(shader, *definition);
        return 0;
    }
    buildFromImage(shader, base, subType);
    return 1;
}

std::unique_ptr<Resource> ShaderSystem::createShaderResource(const std::string& name, int subType)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    auto shader = std::make_unique<Shader>();
    if (getShader(*shader, name, subType) == 1) {
        shader->index = m_nextIndex++;
    }
    return shader;
}

int ShaderSystem::getBlendedTileDependency(const std::string& name, int subType) const
{
    if (subType != kBlendedTile) {
        return -1;
    }
    ResourceSystem* resources = ResourceSystem::instance();
    std::vector<int> tiles;
    if (!resources || !parseBlendedTileName(withoutExtension(name), tiles)) {
        return -1;
    }
    for (int tile : tiles) {
        if (tile >= 0 && tile < resources->getEntryCount() && !resources->isLoaded(tile)) {
            return tile;
        }
    }
    return -1;
}

std::vector<std::string> ShaderSystem::listShadersInDirectory(std::string_view directory) const
{
    std::string dir = normalizeSlashes(directory);
    while (!dir.empty() && dir.back() == '/') {
        dir.pop_back();
    }
    std::vector<std::string> out;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (const auto& d : m_definitions) {
        std::string name = normalizeSlashes(d->name);
        if (equalsNoCase(getPathDirectory(name), dir)) {
            stripDirectory(name);
            out.push_back(name + ".tga");
        }
    }
    return out;
}

std::vector<std::string> ShaderSystem::getDefinitionNames() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    std::vector<std::string> out;
    out.reserve(m_definitions.size());
    for (const auto& d : m_definitions) {
        out.push_back(d->name);
    }
    return out;
}

size_t ShaderSystem::getDefinitionCount() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_definitions.size();
}

int32_t ShaderSystem::getNextIndex() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_nextIndex;
}

std::string ShaderSystem::makeBlendedTileName(const std::vector<int>& tileShaders)
{
    std::string name = "BT";
    for (int handle : tileShaders) {
        name += ' ';
        name += std::to_string(handle);
    }
    return name + ".sdr";
}

ShaderSystemLock::ShaderSystemLock()
{
    if (ShaderSystem* shaders = ShaderSystem::instance()) {
        m_mutex = &shaders->getLock();
        m_mutex->lock();
    }
}

ShaderSystemLock::~ShaderSystemLock()
{
    if (m_mutex) {
        m_mutex->unlock();
    }
}

ResourceHandle acquireShader(const std::string& path, int subType)
{
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources || path.empty()) {
        return ResourceHandle();
    }
    return resources->load(withoutExtension(normalizeSlashes(path)) + ".sdr", subType);
}

ResourceHandle acquireBlendedTileShader(const std::vector<int>& tileShaders)
{
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources) {
        return ResourceHandle();
    }
    return resources->load(ShaderSystem::makeBlendedTileName(tileShaders), ShaderSystem::kBlendedTile);
}

ResourceHandle acquireBlendedTileShader(const std::vector<ResourceHandle>& tileShaders)
{
    std::vector<int> indices;
    indices.reserve(tileShaders.size());
    for (const ResourceHandle& h : tileShaders) {
        indices.push_back(h.getIndex());
    }
    return acquireBlendedTileShader(indices);
}
