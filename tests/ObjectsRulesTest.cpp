// The game objects' rules one at a time: moves, margin, strip, hits, falls, scores, the shot, the
// UFO, and stillness outside play. Sizes, colours and places are pinned by GameTest's frames.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "AutomaticObject.h"
#include "AutomaticObject1.h"
#include "SmartObject.h"
#include "TestSupport.h"
#include "UserControledObject.h"
#include "VorlanEngine.h"

using Ints = std::vector<int>;
using Object = DisplayableObject;
using Places = std::vector<std::pair<int, int>>;

namespace {

// Remembers how many shots had been freed when it was last updated.
int freedShots = 0;
struct CountedShot : AutomaticObject1 {
    using AutomaticObject1::AutomaticObject1;
    ~CountedShot() override { ++freedShots; }
    void update(int t) override
    {
        freedSeen = freedShots;
        AutomaticObject1::update(t);
    }
    int freedSeen = -1;
};

class ObjectsRulesTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder.copyAsset("ufo.png");
        folder.copyAsset("ufo1.png");
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        engine.createObjectArray(0);
        state().playState = Running;
        freedShots = 0;
    }
    GameState& state() { return engine.getState(); }
    template <typename T, typename... Rest> T* add(int x, int y, Rest... rest)
    {
        T* object = new T(x, y, &engine, rest...);
        engine.appendObjectToArray(object);
        return object;
    }
    VorlanTileManager& tiles() { return engine.getTileManager(); }
    Object* addPlayer(int x, int y) { return add<UserControledObject>(x, y, 10, 20, &tiles()); }
    Object* addEnemy(int x, int y) { return add<AutomaticObject>(x, y, 10, 20); }
    static void put(Object* o, int x, int y)
    {
        o->currentX = x;
        o->currentY = y;
    }
    void keys(const Ints& codes, bool down)
    {
        for (int code : codes) {
            SDL_Event event{};
            event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
            event.key.keysym.sym = code;
            engine.handleEvent(event);
        }
    }
    std::string pixels() { return dustreach::test::pixelBytes(*engine.getForegroundCanvas()); }
    std::string clear()  // and the bytes of the cleared foreground
    {
        engine.getForegroundCanvas()->fillSurface(0x123456);
        return pixels();
    }
    int strip() { return tiles().getMapValue(0, 0) + tiles().getMapValue(4, 0); }

    dustreach::test::ScopedTempDir folder;  // the engine reads the UFO's pictures from here
    VorlanEngine engine;
};

