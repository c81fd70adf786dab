// BrowserInput: input the page hands to the game, queued as the very SDL events a keyboard and a
// mouse make, so the game cannot tell them apart: the touch controls' keys and buttons, the
// release of keys the keyboard held when the game lost the focus, and the loop's own SPACE when a
// tab is hidden. The desktop's gamepads (GamepadControls) hand the game their keys and buttons
// through it too. Owns nothing; plain C++ on SDL, so the desktop builds it as well.
#pragma once

#include <SDL.h>

class BrowserInput {
public:
    // Events go to window (the game's), which must outlive this.
    explicit BrowserInput(SDL_Window* window) : window(window) {}

    // Queues a key-down or key-up event of code, an SDL key code, with its scancode and the
    // modifiers held. False when SDL's queue refused it.
    bool key(SDL_Keycode code, bool down) const;
    // A key-down and a key-up of code, as a quick tap of a key.
    bool tap(SDL_Keycode code) const;
    // Queues a press or release of button (SDL's number: 1 left, 2 middle, 3 right) at (x, y) in
    // window pixels, kept inside the window as a real pointer is; the engine converts it through
    // its filters. False for a button SDL has no number for, or when the queue refused it.
    bool mouseButton(int button, bool down, int x, int y) const;

private:
    SDL_Window* window;
};
