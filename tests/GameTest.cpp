// End-to-end tests of the whole game in-process: a real engine on SDL's dummy driver, events pushed
// into SDL's queue and handled by the real main loop, a clock that moves 10 ms per iteration (so
// each iteration updates once), and checks on the game state, the files and the pixels of the
// composed foreground and of the background.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "AutomaticObject.h"
#include "AutomaticObject1.h"
#include "AutomaticObject2.h"
#include "AutomaticObject3.h"
#include "AutomaticObject4.h"
#include "GameDriver.h"
#include "ImageManager.h"
#include "PixelCanvas.h"
#include "SaveRecord.h"
#include "SmartObject.h"
#include "TestSupport.h"
#include "UserControledObject.h"
#include "VorlanEngine.h"

namespace fs = std::filesystem;
using dustreach::test::countPixels;
using dustreach::test::GameDriver;
using dustreach::test::readFile;
using dustreach::test::writeFile;

namespace {

constexpr unsigned int kPanel = 0x654321;
constexpr unsigned int kBlue = 0x0000FF;
constexpr unsigned int kGreenTiles = 0x0FF000;
constexpr unsigned int kStarColours[4] = {0xFFFFFF, 0xEEFFFF, 0xFFFFEE, 0xEEEEEE};
constexpr int kWidth = 600;
constexpr int kHeight = 800;

// The game's engine with a look at the state between the object updates and the redraw, which
// is where the head-up display decides a game is lost.
class ProbeEngine : public VorlanEngine {
public:
    void mainLoopBeforeUpdate() override { redrawAfterEvents = redrawRequested; }
    void mainLoopAfterUpdate() override
    {
        scoreAfterUpdate = getState().score;
        livesAfterUpdate = getState().lives;
    }

