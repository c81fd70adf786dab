// The game objects' rules, one object at a time on a headless engine without font, in play, with
// an object array of the test's own: the player's moves, margin, triangles, power-up strip and
// hits; the enemies' fall, hits and scores; the shot's leaving the array; the UFO's chase, wander
// and animation; and that nothing moves or draws outside play. What a whole frame shows (sizes,
// colours, start places) is pinned by GameTest's reference frames.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "AutomaticObject.h"
#include "AutomaticObject1.h"
#include "SmartObject.h"
#include "TestSupport.h"
#include "UserControledObject.h"
#include "VorlanEngine.h"

using dustreach::test::countPixels;

namespace {

constexpr unsigned int kBackdrop = 0x123456;
constexpr unsigned int kGold = 0xFFD700;
int destroyedShots = 0;

class CountedShot : public AutomaticObject1 {
public:
    using AutomaticObject1::AutomaticObject1;
    ~CountedShot() override { ++destroyedShots; }
};

// Remembers how many shots had been freed when it was last updated.
class Witness : public DisplayableObject {
public:
    Witness(int x, int y, BaseEngine* engine) : DisplayableObject(x, y, engine, 10, 20, true) {}
    void update(int) override { freedWhenUpdated = destroyedShots; }
    int freedWhenUpdated = -1;
};

// A 40 x 20 picture of one colour whose bottom-right pixel (the mask colour) is green.
void writeUfoFrame(const char* name, unsigned int colour)
{
    SDL_Surface* s = SDL_CreateRGBSurface(0, 40, 20, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    SDL_FillRect(s, nullptr, 0xFF000000 | colour);
    SDL_Rect corner{39, 19, 1, 1};
    SDL_FillRect(s, &corner, 0xFF00FF00);
    ASSERT_EQ(IMG_SavePNG(s, name), 0);
    SDL_FreeSurface(s);
}

// The first seed whose first rand() % 4 is wanted.
unsigned int seedGiving(int wanted)
{
    unsigned int seed = 1;
    for (;; ++seed) {
        std::srand(seed);
        if (std::rand() % 4 == wanted)
            return seed;
    }
}

class ObjectsRulesTest : public testing::Test {
protected:
    void SetUp() override
    {
        writeUfoFrame("ufo.png", 0xFF0000);
        writeUfoFrame("ufo1.png", 0x0000FF);
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        engine.createObjectArray(0);  // each test builds its own objects
        state().playState = Running;
        destroyedShots = 0;
    }
    GameState& state() { return engine.getState(); }
    template <typename T, typename... Rest> T* add(int x, int y, Rest... rest)
    {
        T* object = new T(x, y, &engine, rest...);
        engine.appendObjectToArray(object);
        return object;
    }
    UserControledObject* addPlayer(int x, int y)
    {
        return add<UserControledObject>(x, y, 10, 20, &engine.getTileManager());
    }
    DisplayableObject* addCentredAt(int x, int y) { return add<DisplayableObject>(x - 5, y - 10, 10, 20, true); }
    void key(int code, bool down)
    {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.sym = code;
        engine.handleEvent(event);
    }
    unsigned int pixel(int x, int y) { return engine.getForegroundCanvas()->rawGetPixel(x, y) & 0xFFFFFF; }
    int count(unsigned int colour) { return countPixels(*engine.getForegroundCanvas(), colour, 0, 0, 600, 800); }
    void clear() { engine.getForegroundCanvas()->fillSurface(kBackdrop); }
    int strip() { return engine.getTileManager().getMapValue(0, 0) + engine.getTileManager().getMapValue(4, 0); }

    dustreach::test::ScopedTempDir folder;  // the UFO's pictures, written fresh for each test
    VorlanEngine engine;
};

TEST_F(ObjectsRulesTest, PlayerMovesThreeOrSixFacesItsLastMoveAndKeepsAMarginOfItsSize)
{
    // facing: 0 up, 1 down, 2 left, 3 right. w and up together still count once.
    const struct { int x, y; std::vector<int> keys; int boost, toX, toY, facing; } moves[] = {
        {300, 400, {}, 0, 300, 400, 0},          {300, 400, {'w', SDLK_UP}, 0, 300, 397, 0},
        {300, 400, {'w', SDLK_UP}, 1, 300, 394, 0}, {300, 400, {'s'}, 1, 300, 406, 1},
        {300, 400, {SDLK_LEFT}, 0, 297, 400, 2}, {300, 400, {SDLK_UP, SDLK_RIGHT}, 0, 303, 397, 3},
        {300, 400, {SDLK_UP, SDLK_DOWN}, 0, 300, 400, 1}, {11, 400, {'a'}, 0, 10, 400, 2},
        {588, 400, {'d'}, 0, 589, 400, 3},       {589, 400, {'d'}, 0, 589, 400, 3},
        {300, 21, {'w'}, 0, 300, 20, 0},         {300, 778, {'s'}, 0, 300, 779, 1}};
    UserControledObject* player = addPlayer(0, 0);
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << "move " << &move - moves);
        player->currentX = move.x;
        player->currentY = move.y;
        state().speedBoostActive = move.boost;
        engine.redrawRequested = false;
        for (int code : move.keys)
            key(code, true);
        player->update(0);
        for (int code : move.keys)
            key(code, false);
        EXPECT_EQ(player->currentX, move.toX);
        EXPECT_EQ(player->currentY, move.toY);
        const GameState& s = state();
        EXPECT_EQ((std::vector<int>{s.facingUp, s.facingDown, s.facingLeft, s.facingRight}),
                  (std::vector<int>{move.facing == 0, move.facing == 1, move.facing == 2, move.facing == 3}));
        EXPECT_TRUE(engine.redrawRequested);
    }
}

