// BrowserLoop: the game's main loop where the browser owns the loop. The page calls frame() once
// per animation frame (60, 120 or 144 times a second, and not at all while the tab is hidden); each
// call catches the game up with real time in 10 ms ticks and shows at most one frame, so the game
// runs at 100 updates a second whatever the display's rate. Owns nothing: the engine belongs to
// the entry point. Plain C++ on SDL, so the desktop tests drive it with a clock of their own.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "BrowserInput.h"

class VorlanEngine;

class BrowserLoop {
public:
    // Ticks made up in one frame at most. A longer gap (a hidden tab, a stalled machine) is
    // skipped rather than raced through, as the desktop skips the ticks a stall swallows.
    static constexpr int kMaxTicksPerFrame = 5;

    // Becomes the engine's clock (its tick source) and watches its events; engine must be
    // initialised and outlive the loop.
    explicit BrowserLoop(VorlanEngine& engine);
    ~BrowserLoop();
    BrowserLoop(const BrowserLoop&) = delete;
    BrowserLoop& operator=(const BrowserLoop&) = delete;

    // One animation frame at nowMs, the page's clock in milliseconds: the events, one update for
    // each 10 ms tick due since the last (at most kMaxTicksPerFrame), then one redraw if one was
    // requested. False when the game quit; the loop must then not be called again.
    bool frame(double nowMs);
    // Updates run so far.
    long long updates() const { return updateCount; }

private:
    // Notes a tab hidden while the game runs (SDL sends a window event at once, from the page).
    static int SDLCALL watchEvents(void* loop, SDL_Event* event);
    VorlanEngine& engine;
    // Presses SPACE when a hidden tab pauses the game, as the player would.
    BrowserInput input;
    std::uint32_t clock = 0;
    bool started = false;
    bool hiddenWhileRunning = false;
    long long updateCount = 0;
};
