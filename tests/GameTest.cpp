// The whole game in-process through GameDriver (SDL's dummy driver, input pushed into SDL's queue,
// a fake clock of 10 ms per iteration): reference frames of the composed foreground (start
// screen, play after a scripted move and shot, paused, game over, zoomed in and out, scrolled),
// and the scenarios a frame cannot tell: when a shot scores and leaves, level 2, losing, retrying
// and going on, save and load, zoom about the centre, scroll against a fixed background.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "DisplayableObject.h"
#include "GameDriver.h"
#include "ReferenceFrame.h"
#include "SaveRecord.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using dustreach::test::countPixels;
using dustreach::test::GameDriver;
using dustreach::test::readFile;

namespace {

constexpr unsigned int kPanel = 0x654321;

// Stand-ins for the four JPEG pictures: flat PNGs (SDL_image tells the format from the content)
// keep the reference frames small and free of any JPEG decoder's rounding. Each has its own size
// and colour, a white top-left pixel, and its mask colour (the bottom-right pixel) over its
// bottom-right quarter, so a frame shows where, how big and whether masked it was drawn.
void writePicture(const char* name, int w, int h, unsigned int colour)
{
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    SDL_FillRect(s, nullptr, 0xFF000000 | colour);
    SDL_Rect quarter{w / 2, h / 2, w - w / 2, h - h / 2}, corner{0, 0, 1, 1};
    SDL_FillRect(s, &quarter, 0xFF808000);
    SDL_FillRect(s, &corner, 0xFFFFFFFF);
    ASSERT_EQ(IMG_SavePNG(s, name), 0);
    SDL_FreeSurface(s);
}

struct Place {
    int x, y;
    bool operator==(const Place& o) const { return x == o.x && y == o.y; }
};
std::ostream& operator<<(std::ostream& out, const Place& p) { return out << "(" << p.x << ", " << p.y << ")"; }
using Places = std::vector<Place>;

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
    void press(SDL_Keycode code)
    {
        ASSERT_TRUE(GameDriver::tap(code));
        step();
    }
    void clickStep(int button, int x, int y)
    {
        ASSERT_TRUE(GameDriver::click(button, x, y));
        step();
    }
    void startPlay(unsigned int seed = 1234)  // the star field comes from the seed
    {
        std::srand(seed);
        press(SDLK_SPACE);
    }
    testing::AssertionResult frame(const std::string& name)
    {
        return dustreach::test::matchesReferenceFrame(fg(), "game-" + name);
    }
    void expectState(PlayState playState, int lives, int score, int level)
    {
        EXPECT_EQ(state().playState, playState);
        EXPECT_EQ(state().lives, lives);
        EXPECT_EQ(state().score, score);
        EXPECT_EQ(state().level, level);
    }
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
            result.push_back({object(i)->currentX, object(i)->currentY});
        return result;
    }

    dustreach::test::ScopedTempDir dir;
    std::unique_ptr<GameDriver> game;
};

TEST_F(GameTest, StartScreenFrameAndNoOtherKeyOrClickDoesAnything)
{
    EXPECT_TRUE(frame("start"));
    expectState(StartScreen, 5, 0, 1);
    const long long frames = game->frames();
    for (SDL_Keycode code : {SDLK_k, SDLK_l, SDLK_r})
        ASSERT_TRUE(GameDriver::tap(code));
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 300, 400));
    clickStep(SDL_BUTTON_MIDDLE, 150, 260);
    EXPECT_EQ(game->frames(), frames);
    EXPECT_EQ(state().playState, StartScreen);
    EXPECT_EQ(engine().getContentCount(), 6);
    EXPECT_EQ(engine().getScalingFilter().getStretchX(), 1);
    EXPECT_FALSE(fs::exists("currentSave.txt"));
}