TEST_F(ObjectsRulesTest, EachFacingFlagDrawsItsOwnTriangleOnTheTopEdge)
{
    UserControledObject* player = addPlayer(300, 400);
    int GameState::*const flags[] = {&GameState::facingUp, &GameState::facingDown,
                                     &GameState::facingRight, &GameState::facingLeft};
    const int probes[][2] = {{305, 381}, {305, 419}, {308, 381}, {302, 381}};  // near each tip
    for (int drawn : {1, 2, 4, 8, 3}) {
        for (int flag = 0; flag < 4; ++flag)
            state().*flags[flag] = (drawn >> flag) & 1;
        clear();
        player->draw();
        for (int flag = 0; flag < 4; ++flag)
            EXPECT_EQ(pixel(probes[flag][0], probes[flag][1]) == kGold, ((drawn >> flag) & 1) != 0)
                << "flags " << drawn << ", probe " << flag;
        EXPECT_EQ(pixel(300, 400), kGold);
        EXPECT_EQ(pixel(310, 400), kGold);
        EXPECT_EQ(pixel(301, 412), kBackdrop);  // the ship's rectangle itself is not filled
    }
}

TEST_F(ObjectsRulesTest, StripTurnsTheBoostOnOnlyInsideItAndItEndsOnCountThousandAndOne)
{
    UserControledObject* player = addPlayer(0, 0);
    engine.getTileManager().setBaseTilesPositionOnScreen(100, 250);
    const struct { int x, y, ticksBefore, active, ticks; } steps[] = {
        {200, 250, 0, 0, 0}, {150, 270, 0, 0, 0},      {100, 250, 0, 1, 0},
        {400, 250, 0, 1, 1}, {400, 250, 999, 1, 1000}, {400, 250, 1000, 0, 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "at (" << step.x << ", " << step.y << ") after " << step.ticksBefore);
        player->currentX = step.x;
        player->currentY = step.y;
        state().speedBoostTicks = step.ticksBefore;
        player->update(0);
        EXPECT_EQ(state().speedBoostActive, step.active);
        EXPECT_EQ(state().speedBoostTicks, step.ticks);
        EXPECT_EQ(strip(), 2 * step.active);
    }
}

