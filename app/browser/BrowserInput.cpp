// BrowserInput: the key and mouse-button events, filled in field by field as SDL fills those of
// a real keyboard and mouse (SDL_PushEvent stamps the time).
#include "BrowserInput.h"

#include <algorithm>

bool BrowserInput::key(SDL_Keycode code, bool down) const
{
    SDL_Event event{};
    event.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = SDL_GetWindowID(window);
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(code);
    event.key.keysym.sym = code;
    event.key.keysym.mod = static_cast<Uint16>(SDL_GetModState());
    return SDL_PushEvent(&event) == 1;
}

bool BrowserInput::tap(SDL_Keycode code) const
{
    return key(code, true) && key(code, false);
}

bool BrowserInput::mouseButton(int button, bool down, int x, int y) const
{
    // SDL numbers buttons from 1; its button masks stop at 32.
    if (button < 1 || button > 32)
        return false;
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window, &width, &height);
    SDL_Event event{};
    event.button.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = SDL_GetWindowID(window);
    event.button.button = static_cast<Uint8>(button);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = std::clamp(x, 0, std::max(width - 1, 0));
    event.button.y = std::clamp(y, 0, std::max(height - 1, 0));
    return SDL_PushEvent(&event) == 1;
}