    bool redrawAfterEvents = false;
    int scoreAfterUpdate = 0;
    int livesAfterUpdate = 0;
};

std::vector<unsigned int> snapshot(const PixelCanvas& canvas)
{
    std::vector<unsigned int> pixels;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels.push_back(canvas.rawGetPixel(x, y) & 0xFFFFFF);
    return pixels;
}

std::vector<bool> colourMask(const PixelCanvas& canvas, unsigned int colour, int x0, int y0, int x1,
                             int y1)
{
    std::vector<bool> mask;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            mask.push_back((canvas.rawGetPixel(x, y) & 0xFFFFFF) == colour);
    return mask;
}

// Background pixels in columns [shift, shift + width), rows 300..599 (where no picture or oval
// lies), that differ from the star field drawn from the seed: exactly one rand() % 400 per virtual
// point, columns outer.
int starMismatches(const PixelCanvas& background, unsigned int seed, int shift, int width)
{
    std::srand(seed);
    std::vector<unsigned int> stars(static_cast<std::size_t>(kWidth) * kHeight, 0);
    for (int x = 0; x < kWidth; ++x)
        for (int y = 0; y < kHeight; ++y) {
            const int r = std::rand() % 400;
            if (r < 4)
                stars[static_cast<std::size_t>(y) * kWidth + x] = kStarColours[r];
        }
    int mismatches = 0;
    for (int x = 0; x < width; ++x)
        for (int y = 300; y < 600; ++y)
            mismatches += (background.rawGetPixel(x + shift, y) & 0xFFFFFF) !=
                          stars[static_cast<std::size_t>(y) * kWidth + x];
    return mismatches;
}

struct Place {
    int x;
    int y;
    bool operator==(const Place& other) const { return x == other.x && y == other.y; }
};
std::ostream& operator<<(std::ostream& out, const Place& place)
{
    return out << "(" << place.x << ", " << place.y << ")";
}
using Places = std::vector<Place>;

class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.copyGamePictures();
        // Built inside the folder: the strip loads its icons at construction.
        engine = std::make_unique<ProbeEngine>();
        ASSERT_EQ(dustreach::test::initialiseHeadless(*engine), 0);
        engine->setTickSource([this] { return fakeTicks; });
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        step();  // the first frame: the start screen
    }

    void TearDown() override
    {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        engine->deinitialise();
        engine.reset();
        ImageManager::destroyInstance();
    }

    void step(int iterations = 1)
    {
        for (int i = 0; i < iterations; ++i) {
            fakeTicks += 10;
            ASSERT_TRUE(engine->mainLoopIteration());
        }
    }
    static void key(SDL_Keycode code, bool down) { ASSERT_TRUE(GameDriver::key(code, down)); }
    // A key pressed and released again before the next iteration.
    static void tap(SDL_Keycode code) { ASSERT_TRUE(GameDriver::tap(code)); }
    static void click(int button, int x, int y) { ASSERT_TRUE(GameDriver::click(button, x, y)); }
    // Input handled by the next iteration, and that iteration run.
    void press(SDL_Keycode code)
    {
        tap(code);
        step();
    }
    void clickStep(int button, int x, int y)
    {
        click(button, x, y);
        step();
    }

    // SPACE on the start screen, with the star field drawn from the given seed.
    void startPlay(unsigned int seed = 1234)
    {
        std::srand(seed);
        press(SDLK_SPACE);
    }

    void expectState(PlayState playState, int lives, int score, int level)
    {
        EXPECT_EQ(state().playState, playState);
        EXPECT_EQ(state().lives, lives);
        EXPECT_EQ(state().score, score);
        EXPECT_EQ(state().level, level);
    }

    GameState& state() { return engine->getState(); }
    DisplayableObject* object(int index) { return engine->getDisplayableObject(index); }
    const PixelCanvas& fg() { return *engine->getForegroundCanvas(); }
    const PixelCanvas& bg() { return *engine->getBackgroundCanvas(); }
    unsigned int bgAt(int x, int y) { return bg().rawGetPixel(x, y) & 0xFFFFFF; }
    int countFg(unsigned int colour, int x0, int y0, int x1, int y1)
    {
        return countPixels(fg(), colour, x0, y0, x1, y1);
    }
    int countBg(unsigned int colour, int x0, int y0, int x1, int y1)
    {
        return countPixels(bg(), colour, x0, y0, x1, y1);
    }
    Places places()
    {
        Places result;
        for (int i = 0; i < engine->getContentCount(); ++i)
            result.push_back(object(i) ? Place{object(i)->currentX, object(i)->currentY}
                                       : Place{-1, -1});
        return result;
    }
    std::vector<DisplayableObject*> pointers() { return engine->objects; }

    dustreach::test::ScopedTempDir dir;
    std::unique_ptr<ProbeEngine> engine;
    std::uint32_t fakeTicks = 1000;
};

}  // namespace

