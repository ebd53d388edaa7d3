#pragma once

#include <string>
#include <vector>

struct SDL_Window;

// An OpenGL context for a window: RGBA 8/8/8/8, depth 24, stencil 8, double
// buffered, compatibility profile, optionally multisampled. Made current on
// one thread at a time (Mesa lets a context move between threads).
class GLContext {
public:
    // The attributes for the next window; call before the window is made.
    static void setWindowAttributes(int multisampleSamples);

    // Sample counts 2…8 for which a hidden window gets a multisampled
    // context (video must be running).
    static std::vector<int> probeMultisampleCounts();

    GLContext() = default;
    ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    // False with SDL's reason in `error`.
    bool create(SDL_Window* window, std::string& error);
    void destroy();
    bool isValid() const { return m_context != nullptr; }
    SDL_Window* getWindow() const { return m_window; }

    bool makeCurrent();
    // No context current on the calling thread.
    void makeNoneCurrent();
    void swap();
    // False when the driver refuses the interval.
    bool setSwapInterval(int interval);
    void* getProcAddress(const char* name) const;
    bool hasExtension(const char* name) const;
    void getDrawableSize(int& width, int& height) const;

private:
    SDL_Window* m_window = nullptr;
    void* m_context = nullptr;
};
