// Tests of the falling enemies and the shots: falling and the bottom by level, the hit test and its
// score, the flickering colours, the shot's rise and its leaving the array in the middle of an
// update pass, and standing still outside play. A shot scoring in play is covered by GameTest.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AutomaticObject.h"
#include "AutomaticObject1.h"
#include "AutomaticObject2.h"
#include "AutomaticObject4.h"
#include "ObjectTestFixture.h"

namespace {

struct Point {
    int x, y;
};

int destroyedShots = 0;

class CountedShot : public AutomaticObject1 {
public:
    using AutomaticObject1::AutomaticObject1;
    ~CountedShot() override { ++destroyedShots; }
};

// Counts its updates and remembers how many shots had been destroyed when it was last updated.
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

class EnemiesTest : public dustreach::test::ObjectTestFixture {
protected:
    void SetUp() override
    {
        ObjectTestFixture::SetUp();
        destroyedShots = 0;
    }

    AutomaticObject* addEnemy(int x, int y)
    {
        auto* enemy = new AutomaticObject(x, y, &engine, 10, 20);
        engine.appendObjectToArray(enemy);
        return enemy;
    }
};

TEST_F(EnemiesTest, FallsByLevelAndCostsALifeAtTheBottom)
{
    AutomaticObject* enemy = addEnemy(300, 776);
    // Only a level of exactly 2 falls fast: a loaded 3 shows as level 2 but falls at speed 1.
    struct Fall {
        int level, fromY, toY, lives;
    };
    const Fall falls[] = {
        {1, 776, 778, 5}, {1, 777, 20, 4}, {2, 774, 778, 5}, {2, 775, 20, 4}, {3, 100, 102, 5}};
    for (const Fall& fall : falls) {
        SCOPED_TRACE(testing::Message() << "level " << fall.level << " from " << fall.fromY);
        state().level = fall.level;
        state().lives = 5;
        enemy->currentY = fall.fromY;
        engine.redrawRequested = false;
        enemy->update(0);
        EXPECT_EQ(enemy->currentY, fall.toY);
        EXPECT_EQ(enemy->currentX, 300);
        EXPECT_EQ(state().lives, fall.lives);
        EXPECT_TRUE(engine.redrawRequested);
    }
}

TEST_F(EnemiesTest, HitRadiusIsStrictAndAHitScoresByLevel)
{
    GameState& game = state();
    AutomaticObject* enemy = addEnemy(300, 398);
    // After the fall the enemy's corner is (300, 400); the other centre is 40 pixels away.
    DisplayableObject* other = addObjectCentredAt(300, 440);
    enemy->update(0);
    EXPECT_EQ(enemy->currentX, 300);
    EXPECT_EQ(enemy->currentY, 400);
    EXPECT_EQ(game.score, 0);

    // 39 pixels on the diagonal (24, 31) after the next fall: hit.
    other->currentX = 324 - 5;
    other->currentY = 433 - 10;
    std::srand(11);
    const int expectedX = std::rand() % 500;
    std::srand(11);
    enemy->update(0);
    EXPECT_EQ(enemy->currentX, expectedX);
    EXPECT_EQ(enemy->currentY, 10);
    EXPECT_EQ(game.score, 3);

    game.level = 2;
    enemy->currentX = 300;
    enemy->currentY = 396;
    other->currentX = 300 - 5;
    other->currentY = 420 - 10;
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 10);
    EXPECT_EQ(game.score, 53);
    EXPECT_EQ(game.lives, 5);
}

TEST_F(EnemiesTest, WalkGoesOnFromTheNewPlaceAndStopsAtAnEmptyEntry)
{
    std::srand(23);
    const int firstX = std::rand() % 500;
    ASSERT_GE(firstX, 5);  // the waiting object must not be moved by its own clamp
    AutomaticObject* enemy = addEnemy(300, 398);
    addObjectCentredAt(300, 420);
    addObjectCentredAt(firstX, 30);  // waits where the first hit sends the enemy
    std::srand(23);
    enemy->update(0);
    EXPECT_EQ(state().score, 6);

    engine.createObjectArray(0);
    enemy = new AutomaticObject2(300, 398, &engine, 10, 20);
    engine.appendObjectToArray(enemy);
    engine.appendObjectToArray(nullptr);
    addObjectCentredAt(300, 420);
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 400);
    EXPECT_EQ(state().score, 6);
}

