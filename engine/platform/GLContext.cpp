#include "engine/platform/GLContext.h"

#include <SDL.h>

void GLContext::setWindowAttributes(int multisampleSamples)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, multisampleSamples > 1 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, multisampleSamples > 1 ? multisampleSamples : 0);
}

std::vector<int> GLContext::probeMultisampleCounts()
{
    std::vector<int> counts;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return counts;
    }
    for (int samples = 2; samples <= 8; ++samples) {
        setWindowAttributes(samples);
        SDL_Window* window =
            SDL_CreateWindow("Antialiasing", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window) {
            continue;
        }
        SDL_GLContext context = SDL_GL_CreateContext(window);
        if (context) {
            int buffers = 0, got = 0;
            SDL_GL_GetAttribute(SDL_GL_MULTISAMPLEBUFFERS, &buffers);
            SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &got);
            if (buffers > 0 && got == samples) {
                counts.push_back(samples);
            }
            SDL_GL_MakeCurrent(window, nullptr);
            SDL_GL_DeleteContext(context);
        }
        SDL_DestroyWindow(window);
    }
    setWindowAttributes(0);
    return counts;
}

GLContext::~GLContext()
{
    destroy();
}

bool GLContext::create(SDL_Window* window, std::string& error)
{
    destroy();
    m_window = window;
    m_context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!m_context) {
        error = std::string("No OpenGL context with RGBA colour, 24-bit depth and 8-bit stencil: ") +
                (window ? SDL_GetError() : "no window");
        m_window = nullptr;
        return false;
    }
    // SDL makes a new context current; the owner of the lock decides.
    SDL_GL_MakeCurrent(m_window, nullptr);
    return true;
}

void GLContext::destroy()
{
    if (m_context) {
        SDL_GL_MakeCurrent(m_window, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
        m_context = nullptr;
    }
    m_window = nullptr;
}

bool GLContext::makeCurrent()
{
    return m_context && SDL_GL_MakeCurrent(m_window, static_cast<SDL_GLContext>(m_context)) == 0;
}

void GLContext::makeNoneCurrent()
{
    if (m_context) {
        SDL_GL_MakeCurrent(m_window, nullptr);
    }
}

void GLContext::swap()
{
    if (m_window) {
        SDL_GL_SwapWindow(m_window);
    }
}

bool GLContext::setSwapInterval(int interval)
{
    return m_context && SDL_GL_SetSwapInterval(interval) == 0;
}

void* GLContext::getProcAddress(const char* name) const
{
    return SDL_GL_GetProcAddress(name);
}

bool GLContext::hasExtension(const char* name) const
{
    return m_context && SDL_GL_ExtensionSupported(name) == SDL_TRUE;
}

void GLContext::getDrawableSize(int& width, int& height) const
{
    width = height = 0;
    if (m_window) {
        SDL_GL_GetDrawableSize(m_window, &width, &height);
    }
}
