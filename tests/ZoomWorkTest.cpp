// Regression guard for the cost of zoomed frames, without timing anything: the zoom filter counts
// every block point it hands on or writes (inline writing counts the same), and a composed play
// frame must stay within a few window areas of such points however far the game is zoomed in.
// A zoom that visited whole blocks instead of their visible part would grow with the stretch
// factor squared.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <memory>

#include "FilterPointsScaling.h"
#include "TestSupport.h"
#include "VorlanEngine.h"

namespace {

// The panel, the text over it and at most a couple of objects can cover one window pixel.
constexpr std::uint64_t kMaxLayers = 4;
constexpr std::uint64_t kWindowArea = 600 * 800;

class ZoomWorkTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder.copyGamePictures();
        game = std::make_unique<VorlanEngine>();
        ASSERT_EQ(dustreach::test::initialiseHeadless(*game), 0);
        game->getState().lives = 1000000;  // no frame may end the game
        game->onKeyDown(SDLK_SPACE);
        ASSERT_EQ(game->getState().playState, Running);
    }

    // Middle clicks until the stretch factor is reached (each click adds one).
    void zoomInTo(int stretch)
    {
        while (game->getScalingFilter().getStretchX() < stretch)
            game->onMouseDown(SDL_BUTTON_MIDDLE, 300, 400);
    }

    // Block points counted while one frame is composed.
    std::uint64_t pointsOfOneFrame()
    {
        const std::uint64_t before = game->getScalingFilter().getPointsVisited();
        game->composeFrame();
        return game->getScalingFilter().getPointsVisited() - before;
    }

    dustreach::test::ScopedTempDir folder;
    std::unique_ptr<VorlanEngine> game;
};

TEST_F(ZoomWorkTest, AZoomedFrameCountsNoMoreThanAFewWindowAreas)
{
    // Scroll the score panel (virtual 20..220 x 20..70) under the window centre; zooming about
    // the centre keeps it there, so at a large zoom the panel alone fills the window.
    for (int i = 0; i < 12; ++i)
        game->onKeyDown(SDLK_c);
    for (int i = 0; i < 24; ++i)
        game->onKeyDown(SDLK_f);
    for (const int stretch : {2, 8, 64, 512, 4096}) {
        zoomInTo(stretch);
        const std::uint64_t points = pointsOfOneFrame();
        EXPECT_LE(points, kMaxLayers * kWindowArea) << "stretch " << stretch;
        if (stretch >= 64) {
            EXPECT_GE(points, kWindowArea) << "stretch " << stretch << ": the panel fills it";
        }
    }
}

TEST_F(ZoomWorkTest, AZoomedFrameAwayFromEverythingCountsAlmostNothing)
{
    // Around the window centre of the play screen nothing is drawn on the foreground: far in,
    // every block lies off the window and nothing may be counted for it.
    zoomInTo(4096);
    EXPECT_EQ(pointsOfOneFrame(), 0u);
}

}  // namespace
