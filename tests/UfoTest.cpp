// Tests of the UFO: chasing the player's centre, wandering with its clamps, the random draw on
// every running update, the 16-draw animation, and standing still outside play or without a
// player.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <string>

#include "AutomaticObject.h"
#include "ObjectTestFixture.h"
#include "SmartObject.h"

namespace {

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
    for (SDL_Rect corner : {SDL_Rect{0, 0, 1, 1}, SDL_Rect{39, 19, 1, 1}})
        SDL_FillRect(surface, &corner, 0xFF000000 | kMaskColour);
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

class UfoTest : public dustreach::test::ObjectTestFixture {
protected:
    void SetUp() override
    {
        writeFrame("ufo.png", kFrame0Colour);
        writeFrame("ufo1.png", kFrame1Colour);
        writeFrame("ufo2.png", 0xFFFFFF);
        ObjectTestFixture::SetUp();
        addPlayer(225, 600);  // centre (230, 610)
        ufo = new SmartObject(190, 20, &engine, 30, 16);
        engine.appendObjectToArray(ufo);
    }

    void placeUfo(int x, int y)
    {
        ufo->currentX = x;
        ufo->currentY = y;
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
    SmartObject* ufo = nullptr;
};

TEST_F(UfoTest, ChasesThePlayersCentreWhenNearElseWandersInsideTheWindow)
{
    // Each update is seeded so that its draw r is given; only a wandering UFO follows it
    // (0 left, 1 right, 2 down, 3 up).
    struct Step {
        int x, y, r, toX, toY;
    };
    const Step steps[] = {
        // Chasing one pixel per axis, none when level; 149 away on one axis is near enough.
        {190, 20, 3, 191, 21}, {300, 700, 3, 299, 699}, {230, 610, 3, 230, 610},
        {81, 460, 3, 82, 461},
        // 150 away on both axes: wandering, kept inside 0..570 x 0..784.
        {80, 460, 3, 80, 459}, {0, 20, 0, 0, 20}, {0, 20, 3, 0, 19}, {0, 19, 2, 0, 20},
        {0, 20, 1, 1, 20}, {570, 100, 1, 570, 100}, {570, 100, 0, 569, 100},
        {500, 784, 2, 500, 784}, {0, 0, 3, 0, 0}};
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "from (" << step.x << ", " << step.y << "), r "
                                        << step.r);
        placeUfo(step.x, step.y);
        engine.redrawRequested = false;
        std::srand(seedGiving(step.r));
        ufo->update(0);
        EXPECT_EQ(ufo->currentX, step.toX);
        EXPECT_EQ(ufo->currentY, step.toY);
        EXPECT_TRUE(engine.redrawRequested);
    }
}

TEST_F(UfoTest, DrawsOneRandomNumberOnEveryRunningUpdate)
{
    std::srand(5);
    std::rand();
    const int second = std::rand();
    for (int x : {190, 500}) {  // chasing, then wandering
        placeUfo(x, 100);
        std::srand(5);
        ufo->update(0);
        EXPECT_EQ(std::rand(), second) << "at x " << x;
    }
}

TEST_F(UfoTest, AnimationCycleOfSixteenDraws)
{
    for (int draw = 1; draw <= 17; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        clearForeground();
        ufo->draw();
        if (draw <= 7 || draw == 17) {
            expectFrameAt(190, 20, kFrame0Colour);
        } else if (draw <= 15) {
            expectFrameAt(190, 20, kFrame1Colour);
        } else {
            EXPECT_EQ(dustreach::test::countPixels(*engine.getForegroundCanvas(), kBackdrop, 0, 0,
                                                   600, 800),
                      600 * 800);
            EXPECT_EQ(state().ufoAnimationCounter, 0);
        }
    }
    EXPECT_EQ(state().ufoAnimationCounter, 1);
}

TEST_F(UfoTest, NothingWithoutAPlayerAtTheFirstEntry)
{
    engine.createObjectArray(0);
    ufo = new SmartObject(190, 20, &engine, 30, 16);
    engine.appendObjectToArray(new AutomaticObject(225, 600, &engine, 10, 20));
    engine.appendObjectToArray(ufo);
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
    state().ufoAnimationCounter = 3;
    expectIdleOutsidePlay([this] {
        ufo->update(0);
        ufo->draw();
        EXPECT_EQ(ufo->currentX, 190);
        EXPECT_EQ(ufo->currentY, 20);
        EXPECT_EQ(state().ufoAnimationCounter, 3);
    });
}

}  // namespace