TEST_F(GameTest, FreshEngineShowsTheStartScreen)
{
    expectState(StartScreen, 5, 0, 1);
    EXPECT_EQ(engine->getScoreColour(), 0xFF0000u);
    EXPECT_TRUE(engine->notifyObjectsOfMouse);
    EXPECT_EQ(fg().getFilter(), &engine->getTranslationFilter());
    EXPECT_EQ(bg().getFilter(), &engine->getTranslationFilter());

    // The six objects, their classes and their start places.
    ASSERT_EQ(engine->getContentCount(), 6);
    EXPECT_NE(dynamic_cast<UserControledObject*>(object(0)), nullptr);
    DisplayableObject& firstEnemy = *object(1);
    EXPECT_EQ(typeid(firstEnemy), typeid(AutomaticObject));  // the base class itself
    EXPECT_NE(dynamic_cast<AutomaticObject2*>(object(2)), nullptr);
    EXPECT_NE(dynamic_cast<AutomaticObject3*>(object(3)), nullptr);
    EXPECT_NE(dynamic_cast<AutomaticObject4*>(object(4)), nullptr);
    EXPECT_NE(dynamic_cast<SmartObject*>(object(5)), nullptr);
    EXPECT_EQ(places(), (Places{{225, 600}, {90, 20}, {290, 20}, {390, 20}, {490, 20}, {190, 20}}));
    EXPECT_EQ(object(5)->drawWidth, 30);
    EXPECT_EQ(object(5)->drawHeight, 16);

    // The nine lines, each in its colour at its place.
    const struct {
        int x, y;
        unsigned int colour;
    } lines[] = {{125, 20, 0x799143},  {125, 60, 0xFF00FF}, {25, 150, 0x008080},
                 {25, 200, 0x808080},  {25, 250, 0x800080}, {25, 300, 0xFF0000},
                 {25, 350, 0x808080},  {25, 400, 0x864197}, {125, 450, 0x654321}};
    for (const auto& line : lines)
        EXPECT_GT(countFg(line.colour, line.x, line.y, kWidth, line.y + 35), 40)
            << "line at y " << line.y;
    // Nothing of the head-up display: no panel, no lives line, no level line.
    EXPECT_EQ(countFg(kPanel, 20, 20, 125, 71), 0);
    EXPECT_EQ(countFg(0x00FF00, 0, 0, kWidth, kHeight), 0);
    EXPECT_EQ(countFg(0xFF00FF, 240, 20, kWidth, 58), 0);

    // The start background: dark blue, a black band from y 500, the two pictures unmasked.
    EXPECT_EQ(bgAt(5, 5), 0x000055u);
    EXPECT_EQ(bgAt(5, 499), 0x000055u);
    EXPECT_EQ(bgAt(5, 500), 0x000000u);
    EXPECT_EQ(bgAt(599, 799), 0x000000u);
    const ImageHandle shoot = ImageManager::loadImage("SHOOT.jpg", true);
    const ImageHandle earth = ImageManager::loadImage("earth.jpg", true);
    ASSERT_FALSE(shoot.isEmpty());
    ASSERT_FALSE(earth.isEmpty());
    EXPECT_EQ(bgAt(150, 500), shoot.getPixel(0, 0) & 0xFFFFFF);
    const int earthRight = 225 + earth.getWidth() - 1;
    const int earthBottom = std::min(625 + earth.getHeight() - 1, kHeight - 1);
    EXPECT_EQ(bgAt(earthRight, earthBottom),
              earth.getPixel(earthRight - 225, earthBottom - 625) & 0xFFFFFF);
    // Where nothing is written on top, the frame is the background.
    EXPECT_EQ(fg().rawGetPixel(5, 790), bg().rawGetPixel(5, 790));

    // Keys outside the table, clicks, K and L change nothing on the start screen.
    tap(SDLK_k);
    tap(SDLK_l);
    tap(SDLK_r);
    click(SDL_BUTTON_LEFT, 300, 400);
    clickStep(SDL_BUTTON_MIDDLE, 150, 260);
    EXPECT_FALSE(engine->redrawAfterEvents);
    EXPECT_EQ(state().playState, StartScreen);
    EXPECT_EQ(engine->getContentCount(), 6);
    EXPECT_EQ(engine->getScalingFilter().getStretchX(), 1);
    EXPECT_FALSE(fs::exists("currentSave.txt"));
}

