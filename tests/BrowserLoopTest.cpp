// BrowserLoop, the browser's loop driver, on a page clock of the test's own: the real game runs at
// 100 updates a second at 60, 120 and 144 animation frames a second, shows at most one frame per
// animation frame and only when one was asked for, skips a long gap instead of racing through it,
// and pauses a running game when its tab is hidden. And BrowserInput, the way the page's touch
// controls and key releases reach the game: its events are those of a keyboard and a mouse, field
// by field. (The game played through them, in browsers: tests/browser/scenarios/input.mjs.)
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>

#include "BrowserInput.h"
#include "BrowserLoop.h"
#include "GameFixture.h"

using namespace dustreach::test;

namespace {

class BrowserLoopTest : public GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        loop = std::make_unique<BrowserLoop>(game->engine());
        frame();  // the start screen
    }

    // One animation frame, step milliseconds of page time after the last.
    void frame(double step = 0.0)
    {
        now += step;
        ASSERT_TRUE(loop->frame(now));
    }
    // Animation frames at hz a second for seconds of page time.
    void play(double hz, double seconds)
    {
        const int frames = static_cast<int>(hz * seconds);
        for (int i = 0; i < frames; ++i)
            frame(1000.0 / hz);
    }
    void press(SDL_Keycode key)
    {
        ASSERT_TRUE(GameDriver::tap(key));
        frame(1000.0 / 60);
    }
    void hideTab()
    {
        SDL_Event hidden{};
        hidden.type = SDL_WINDOWEVENT;
        hidden.window.event = SDL_WINDOWEVENT_HIDDEN;
        ASSERT_EQ(SDL_PushEvent(&hidden), 1);
    }
    PlayState playState() { return game->state().playState; }
    // The next event in SDL's queue.
    static SDL_Event next()
    {
        SDL_Event event{};
        EXPECT_EQ(SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 1);
        return event;
    }

    std::unique_ptr<BrowserLoop> loop;
    double now = 5000.25;
};

TEST_F(BrowserLoopTest, RunsAHundredUpdatesASecondAtAnyFrameRateAndAFrameAtMostPerFrame)
{
    press(SDLK_SPACE);
    ASSERT_EQ(playState(), Running);
    game->state().lives = 1000000;  // no game over in the half minute below
    for (const double hz : {60.0, 120.0, 144.0}) {
        const long long updates = loop->updates();
        const long long frames = game->frames();
        play(hz, 10.0);
        EXPECT_NEAR(loop->updates() - updates, 1000, 1) << hz << " Hz";
        const long long shown = game->frames() - frames;
        EXPECT_LE(shown, static_cast<long long>(hz * 10.0)) << hz << " Hz";
        // A running game asks for a frame with every update, so every animation frame that had
        // one shows one: all of them at 60 Hz, about 100 a second above that.
        const long long expected = hz < 100 ? static_cast<long long>(hz * 10.0) : 1000;
        EXPECT_NEAR(shown, expected, 1) << hz << " Hz";
    }
}

TEST_F(BrowserLoopTest, ShowsNothingNewWhenNothingAskedForAFrame)
{
    const long long frames = game->frames();
    play(60.0, 2.0);
    EXPECT_EQ(game->frames(), frames) << "the start screen asks for no frame";
    EXPECT_NEAR(loop->updates(), 201, 1) << "updates go on all the same";
}

TEST_F(BrowserLoopTest, SkipsALongGapInsteadOfRacingThroughIt)
{
    press(SDLK_SPACE);
    const long long updates = loop->updates();
    frame(60000.0);  // a tab hidden for a minute, or a machine that stalled
    EXPECT_EQ(loop->updates() - updates, BrowserLoop::kMaxTicksPerFrame);
    EXPECT_NEAR(game->engine().currentTime, now, 10.0) << "the game's clock caught up";
    play(60.0, 1.0);
    EXPECT_NEAR(loop->updates() - updates, BrowserLoop::kMaxTicksPerFrame + 100, 1);
}

TEST_F(BrowserLoopTest, AHiddenTabPausesARunningGameAsSpaceWould)
{
    hideTab();
    frame(1000.0 / 60);
    EXPECT_EQ(playState(), StartScreen) << "a game not yet started stays so";
    press(SDLK_SPACE);
    play(60.0, 1.0);
    const int gameTime = game->engine().getModifiedTime();
    hideTab();
    frame(30000.0);
    EXPECT_EQ(playState(), Paused);
    EXPECT_TRUE(game->engine().isPaused());
    play(60.0, 1.0);
    EXPECT_EQ(game->engine().getModifiedTime(), gameTime) << "paused where the tab was left";
    press(SDLK_SPACE);
    EXPECT_EQ(playState(), Running);
    play(60.0, 1.0);
    EXPECT_NEAR(game->engine().getModifiedTime(), gameTime + 1000, 30);
}

// The game's own window, 600 x 800, with nothing queued.
using BrowserInputTest = BrowserLoopTest;
TEST_F(BrowserInputTest, KeysAndButtonsAreTheEventsAKeyboardAndAMouseMake)
{
    SDL_Window* window = game->engine().getWindow();
    BrowserInput input(window);
    const Uint32 windowId = SDL_GetWindowID(window);
    struct Key {
        SDL_Keycode code;
        SDL_Scancode scancode;
    };
    for (const Key key : {Key{SDLK_d, SDL_SCANCODE_D}, Key{SDLK_SPACE, SDL_SCANCODE_SPACE},
                          Key{SDLK_UP, SDL_SCANCODE_UP}}) {
        for (const bool down : {true, false}) {
            ASSERT_TRUE(input.key(key.code, down));
            const SDL_KeyboardEvent event = next().key;
            EXPECT_EQ(event.type, down ? SDL_KEYDOWN : SDL_KEYUP) << key.code;
            EXPECT_EQ(event.state, down ? SDL_PRESSED : SDL_RELEASED) << key.code;
            EXPECT_EQ(event.windowID, windowId) << key.code;
            EXPECT_EQ(event.repeat, 0) << key.code;
            EXPECT_EQ(event.keysym.sym, key.code);
            EXPECT_EQ(event.keysym.scancode, key.scancode) << key.code;
        }
    }
    ASSERT_TRUE(input.mouseButton(SDL_BUTTON_MIDDLE, true, 123, 456));
    const SDL_MouseButtonEvent pressed = next().button;
    EXPECT_EQ(pressed.type, SDL_MOUSEBUTTONDOWN);
    EXPECT_EQ(pressed.state, SDL_PRESSED);
    EXPECT_EQ(pressed.windowID, windowId);
    EXPECT_EQ(pressed.button, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(pressed.clicks, 1);
    EXPECT_EQ(pressed.x, 123);
    EXPECT_EQ(pressed.y, 456);
    // A point the page rounded off the canvas's edge stays on the window, as a pointer does.
    ASSERT_TRUE(input.mouseButton(SDL_BUTTON_LEFT, false, 600, -2));
    const SDL_MouseButtonEvent release = next().button;
    EXPECT_EQ(release.type, SDL_MOUSEBUTTONUP);
    EXPECT_EQ(release.state, SDL_RELEASED);
    EXPECT_EQ(release.x, 599);
    EXPECT_EQ(release.y, 0);
    // Buttons SDL has no number for are refused and queue nothing.
    EXPECT_FALSE(input.mouseButton(0, true, 10, 10));
    EXPECT_FALSE(input.mouseButton(99, true, 10, 10));
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
}

}  // namespace
