// The whole game through GameDriver: frames of every screen, zoom and scroll, and what a frame
// cannot tell: shots scoring and leaving, level 2, losing, going on, starting over, save and load.
#include <gtest/gtest.h>

#include <SDL_image.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "DisplayableObject.h"
#include "GameFixture.h"
#include "ReferenceFrame.h"
#include "SaveRecord.h"
#include "TextSheet.h"

using namespace dustreach::test;
using Pixels = std::vector<unsigned int>;
using Places = std::vector<std::pair<int, int>>;

namespace {

// Flat PNGs as JPEGs keep frames exact; a white corner and a mask-coloured quarter show each draw.
void writePng(const char* name, int w, int h, unsigned int colour)
{
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    SDL_Rect quarter{w / 2, h / 2, w - w / 2, h - h / 2}, corner{0, 0, 1, 1};
    SDL_FillRect(s, nullptr, 0xFF000000 | colour);
    SDL_FillRect(s, &quarter, 0xFF808000);
    SDL_FillRect(s, &corner, 0xFFFFFFFF);
    ASSERT_EQ(IMG_SavePNG(s, name), 0);
    SDL_FreeSurface(s);
}

// The game's counters and its number of objects: play state, lives, score, level, speed boost,
// objects.
using Counters = std::tuple<int, int, int, int, int, int>;
// The zoom and scroll filters: stretch and compress factors (x, y), offsets, and the virtual point
// under the window's centre.
using Zoom = std::tuple<int, int, int, int, int, int, int, int>;

class GameTest : public GameFixture {
protected:
    void SetUp() override
    {
        // The game's own sprites; plain placeholders for the four backgrounds.
        folder.copyGameData();
        writePng("SHOOT.jpg", 300, 100, 0xC04000);
        writePng("earth.jpg", 120, 100, 0x2060C0);
        writePng("mars.jpg", 90, 70, 0xB03010);
        writePng("moon.jpg", 60, 50, 0x909090);
        ASSERT_NO_FATAL_FAILURE(startGame());
        step();  // the start screen
    }
    void step(int n = 1) { ASSERT_TRUE(game->step(n)); }
    void press(SDL_Keycode code)
    {
        ASSERT_TRUE(GameDriver::tap(code));
        step();
    }
    void click(int button, int x, int y)
    {
        ASSERT_TRUE(GameDriver::click(button, x, y));
        step();
    }
    void hold(int key, int n)
    {
        GameDriver::key(key, true);
        step(n);
        GameDriver::key(key, false);
    }
    void startPlay(unsigned int stars = 1234)
    {
        std::srand(stars);
        press(SDLK_SPACE);
    }
    auto frame(const std::string& name) { return matchesReferenceFrame(fg(), "game-" + name); }
    GameState& state() { return game->state(); }
    Counters counters()
    {
        const GameState& s = state();
        return {
            s.playState, s.lives, s.score, s.level, s.speedBoostActive, engine().getContentCount()};
    }
    VorlanEngine& engine() { return game->engine(); }
    DisplayableObject* object(int i) { return engine().getDisplayableObject(i); }
    const PixelCanvas& fg() { return *engine().getForegroundCanvas(); }
    Pixels pixels(const PixelCanvas& canvas, int x0 = 0, int y0 = 0, int x1 = 600, int y1 = 800)
    {
        Pixels result;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                result.push_back(canvas.rawGetPixel(x, y) & 0xFFFFFF);
        return result;
    }
    Pixels background() { return pixels(*engine().getBackgroundCanvas()); }
    Places places()
    {
        Places result;
        for (int i = 0; i < engine().getContentCount(); ++i)
            result.emplace_back(object(i)->currentX, object(i)->currentY);
        return result;
    }
    Zoom zoom()
    {
        const FilterPointsScaling& s = engine().getScalingFilter();
        FilterPointsTranslation& t = engine().getTranslationFilter();
        return {s.getStretchX(), s.getStretchY(), s.getCompressX(),      s.getCompressY(),
                t.getXOffset(),  t.getYOffset(),  t.realToVirtualX(300), t.realToVirtualY(400)};
    }
};

TEST_F(GameTest, StartScreenIgnoresAllButScrollWhichMovesEverythingDrawnButNotTheBackground)
{
    EXPECT_TRUE(frame("start"));
    const long long frames = game->frames();
    for (SDL_Keycode code : {SDLK_k, SDLK_l, SDLK_r})
        ASSERT_TRUE(GameDriver::tap(code));
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 300, 400));
    click(SDL_BUTTON_MIDDLE, 150, 260);
    EXPECT_EQ(game->frames(), frames);
    EXPECT_EQ(readFile("currentSave.txt"), "");
    EXPECT_EQ(counters(), (Counters{StartScreen, 5, 0, 1, 0, 6}));
    EXPECT_EQ(zoom(), (Zoom{1, 1, 1, 1, 0, 0, 300, 400}));
    press(SDLK_c);  // scrolled on the start screen, the play background is painted 15 to the right
    EXPECT_EQ(game->frames(), frames + 1);
    startPlay(99);
    ASSERT_TRUE(GameDriver::tap(SDLK_b));
    hold(SDLK_s, 1);  // the ship faces down in this frame
    step(60);
    const Pixels painted = background();
    press(SDLK_c);
    press(SDLK_f);
    EXPECT_TRUE(frame("scrolled"));
    ASSERT_TRUE(GameDriver::tap(SDLK_b));
    press(SDLK_v);
    EXPECT_EQ(zoom(), (Zoom{1, 1, 1, 1, 0, 0, 300, 400}));
    EXPECT_EQ(countPixels(fg(), 0x654321, 19, 19, 30, 72), 10 * 51);  // the panel is back at 20..70
    EXPECT_EQ(background(), painted);
}