TEST_F(ObjectsRulesTest, PlayerMovesThreeOrSixFacesItsLastMoveKeepsAMarginAndTakesTheBoost)
{
    // facing: 0 up, 1 down, 2 left, 3 right. w and up together count once.
    const struct {
        int x, y;
        Ints keys;
        int boost, toX, toY, facing;
    } moves[] = {
        {300, 400, {}, 0, 300, 400, 0},          {300, 400, {'w', SDLK_UP}, 0, 300, 397, 0},
        {300, 400, {'s'}, 1, 300, 406, 1},       {300, 400, {'w', SDLK_UP}, 1, 300, 394, 0},
        {300, 400, {SDLK_LEFT}, 0, 297, 400, 2}, {300, 400, {SDLK_UP, SDLK_RIGHT}, 0, 303, 397, 3},
        {11, 400, {'a'}, 0, 10, 400, 2},         {300, 400, {SDLK_UP, SDLK_DOWN}, 0, 300, 400, 1},
        {587, 400, {'d'}, 0, 589, 400, 3},       {585, 400, {'d'}, 0, 588, 400, 3},
        {300, 21, {'w'}, 0, 300, 20, 0},         {300, 777, {'s'}, 0, 300, 779, 1}};
    Object* player = addPlayer(0, 0);
    const GameState& s = state();
    for (const auto& move : moves) {
        SCOPED_TRACE(&move - moves);
        put(player, move.x, move.y);
        state().speedBoostActive = move.boost;
        engine.redrawRequested = false;
        keys(move.keys, true);
        player->update(0);
        keys(move.keys, false);
        const int facing = s.facingUp | s.facingDown << 1 | s.facingLeft << 2 | s.facingRight << 3;
        EXPECT_EQ(player->currentX, move.toX);
        EXPECT_EQ(player->currentY, move.toY);
        EXPECT_EQ(facing, 1 << move.facing);
        EXPECT_TRUE(engine.redrawRequested);
    }
    // The strip turns the boost on only inside it; it ends on the 1001st count.
    tiles().setBaseTilesPositionOnScreen(100, 250);
    const struct {
        int x, y, ticksBefore, active, ticks;
    } steps[] = {{200, 250, 0, 0, 0}, {150, 270, 0, 0, 0},      {100, 250, 0, 1, 0},
                 {400, 250, 0, 1, 1}, {400, 250, 999, 1, 1000}, {400, 250, 1000, 0, 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        put(player, step.x, step.y);
        state().speedBoostTicks = step.ticksBefore;
        player->update(0);
        EXPECT_EQ(state().speedBoostActive, step.active);
        EXPECT_EQ(state().speedBoostTicks, step.ticks);
        EXPECT_EQ(strip(), 2 * step.active);
    }
}

TEST_F(ObjectsRulesTest, EnemyFallsByLevelAndCostsALifeAtTheBottom)
{
    // Only a level of exactly 2 falls fast.
    const struct {
        int level, fromY, toY, lives;
    } falls[] = {
        {1, 776, 778, 5}, {1, 777, 20, 4}, {2, 774, 778, 5}, {2, 775, 20, 4}, {3, 100, 102, 5}};
    Object* enemy = addEnemy(300, 0);
    for (const auto& fall : falls) {
        SCOPED_TRACE(&fall - falls);
        state().level = fall.level;
        state().lives = 5;
        engine.redrawRequested = false;
        put(enemy, 300, fall.fromY);
        enemy->update(0);
        EXPECT_EQ(enemy->currentX, 300);
        EXPECT_EQ(enemy->currentY, fall.toY);
        EXPECT_EQ(state().lives, fall.lives);
        EXPECT_TRUE(engine.redrawRequested);
    }
}

TEST_F(ObjectsRulesTest, HitIsUnderFortyFromTheCornerEveryObjectInRangeCostsAndScoreIsByWhoIsHit)
{
    // Others' centres against the subject's corner once it moved to (300, 400). A hit costs the
    // player 2 points and a life and puts it at (275, 600), where the walk goes on; it gives the
    // enemy 3 points (50 at level 2) and the x rand() gives, at the top.
    std::srand(11);
    const int randomX = std::rand() % 500;
    const struct {
        int enemy, level;
        Places others;
        int lives, score, toX, toY;
    } hits[] = {{0, 1, {{300, 360}}, 5, 0, 300, 400},
                {0, 1, {{324, 432}}, 5, 0, 300, 400},
                {0, 1, {{300, 361}}, 4, -2, 275, 600},
                {1, 1, {{300, 440}}, 5, 0, 300, 400},
                {1, 1, {{324, 431}}, 5, 3, randomX, 10},
                {1, 2, {{300, 439}}, 5, 50, randomX, 10},
                {0, 1, {{0, 0}, {-1, 0}, {305, 390}}, 5, 0, 300, 400},
                {0, 1, {{300, 390}, {275, 580}, {260, 610}}, 2, -6, 275, 600}};
    // Other x 0 is a fresh shot, -1 an empty entry.
    const auto other = [&](int x, int y) -> Object* {
        if (x < 0)
            return nullptr;
        if (x == 0)
            return new AutomaticObject1(295, 350, &engine, 0, 0);
        return new Object(x - 5, y - 10, &engine, 10, 20, true);
    };
    for (const auto& hit : hits) {
        SCOPED_TRACE(&hit - hits);
        engine.createObjectArray(0);
        state().lives = 5;
        state().score = 0;
        state().level = hit.level;
        Object* subject = hit.enemy ? addEnemy(300, 400 - 2 * hit.level) : addPlayer(300, 400);
        for (auto [x, y] : hit.others)
            engine.appendObjectToArray(other(x, y));
        std::srand(11);
        subject->update(0);
        EXPECT_EQ(state().lives, hit.lives);
        EXPECT_EQ(state().score, hit.score);
        EXPECT_EQ(subject->currentX, hit.toX);
        EXPECT_EQ(subject->currentY, hit.toY);
    }
}

TEST_F(ObjectsRulesTest, ShotRisesThreeLeavesBelowTwentyAndIsFreedAfterThePass)
{
    add<CountedShot>(300, 500, 0, 0);
    auto* shot = add<CountedShot>(300, 23, 0, 0);
    auto* last = add<CountedShot>(300, 400, 0, 0);
    engine.updateAllObjects(0);
    ASSERT_EQ(engine.getContentCount(), 3);
    ASSERT_EQ(shot->currentY, 20);  // at 20 it stays
    engine.updateAllObjects(0);  // freed only once the whole pass is over
    EXPECT_EQ(last->freedSeen, 0);
    EXPECT_EQ(freedShots, 1);
    EXPECT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(engine.getDisplayableObject(1), last);
}

TEST_F(ObjectsRulesTest, UfoChasesThePlayersCentreWhenNearElseWandersInsideTheWindowAndAnimates)
{
    addPlayer(225, 600);  // centre (230, 610)
    auto* ufo = add<SmartObject>(0, 0, 30, 16);
    // r is the update's rand() % 4, followed only when wandering: 0 left, 1 right, 2 down, 3 up.
    const struct {
        int x, y, r, toX, toY;
    } steps[] = {{190, 20, 3, 191, 21},  {300, 700, 3, 299, 699}, {230, 610, 3, 230, 610},
                 {0, 0, 3, 0, 0},        {81, 460, 3, 82, 461},   {80, 460, 3, 80, 459},
                 {0, 20, 0, 0, 20},      {0, 20, 3, 0, 19},       {0, 19, 2, 0, 20},
                 {0, 20, 1, 1, 20},      {570, 100, 1, 570, 100}, {570, 100, 0, 569, 100},
                 {500, 784, 2, 500, 784}};
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        unsigned int seed = 0;  // the first whose first rand() % 4 is r
        do {
            ++seed;
            std::srand(seed);
        } while (std::rand() % 4 != step.r);
        const int second = std::rand();
        put(ufo, step.x, step.y);
        engine.redrawRequested = false;
        std::srand(seed);
        ufo->update(0);
        EXPECT_EQ(ufo->currentX, step.toX);
        EXPECT_EQ(ufo->currentY, step.toY);
        EXPECT_TRUE(engine.redrawRequested);
        EXPECT_EQ(std::rand(), second);  // one number drawn, chasing or not
    }
    // Drawn: frame one for seven draws, frame two for eight, nothing on the 16th, and over again.
    put(ufo, 190, 20);
    const std::string empty = clear();
    std::vector<std::string> shown;
    for (int draw = 1; draw <= 17; ++draw) {
        ufo->draw();
        shown.push_back(pixels());
        clear();
    }
    EXPECT_TRUE(shown[0] != shown[7]);
    EXPECT_TRUE(shown[0] != empty);
    const std::string pictures[] = {shown[0], shown[7], empty};  // frame one, frame two, nothing
    const int shows[17] = {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 0};  // draw by draw
    for (int i = 0; i < 17; ++i)
        EXPECT_TRUE(shown[i] == pictures[shows[i]]) << "draw " << i + 1;
    EXPECT_EQ(state().ufoAnimationCounter, 1);
}