TEST_F(ObjectsRulesTest, PlayerHitIsStrictToItsCornerAndEveryObjectInRangeCostsTwoPointsAndALife)
{
    UserControledObject* player = addPlayer(300, 400);
    // A fresh shot (where a left click puts it) does not hit its shooter; an empty entry ends the walk.
    engine.appendObjectToArray(new AutomaticObject1(295, 350, &engine, 0, 0));
    engine.appendObjectToArray(nullptr);
    addCentredAt(305, 390);
    player->update(0);
    EXPECT_EQ(state().lives, 5);

    engine.createObjectArray(0);
    player = addPlayer(300, 400);
    DisplayableObject* other = addCentredAt(300, 360);  // 40 above the corner, then 40 diagonally
    player->update(0);
    other->currentX = 324 - 5;
    other->currentY = 432 - 10;
    player->update(0);
    EXPECT_EQ(state().lives, 5);
    EXPECT_EQ(player->currentX, 300);
    other->currentX = 300 - 5;  // 39: a hit, though the player's centre is 49 away
    other->currentY = 361 - 10;
    player->update(0);
    EXPECT_EQ(state().lives, 4);
    EXPECT_EQ(state().score, -2);
    EXPECT_EQ(player->currentX, 275);
    EXPECT_EQ(player->currentY, 600);
    // Two objects at the restart place cost two lives; the first hit can move it into the second.
    other->currentX = 280 - 5;
    other->currentY = 590 - 10;
    addCentredAt(260, 610);
    player->update(0);
    EXPECT_EQ(state().lives, 2);
    EXPECT_EQ(state().score, -6);
    engine.createObjectArray(0);
    player = addPlayer(400, 300);
    addCentredAt(400, 290);
    addCentredAt(275, 580);
    player->update(0);
    EXPECT_EQ(state().lives, 0);
}

