// Start-up failures: a window, renderer, texture or drawing surface that SDL cannot make stops
// initialise with exit code 1 and one "Unable to init SDL: " line naming it, with nothing else set
// up. SDL's dummy video driver is made to fail: a window too large for it, and allocations of a
// whole window's pixels refused after a given number of them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BaseEngine.h"
#include "TestSupport.h"

using namespace dustreach::test;

namespace {

constexpr int kW = 100;
constexpr int kH = 80;

// SDL's memory functions take no user data, so the refusal's settings live here while one is
// installed.
struct Refusal {
    SDL_malloc_func malloc = nullptr;
    SDL_calloc_func calloc = nullptr;
    SDL_realloc_func realloc = nullptr;
    SDL_free_func free = nullptr;
    int allowed = 0;
};
Refusal refusal;

bool refuses(size_t bytes)
{
    // A window's worth of pixels: the renderer's frame, the texture and the two surfaces.
    if (bytes < static_cast<size_t>(kW) * kH * 4)
        return false;
    return refusal.allowed-- <= 0;
}

void* refusingMalloc(size_t bytes)
{
    return refuses(bytes) ? nullptr : refusal.malloc(bytes);
}

void* refusingCalloc(size_t count, size_t size)
{
    return refuses(count * size) ? nullptr : refusal.calloc(count, size);
}

void* refusingRealloc(void* block, size_t bytes)
{
    return refuses(bytes) ? nullptr : refusal.realloc(block, bytes);
}

// Installs the refusing allocator for its lifetime: the first `allowed` large allocations work.
class RefusedAllocations {
public:
    explicit RefusedAllocations(int allowed)
    {
        SDL_GetMemoryFunctions(&refusal.malloc, &refusal.calloc, &refusal.realloc, &refusal.free);
        refusal.allowed = allowed;
        SDL_SetMemoryFunctions(refusingMalloc, refusingCalloc, refusingRealloc, refusal.free);
    }
    ~RefusedAllocations()
    {
        SDL_SetMemoryFunctions(refusal.malloc, refusal.calloc, refusal.realloc, refusal.free);
    }
};

struct Outcome {
    int result;
    std::string out;
    std::string err;
    bool windowKept;
    bool sdlRunning;
};

Outcome start(int width, int height)
{
    BaseEngine engine;
    StdoutCapture out;
    testing::internal::CaptureStderr();
    const int result = initialiseHeadless(engine, true, width, height);
    const std::string err = testing::internal::GetCapturedStderr();
    const bool windowKept = engine.getWindow() != nullptr;
    const bool sdlRunning = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    engine.deinitialise();
    return {result, out.stop(), err, windowKept, sdlRunning};
}

TEST(StartupFailureTest, AWindowSDLCannotMakeStopsTheStart)
{
    const Outcome outcome = start(20000, kH);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.err,
              "Unable to init SDL: could not create the window: Window is too large.\n");
    EXPECT_EQ(outcome.out, "") << "no font is opened";
    EXPECT_FALSE(outcome.windowKept);
    EXPECT_FALSE(outcome.sdlRunning);
}

// How many window-sized allocations each step makes is SDL's own business (a renderer may try
// several drivers, each allocating): refusals start later and later until the start works, and
// every step fails once, in order, on the way.
TEST(StartupFailureTest, ARendererTextureOrSurfaceSDLCannotMakeStopsTheStart)
{
    const std::string prefix = "Unable to init SDL: could not create the ";
    std::vector<std::string> failed;
    int allowed = 0;
    for (; allowed < 20; ++allowed) {
        RefusedAllocations refused(allowed);
        const Outcome outcome = start(kW, kH);
        if (outcome.result == 0)
            break;
        EXPECT_EQ(outcome.result, 1) << outcome.err;
        ASSERT_EQ(outcome.err.rfind(prefix, 0), 0u) << outcome.err;
        EXPECT_EQ(outcome.out, "") << outcome.err;
        EXPECT_FALSE(outcome.windowKept) << outcome.err;
        EXPECT_FALSE(outcome.sdlRunning) << outcome.err;
        const std::size_t end = outcome.err.find(": ", prefix.size());
        const std::string what = outcome.err.substr(prefix.size(), end - prefix.size());
        if (failed.empty() || failed.back() != what)
            failed.push_back(what);
    }
    EXPECT_EQ(failed, (std::vector<std::string>{"renderer", "texture", "foreground surface",
                                                "background surface"}));
    RefusedAllocations enough(allowed);
    const Outcome outcome = start(kW, kH);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_TRUE(outcome.windowKept);
}

}  // namespace
