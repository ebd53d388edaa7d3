#include "engine/resources/ResourceHandle.h"

#include "engine/resources/ResourceSystem.h"

ResourceHandle::~ResourceHandle()
{
    release();
}

ResourceHandle::ResourceHandle(const ResourceHandle& other) : m_index(other.m_index)
{
    if (m_index >= 0 && ResourceSystem::instance()) {
        ResourceSystem::get().addRef(m_index);
    }
}

ResourceHandle::ResourceHandle(ResourceHandle&& other) noexcept : m_index(other.m_index)
{
    other.m_index = -1;
}

ResourceHandle& ResourceHandle::operator=(const ResourceHandle& other)
{
    if (this != &other) {
        // Reference the new entry first: it may be the one being released.
        if (other.m_index >= 0 && ResourceSystem::instance()) {
            ResourceSystem::get().addRef(other.m_index);
        }
        release();
        m_index = other.m_index;
    }
    return *this;
}

ResourceHandle& ResourceHandle::operator=(ResourceHandle&& other) noexcept
{
    if (this != &other) {
        release();
        m_index = other.m_index;
        other.m_index = -1;
    }
    return *this;
}

ResourceHandle ResourceHandle::adopt(int index)
{
    ResourceHandle handle;
    handle.m_index = index;
    return handle;
}

void ResourceHandle::release()
{
    if (m_index >= 0 && ResourceSystem::instance()) {
        ResourceSystem::get().release(m_index);
    }
    m_index = -1;
}

std::string ResourceHandle::getFileName() const
{
    if (m_index < 0 || !ResourceSystem::instance()) {
        return std::string();
    }
    return ResourceSystem::get().getFileName(m_index);
}

Resource* ResourceHandle::get() const
{
    if (m_index < 0 || !ResourceSystem::instance()) {
        return nullptr;
    }
    return ResourceSystem::get().get(m_index);
}

bool ResourceHandle::isLoaded() const
{
    return m_index >= 0 && ResourceSystem::instance() && ResourceSystem::get().isLoaded(m_index);
}
