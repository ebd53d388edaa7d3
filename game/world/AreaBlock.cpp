#include "game/world/AreaBlock.h"

#include <algorithm>

AreaBlock::AreaBlock(int width, int height) : m_width(std::max(width, 1)), m_height(std::max(height, 1))
{
    const size_t cells = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
    tiles.assign(cells, -1);
    objects.assign(cells, AreaCellObject{});
}

int AreaBlock::cellElement(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return -1;
    }
    return (m_height - 1 - y) * m_width + x;
}

int AreaBlock::rowElement(int column, int row) const
{
    if (column < 0 || row < 0 || column >= m_width || row >= m_height) {
        return -1;
    }
    return row * m_width + column;
}

std::string AreaBlock::flagsText() const
{
    std::string text(kSideCount, '0');
    for (int i = 0; i < kSideCount; ++i) {
        if ((openSides >> i) & 1) {
            text[i] = '1';
        }
    }
    return text;
}

void AreaBlock::setFlagsFromText(std::string_view text)
{
    if (text.size() != kSideCount) {
        return;
    }
    int bits = 0;
    for (int i = 0; i < kSideCount; ++i) {
        if (text[i] == '1') {
            bits |= 1 << i;
        }
    }
    openSides = bits;
}

bool AreaBlock::operator==(const AreaBlock& other) const
{
    return m_width == other.m_width && m_height == other.m_height && tiles == other.tiles &&
           objects == other.objects && edges == other.edges && name == other.name && weight == other.weight &&
           openSides == other.openSides && maxUses == other.maxUses &&
           alwaysMonsters == other.alwaysMonsters && alwaysChests == other.alwaysChests;
}
