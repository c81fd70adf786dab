// Tests of the falling enemies and the shots: falling and the bottom by level, the hit test and its
// score, the flickering colours, the shot's rise and its leaving the array in the middle of an
// update pass, and standing still outside play.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AutomaticObject.h"
#include "AutomaticObject1.h"
#include "AutomaticObject2.h"
#include "AutomaticObject3.h"
#include "AutomaticObject4.h"
#include "DisplayableObject.h"
#include "PixelCanvas.h"
#include "TestSupport.h"
#include "VorlanEngine.h"

namespace {

constexpr unsigned int kBackdrop = 0x123456;

// Counts its updates and remembers how many shots had been destroyed when it was last updated.
int destroyedShots = 0;

class CountedShot : public AutomaticObject1 {
public:
    using AutomaticObject1::AutomaticObject1;
    ~CountedShot() override { ++destroyedShots; }
};

class CountingObject : public DisplayableObject {
public:
    CountingObject(int x, int y, BaseEngine* engine)
        : DisplayableObject(x, y, engine, 10, 20, true)
    {
    }
    void update(int) override
    {
        ++updates;
        destroyedWhenUpdated = destroyedShots;
    }
    int updates = 0;
    int destroyedWhenUpdated = -1;
};

class EnemiesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        engine.createObjectArray(0);
        engine.getState().playState = Running;
        destroyedShots = 0;
    }

    // An enemy alone in a fresh array.
    AutomaticObject* soleEnemy(int x, int y)
    {
        engine.createObjectArray(0);
        auto* enemy = new AutomaticObject(x, y, &engine, 10, 20);
        engine.appendObjectToArray(enemy);
        return enemy;
    }

    DisplayableObject* addObjectCentredAt(int centreX, int centreY)
    {
        auto* object = new DisplayableObject(centreX - 5, centreY - 10, &engine, 10, 20, true);
        engine.appendObjectToArray(object);
        return object;
    }

    unsigned int pixel(int x, int y)
    {
        return engine.getForegroundCanvas()->rawGetPixel(x, y) & 0xFFFFFF;
    }

    VorlanEngine engine;
};

TEST_F(EnemiesTest, FallsTwoPixelsAndCostsALifeAtTheBottom)
{
    GameState& state = engine.getState();
    AutomaticObject* enemy = soleEnemy(300, 776);
    engine.redrawRequested = false;
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 778);
    EXPECT_EQ(state.lives, 5);
    EXPECT_TRUE(engine.redrawRequested);

    enemy->currentY = 777;
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 20);
    EXPECT_EQ(enemy->currentX, 300);
    EXPECT_EQ(state.lives, 4);
}

TEST_F(EnemiesTest, OnlyLevelTwoFallsFast)
{
    GameState& state = engine.getState();
    state.level = 2;
    AutomaticObject* enemy = soleEnemy(300, 774);
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 778);
    EXPECT_EQ(state.lives, 5);

    enemy->currentY = 775;
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 20);
    EXPECT_EQ(state.lives, 4);

    // A loaded level of 3 shows as level 2 but falls at the level-1 speed.
    state.level = 3;
    enemy->currentY = 100;
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 102);
}

TEST_F(EnemiesTest, HitRadiusIsStrictAndAHitScoresByLevel)
{
    GameState& state = engine.getState();
    AutomaticObject* enemy = soleEnemy(300, 398);
    // After the fall the enemy's corner is (300, 400); the other centre is 40 pixels away.
    DisplayableObject* other = addObjectCentredAt(300, 440);
    enemy->update(0);
    EXPECT_EQ(enemy->currentX, 300);
    EXPECT_EQ(enemy->currentY, 400);
    EXPECT_EQ(state.score, 0);

    // 39 pixels on the diagonal (24, 31) after the next fall: hit.
    other->currentX = 324 - 5;
    other->currentY = 433 - 10;
    std::srand(11);
    const int expectedX = std::rand() % 500;
    std::srand(11);
    enemy->update(0);
    EXPECT_EQ(enemy->currentX, expectedX);
    EXPECT_EQ(enemy->currentY, 10);
    EXPECT_EQ(state.score, 3);

    state.level = 2;
    enemy->currentX = 300;
    enemy->currentY = 396;
    other->currentX = 300 - 5;
    other->currentY = 420 - 10;
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 10);
    EXPECT_EQ(state.score, 53);
    EXPECT_EQ(state.lives, 5);
}

TEST_F(EnemiesTest, WalkGoesOnFromTheNewPlaceAndStopsAtAnEmptyEntry)
{
    GameState& state = engine.getState();
    std::srand(23);
    const int firstX = std::rand() % 500;
    ASSERT_GE(firstX, 5);  // the waiting object must not be moved by its own clamp
    AutomaticObject* enemy = soleEnemy(300, 398);
    addObjectCentredAt(300, 420);
    // Waits where the first hit sends the enemy.
    addObjectCentredAt(firstX, 30);
    std::srand(23);
    enemy->update(0);
    EXPECT_EQ(state.score, 6);

    engine.createObjectArray(3);
    enemy = new AutomaticObject2(300, 398, &engine, 10, 20);
    engine.storeObjectInArray(0, enemy);
    engine.storeObjectInArray(2, new DisplayableObject(295, 410, &engine, 10, 20, true));
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 400);
    EXPECT_EQ(state.score, 6);
}

TEST_F(EnemiesTest, ShotScoresAndRisesOn)
{
    GameState& state = engine.getState();
    auto* enemy = new AutomaticObject3(300, 398, &engine, 10, 20);
    auto* shot = new AutomaticObject1(295, 400, &engine, 0, 0);
    engine.appendObjectToArray(enemy);
    engine.appendObjectToArray(shot);
    engine.updateAllObjects(0);
    EXPECT_EQ(enemy->currentY, 10);
    EXPECT_EQ(state.score, 3);
    EXPECT_EQ(shot->currentY, 397);
    EXPECT_EQ(engine.getContentCount(), 2);
}

