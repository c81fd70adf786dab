// The whole game in-process through GameDriver (dummy video, input pushed into SDL's queue, a fake
// clock of 10 ms per iteration): reference frames of the composed foreground (start screen, play
// after a scripted move and shot, paused, game over, zoomed in and out, scrolled; between them
// the ship faces all four ways), and what a frame cannot tell: when a shot scores and leaves,
// level 2, losing and going on or starting over, save and load, zoom about the centre, scrolling
// against a fixed background.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DisplayableObject.h"
#include "GameDriver.h"
#include "ReferenceFrame.h"
#include "SaveRecord.h"
#include "TestSupport.h"

using dustreach::test::GameDriver;
using dustreach::test::readFile;
using Places = std::vector<std::pair<int, int>>;

namespace {

// Stand-ins for the four JPEG pictures: flat PNGs (SDL_image tells the format from the content)
// keep the reference frames small and free of any JPEG decoder's rounding. Each has its own size
// and colour, a white top-left pixel, and its mask colour (the bottom-right pixel) over its
// bottom-right quarter, so a frame shows where, how big and whether masked it was drawn.
void writePicture(const char* name, int w, int h, unsigned int colour)
{
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    SDL_Rect quarter{w / 2, h / 2, w - w / 2, h - h / 2}, corner{0, 0, 1, 1};
    SDL_FillRect(s, nullptr, 0xFF000000 | colour);
    SDL_FillRect(s, &quarter, 0xFF808000);
    SDL_FillRect(s, &corner, 0xFFFFFFFF);
    ASSERT_EQ(IMG_SavePNG(s, name), 0);
    SDL_FreeSurface(s);
}

class GameTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir.copyAsset(dustreach::test::kGameFont);
        for (const char* png : {"ufo.png", "ufo1.png", "ufo2.png", "speed.png", "buff.png"})
            dir.copyAsset(png);
        writePicture("SHOOT.jpg", 300, 100, 0xC04000);
        writePicture("earth.jpg", 120, 100, 0x2060C0);
        writePicture("mars.jpg", 90, 70, 0xB03010);
        writePicture("moon.jpg", 60, 50, 0x909090);
        game = std::make_unique<GameDriver>();
        ASSERT_TRUE(game->started());
        step();  // the start screen
    }
    void step(int n = 1) { ASSERT_TRUE(game->step(n)); }
    void press(SDL_Keycode code) { ASSERT_TRUE(GameDriver::tap(code)); step(); }
    void clickStep(int button, int x, int y) { ASSERT_TRUE(GameDriver::click(button, x, y)); step(); }
    void hold(SDL_Keycode code, int n) { GameDriver::key(code, true), step(n), GameDriver::key(code, false); }
    void startPlay(unsigned int seed = 1234) { std::srand(seed), press(SDLK_SPACE); }  // stars from the seed
    testing::AssertionResult frame(const std::string& name) { return dustreach::test::matchesReferenceFrame(fg(), "game-" + name); }
    std::vector<int> counters() { return {state().playState, state().lives, state().score, state().level}; }
    GameState& state() { return game->state(); }
    VorlanEngine& engine() { return game->engine(); }
    DisplayableObject* object(int i) { return engine().getDisplayableObject(i); }
    const PixelCanvas& fg() { return *engine().getForegroundCanvas(); }
    std::vector<unsigned int> pixels(const PixelCanvas& canvas, int x0 = 0, int y0 = 0, int x1 = 600, int y1 = 800)
    {
        std::vector<unsigned int> result;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                result.push_back(canvas.rawGetPixel(x, y) & 0xFFFFFF);
        return result;
    }
    std::vector<unsigned int> background() { return pixels(*engine().getBackgroundCanvas()); }
    Places places()
    {
        Places result;
        for (int i = 0; i < engine().getContentCount(); ++i)
            result.emplace_back(object(i)->currentX, object(i)->currentY);
        return result;
    }

    dustreach::test::ScopedTempDir dir;
    std::unique_ptr<GameDriver> game;
};

TEST_F(GameTest, StartScreenFrameAndNoOtherKeyOrClickDoesAnything)
{
    EXPECT_TRUE(frame("start"));
    const long long frames = game->frames();
    for (SDL_Keycode code : {SDLK_k, SDLK_l, SDLK_r})
        ASSERT_TRUE(GameDriver::tap(code));
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 300, 400));
    clickStep(SDL_BUTTON_MIDDLE, 150, 260);
    EXPECT_EQ(game->frames(), frames);
    EXPECT_EQ(counters(), (std::vector<int>{StartScreen, 5, 0, 1}));
    EXPECT_EQ(engine().getContentCount(), 6);
    EXPECT_EQ(engine().getScalingFilter().getStretchX(), 1);
    EXPECT_FALSE(std::filesystem::exists("currentSave.txt"));
}

