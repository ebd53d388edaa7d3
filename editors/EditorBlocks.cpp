#include "editors/Editor.h"

#include "engine/console/CommandRecord.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

std::string formatWeight(float weight)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", weight);
    return text;
}

// The footprint of an object type's model: (columns, rows) at a facing, a
// count that is not positive counting as one cell.
void footprint(const AreaResource& area, int type, int facing, int& width, int& height)
{
    width = height = 1;
    ResourceSystem* resources = ResourceSystem::instance();
    ResourceHandle handle = area.getObjectHandle(type);
    const ModelResource* model =
        resources && handle.isValid() ? resources->getAs<ModelResource>(handle) : nullptr;
    if (model) {
        model->getFootprintSize(facing, width, height);
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
}

} // namespace

AreaBlock* Editor::currentBlock() const
{
    AreaResource* area = getArea();
    return area ? area->getBlock(m_currentBlock) : nullptr;
}

void Editor::fillEdgeVariables()
{
    AreaResource* area = getArea();
    AreaBlock* block = currentBlock();
    if (!area || !block) {
        return;
    }
    const std::vector<std::string>& kinds = area->getEdgeKinds();
    for (int side = 0; side < AreaBlock::kSideCount; ++side) {
        const int kind = block->edges[static_cast<size_t>(side)];
        setText(kTopConnection + side,
                kind >= 0 && kind < static_cast<int>(kinds.size()) ? kinds[static_cast<size_t>(kind)] : "");
    }
}

void Editor::loadBlockVariables()
{
    AreaBlock* block = currentBlock();
    if (!block) {
        return;
    }
    setText(kBlockName, block->name);
    setText(kBlockWeight, formatWeight(block->weight));
    setText(kBlockMaxUse, std::to_string(block->maxUses));
    setText(kBlockOpenEdges, block->flagsText());
    setText(kBlockMonsters, block->alwaysMonsters ? "1" : "0");
    setText(kBlockChest, block->alwaysChests ? "1" : "0");
}

void Editor::newBlock()
{
    AreaResource* area = getArea();
    if (!area) {
        return;
    }
    AreaBlock& block = area->addBlock();
    block.name = "unnamed";
    m_currentBlock = area->getBlockCount() - 1;
    loadBlockVariables();
    fillEdgeVariables();
    clearPreview();
    m_saved = false;
}

void Editor::duplicateBlock()
{
    AreaResource* area = getArea();
    AreaBlock* current = currentBlock();
    if (!area || !current) {
        return;
    }
    const AreaBlock copy = *current;
    AreaBlock& block = area->addBlock();
    block = copy;
    block.name = copy.name + "-dup";
    setText(kBlockName, block.name);
    m_currentBlock = area->getBlockCount() - 1;
    fillEdgeVariables();
    clearPreview();
    m_saved = false;
}

void Editor::changeBlock()
{
    AreaResource* area = getArea();
    const int index = std::atoi(text(kBlockIndex).c_str());
    if (area && area->getBlock(index)) {
        m_currentBlock = index;
        fillEdgeVariables();
        clearPreview();
    }
    loadBlockVariables();
}

void Editor::deleteBlock()
{
    AreaResource* area = getArea();
    if (!area || !currentBlock()) {
        return;
    }
    area->removeBlock(m_currentBlock);
    m_currentBlock = -1;
    emptyEdgeVariables();
    m_preview->setEditorPreview(nullptr, -1);
    clearPreview();
    m_saved = false;
}

void Editor::stepBlock(int step)
{
    AreaResource* area = getArea();
    const int count = area ? area->getBlockCount() : 0;
    if (count == 0) {
        return;
    }
    int index = std::atoi(text(kBlockIndex).c_str()) + step;
    if (index < 0) {
        index = count - 1;
    } else if (index >= count) {
        index = 0;
    }
    setText(kBlockIndex, std::to_string(index));
    changeBlock();
}