TEST_F(ObjectsRulesTest, EnemyFallsByLevelAndCostsALifeAtTheBottom)
{
    // Only a level of exactly 2 falls fast.
    const struct { int level, fromY, toY, lives; } falls[] = {
        {1, 776, 778, 5}, {1, 777, 20, 4}, {2, 774, 778, 5}, {2, 775, 20, 4}, {3, 100, 102, 5}};
    AutomaticObject* enemy = add<AutomaticObject>(300, 0, 10, 20);
    for (const auto& fall : falls) {
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

TEST_F(ObjectsRulesTest, EnemyHitIsStrictScoresThreeOrFiftyAndTheWalkGoesOnFromTheNewPlace)
{
    AutomaticObject* enemy = add<AutomaticObject>(300, 398, 10, 20);
    DisplayableObject* other = addCentredAt(300, 440);  // 40 below the corner after the fall
    enemy->update(0);
    EXPECT_EQ(enemy->currentY, 400);
    EXPECT_EQ(state().score, 0);
    other->currentX = 324 - 5;  // 39 on the diagonal (24, 31) after the next fall
    other->currentY = 433 - 10;
    std::srand(11);
    const int restartX = std::rand() % 500;
    std::srand(11);
    enemy->update(0);
    EXPECT_EQ(enemy->currentX, restartX);
    EXPECT_EQ(enemy->currentY, 10);
    EXPECT_EQ(state().score, 3);
    state().level = 2;
    enemy->currentX = 300;
    enemy->currentY = 396;
    other->currentX = 295;
    other->currentY = 410;
    enemy->update(0);
    EXPECT_EQ(state().score, 53);
    EXPECT_EQ(state().lives, 5);

    // A second object waiting where the first hit sends the enemy scores again.
    engine.createObjectArray(0);
    state().level = 1;
    std::srand(23);
    const int firstX = std::rand() % 500;
    enemy = add<AutomaticObject>(300, 398, 10, 20);
    addCentredAt(300, 420);
    addCentredAt(firstX, 30);
    std::srand(23);
    enemy->update(0);
    EXPECT_EQ(state().score, 59);
}

TEST_F(ObjectsRulesTest, ShotRisesThreeLeavesBelowTwentyAndIsFreedAfterThePass)
{
    add<Witness>(100, 100);
    auto* shot = add<CountedShot>(300, 23, 0, 0);
    auto* after = add<Witness>(100, 200);
    engine.updateAllObjects(0);
    ASSERT_EQ(engine.getContentCount(), 3);  // at 20 it stays one more update
    EXPECT_EQ(shot->currentY, 20);
    engine.updateAllObjects(0);
    EXPECT_EQ(after->freedWhenUpdated, 0);  // alive while the pass went on
    EXPECT_EQ(destroyedShots, 1);
    ASSERT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(engine.getDisplayableObject(1), after);
    {
        CountedShot held(300, 22, &engine, 0, 0);  // one held outside the array stays with its holder
        held.update(0);
        engine.updateAllObjects(0);
        EXPECT_EQ(destroyedShots, 1);
    }
    EXPECT_EQ(destroyedShots, 2);
}

TEST_F(ObjectsRulesTest, UfoChasesThePlayersCentreWhenNearElseWandersInsideTheWindow)
{
    addPlayer(225, 600);  // centre (230, 610)
    auto* ufo = add<SmartObject>(0, 0, 30, 16);
    // r is the update's rand() % 4, followed only when wandering: 0 left, 1 right, 2 down, 3 up.
    const struct { int x, y, r, toX, toY; } steps[] = {
        {190, 20, 3, 191, 21}, {300, 700, 3, 299, 699}, {230, 610, 3, 230, 610}, {81, 460, 3, 82, 461},
        {80, 460, 3, 80, 459}, {0, 20, 0, 0, 20},       {0, 20, 3, 0, 19},      {0, 19, 2, 0, 20},
        {0, 20, 1, 1, 20},     {570, 100, 1, 570, 100}, {570, 100, 0, 569, 100}, {500, 784, 2, 500, 784},
        {0, 0, 3, 0, 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "from (" << step.x << ", " << step.y << "), r " << step.r);
        ufo->currentX = step.x;
        ufo->currentY = step.y;
        engine.redrawRequested = false;
        const unsigned int seed = seedGiving(step.r);  // which has drawn the first number
        const int second = std::rand();
        std::srand(seed);
        ufo->update(0);
        EXPECT_EQ(ufo->currentX, step.toX);
        EXPECT_EQ(ufo->currentY, step.toY);
        EXPECT_TRUE(engine.redrawRequested);
        EXPECT_EQ(std::rand(), second);  // exactly one number drawn, chasing or not
    }
    // Without a player at the first entry: no move, no number, no redraw.
    engine.createObjectArray(0);
    add<AutomaticObject>(225, 600, 10, 20);
    ufo = add<SmartObject>(190, 20, 30, 16);
    engine.redrawRequested = false;
    std::srand(9);
    const int first = std::rand();
    std::srand(9);
    ufo->update(0);
    EXPECT_EQ(ufo->currentX, 190);
    EXPECT_FALSE(engine.redrawRequested);
    EXPECT_EQ(std::rand(), first);
}

TEST_F(ObjectsRulesTest, UfoShowsFrameOneForSevenDrawsFrameTwoForEightThenNothing)
{
    auto* ufo = add<SmartObject>(190, 20, 30, 16);
    for (int draw = 1; draw <= 17; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        clear();
        ufo->draw();
        const unsigned int shown = draw <= 7 || draw == 17 ? 0xFF0000 : draw <= 15 ? 0x0000FF : kBackdrop;
        EXPECT_EQ(count(shown), shown == kBackdrop ? 600 * 800 : 30 * 16);
        EXPECT_EQ(pixel(190, 20), shown);
        EXPECT_EQ(pixel(219, 35), shown);
    }
    EXPECT_EQ(state().ufoAnimationCounter, 1);
}

TEST_F(ObjectsRulesTest, OutsidePlayNothingMovesOrDrawsAndOnlyTheBoostCounterRuns)
{
    engine.getTileManager().setBaseTilesPositionOnScreen(100, 250);
    UserControledObject* player = addPlayer(100, 250);
    auto* enemy = add<AutomaticObject>(300, 777, 10, 20);
    auto* shot = add<AutomaticObject1>(300, 22, 0, 0);
    auto* ufo = add<SmartObject>(190, 20, 30, 16);
    addCentredAt(100, 250);
    key(SDLK_LEFT, true);
    for (PlayState other : {StartScreen, Paused}) {
        SCOPED_TRACE(other);
        state().playState = other;
        state().speedBoostActive = 1;
        state().speedBoostTicks = 5;
        engine.redrawRequested = false;
        clear();
        engine.updateAllObjects(0);
        for (DisplayableObject* object : std::vector<DisplayableObject*>{player, enemy, shot, ufo})
            object->draw();
        EXPECT_FALSE(engine.redrawRequested);
        EXPECT_EQ(count(kBackdrop), 600 * 800);
        EXPECT_EQ(state().speedBoostTicks, 6);
        EXPECT_EQ(state().speedBoostActive, 1);
        EXPECT_EQ(strip(), 0);
        EXPECT_EQ(player->currentX, 100);
        EXPECT_EQ(state().facingLeft, 0);
        EXPECT_EQ(enemy->currentY, 777);
        EXPECT_EQ(shot->currentY, 22);
        EXPECT_EQ(ufo->currentY, 20);
        EXPECT_EQ(engine.getContentCount(), 5);
        EXPECT_EQ(state().lives, 5);
        EXPECT_EQ(state().ufoAnimationCounter, 0);
    }
}

}  // namespace
