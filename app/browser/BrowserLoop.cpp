// BrowserLoop: the catch-up of 10 ms ticks per animation frame, the single redraw, and the pause
// when the tab is hidden during play.
#include "BrowserLoop.h"

#include "GameState.h"
#include "VorlanEngine.h"

namespace {

constexpr std::int64_t kTickMs = 10;

}  // namespace

BrowserLoop::BrowserLoop(VorlanEngine& engine) : engine(engine), input(engine.getWindow())
{
    engine.setTickSource([this] { return clock; });
    SDL_AddEventWatch(&BrowserLoop::watchEvents, this);
}

BrowserLoop::~BrowserLoop()
{
    SDL_DelEventWatch(&BrowserLoop::watchEvents, this);
}

bool BrowserLoop::frame(double nowMs)
{
    const auto now = static_cast<std::int64_t>(nowMs);
    if (!started) {
        started = true;
        clock = static_cast<std::uint32_t>(now);
    }
    std::int64_t due = (now - static_cast<std::int64_t>(clock)) / kTickMs;
    if (due > kMaxTicksPerFrame) {
        clock += static_cast<std::uint32_t>((due - kMaxTicksPerFrame) * kTickMs);
        due = kMaxTicksPerFrame;
    }
    if (hiddenWhileRunning) {
        hiddenWhileRunning = false;
        if (engine.getState().playState == Running)
            input.tap(SDLK_SPACE);
    }
    // One step at least, for the events; with ticks due, one step for each, the clock a tick on.
    const std::int64_t steps = due > 0 ? due : 1;
    for (std::int64_t step = 0; step < steps; ++step) {
        if (due > 0)
            clock += kTickMs;
        // The engine's tick moves its next due time on whenever it runs an update.
        const int before = engine.nextActTime;
        if (!engine.mainLoopStep())
            return false;
        if (engine.nextActTime != before)
            ++updateCount;
    }
    engine.redrawDisplay();
    return true;
}

int SDLCALL BrowserLoop::watchEvents(void* loop, SDL_Event* event)
{
    auto* self = static_cast<BrowserLoop*>(loop);
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_HIDDEN &&
        self->engine.getState().playState == Running)
        self->hiddenWhileRunning = true;
    return 1;
}
