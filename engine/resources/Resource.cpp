#include "engine/resources/Resource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/MemorySystem.h"

#include <algorithm>
#include <cstring>

Resource::~Resource()
{
    memFree(m_image);
}

std::string Resource::describe() const
{
    return m_fileName + (m_placeholder ? " (placeholder)" : "");
}

void Resource::printInfo() const
{
    debugPrintRaw("%s\n", describe().c_str());
}

void Resource::keepImage(const uint8_t* data, size_t size, int memoryCategory)
{
    memFree(m_image);
    m_image = nullptr;
    m_imageSize = 0;
    m_keepImage = true;
    auto category = static_cast<MemCategory>(std::clamp(memoryCategory, 1, kMemCategoryCount - 1));
    // One byte more, so that an empty file still has a block.
    m_image = static_cast<uint8_t*>(memAlloc(size + 1, category));
    if (size > 0) {
        std::memcpy(m_image, data, size);
    }
    m_image[size] = 0;
    m_imageSize = size;
}
