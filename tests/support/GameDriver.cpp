// GameDriver implementation (see GameDriver.h).
#include "GameDriver.h"

#include "ImageManager.h"
#include "TestSupport.h"

namespace dustreach::test {

// The game's engine, counting the redraws that compose and present a frame.
class GameDriver::CountingEngine : public VorlanEngine {
public:
    using VorlanEngine::VorlanEngine;

    void redrawDisplay() override
    {
        if (redrawRequested)
            ++frames;
        VorlanEngine::redrawDisplay();
    }

    long long frames = 0;
};

GameDriver::GameDriver(const std::string& filesFolder)
{
    useDummyVideo();
    // Built in the folder: the power-up strip loads its icons at construction.
    game = std::make_unique<CountingEngine>(filesFolder);
    startedOk = game->initialise("Dustreach test", 600, 800, "Cornerstone Regular.ttf", 24) == 0;
    game->setTickSource([this] { return clock; });
    // Whatever SDL queued while starting (window events) is not part of any script.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

GameDriver::~GameDriver()
{
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    game->deinitialise();
    game.reset();
    // Pictures stay cached beyond their engine; the next engine must read its own files.
    ImageManager::destroyInstance();
}

bool GameDriver::step(int iterations)
{
    for (int i = 0; i < iterations; ++i) {
        clock += 10;
        ++tickCount;
        if (!game->mainLoopIteration())
            return false;
    }
    return true;
}

bool GameDriver::key(SDL_Keycode code, bool down)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = code;
    return SDL_PushEvent(&event) == 1;
}

bool GameDriver::tap(SDL_Keycode code)
{
    return key(code, true) && key(code, false);
}

bool GameDriver::click(int button, int x, int y)
{
    SDL_Event event{};
    event.button = {SDL_MOUSEBUTTONDOWN, 0, 0, 0, static_cast<Uint8>(button),
                    SDL_PRESSED,         1, 0, x, y};
    const bool pressed = SDL_PushEvent(&event) == 1;
    event.button.type = SDL_MOUSEBUTTONUP;
    event.button.state = SDL_RELEASED;
    return pressed && SDL_PushEvent(&event) == 1;
}

VorlanEngine& GameDriver::engine()
{
    return *game;
}

GameState& GameDriver::state()
{
    return game->getState();
}

long long GameDriver::frames() const
{
    return game->frames;
}

}  // namespace dustreach::test
