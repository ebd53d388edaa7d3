#include "graphics/GraphicsSystem.h"

#include "engine/platform/GLContext.h"

GraphicsSystem::GraphicsSystem() = default;

GraphicsSystem::~GraphicsSystem() = default;

void GraphicsSystem::acquireContext()
{
    m_contextMutex.lock();
    if (m_contextNesting == 0 && m_context) {
        m_context->makeCurrent();
    }
    m_contextOwner = std::this_thread::get_id();
    ++m_contextNesting;
}

void GraphicsSystem::releaseContext()
{
    if (--m_contextNesting == 0) {
        m_contextOwner = std::thread::id();
        if (m_context) {
            m_context->makeNoneCurrent();
        }
    }
    m_contextMutex.unlock();
}

bool GraphicsSystem::ownsContext() const
{
    return m_contextOwner.load() == std::this_thread::get_id();
}

int GraphicsSystem::getContextNesting() const
{
    return ownsContext() ? m_contextNesting : 0;
}

int GraphicsSystem::releaseAllContext()
{
    if (!ownsContext()) {
        return 0;
    }
    int levels = m_contextNesting;
    for (int i = 0; i < levels; ++i) {
        releaseContext();
    }
    return levels;
}

void GraphicsSystem::reacquireContext(int levels)
{
    for (int i = 0; i < levels; ++i) {
        acquireContext();
    }
}

void GraphicsSystem::setContext(GLContext* context)
{
    std::lock_guard<std::recursive_mutex> lock(m_contextMutex);
    m_context = context;
}

uint32_t GraphicsSystem::allocateTextureId()
{
    std::lock_guard<std::mutex> lock(m_idMutex);
    if (!m_freeTextureIds.empty()) {
        uint32_t id = m_freeTextureIds.front();
        m_freeTextureIds.pop_front();
        return id;
    }
    return m_nextTextureId++;
}
