#include "engine/platform/Cursor.h"

#include <SDL.h>

Cursor::~Cursor()
{
    if (m_cursor) {
        if (SDL_GetCursor() == static_cast<SDL_Cursor*>(m_cursor)) {
            // Never leave a freed cursor current.
            SDL_SetCursor(SDL_GetDefaultCursor());
        }
        SDL_FreeCursor(static_cast<SDL_Cursor*>(m_cursor));
    }
}

std::unique_ptr<Cursor> Cursor::fromPixels(const uint8_t* rgba, int width, int height, int hotX, int hotY)
{
    if (!rgba || width <= 0 || height <= 0 || !SDL_WasInit(SDL_INIT_VIDEO)) {
        return nullptr;
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) {
        return nullptr;
    }
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
    SDL_FreeSurface(surface);
    return cursor ? std::unique_ptr<Cursor>(new Cursor(cursor)) : nullptr;
}

std::unique_ptr<Cursor> Cursor::arrow()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return nullptr;
    }
    SDL_Cursor* cursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    return cursor ? std::unique_ptr<Cursor>(new Cursor(cursor)) : nullptr;
}

// The mouse calls below reach into SDL's video state, which is gone once the
// video subsystem has quit (or was never started): they do nothing then.
void Cursor::set() const
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return;
    }
    SDL_SetCursor(static_cast<SDL_Cursor*>(m_cursor));
}

void Cursor::show(bool visible)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return;
    }
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool Cursor::isShown()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return false;
    }
    return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
}

bool Cursor::isCurrent() const
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return false;
    }
    return SDL_GetCursor() == static_cast<SDL_Cursor*>(m_cursor);
}
