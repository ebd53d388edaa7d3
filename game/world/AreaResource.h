#pragma once

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"
#include "game/world/AreaBlock.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ResourceSystem;
class TextReader;

// One ground tile of an area: the shader path, the shader it names and the
// one drawn (its ground-detail substitute or itself).
struct AreaTile {
    std::string name;
    ResourceHandle baseShader;
    ResourceHandle shader;
    int useCount = 0; // while saving
};

// One kind of placed object: a model file.
struct AreaObjectType {
    std::string name;
    ResourceHandle handle;
    int useCount = 0; // while saving
};

// An area block file ("ara"): the blocks that the levels of one kind of area
// are built from. The block size is the game's "BlockTileWidth" x
// "BlockTileHeight" and is not stored in the file.
//
// acquire/release are counted apart from resource references: the tile
// shaders and object models are held from the first acquire to the last
// release.
class AreaResource : public Resource {
public:
    // The edge kinds with a meaning of their own, found by name.
    enum SpecialEdge {
        kLevelEdgeClosed,
        kLevelEdgeOpen,
        kLevelBottleneck,
        kClosed,
        kDoor,
        kWall,
        kBottomOpen,
        kLeftOpen,
        kCornerOnly,
        kSpecialEdgeCount
    };
    // Wanted codes that come from the level border rather than a block.
    static constexpr int kWantAny = -1;
    static constexpr int kWantOpenEdge = -2;
    static constexpr int kWantClosedEdge = -3;
    static constexpr int kWantBottleneck = -4;
    // Shaders of area tiles are asked for with this sub-type.
    static constexpr int kTileShaderSubType = 1;

    // The editor's empty area at the game's block size.
    AreaResource();
    AreaResource(int blockWidth, int blockHeight);
    ~AreaResource() override;

    // Reads an area file at the game's block size, or the given one. Reading
    // never fails: bad values fall back and are logged with "file:line".
    static std::unique_ptr<AreaResource> parse(TextReader& reader);
    static std::unique_ptr<AreaResource> parse(TextReader& reader, int blockWidth, int blockHeight);
    // The "ara" resource type.
    static void registerType(ResourceSystem& resources);

    static const char* specialEdgeName(int kind);

    int getBlockWidth() const { return m_blockWidth; }
    int getBlockHeight() const { return m_blockHeight; }

    // ---- Use by levels
    void acquire();
    void release();
    int getUserCount() const { return m_userCount; }
    bool isAcquired() const { return m_loaded; }
    // `r_groundDetail` picks the "GroundDetail<base name><level>" entry whose
    // "Replace"/"With" lists substitute tiles.
    void loadGroundDetail();

    // The drawn shader of cell (x, y), referenced; -1 for block -1 or empty.
    ResourceHandle getCellTile(int block, int x, int y) const;
    // On an object: handle := its type's model, direction set, the type
    // index returned. Otherwise the handle is released and -1 returned.
    int getCellObject(int block, int x, int y, ResourceHandle& handle, int& direction) const;
    // The object type of cell (x, y) without touching any handle; -1 for none.
    int getCellObjectType(int block, int x, int y) const;
    // The type's model, referenced; -1 for an index outside the list.
    ResourceHandle getObjectHandle(int type) const;
    bool isSideOpen(int block, int side) const;
    bool edgeMatches(int edge, int wanted) const;
    // A block whose four edges fit the wanted codes, drawn by weight from
    // random stream 2; the chosen block's use count goes up. -1 for none.
    int chooseBlock(const std::array<int, 4>& wanted, std::vector<int>& useCounts) const;

    // ---- Editing
    AreaBlock& addBlock();
    void removeBlock(int block);
    void setCellTile(int block, int x, int y, const ResourceHandle& shader);
    void setCellObject(int block, int x, int y, const ResourceHandle& model, int direction);
    void clearCellObject(int block, int x, int y);
    // Appends an edge kind (or finds it, without regard to case); -1 for a
    // name a file could not hold.
    int addEdgeKind(const std::string& name);
    void removeEdgeKind(int kind);
    // Names holding a double quote or a line break are refused.
    bool setBlockName(int block, const std::string& name);
    static bool isStorableName(std::string_view name);

    // Writes the file through a temporary file (the old one stays when the
    // write fails). Unused tiles and object types are dropped first.
    bool save(const std::string& path);
    // The file text (after dropping unused tiles and object types).
    std::string buildText();
    void writeBlock(const AreaBlock& block, std::string& out) const;

    // ---- Lookups
    int findTileByName(std::string_view name) const;
    int findTileByShader(const ResourceHandle& shader) const;
    int findObjectType(const ResourceHandle& model) const;
    int findEdgeKind(std::string_view name) const;

    int getBlockCount() const { return static_cast<int>(m_blocks.size()); }
    AreaBlock* getBlock(int block);
    const AreaBlock* getBlock(int block) const;
    const std::vector<std::unique_ptr<AreaBlock>>& getBlocks() const { return m_blocks; }
    std::vector<AreaTile>& getTiles() { return m_tiles; }
    const std::vector<AreaTile>& getTiles() const { return m_tiles; }
    std::vector<AreaObjectType>& getObjectTypes() { return m_objectTypes; }
    const std::vector<AreaObjectType>& getObjectTypes() const { return m_objectTypes; }
    const std::vector<std::string>& getEdgeKinds() const { return m_edgeKinds; }
    int getSpecialEdge(SpecialEdge kind) const { return m_special[kind]; }

    // Appends list entries without any resource (the content tool, tests).
    int addTileName(const std::string& name);
    int addObjectTypeName(const std::string& name);

private:
    void recomputeSpecialEdges();
    void pruneUnusedTiles();
    void pruneUnusedObjectTypes();

    int m_blockWidth;
    int m_blockHeight;
    int m_userCount = 0;
    bool m_loaded = false;
    std::vector<AreaTile> m_tiles;
    std::vector<AreaObjectType> m_objectTypes;
    std::vector<std::string> m_edgeKinds;
    std::array<int, kSpecialEdgeCount> m_special;
    std::vector<std::unique_ptr<AreaBlock>> m_blocks;
};

// Registers the "ara" resource type.
void registerAreaResourceType(ResourceSystem& resources);