TEST_F(EnemiesTest, EnemyOvalOverhangsToTheRightInATableColourBelowForty)
{
    AutomaticObject* enemy = addEnemy(300, 400);
    unsigned int colour = 0;
    for (unsigned int seed = 1; seed <= 300; ++seed) {
        std::srand(seed);
        colour = BaseEngine::getColour(std::rand() % 40);
        std::srand(seed);
        clearForeground();
        enemy->draw();
        ASSERT_EQ(pixel(310, 410), colour) << "seed " << seed;
    }
    // The oval's box runs from x to x + 20 and from y to y + 20.
    for (Point inside : {Point{300, 410}, Point{320, 410}, Point{310, 400}, Point{310, 420}})
        EXPECT_EQ(pixel(inside.x, inside.y), colour);
    EXPECT_EQ(pixel(299, 410), kBackdrop);
    EXPECT_EQ(pixel(321, 410), kBackdrop);
    EXPECT_EQ(pixel(310, 421), kBackdrop);
}

TEST_F(EnemiesTest, ShotStartsWhereItIsMadeWithItsOwnSizeAndDrawsWhite)
{
    AutomaticObject1 shot(-50, 900, &engine, 40, 40);
    EXPECT_EQ(shot.currentX, -50);
    EXPECT_EQ(shot.currentY, 900);
    EXPECT_EQ(shot.drawWidth, 10);
    EXPECT_EQ(shot.drawHeight, 20);

    shot.currentX = 200;
    shot.currentY = 300;
    clearForeground();
    shot.draw();
    for (Point inside : {Point{205, 310}, Point{215, 310}, Point{210, 300}, Point{210, 320}})
        EXPECT_EQ(pixel(inside.x, inside.y), 0xFFFFFFu);
    EXPECT_EQ(pixel(204, 310), kBackdrop);
    EXPECT_EQ(pixel(216, 310), kBackdrop);
}

TEST_F(EnemiesTest, ShotLeavesTheArrayBelowTwentyAndIsFreedAfterThePassUnlessHeldOutsideIt)
{
    auto* before = new CountingObject(100, 100, &engine);
    auto* shot = new CountedShot(300, 23, &engine, 0, 0);
    auto* after = new CountingObject(100, 200, &engine);
    engine.appendObjectToArray(before);
    engine.appendObjectToArray(shot);
    engine.appendObjectToArray(after);

    engine.updateAllObjects(0);
    ASSERT_EQ(engine.getContentCount(), 3);  // at 20 it stays one more update
    EXPECT_EQ(shot->currentY, 20);
    EXPECT_EQ(destroyedShots, 0);

    engine.updateAllObjects(0);
    EXPECT_EQ(before->updates, 2);
    EXPECT_EQ(after->updates, 2);
    // Still alive while the pass went on, freed once it was over.
    EXPECT_EQ(after->destroyedWhenUpdated, 0);
    EXPECT_EQ(destroyedShots, 1);
    ASSERT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(engine.getDisplayableObject(0), before);
    EXPECT_EQ(engine.getDisplayableObject(1), after);

    // One held outside the array stays with its holder.
    {
        CountedShot held(300, 22, &engine, 0, 0);
        held.update(0);
        EXPECT_EQ(held.currentY, 19);
        engine.updateAllObjects(0);
        EXPECT_EQ(destroyedShots, 1);
    }
    EXPECT_EQ(destroyedShots, 2);
}

TEST_F(EnemiesTest, NothingMovesOrDrawsOutsidePlay)
{
    auto* enemy = new AutomaticObject4(300, 777, &engine, 10, 20);
    auto* shot = new AutomaticObject1(300, 22, &engine, 0, 0);
    engine.appendObjectToArray(enemy);
    engine.appendObjectToArray(shot);
    addObjectCentredAt(300, 790);
    expectIdleOutsidePlay([&] {
        engine.updateAllObjects(0);
        enemy->draw();
        shot->draw();
        EXPECT_EQ(enemy->currentY, 777);
        EXPECT_EQ(shot->currentY, 22);
        EXPECT_EQ(engine.getContentCount(), 3);
        EXPECT_EQ(state().lives, 5);
        EXPECT_EQ(state().score, 0);
    });
}

}  // namespace
