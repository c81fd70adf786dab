// GameWindow: what both entry points (app/main.cpp and app/browser/BrowserMain.cpp) open the game
// with: a 600 x 800 window titled with its size, and the game's font at 24 points.
#pragma once

#include <cstdio>

#include "VorlanEngine.h"

// The game's window and font: 600 x 800, titled with its size, and the font at 24 points.
struct GameWindow {
    static constexpr int width = 600;
    static constexpr int height = 800;
    static constexpr const char* font = "Cornerstone Regular.ttf";
    static constexpr int fontSize = 24;
    char title[64] = {};

    GameWindow() { std::snprintf(title, sizeof title, "Dustreach : Size %d x %d", width, height); }
};

// Calls engine.initialise with the game's window and font. Returns initialise's result: 0, or 1
// when SDL or the window could not be started (the reason is then on standard error).
inline int initialiseGameWindow(VorlanEngine& engine)
{
    const GameWindow window;
    return engine.initialise(window.title, window.width, window.height, window.font,
                             window.fontSize);
}

// The same, all but the game's content (engine.initialiseContent), which the caller sets up next.
inline int openGameWindow(VorlanEngine& engine)
{
    const GameWindow window;
    return engine.openWindow(window.title, window.width, window.height, window.font,
                             window.fontSize);
}