TEST_F(GameTest, MoveShootPauseTheShotScoresThenLeavesAndSaveAndLoad)
{
    startPlay();
    hold(SDLK_d, 22);
    click(SDL_BUTTON_LEFT, 10, 10);
    ASSERT_EQ(state().score, -1);
    ASSERT_EQ(engine().getContentCount(), 7);
    // The shot starts 10 left of and 60 above the ship's centre (296, 610) and rose 3 at once.
    EXPECT_EQ(places()[0], std::pair(291, 600));
    EXPECT_EQ(places()[6], std::pair(286, 547));
    step(10);
    EXPECT_TRUE(frame("play"));
    // Pausing keeps the background and draws no object; a click while paused asks for nothing.
    const Pixels stars = background();
    press(SDLK_SPACE);
    EXPECT_TRUE(engine().isPaused());
    EXPECT_TRUE(frame("paused"));
    const long long frames = game->frames();
    click(SDL_BUTTON_LEFT, 300, 400);
    click(SDL_BUTTON_RIGHT, 300, 400);
    EXPECT_EQ(game->frames(), frames);
    EXPECT_EQ(engine().getContentCount(), 7);
    press(SDLK_SPACE);
    EXPECT_FALSE(engine().isPaused());
    EXPECT_EQ(background(), stars);
    // The shot rises into the enemy falling at x 290: +3, the enemy restarts at the top.
    for (int i = 0; state().score == -1 && i < 300; ++i)
        step();
    EXPECT_EQ(state().score, 2);
    EXPECT_EQ(object(2)->currentY, 10);
    int lastY = -1;
    for (int i = 0; engine().getContentCount() == 7 && i < 100; ++i) {
        lastY = object(6)->currentY;
        step();
    }
    EXPECT_EQ(lastY, 22);  // gone when below 20
    EXPECT_EQ(engine().getContentCount(), 6);
    // K saves what stood at the key, before that iteration's update; a shot in flight is not saved.
    click(SDL_BUTTON_LEFT, 5, 5);
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"),
              (SaveRecord{{1, 5, 296, 610, 95, 432, 12, 192, 395, 432, 495, 432, 311, 229, 0, 1}}
                   .format()));
    // L when paused rebuilds six objects from the stored centres and resumes; K with it saves them.
    press(SDLK_SPACE);
    const std::string record = SaveRecord{
        {40, 3, 300, 500, 105, 130, 205, 230, 305, 330, 405, 430, 515, 215, 1,
         2}}.format();
    writeFile("currentSave.txt", record);
    ASSERT_TRUE(GameDriver::tap(SDLK_l));
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"), record);
    EXPECT_EQ(counters(), (Counters{Running, 3, 40, 2, 1, 6}));
    // One update on: the ship stands, the enemies fell 4 (level 2), the UFO wandered.
    EXPECT_EQ(places(),
              (Places{{295, 490}, {100, 124}, {200, 224}, {300, 324}, {400, 424}, {499, 207}}));
    EXPECT_EQ(countPixels(fg(), 0x0FF000, 160, 250, 180, 270), 400);  // the boost shows
}

