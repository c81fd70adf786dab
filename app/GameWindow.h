// GameWindow: what both entry points (app/main.cpp and app/browser/BrowserMain.cpp) open the game
// with: a 600 x 800 window titled with its size, and the game's font at 24 points.
#pragma once

#include <cstdio>

#include "VorlanEngine.h"

// Calls engine.initialise with the game's window and font. Returns initialise's result: 0, or 1
// when SDL or the window could not be started (the reason is then on standard error).
inline int initialiseGameWindow(VorlanEngine& engine)
{
    constexpr int width = 600;
    constexpr int height = 800;
    char title[1024];
    std::snprintf(title, sizeof title, "Dustreach : Size %d x %d", width, height);
    return engine.initialise(title, width, height, "Cornerstone Regular.ttf", 24);
}