TEST_F(GameTest, SpacePaintsThePlayBackgroundAndShowsPanelStripAndHud)
{
    startPlay(1234);
    EXPECT_EQ(state().playState, Running);
    EXPECT_EQ(starMismatches(bg(), 1234, 0, 180), 0);
    int starCount = 0;
    for (unsigned int colour : kStarColours)
        starCount += countBg(colour, 0, 0, kWidth, kHeight);
    EXPECT_GT(starCount, 4000);  // about 1 % of 480,000, less what the pictures cover
    EXPECT_LT(starCount, 5600);

    // The ovals and a masked picture on the background; tiles reset.
    EXPECT_EQ(bgAt(485, 25), 0xFF0000u);
    EXPECT_EQ(bgAt(260, 150), 0x00FF00u);
    EXPECT_EQ(bgAt(565, 315), 0x8B008Bu);
    const ImageHandle mars = ImageManager::loadImage("mars.jpg", true);
    ASSERT_FALSE(mars.isEmpty());
    const unsigned int marsCentre = mars.getPixel(mars.getWidth() / 2, mars.getHeight() / 2);
    ASSERT_NE(marsCentre & 0xFFFFFF,
              mars.getPixel(mars.getWidth() - 1, mars.getHeight() - 1) & 0xFFFFFF);
    EXPECT_EQ(bgAt(460 + mars.getWidth() / 2, 60 + mars.getHeight() / 2), marsCentre & 0xFFFFFF);
    for (int tile = 0; tile < 5; ++tile)
        EXPECT_EQ(engine->getTileManager().getMapValue(tile, 0), 0);

    // The frame: the panel (the strip left of the text is all panel), the blue strip, the texts.
    EXPECT_EQ(countFg(kPanel, 20, 20, 30, 71), 10 * 51);
    EXPECT_EQ(countFg(kPanel, 19, 20, 20, 71), 0);
    EXPECT_EQ(countFg(kBlue, 160, 250, 180, 270), 400);
    EXPECT_GT(countFg(kBlue, 140, 250, 160, 270), 200);
    EXPECT_GT(countFg(0xFF0000, 30, 20, 88, 40), 20);   // "Score" in the colour before any shot
    EXPECT_GT(countFg(0x00FF00, 30, 40, 88, 66), 20);   // "Lives"
    EXPECT_GT(countFg(0xFF00FF, 240, 28, 288, 58), 20); // "Running Level 1!" begins
    for (int x = 0; x < 180; x += 7)
        for (int y = 300; y < 600; y += 3)
            ASSERT_EQ(fg().rawGetPixel(x, y), bg().rawGetPixel(x, y)) << x << "," << y;
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(object(i)->visible);

    // Pausing does not repaint: the stars stay; the pause lines and panel show, the strip does not.
    const std::vector<unsigned int> before = snapshot(bg());
    press(SDLK_SPACE);
    EXPECT_EQ(state().playState, Paused);
    EXPECT_TRUE(engine->isPaused());
    EXPECT_EQ(snapshot(bg()), before);
    EXPECT_GT(countFg(0xFFFFFF, 50, 300, kWidth, 330) - countBg(0xFFFFFF, 50, 300, kWidth, 330), 100);
    EXPECT_GT(countFg(0xFFFFFF, 50, 400, kWidth, 430) - countBg(0xFFFFFF, 50, 400, kWidth, 430), 100);
    EXPECT_EQ(countFg(kPanel, 20, 20, 30, 71), 10 * 51);
    EXPECT_EQ(countFg(kBlue, 160, 250, 180, 270), 0);

    // A click while paused does nothing at all, not even a redraw.
    click(SDL_BUTTON_RIGHT, 300, 400);
    clickStep(SDL_BUTTON_LEFT, 300, 400);
    EXPECT_FALSE(engine->redrawAfterEvents);
    EXPECT_EQ(engine->getScalingFilter().getCompressX(), 1);
    EXPECT_EQ(engine->getContentCount(), 6);

    press(SDLK_SPACE);
    EXPECT_EQ(state().playState, Running);
    EXPECT_FALSE(engine->isPaused());
    EXPECT_EQ(snapshot(bg()), before);
}

