// Tests of the UFO: chasing the player's centre, wandering with its clamps, the random draw on every
// running update, the 16-draw animation, and standing still outside play or without a player.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <string>

#include "AutomaticObject.h"
#include "PixelCanvas.h"
#include "SmartObject.h"
#include "TestSupport.h"
#include "UserControledObject.h"
#include "VorlanEngine.h"

namespace {

constexpr unsigned int kBackdrop = 0x123456;
constexpr unsigned int kFrame0Colour = 0xFF0000;
constexpr unsigned int kFrame1Colour = 0x0000FF;
constexpr unsigned int kMaskColour = 0x00FF00;

// A 40 x 20 opaque picture of one colour whose top-left pixel and bottom-right pixel are the mask
// colour: the drawn 30 x 16 block shows the masking at its corner and a wrong block size shows
// as extra columns or rows.
void writeFrame(const std::string& name, unsigned int colour)
{
    SDL_Surface* surface =
        SDL_CreateRGBSurface(0, 40, 20, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    ASSERT_NE(surface, nullptr);
    SDL_FillRect(surface, nullptr, 0xFF000000 | colour);
    SDL_Rect corner{0, 0, 1, 1};
    SDL_FillRect(surface, &corner, 0xFF000000 | kMaskColour);
    SDL_Rect last{39, 19, 1, 1};
    SDL_FillRect(surface, &last, 0xFF000000 | kMaskColour);
    ASSERT_EQ(IMG_SavePNG(surface, name.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(surface);
}

// The first seed whose first rand() % 4 is wanted.
unsigned int seedGiving(int wanted)
{
    for (unsigned int seed = 1;; ++seed) {
        std::srand(seed);
        if (std::rand() % 4 == wanted)
            return seed;
    }
}

class UfoTest : public testing::Test {
protected:
    void SetUp() override
    {
        writeFrame("ufo.png", kFrame0Colour);
        writeFrame("ufo1.png", kFrame1Colour);
        writeFrame("ufo2.png", 0xFFFFFF);
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        engine.createObjectArray(2);
        // Centre (230, 610).
        player = new UserControledObject(225, 600, &engine, 10, 20, &engine.getTileManager());
        ufo = new SmartObject(190, 20, &engine, 30, 16);
        engine.storeObjectInArray(0, player);
        engine.storeObjectInArray(1, ufo);
        engine.getState().playState = Running;
    }

    void placeUfo(int x, int y)
    {
        ufo->currentX = x;
        ufo->currentY = y;
    }

    // Updates the UFO with rand() seeded to give r as its first draw.
    void updateWithDirection(int r)
    {
        std::srand(seedGiving(r));
        ufo->update(0);
    }

    unsigned int pixel(int x, int y)
    {
        return engine.getForegroundCanvas()->rawGetPixel(x, y) & 0xFFFFFF;
    }

    // Which frame the last draw showed at (x, y): its colour inside the 30 x 16 block, the masked
    // corner left alone, nothing outside the block.
    void expectFrameAt(int x, int y, unsigned int colour)
    {
        EXPECT_EQ(pixel(x + 1, y + 1), colour);
        EXPECT_EQ(pixel(x + 29, y + 15), colour);
        EXPECT_EQ(pixel(x, y), kBackdrop);
        EXPECT_EQ(pixel(x + 30, y + 1), kBackdrop);
        EXPECT_EQ(pixel(x + 1, y + 16), kBackdrop);
        EXPECT_EQ(dustreach::test::countPixels(*engine.getForegroundCanvas(), colour, 0, 0, 600,
                                               800),
                  30 * 16 - 1);
    }

    dustreach::test::ScopedTempDir folder;
    VorlanEngine engine;
    UserControledObject* player = nullptr;
    SmartObject* ufo = nullptr;
};

TEST_F(UfoTest, ChasesThePlayersCentreOnePixelPerAxis)
{
    engine.redrawRequested = false;
    ufo->update(0);
    EXPECT_EQ(ufo->currentX, 191);
    EXPECT_EQ(ufo->currentY, 21);
    EXPECT_TRUE(engine.redrawRequested);

    placeUfo(300, 700);
    ufo->update(0);
    EXPECT_EQ(ufo->currentX, 299);
    EXPECT_EQ(ufo->currentY, 699);

    placeUfo(230, 610);
    ufo->update(0);
    EXPECT_EQ(ufo->currentX, 230);
    EXPECT_EQ(ufo->currentY, 610);

    // 149 pixels away on one axis is near enough to chase; 150 on both is not.
    placeUfo(81, 460);
    ufo->update(0);
    EXPECT_EQ(ufo->currentX, 82);
    EXPECT_EQ(ufo->currentY, 461);
    placeUfo(80, 460);
    updateWithDirection(3);
    EXPECT_EQ(ufo->currentX, 80);
    EXPECT_EQ(ufo->currentY, 459);
}

TEST_F(UfoTest, DrawsOneRandomNumberOnEveryRunningUpdate)
{
    std::srand(5);
    std::rand();
    const int second = std::rand();
    std::srand(5);
    ufo->update(0);  // chasing
    EXPECT_EQ(std::rand(), second);

    placeUfo(500, 100);
    std::srand(5);
    ufo->update(0);  // wandering
    EXPECT_EQ(std::rand(), second);
}

TEST_F(UfoTest, WandersByOnePixelWithinTheWindow)
{
    placeUfo(0, 20);
    updateWithDirection(0);
    EXPECT_EQ(ufo->currentX, 0);
    EXPECT_EQ(ufo->currentY, 20);
    updateWithDirection(3);
    EXPECT_EQ(ufo->currentY, 19);
    updateWithDirection(2);
    EXPECT_EQ(ufo->currentY, 20);
    updateWithDirection(1);
    EXPECT_EQ(ufo->currentX, 1);
    EXPECT_EQ(ufo->currentY, 20);

    placeUfo(570, 100);
    updateWithDirection(1);
    EXPECT_EQ(ufo->currentX, 570);
    updateWithDirection(0);
    EXPECT_EQ(ufo->currentX, 569);

    placeUfo(500, 784);
    updateWithDirection(2);
    EXPECT_EQ(ufo->currentY, 784);
    placeUfo(0, 0);
    updateWithDirection(3);
    EXPECT_EQ(ufo->currentY, 0);
}

TEST_F(UfoTest, AnimationCycleOfSixteenDraws)
{
    PixelCanvas* canvas = engine.getForegroundCanvas();
    for (int draw = 1; draw <= 17; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        canvas->fillSurface(kBackdrop);
        ufo->draw();
        if (draw <= 7 || draw == 17) {
            expectFrameAt(190, 20, kFrame0Colour);
        } else if (draw <= 15) {
            expectFrameAt(190, 20, kFrame1Colour);
        } else {
            EXPECT_EQ(dustreach::test::countPixels(*canvas, kBackdrop, 0, 0, 600, 800), 600 * 800);
            EXPECT_EQ(engine.getState().ufoAnimationCounter, 0);
        }
    }
    EXPECT_EQ(engine.getState().ufoAnimationCounter, 1);
}

TEST_F(UfoTest, NothingWithoutAPlayerAtTheFirstEntry)
{
    engine.createObjectArray(2);
    ufo = new SmartObject(190, 20, &engine, 30, 16);
    engine.storeObjectInArray(0, new AutomaticObject(225, 600, &engine, 10, 20));
    engine.storeObjectInArray(1, ufo);
    engine.redrawRequested = false;
    std::srand(9);
    const int first = std::rand();
    std::srand(9);
    ufo->update(0);
    EXPECT_EQ(ufo->currentX, 190);
    EXPECT_EQ(ufo->currentY, 20);
    EXPECT_FALSE(engine.redrawRequested);
    EXPECT_EQ(std::rand(), first);

    // With an empty array it does nothing either.
    engine.removeDisplayableObject(ufo);
    engine.createObjectArray(0);
    ufo->update(0);
    EXPECT_EQ(ufo->currentX, 190);
    delete ufo;
}

TEST_F(UfoTest, StandsStillAndStaysHiddenOutsidePlay)
{
    GameState& state = engine.getState();
    state.ufoAnimationCounter = 3;
    for (PlayState other : {StartScreen, Paused}) {
        state.playState = other;
        engine.redrawRequested = false;
        engine.getForegroundCanvas()->fillSurface(kBackdrop);
        ufo->update(0);
        ufo->draw();
        EXPECT_EQ(ufo->currentX, 190);
        EXPECT_EQ(ufo->currentY, 20);
        EXPECT_EQ(state.ufoAnimationCounter, 3);
        EXPECT_FALSE(engine.redrawRequested);
        EXPECT_EQ(dustreach::test::countPixels(*engine.getForegroundCanvas(), kBackdrop, 0, 0,
                                               600, 800),
                  600 * 800);
    }
}

}  // namespace