TEST_F(GameTest, AnIdleGameIsLostRecordedAndCanGoOnOrStartOver)
{
    writeFile("highScore.txt", "7");  // a last line without its end stays whole
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
    EXPECT_EQ(counters(), (Counters{Paused, 5, 0, 1, 0, 6}));
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
    click(SDL_BUTTON_LEFT, 5, 5);
    ASSERT_EQ(engine().getContentCount(), 7);
    EXPECT_TRUE(std::equal(lostObjects.begin(), lostObjects.end(), engine().objects.begin()));
    EXPECT_EQ(countPixels(fg(), 0x0000FF, 100, 400, 600, 440), 0);  // the lost line is gone
    // R when paused starts over with six new objects (one update on), keeping the counters.
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 5, 5));
    press(SDLK_SPACE);
    press(SDLK_r);
    EXPECT_EQ(counters(), (Counters{Running, 5, -2, 1, 0, 6}));
    EXPECT_EQ(places(), (Places{{225, 600}, {90, 22}, {290, 22}, {390, 22}, {490, 22}, {191, 21}}));
    EXPECT_EQ(readFile("highScore.txt"), "7\n-2\n");
}

TEST_F(GameTest, ZoomKeepsTheCentreTheMiddleButtonMarksTheStripAndLevelTwoShowsAFrameLate)
{
    startPlay();
    hold(SDLK_a, 1);  // the ship faces left in these frames
    step(60);
    // On the strip (virtual 150, 260): zoom in; a white mark drawn zoomed at real 0..1 x 120..121.
    click(SDL_BUTTON_MIDDLE, 150, 260);
    EXPECT_EQ(zoom(), (Zoom{2, 2, 1, 1, -150, -200, 300, 400}));
    EXPECT_TRUE(frame("zoom-in"));
    const Pixels marked = background();
    click(SDL_BUTTON_RIGHT, 150, 260);
    EXPECT_EQ(zoom(), (Zoom{1, 1, 1, 1, 0, 0, 300, 400}));
    click(SDL_BUTTON_RIGHT, 150, 260);
    EXPECT_EQ(zoom(), (Zoom{1, 1, 2, 2, 300, 400, 300, 400}));
    EXPECT_TRUE(frame("zoom-out"));
    click(SDL_BUTTON_MIDDLE, 0, 0);  // virtual (-300, -400), off the strip: zoom only
    EXPECT_EQ(zoom(), (Zoom{1, 1, 1, 1, 0, 0, 300, 400}));
    EXPECT_EQ(background(), marked);
    // Level 2 from the update where the score reaches 1000, shown from the frame after; it stays.
    const auto levelLine = [this] { return pixels(fg(), 240, 20, 600, 62); };  // nothing else there
    const Pixels levelOne = levelLine();
    state().score = 1000;
    step();
    EXPECT_EQ(state().level, 2);
    EXPECT_EQ(levelLine(), levelOne);
    step();
    const Pixels levelTwo = levelLine();
    EXPECT_NE(levelTwo, levelOne);
    state().score = 10;
    step();
    EXPECT_EQ(state().level, 2);
    EXPECT_EQ(levelLine(), levelTwo);
}

// The start screen with the game's own pictures, real JPEGs among them: the frame the browser
// version is held to (tests/browser/).
using GameStartTest = GameFixture;
TEST_F(GameStartTest, StartScreenWithTheGamesOwnPictures)
{
    ASSERT_TRUE(game->step());
    EXPECT_TRUE(
        matchesReferenceFrame(*game->engine().getForegroundCanvas(), "game-start-pictures"));
}

// Every text the game can write, in the whole font: the frame the browser's font subset is held
// to (tests/browser/).
TEST_F(GameTest, TextSheetShowsEveryTextTheGameWrites)
{
    TextSheet::draw(*engine().getForegroundCanvas());
    EXPECT_TRUE(frame("texts"));
}

}  // namespace