TEST_F(GameTest, MoveFireAndScoreOnAHit)
{
    startPlay();
    // Hold d for 22 updates: 3 pixels each.
    key(SDLK_d, true);
    step(22);
    EXPECT_EQ(places()[0], (Place{291, 600}));

    // Fire: the score colour is the first random number's colour; the shot starts 10 left and
    // 60 above the player's centre (296, 610) and rises 3 in the same iteration's update.
    const auto firstColour = [](unsigned int seed) {
        std::srand(seed);
        return BaseEngine::getColour(std::rand() % 40);
    };
    unsigned int seed = 77;
    while (firstColour(seed) == 0x00FF00)
        ++seed;  // a colour that the lives line does not use
    const unsigned int shotColour = firstColour(seed);
    std::srand(seed);
    key(SDLK_d, false);
    clickStep(SDL_BUTTON_LEFT, 10, 10);
    EXPECT_EQ(state().score, -1);
    EXPECT_EQ(engine->getScoreColour(), shotColour);
    EXPECT_GT(countFg(shotColour, 30, 20, 88, 40), 20);
    ASSERT_EQ(engine->getContentCount(), 7);
    auto* shot = dynamic_cast<AutomaticObject1*>(object(6));
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(places()[6], (Place{286, 547}));
    EXPECT_EQ(shot->drawWidth, 10);
    EXPECT_EQ(shot->drawHeight, 20);
    EXPECT_EQ(places()[0], (Place{291, 600}));  // the key is up: no more moves

    // The shot rises into the enemy falling at x 290: the enemy goes back to the top and scores 3;
    // the shot flies on.
    int iterations = 0;
    for (; state().score == -1 && iterations < 300; ++iterations)
        step();
    EXPECT_EQ(state().score, 2);
    EXPECT_EQ(object(2)->currentY, 10);
    EXPECT_EQ(engine->getContentCount(), 7);

    // It leaves the array once its y falls below 20; nothing else goes with it.
    int lastY = -1;
    for (; engine->getContentCount() == 7 && iterations < 400; ++iterations) {
        lastY = object(6)->currentY;
        step();
        if (engine->getContentCount() == 7) {
            EXPECT_EQ(object(6)->currentY, lastY - 3);
        }
    }
    EXPECT_EQ(lastY, 22);
    EXPECT_EQ(engine->getContentCount(), 6);
    EXPECT_NE(dynamic_cast<UserControledObject*>(object(0)), nullptr);
}

TEST_F(GameTest, LevelTwoFromTheFrameAfterTheScoreReachesAThousand)
{
    startPlay();
    step(60);  // everything has left the band of the level line by now
    const auto levelLine = [this] { return colourMask(fg(), 0xFF00FF, 240, 20, kWidth, 62); };
    const std::vector<bool> levelOne = levelLine();
    ASSERT_GT(countFg(0xFF00FF, 240, 20, kWidth, 62), 100);

    state().score = 1000;
    step();
    EXPECT_EQ(state().level, 2);
    EXPECT_EQ(levelLine(), levelOne);  // that frame still says level 1
    step();
    const std::vector<bool> levelTwo = levelLine();
    EXPECT_NE(levelTwo, levelOne);
    EXPECT_GT(countFg(0xFF00FF, 240, 20, kWidth, 62), 100);

    // Falling below 1000 again keeps level 2; the enemies now fall 4 a step.
    state().score = 10;
    const int enemyY = object(1)->currentY;
    step();
    EXPECT_EQ(state().level, 2);
    EXPECT_EQ(levelLine(), levelTwo);
    EXPECT_EQ(object(1)->currentY, enemyY + 4);
}