TEST_F(GameTest, MoveShootPauseAndTheShotScoresThenLeaves)
{
    startPlay();
    hold(SDLK_d, 22);
    clickStep(SDL_BUTTON_LEFT, 10, 10);
    EXPECT_EQ(state().score, -1);
    ASSERT_EQ(engine().getContentCount(), 7);
    // The shot starts 10 left of and 60 above the ship's centre (296, 610) and rose 3 at once.
    EXPECT_EQ((Places{places()[0], places()[6]}), (Places{{291, 600}, {286, 547}}));
    step(10);
    EXPECT_TRUE(frame("play"));
    // Pausing keeps the background and draws no object; a click while paused asks for nothing.
    const std::vector<unsigned int> stars = background();
    press(SDLK_SPACE);
    EXPECT_TRUE(engine().isPaused());
    EXPECT_TRUE(frame("paused"));
    const long long frames = game->frames();
    clickStep(SDL_BUTTON_LEFT, 300, 400);
    clickStep(SDL_BUTTON_RIGHT, 300, 400);
    EXPECT_EQ(game->frames(), frames);
    EXPECT_EQ(engine().getContentCount(), 7);
    press(SDLK_SPACE);
    EXPECT_FALSE(engine().isPaused());
    EXPECT_EQ(background(), stars);
    // The shot rises into the enemy falling at x 290: +3, the enemy restarts at the top.
    int iterations = 0;
    for (; state().score == -1 && iterations < 300; ++iterations)
        step();
    EXPECT_EQ(state().score, 2);
    EXPECT_EQ(object(2)->currentY, 10);
    int lastY = -1;
    for (; engine().getContentCount() == 7 && iterations < 400; ++iterations)
        lastY = object(6)->currentY, step();
    EXPECT_EQ(lastY, 22);  // it left alone when its y fell below 20
    EXPECT_EQ(engine().getContentCount(), 6);
}

TEST_F(GameTest, LevelTwoFromTheFrameAfterTheScoreReachesAThousand)
{
    startPlay();
    step(60);  // everything has left the band of the level line by now
    const auto levelLine = [this] { return pixels(fg(), 240, 20, 600, 62); };
    const std::vector<unsigned int> levelOne = levelLine();
    state().score = 1000;
    step();
    EXPECT_EQ(state().level, 2);
    EXPECT_EQ(levelLine(), levelOne);  // that frame still says level 1
    step();
    const std::vector<unsigned int> levelTwo = levelLine();
    EXPECT_NE(levelTwo, levelOne);
    // Falling below 1000 again keeps level 2; the enemies now fall 4 a step.
    state().score = 10;
    const int enemyY = object(1)->currentY;
    step();
    EXPECT_EQ((std::vector<int>{state().level, object(1)->currentY}), (std::vector<int>{2, enemyY + 4}));
    EXPECT_EQ(levelLine(), levelTwo);
}

TEST_F(GameTest, AnIdleGameIsLostRecordedAndCanGoOnOrStartOver)
{
    dustreach::test::writeFile("highScore.txt", "7");  // a last line without its end stays whole
    startPlay();
    // The four enemies reach the bottom in update 380; the UFO reaches the ship in update 539.
    int update = 1;
    for (; state().lives == 5 && update < 1000; ++update)
        step();
    EXPECT_EQ(update, 380);
    EXPECT_EQ(state().lives, 1);
    for (; state().playState == Running && update < 1000; ++update)
        step();
    EXPECT_EQ(update, 539);
    EXPECT_EQ(readFile("highScore.txt"), "7\n-2\n");
    EXPECT_EQ(counters(), (std::vector<int>{Paused, 5, 0, 1}));
    EXPECT_TRUE(frame("over"));
    // Nothing moves or is redrawn while waiting.
    const long long frames = game->frames();
    const Places lostPlaces = places();
    const std::vector<DisplayableObject*> lostObjects = engine().objects;
    step(5);
    EXPECT_EQ(game->frames(), frames);
    EXPECT_EQ(places(), lostPlaces);
    // SPACE goes on with the same objects, and a shot flies at once.
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    clickStep(SDL_BUTTON_LEFT, 5, 5);
    ASSERT_EQ(engine().getContentCount(), 7);
    EXPECT_EQ(std::vector<DisplayableObject*>(engine().objects.begin(), engine().objects.begin() + 6), lostObjects);
    EXPECT_EQ(dustreach::test::countPixels(fg(), 0x0000FF, 100, 400, 600, 440), 0);  // the lost line is gone
    // R when paused starts over with six new objects (one update on), keeping the counters.
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 5, 5));
    press(SDLK_SPACE);
    const int score = state().score;
    press(SDLK_r);
    EXPECT_EQ(counters(), (std::vector<int>{Running, 5, score, 1}));
    EXPECT_EQ(places(), (Places{{225, 600}, {90, 22}, {290, 22}, {390, 22}, {490, 22}, {191, 21}}));
    EXPECT_EQ(readFile("highScore.txt"), "7\n-2\n");
}