TEST_F(GameTest, MoveShootPauseAndTheShotScoresThenLeaves)
{
    startPlay();
    ASSERT_TRUE(GameDriver::key(SDLK_d, true));
    step(22);
    ASSERT_TRUE(GameDriver::key(SDLK_d, false));
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
    EXPECT_EQ(state().playState, Running);
    EXPECT_FALSE(engine().isPaused());
    EXPECT_EQ(background(), stars);

    // The shot rises into the enemy falling at x 290: +3, the enemy restarts at the top.
    int iterations = 0;
    for (; state().score == -1 && iterations < 300; ++iterations)
        step();
    EXPECT_EQ(state().score, 2);
    EXPECT_EQ(object(2)->currentY, 10);
    int lastY = -1;
    for (; engine().getContentCount() == 7 && iterations < 400; ++iterations) {
        lastY = object(6)->currentY;
        step();
    }
    EXPECT_EQ(lastY, 22);  // it left when its y fell below 20, alone
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
    EXPECT_EQ(state().level, 2);
    EXPECT_EQ(levelLine(), levelTwo);
    EXPECT_EQ(object(1)->currentY, enemyY + 4);
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
    expectState(Paused, 5, 0, 1);
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
    EXPECT_EQ(state().playState, Running);
    ASSERT_EQ(engine().getContentCount(), 7);
    EXPECT_EQ(std::vector<DisplayableObject*>(engine().objects.begin(), engine().objects.begin() + 6), lostObjects);
    EXPECT_EQ(countPixels(fg(), 0x0000FF, 100, 400, 600, 440), 0);  // the lost line is gone

    // R when paused starts over with six new objects (one update on), keeping the counters.
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 5, 5));
    press(SDLK_SPACE);
    const int score = state().score;
    press(SDLK_r);
    expectState(Running, 5, score, 1);
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
    for (int i = 0; i < 6; ++i) {
        expected.fields[2 + 2 * i] = object(i)->getXCentre();
        expected.fields[3 + 2 * i] = object(i)->getYCentre();
    }
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"), expected.format());
    EXPECT_EQ((Place{expected.fields[2], expected.fields[3]}), (Place{230, 610}));

    // L while running loads nothing; K while paused saves nothing.
    const std::vector<DisplayableObject*> running = engine().objects;
    press(SDLK_l);
    EXPECT_EQ(engine().objects, running);
    press(SDLK_SPACE);
    fs::remove("currentSave.txt");
    press(SDLK_k);
    EXPECT_FALSE(fs::exists("currentSave.txt"));

    // L rebuilds six objects from the stored centres and resumes; a K in the same iteration
    // writes the very same record back.
    SaveRecord record;
    record.fields = {40, 3, 300, 500, 105, 130, 205, 230, 305, 330, 405, 430, 515, 215, 1, 2};
    dustreach::test::writeFile("currentSave.txt", record.format());
    ASSERT_TRUE(GameDriver::tap(SDLK_l));
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"), record.format());
    expectState(Running, 3, 40, 2);
    EXPECT_EQ(state().speedBoostActive, 1);
    ASSERT_EQ(engine().getContentCount(), 6);
    // One update on: the ship stands, the enemies fell 4 (level 2), the UFO wandered.
    EXPECT_EQ(places(), (Places{{295, 490}, {100, 124}, {200, 224}, {300, 324}, {400, 424}, {500, 208}}));
    EXPECT_EQ(countPixels(fg(), 0x0FF000, 160, 250, 180, 270), 400);  // the boost shows on the strip
}

TEST_F(GameTest, ZoomKeepsTheCentreAndTheMiddleButtonMarksTheStrip)
{
    startPlay();
    step(60);
    const auto expectZoom = [this](int stretch, int compress, int xOffset, int yOffset) {
        const FilterPointsScaling& scaling = engine().getScalingFilter();
        FilterPointsTranslation& translation = engine().getTranslationFilter();
        EXPECT_EQ((std::vector<int>{scaling.getStretchX(), scaling.getStretchY(), scaling.getCompressX(),
                                    scaling.getCompressY(), translation.getXOffset(), translation.getYOffset()}),
                  (std::vector<int>{stretch, stretch, compress, compress, xOffset, yOffset}));
        EXPECT_EQ(translation.realToVirtualX(300), 300);
        EXPECT_EQ(translation.realToVirtualY(400), 400);
    };
    // On the strip (virtual (150, 260)): zoom in and one white virtual point on the background,
    // drawn with the new zoom: real (0, 120) to (1, 121).
    clickStep(SDL_BUTTON_MIDDLE, 150, 260);
    expectZoom(2, 1, -150, -200);
    EXPECT_TRUE(frame("zoom-in"));
    const std::vector<unsigned int> marked = background();
    clickStep(SDL_BUTTON_RIGHT, 150, 260);
    expectZoom(1, 1, 0, 0);
    clickStep(SDL_BUTTON_RIGHT, 150, 260);
    expectZoom(1, 2, 300, 400);
    EXPECT_TRUE(frame("zoom-out"));
    // Off the strip (real (0, 0) is virtual (-300, -400)): zoom only, no mark.
    clickStep(SDL_BUTTON_MIDDLE, 0, 0);
    expectZoom(1, 1, 0, 0);
    EXPECT_EQ(background(), marked);
}

TEST_F(GameTest, ScrollKeysMoveEverythingDrawnButNotTheBackground)
{
    // Scrolled on the start screen, the play background is painted 15 to the right.
    const long long frames = game->frames();
    press(SDLK_c);
    EXPECT_EQ(game->frames(), frames + 1);
    startPlay(99);
    ASSERT_TRUE(GameDriver::tap(SDLK_b));
    step(60);
    const std::vector<unsigned int> painted = background();
    press(SDLK_c);
    press(SDLK_f);
    EXPECT_TRUE(frame("scrolled"));
    ASSERT_TRUE(GameDriver::tap(SDLK_b));
    press(SDLK_v);
    EXPECT_EQ(engine().getTranslationFilter().getXOffset(), 0);
    EXPECT_EQ(engine().getTranslationFilter().getYOffset(), 0);
    EXPECT_EQ(countPixels(fg(), kPanel, 19, 19, 30, 72), 10 * 51);  // the panel is back at 20..70
    EXPECT_EQ(background(), painted);
}

}  // namespace