TEST_F(GameTest, AnIdleGameIsLostRecordedResetAndCanGoOn)
{
    // An earlier high-score file whose last line lacks its end keeps that line whole.
    writeFile("highScore.txt", "7");
    startPlay();

    // All four enemies reach the bottom in update 380 (2 pixels a step from y 20); the UFO
    // reaches the ship in update 539 and takes the last life.
    int update = 1;
    for (; state().lives == 5 && update < 1000; ++update)
        step();
    EXPECT_EQ(update, 380);
    EXPECT_EQ(state().lives, 1);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(object(i)->currentY, 20) << "enemy " << i;

    for (; state().playState == Running && update < 1000; ++update)
        step();
    EXPECT_EQ(update, 539);
    EXPECT_EQ(engine->livesAfterUpdate, 0);
    EXPECT_EQ(engine->scoreAfterUpdate, -2);
    EXPECT_EQ(readFile("highScore.txt"), "7\n-2\n");
    expectState(Paused, 5, 0, 1);
    EXPECT_GT(countFg(kBlue, 100, 400, kWidth, 440), 100);      // "///*You Lost! Game Over!*///"
    EXPECT_GT(countFg(0x00FF00, 100, 450, kWidth, 490), 100);   // "///*Press R to retry!*///"

    // The lost frame stays on the screen and nothing moves while waiting.
    const std::vector<unsigned int> lostFrame = snapshot(fg());
    const Places lostPlaces = places();
    const std::vector<DisplayableObject*> lostObjects = pointers();
    step(5);
    EXPECT_EQ(snapshot(fg()), lostFrame);
    EXPECT_EQ(places(), lostPlaces);

    // SPACE goes on with the same objects; a shot is fired at once.
    tap(SDLK_SPACE);
    clickStep(SDL_BUTTON_LEFT, 5, 5);
    EXPECT_EQ(state().playState, Running);
    ASSERT_EQ(engine->getContentCount(), 7);
    for (std::size_t i = 0; i < lostObjects.size(); ++i)
        EXPECT_EQ(object(static_cast<int>(i)), lostObjects[i]);
    EXPECT_EQ(countFg(kBlue, 100, 400, kWidth, 440), 0);

    // A second shot, then pause: R starts over with six new objects at their start places (one
    // update on), keeping the counters.
    click(SDL_BUTTON_LEFT, 5, 5);
    press(SDLK_SPACE);
    EXPECT_EQ(state().playState, Paused);
    EXPECT_EQ(engine->getContentCount(), 8);
    const int score = state().score;
    const int lives = state().lives;
    press(SDLK_r);
    expectState(Running, lives, score, 1);
    EXPECT_EQ(places(), (Places{{225, 600}, {90, 22}, {290, 22}, {390, 22}, {490, 22}, {191, 21}}));
    EXPECT_EQ(readFile("highScore.txt"), "7\n-2\n");
}

TEST_F(GameTest, SaveWritesSixteenLinesAndLoadRebuildsTheGame)
{
    startPlay();
    step(5);
    clickStep(SDL_BUTTON_LEFT, 5, 5);  // a shot in flight is not saved
    ASSERT_EQ(engine->getContentCount(), 7);

    // K saves what stood at the moment of the key, before that iteration's update.
    SaveRecord expected;
    expected.fields[0] = state().score;
    expected.fields[1] = state().lives;
    for (int i = 0; i < 6; ++i) {
        expected.fields[2 + 2 * i] = object(i)->getXCentre();
        expected.fields[3 + 2 * i] = object(i)->getYCentre();
    }
    expected.fields[14] = state().speedBoostActive;
    expected.fields[15] = state().level;
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"), expected.format());
    EXPECT_EQ(expected.fields[0], -1);
    EXPECT_EQ(expected.fields[2], 230);
    EXPECT_EQ(expected.fields[3], 610);

    // L while running loads nothing; K while paused saves nothing.
    const std::vector<DisplayableObject*> running = pointers();
    press(SDLK_l);
    EXPECT_EQ(pointers(), running);
    press(SDLK_SPACE);
    fs::remove("currentSave.txt");
    press(SDLK_k);
    EXPECT_FALSE(fs::exists("currentSave.txt"));

    // A good record, here with another system's line ends: L rebuilds six objects from the stored
    // centres and resumes; a K in the same iteration writes the very same record back.
    SaveRecord record;
    record.fields = {40, 3, 300, 500, 105, 130, 205, 230, 305, 330, 405, 430, 515, 215, 1, 2};
    std::string crlf;
    for (char c : record.format())
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    writeFile("currentSave.txt", crlf);
    tap(SDLK_l);
    press(SDLK_k);
    EXPECT_EQ(readFile("currentSave.txt"), record.format());
    expectState(Running, 3, 40, 2);
    EXPECT_EQ(state().speedBoostActive, 1);
    ASSERT_EQ(engine->getContentCount(), 6);
    EXPECT_NE(dynamic_cast<UserControledObject*>(object(0)), nullptr);
    EXPECT_NE(dynamic_cast<SmartObject*>(object(5)), nullptr);
    // One update on: the ship stands, the enemies fell 4 (level 2).
    EXPECT_EQ((Places{places()[0], places()[1], places()[4]}),
              (Places{{295, 490}, {100, 124}, {400, 424}}));
    EXPECT_EQ(countFg(kGreenTiles, 160, 250, 180, 270), 400);  // the boost shows on the strip
}

