// BrowserLoop, the browser's loop driver, on a page clock of the test's own: the real game runs at
// 100 updates a second at 60, 120 and 144 animation frames a second, shows at most one frame per
// animation frame and only when one was asked for, skips a long gap instead of racing through it,
// and pauses a running game when its tab is hidden.
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>

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

}  // namespace
