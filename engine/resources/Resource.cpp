#include "engine/resources/Resource.h"

#include "engine/core/DebugSystem.h"

Resource::~Resource() = default;

void Resource::printInfo() const
{
    debugPrintRaw("%s%s\n", m_fileName.c_str(), m_placeholder ? " (placeholder)" : "");
}

void Resource::keepImage(std::vector<uint8_t> image)
{
    m_image = std::move(image);
    m_keepImage = true;
}