TEST_F(EnemiesTest, EnemyOvalOverhangsToTheRightInATableColourBelowForty)
{
    AutomaticObject* enemy = soleEnemy(300, 400);
    std::srand(5);
    unsigned int expected[300];
    for (unsigned int& colour : expected)
        colour = BaseEngine::getColour(std::rand() % 40);
    std::srand(5);
    for (unsigned int colour : expected) {
        engine.getForegroundCanvas()->fillSurface(kBackdrop);
        enemy->draw();
        ASSERT_EQ(pixel(310, 410), colour);
        ASSERT_NE(pixel(310, 410), BaseEngine::getColour(40));
    }
    // The oval's box runs from x to x + 20 and from y to y + 20.
    EXPECT_EQ(pixel(300, 410), expected[299]);
    EXPECT_EQ(pixel(320, 410), expected[299]);
    EXPECT_EQ(pixel(310, 400), expected[299]);
    EXPECT_EQ(pixel(310, 420), expected[299]);
    EXPECT_EQ(pixel(299, 410), kBackdrop);
    EXPECT_EQ(pixel(321, 410), kBackdrop);
    EXPECT_EQ(pixel(310, 421), kBackdrop);
}

TEST_F(EnemiesTest, ShotStartsWhereItIsMadeWithItsOwnSizeAndDrawsWhite)
{
    AutomaticObject1 outside(-50, 900, &engine, 0, 0);
    EXPECT_EQ(outside.currentX, -50);
    EXPECT_EQ(outside.currentY, 900);
    EXPECT_EQ(outside.drawWidth, 10);
    EXPECT_EQ(outside.drawHeight, 20);

    AutomaticObject1 shot(200, 300, &engine, 40, 40);
    EXPECT_EQ(shot.drawWidth, 10);
    EXPECT_EQ(shot.drawHeight, 20);
    engine.getForegroundCanvas()->fillSurface(kBackdrop);
    shot.draw();
    EXPECT_EQ(pixel(205, 310), 0xFFFFFFu);
    EXPECT_EQ(pixel(215, 310), 0xFFFFFFu);
    EXPECT_EQ(pixel(210, 300), 0xFFFFFFu);
    EXPECT_EQ(pixel(210, 320), 0xFFFFFFu);
    EXPECT_EQ(pixel(204, 310), kBackdrop);
    EXPECT_EQ(pixel(216, 310), kBackdrop);
}

TEST_F(EnemiesTest, ShotLeavingTheArrayIsFreedAfterThePassWithoutDisturbingIt)
{
    auto* before = new CountingObject(100, 100, &engine);
    auto* shot = new CountedShot(300, 22, &engine, 0, 0);
    auto* after = new CountingObject(100, 200, &engine);
    engine.appendObjectToArray(before);
    engine.appendObjectToArray(shot);
    engine.appendObjectToArray(after);

    engine.updateAllObjects(0);

    EXPECT_EQ(before->updates, 1);
    EXPECT_EQ(after->updates, 1);
    // Still alive while the pass went on, freed once it was over.
    EXPECT_EQ(after->destroyedWhenUpdated, 0);
    EXPECT_EQ(destroyedShots, 1);
    ASSERT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(engine.getDisplayableObject(0), before);
    EXPECT_EQ(engine.getDisplayableObject(1), after);
}

TEST_F(EnemiesTest, ShotAtTwentyStaysOneMoreUpdate)
{
    auto* shot = new CountedShot(300, 23, &engine, 0, 0);
    engine.appendObjectToArray(shot);
    engine.updateAllObjects(0);
    EXPECT_EQ(shot->currentY, 20);
    EXPECT_EQ(engine.getContentCount(), 1);
    EXPECT_EQ(destroyedShots, 0);

    engine.updateAllObjects(0);
    EXPECT_EQ(engine.getContentCount(), 0);
    EXPECT_EQ(destroyedShots, 1);
}

TEST_F(EnemiesTest, ShotOutsideTheArrayStaysWithItsHolder)
{
    {
        CountedShot shot(300, 22, &engine, 0, 0);
        shot.update(0);
        EXPECT_EQ(shot.currentY, 19);
        engine.updateAllObjects(0);
        EXPECT_EQ(destroyedShots, 0);
    }
    EXPECT_EQ(destroyedShots, 1);
}

TEST_F(EnemiesTest, NothingMovesOrDrawsOutsidePlay)
{
    GameState& state = engine.getState();
    auto* enemy = new AutomaticObject4(300, 777, &engine, 10, 20);
    auto* shot = new AutomaticObject1(300, 22, &engine, 0, 0);
    engine.appendObjectToArray(enemy);
    engine.appendObjectToArray(shot);
    addObjectCentredAt(300, 790);
    for (PlayState other : {StartScreen, Paused}) {
        state.playState = other;
        engine.redrawRequested = false;
        engine.updateAllObjects(0);
        engine.getForegroundCanvas()->fillSurface(kBackdrop);
        enemy->draw();
        shot->draw();
        EXPECT_EQ(enemy->currentY, 777);
        EXPECT_EQ(shot->currentY, 22);
        EXPECT_EQ(engine.getContentCount(), 3);
        EXPECT_EQ(state.lives, 5);
        EXPECT_EQ(state.score, 0);
        EXPECT_FALSE(engine.redrawRequested);
        EXPECT_EQ(dustreach::test::countPixels(*engine.getForegroundCanvas(), kBackdrop, 0, 0,
                                               600, 800),
                  600 * 800);
    }
}

}  // namespace
