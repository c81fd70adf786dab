// GameDriver: the real game engine driven in-process, as the fault tests and the soak use it. It
// builds and initialises a VorlanEngine headless in the current working folder (the font opened by
// its plain name there, as the game does), pushes input into SDL's event queue, and runs the real
// main loop one iteration at a time on a fake clock that moves 10 ms per iteration, so that every
// iteration runs one update tick and no wall-clock time is ever waited for. Owns the engine; its
// destruction ends the engine the normal way and empties the program-wide picture cache.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "GameState.h"
#include "VorlanEngine.h"

namespace dustreach::test {

class GameDriver {
public:
    // The engine keeps its two files in filesFolder ("" is the working folder).
    explicit GameDriver(const std::string& filesFolder = {});
    ~GameDriver();
    GameDriver(const GameDriver&) = delete;
    GameDriver& operator=(const GameDriver&) = delete;

    // Whether initialise returned 0.
    bool started() const { return startedOk; }
    // Runs iterations of the main loop, each 10 ms of fake time after the one before. False as
    // soon as one ends with a quit event.
    bool step(int iterations = 1);

    // Queue input for the next iteration; false when SDL's queue refused it.
    static bool key(SDL_Keycode code, bool down);
    static bool tap(SDL_Keycode code);
    // A press and a release of the button at a window position.
    static bool click(int button, int x, int y);

    VorlanEngine& engine();
    GameState& state();
    // Iterations run, and frames composed and presented.
    long long ticks() const { return tickCount; }
    long long frames() const;

private:
    class CountingEngine;

    std::unique_ptr<CountingEngine> game;
    bool startedOk = false;
    std::uint32_t clock = 1000;
    long long tickCount = 0;
};

}  // namespace dustreach::test