// What does not parse is listed in SaveRecordTest; here the game's answer to a failed load.
TEST_F(GameTest, ALoadWithoutACompleteRecordChangesNothingAndSaysSo)
{
    startPlay();
    step(3);
    press(SDLK_SPACE);
    ASSERT_EQ(state().playState, Paused);
    const GameState stateBefore = state();
    const std::vector<DisplayableObject*> objectsBefore = pointers();
    const Places placesBefore = places();

    std::string fifteen = SaveRecord().format();
    fifteen.erase(fifteen.size() - 2);
    for (const bool missing : {false, true}) {
        if (missing)
            fs::remove("currentSave.txt");
        else
            writeFile("currentSave.txt", fifteen);
        dustreach::test::StdoutCapture capture;
        press(SDLK_l);
        EXPECT_EQ(capture.stop(), "Could not load the saved game from currentSave.txt\n");
        expectState(Paused, stateBefore.lives, stateBefore.score, stateBefore.level);
        EXPECT_EQ(pointers(), objectsBefore);
        EXPECT_EQ(places(), placesBefore);
        if (missing)
            EXPECT_FALSE(fs::exists("currentSave.txt"));
        else
            EXPECT_EQ(readFile("currentSave.txt"), fifteen);
    }
}

TEST_F(GameTest, ZoomKeepsTheCentreAndTheMiddleButtonMarksTheStrip)
{
    startPlay();
    step(60);
    const FilterPointsScaling& scaling = engine->getScalingFilter();
    FilterPointsTranslation& translation = engine->getTranslationFilter();
    const auto expectZoom = [&](int stretch, int compress, int xOffset, int yOffset) {
        EXPECT_EQ(scaling.getStretchX(), stretch);
        EXPECT_EQ(scaling.getStretchY(), stretch);
        EXPECT_EQ(scaling.getCompressX(), compress);
        EXPECT_EQ(scaling.getCompressY(), compress);
        EXPECT_EQ(translation.getXOffset(), xOffset);
        EXPECT_EQ(translation.getYOffset(), yOffset);
        // The centre stays where it was.
        EXPECT_EQ(translation.realToVirtualX(300), 300);
        EXPECT_EQ(translation.realToVirtualY(400), 400);
    };

    // Middle click on the strip (virtual (150, 260)): zoom in, and one white virtual point in the
    // background, drawn with the new zoom and offsets: real (0, 120) to (1, 121).
    const std::vector<unsigned int> background = snapshot(bg());
    clickStep(SDL_BUTTON_MIDDLE, 150, 260);
    expectZoom(2, 1, -150, -200);
    const std::vector<unsigned int> marked = snapshot(bg());
    int changedElsewhere = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * kWidth + x;
            if (x < 2 && (y == 120 || y == 121))
                EXPECT_EQ(marked[at], 0xFFFFFFu) << x << "," << y;
            else
                changedElsewhere += marked[at] != background[at];
        }
    EXPECT_EQ(changedElsewhere, 0);
    // The strip's square (virtual 160..179, 250..269) now covers real 20..59, 100..139.
    EXPECT_EQ(countFg(kBlue, 20, 100, 60, 140), 1600);

    // Right click: back to 1:1; again: half size. No mark either time.
    clickStep(SDL_BUTTON_RIGHT, 150, 260);
    expectZoom(1, 1, 0, 0);
    clickStep(SDL_BUTTON_RIGHT, 150, 260);
    expectZoom(1, 2, 300, 400);
    EXPECT_EQ(countFg(kBlue, 230, 325, 240, 335), 100);  // the square, halved about the centre

    // Middle click off the strip (real (0, 0) is virtual (-300, -400)): zoom only.
    clickStep(SDL_BUTTON_MIDDLE, 0, 0);
    expectZoom(1, 1, 0, 0);
    EXPECT_EQ(snapshot(bg()), marked);
    EXPECT_EQ(countFg(kBlue, 160, 250, 180, 270), 400);
}