TEST_F(GameTest, SaveWritesSixteenLinesAndLoadRebuildsTheGame)
{
    startPlay();
    step(5);
    clickStep(SDL_BUTTON_LEFT, 5, 5);  // a shot in flight is not saved
    // K saves what stood at the key, before that iteration's update.
    SaveRecord expected;
    expected.fields = {-1, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 6; ++i)
        expected.fields[2 + 2 * i] = object(i)->getXCentre(), expected.fields[3 + 2 * i] = object(i)->getYCentre();
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"), expected.format());
    EXPECT_EQ(std::make_pair(expected.fields[2], expected.fields[3]), std::make_pair(230, 610));
    // L when paused rebuilds six objects from the stored centres and resumes; a K in the same
    // iteration writes the very same record back.
    press(SDLK_SPACE);
    SaveRecord record;
    record.fields = {40, 3, 300, 500, 105, 130, 205, 230, 305, 330, 405, 430, 515, 215, 1, 2};
    dustreach::test::writeFile("currentSave.txt", record.format());
    ASSERT_TRUE(GameDriver::tap(SDLK_l));
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"), record.format());
    EXPECT_EQ(counters(), (std::vector<int>{Running, 3, 40, 2}));
    EXPECT_EQ(state().speedBoostActive, 1);
    // One update on: the ship stands, the enemies fell 4 (level 2), the UFO wandered.
    EXPECT_EQ(places(), (Places{{295, 490}, {100, 124}, {200, 224}, {300, 324}, {400, 424}, {500, 208}}));
    EXPECT_EQ(dustreach::test::countPixels(fg(), 0x0FF000, 160, 250, 180, 270), 400);  // the boost shows
}

TEST_F(GameTest, ZoomKeepsTheCentreAndTheMiddleButtonMarksTheStrip)
{
    startPlay();
    hold(SDLK_a, 1);  // the ship faces left in these frames
    step(60);
    const auto expectZoom = [this](int stretch, int compress, int xOffset, int yOffset) {
        const FilterPointsScaling& scaling = engine().getScalingFilter();
        FilterPointsTranslation& move = engine().getTranslationFilter();
        EXPECT_EQ((std::vector<int>{scaling.getStretchX(), scaling.getStretchY(), scaling.getCompressX(),
                                    scaling.getCompressY(), move.getXOffset(), move.getYOffset(),
                                    move.realToVirtualX(300), move.realToVirtualY(400)}),
                  (std::vector<int>{stretch, stretch, compress, compress, xOffset, yOffset, 300, 400}));
    };
    // On the strip (virtual (150, 260)): zoom in, and a white virtual point on the background
    // drawn with the new zoom, real (0, 120) to (1, 121).
    clickStep(SDL_BUTTON_MIDDLE, 150, 260);
    expectZoom(2, 1, -150, -200);
    EXPECT_TRUE(frame("zoom-in"));
    const std::vector<unsigned int> marked = background();
    clickStep(SDL_BUTTON_RIGHT, 150, 260);
    expectZoom(1, 1, 0, 0);
    clickStep(SDL_BUTTON_RIGHT, 150, 260);
    expectZoom(1, 2, 300, 400);
    EXPECT_TRUE(frame("zoom-out"));
    clickStep(SDL_BUTTON_MIDDLE, 0, 0);  // virtual (-300, -400), off the strip: zoom only
    expectZoom(1, 1, 0, 0);
    EXPECT_EQ(background(), marked);
}

TEST_F(GameTest, ScrollKeysMoveEverythingDrawnButNotTheBackground)
{
    const long long frames = game->frames();
    press(SDLK_c);  // scrolled on the start screen, the play background is painted 15 to the right
    EXPECT_EQ(game->frames(), frames + 1);
    startPlay(99);
    ASSERT_TRUE(GameDriver::tap(SDLK_b));
    hold(SDLK_s, 1);  // the ship faces down in this frame
    step(60);
    const std::vector<unsigned int> painted = background();
    press(SDLK_c);
    press(SDLK_f);
    EXPECT_TRUE(frame("scrolled"));
    ASSERT_TRUE(GameDriver::tap(SDLK_b));
    press(SDLK_v);
    EXPECT_EQ(std::make_pair(engine().getTranslationFilter().getXOffset(), engine().getTranslationFilter().getYOffset()),
              std::make_pair(0, 0));
    EXPECT_EQ(dustreach::test::countPixels(fg(), 0x654321, 19, 19, 30, 72), 10 * 51);  // the panel is back at 20..70
    EXPECT_EQ(background(), painted);
}

}  // namespace