TEST_F(ObjectsRulesTest, OutsidePlayNothingMovesOrDrawsAndOnlyTheBoostCounterRuns)
{
    tiles().setBaseTilesPositionOnScreen(100, 250);
    const std::vector<Object*> drawn = {addPlayer(100, 250), addEnemy(300, 777),
                                        add<AutomaticObject1>(300, 22, 0, 0),
                                        add<SmartObject>(190, 20, 30, 16)};
    add<Object>(95, 240, 10, 20, true);  // in the player's range
    keys({SDLK_LEFT}, true);
    engine.redrawRequested = false;
    for (PlayState other : {StartScreen, Paused}) {
        SCOPED_TRACE(other);
        state().playState = other;
        state().speedBoostActive = 1;
        state().speedBoostTicks = 5;
        const std::string cleared = clear();
        engine.updateAllObjects(0);
        for (Object* object : drawn)
            object->draw();
        EXPECT_FALSE(engine.redrawRequested);
        EXPECT_TRUE(pixels() == cleared);
        const GameState& s = state();
        EXPECT_EQ(s.speedBoostTicks, 6);
        EXPECT_EQ(s.speedBoostActive, 1);
        EXPECT_EQ(strip(), 0);
        EXPECT_EQ(s.facingLeft, 0);
        EXPECT_EQ(s.lives, 5);
        EXPECT_EQ(s.ufoAnimationCounter, 0);
        EXPECT_EQ(engine.getContentCount(), 5);
        EXPECT_EQ(drawn[0]->currentX, 100);
        EXPECT_EQ(drawn[1]->currentY, 777);
        EXPECT_EQ(drawn[2]->currentY, 22);
        EXPECT_EQ(drawn[3]->currentY, 20);
    }
}

}  // namespace