TEST_F(GameTest, ScrollKeysMoveEverythingDrawnButNotTheBackground)
{
    // Scrolled on the start screen: the play background is painted 15 pixels to the right.
    press(SDLK_c);
    EXPECT_TRUE(engine->redrawAfterEvents);
    EXPECT_EQ(engine->getTranslationFilter().getXOffset(), 15);
    startPlay(99);
    EXPECT_EQ(starMismatches(bg(), 99, 15, 165), 0);
    for (unsigned int colour : kStarColours)
        EXPECT_EQ(countBg(colour, 0, 0, 15, kHeight), 0);
    tap(SDLK_b);
    step(60);  // everything else has left the panel's rows by now

    const std::vector<unsigned int> background = snapshot(bg());
    // Columns left of the text: the panel's rows 20 to 70 (plus any scroll) and nothing more.
    const auto panelColumn = [this](int x, int dy = 0) {
        return countFg(kPanel, x, 20 + dy, x + 1, 71 + dy);
    };
    const auto aboveAndBelow = [this](int x, int dy) {
        return countFg(kPanel, x, 19 + dy, x + 1, 20 + dy) + countFg(kPanel, x, 71 + dy, x + 1, 72 + dy);
    };
    EXPECT_EQ(panelColumn(20), 51);
    EXPECT_EQ(panelColumn(19), 0);
    EXPECT_EQ(aboveAndBelow(20, 0), 0);

    press(SDLK_c);
    EXPECT_EQ(panelColumn(35), 51);
    EXPECT_EQ(panelColumn(34), 0);
    EXPECT_EQ(panelColumn(20), 0);
    press(SDLK_f);
    EXPECT_EQ(panelColumn(35, 15), 51);
    EXPECT_EQ(aboveAndBelow(35, 15), 0);
    EXPECT_EQ(countFg(kBlue, 175, 265, 195, 285), 400);  // the strip's square moved with it
    tap(SDLK_b);
    press(SDLK_v);
    EXPECT_EQ(engine->getTranslationFilter().getXOffset(), 0);
    EXPECT_EQ(engine->getTranslationFilter().getYOffset(), 0);
    EXPECT_EQ(panelColumn(20), 51);
    EXPECT_EQ(aboveAndBelow(20, 0), 0);
    EXPECT_EQ(snapshot(bg()), background);
}

TEST_F(GameTest, ARecordWithExtremeNumbersLoadsInsideTheWindow)
{
    startPlay();
    press(SDLK_SPACE);
    // Centres at the ends of int put every object in a corner of the window (the K in the same
    // iteration records where they landed); a score at the lowest int does not wrap on a shot.
    const struct {
        int centre;
        int shipX, shipY, ufoX, ufoY;
    } cases[] = {{INT_MAX, 595, 790, 585, 792}, {INT_MIN, 5, 10, 15, 8}};
    for (const auto& extreme : cases) {
        SaveRecord record;
        record.fields.fill(extreme.centre);
        record.fields[0] = INT_MIN;
        record.fields[1] = 3;
        record.fields[14] = 0;
        record.fields[15] = 1;
        writeFile("currentSave.txt", record.format());
        tap(SDLK_l);
        tap(SDLK_k);
        click(SDL_BUTTON_LEFT, 5, 5);
        press(SDLK_SPACE);
        SaveRecord saved;
        ASSERT_TRUE(SaveRecord::readFile("currentSave.txt", saved));
        EXPECT_EQ(saved.fields[2], extreme.shipX);
        EXPECT_EQ(saved.fields[3], extreme.shipY);
        EXPECT_EQ(saved.fields[4], extreme.shipX);  // the enemies have the ship's size
        EXPECT_EQ(saved.fields[13], extreme.ufoY);
        EXPECT_EQ(saved.fields[12], extreme.ufoX);
        EXPECT_EQ(state().score, INT_MIN);
        EXPECT_EQ(state().playState, Paused);
    }
}