void Editor::rotateBlock()
{
    AreaResource* area = getArea();
    AreaBlock* block = currentBlock();
    if (!area || !block) {
        return;
    }
    const int n = block->getWidth();
    if (n != block->getHeight()) {
        debugPrint(2, "EditorRotateBlock: blocks of %d x %d cells cannot be turned\n", block->getWidth(),
                   block->getHeight());
        return;
    }
    const auto edges = block->edges;
    block->edges = {edges[1], edges[3], edges[0], edges[2]};
    fillEdgeVariables();

    const std::vector<int> tiles = block->tiles;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            block->tiles[static_cast<size_t>(i * n + j)] = tiles[static_cast<size_t>((n - 1 - j) * n + i)];
        }
    }
    const std::vector<AreaCellObject> objects = block->objects;
    std::fill(block->objects.begin(), block->objects.end(), AreaCellObject{});
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const AreaCellObject& old = objects[static_cast<size_t>(r * n + c)];
            if (old.type < 0) {
                continue;
            }
            const int facing = (old.direction + 2) % 8;
            int width = 1, height = 1;
            footprint(*area, old.type, facing, width, height);
            int row = c;
            if ((width > 1 || height > 1) && old.direction % 2 == 0) {
                // A large object keeps its cells inside the block.
                row = std::min(c + (height - 1), n - 1);
            }
            const int column = n - 1 - r;
            block->objects[static_cast<size_t>(row * n + column)] = AreaCellObject{old.type, facing};
        }
    }
    clearPreview();
    m_saved = false;
}

void Editor::addEdgeKind()
{
    AreaResource* area = getArea();
    if (!area) {
        return;
    }
    const std::string name = text(kConnectionName);
    if (area->findEdgeKind(name) < 0 && area->addEdgeKind(name) < 0) {
        debugPrint(2, "EditorCreateNewConnection: \"%s\" cannot be an edge name\n", name.c_str());
    }
    refreshMenu();
    m_saved = false;
}

void Editor::deleteEdgeKind()
{
    AreaResource* area = getArea();
    if (!area) {
        return;
    }
    const int kind = area->findEdgeKind(text(kConnectionToDelete));
    if (kind >= 0) {
        area->removeEdgeKind(kind);
        fillEdgeVariables();
    }
    refreshMenu();
    m_saved = false;
}

void Editor::listBlocks(std::vector<ListEntry>& list) const
{
    AreaResource* area = getArea();
    for (int i = 0; area && i < area->getBlockCount(); ++i) {
        if (const AreaBlock* block = area->getBlock(i)) {
            ListEntry row;
            row.name = block->name;
            row.value = std::to_string(i);
            list.push_back(row);
        }
    }
}

void Editor::listEdgeKinds(std::vector<ListEntry>& list) const
{
    if (AreaResource* area = getArea()) {
        for (const std::string& kind : area->getEdgeKinds()) {
            ListEntry row;
            row.name = kind;
            row.value = kind;
            list.push_back(row);
        }
    }
}

void Editor::copyVariablesIntoBlock()
{
    AreaResource* area = getArea();
    AreaBlock* block = currentBlock();
    if (!area || !block) {
        return;
    }
    const std::string name = text(kBlockName);
    if (name != block->name) {
        if (area->setBlockName(m_currentBlock, name)) {
            m_saved = false;
        } else {
            // Set back, so the refused name is not tried every frame.
            debugPrint(2, "The block name \"%s\" cannot be stored in an area file\n", name.c_str());
            setText(kBlockName, block->name);
        }
    }
    // Only a text other than the block's own shows an edit: the shown
    // rounding never changes a value read from a file.
    const std::string weight = text(kBlockWeight);
    if (weight != formatWeight(block->weight)) {
        const float value = static_cast<float>(std::atof(weight.c_str()));
        if (value != block->weight) {
            block->weight = value;
            m_saved = false;
        }
    }
    const std::string maxUse = text(kBlockMaxUse);
    if (maxUse != std::to_string(block->maxUses)) {
        const int value = std::atoi(maxUse.c_str());
        if (value != block->maxUses) {
            block->maxUses = value;
            m_saved = false;
        }
    }
    const bool monsters = text(kBlockMonsters) == "1" || equalsNoCase(text(kBlockMonsters), "true");
    if (monsters != block->alwaysMonsters) {
        block->alwaysMonsters = monsters;
        m_saved = false;
    }
    const bool chest = text(kBlockChest) == "1" || equalsNoCase(text(kBlockChest), "true");
    if (chest != block->alwaysChests) {
        block->alwaysChests = chest;
        m_saved = false;
    }
    const std::string edges = text(kBlockOpenEdges);
    if (edges != block->flagsText()) {
        block->setFlagsFromText(edges);
        m_saved = false;
    }
    for (int side = 0; side < AreaBlock::kSideCount; ++side) {
        const int kind = area->findEdgeKind(text(kTopConnection + side));
        if (kind >= 0 && kind != block->edges[static_cast<size_t>(side)]) {
            block->edges[static_cast<size_t>(side)] = kind;
            m_saved = false;
        }
    }
}
