// Tests of the player's ship: keys and speed, margin, the power-up strip and its timeout, the hit
// test against other objects, the direction triangle, and standing still outside play.
#include <gtest/gtest.h>

#include <SDL.h>

#include "AutomaticObject1.h"
#include "DisplayableObject.h"
#include "PixelCanvas.h"
#include "TestSupport.h"
#include "UserControledObject.h"
#include "VorlanEngine.h"

namespace {

constexpr unsigned int kGold = 0xFFD700;
constexpr unsigned int kBackdrop = 0x123456;

class PlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        // The engine's own set-up may have built its objects; every test builds its own array.
        engine.createObjectArray(1);
        player = new UserControledObject(300, 400, &engine, 10, 20, &engine.getTileManager());
        engine.storeObjectInArray(0, player);
        engine.getState().playState = Running;
    }

    void key(int code, bool down)
    {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.sym = code;
        engine.handleEvent(event);
    }

    // A plain 10 x 20 object whose centre is at (centreX, centreY), appended to the array.
    DisplayableObject* addObjectCentredAt(int centreX, int centreY)
    {
        auto* object = new DisplayableObject(centreX - 5, centreY - 10, &engine, 10, 20, true);
        engine.appendObjectToArray(object);
        return object;
    }

    int stripValue(int mapX) { return engine.getTileManager().getMapValue(mapX, 0); }

    void expectStrip(int value)
    {
        for (int mapX = 0; mapX < 5; ++mapX)
            EXPECT_EQ(stripValue(mapX), value) << "tile " << mapX;
    }

    unsigned int pixel(int x, int y)
    {
        return engine.getForegroundCanvas()->rawGetPixel(x, y) & 0xFFFFFF;
    }

    VorlanEngine engine;
    UserControledObject* player = nullptr;
};

TEST_F(PlayerTest, IdleUpdateOnlyRequestsRedraw)
{
    engine.redrawRequested = false;
    player->update(0);
    EXPECT_EQ(player->currentX, 300);
    EXPECT_EQ(player->currentY, 400);
    EXPECT_EQ(engine.getState().lives, 5);
    EXPECT_TRUE(engine.redrawRequested);
}

TEST_F(PlayerTest, BothCodesOfOneMoveCountOnceAndBoostDoublesTheStep)
{
    key('w', true);
    key(SDLK_UP, true);
    player->update(0);
    EXPECT_EQ(player->currentY, 397);
    EXPECT_EQ(player->currentX, 300);

    engine.getState().speedBoostActive = 1;
    player->update(0);
    EXPECT_EQ(player->currentY, 391);

    key('w', false);
    key(SDLK_UP, false);
    key('s', true);
    player->update(0);
    EXPECT_EQ(player->currentY, 397);
    EXPECT_EQ(engine.getState().facingDown, 1);
    EXPECT_EQ(engine.getState().facingUp, 0);
}

TEST_F(PlayerTest, DiagonalLeavesOnlyTheLastFlagAndDrawsItsTriangle)
{
    key(SDLK_UP, true);
    key(SDLK_RIGHT, true);
    player->update(0);
    EXPECT_EQ(player->currentX, 303);
    EXPECT_EQ(player->currentY, 397);
    const GameState& state = engine.getState();
    EXPECT_EQ(state.facingUp, 0);
    EXPECT_EQ(state.facingDown, 0);
    EXPECT_EQ(state.facingLeft, 0);
    EXPECT_EQ(state.facingRight, 1);

    // Up and down together cancel; the flag of the later move stays.
    key(SDLK_RIGHT, false);
    key(SDLK_DOWN, true);
    player->update(0);
    EXPECT_EQ(player->currentY, 397);
    EXPECT_EQ(state.facingDown, 1);
    EXPECT_EQ(state.facingUp, 0);
}

TEST_F(PlayerTest, EachFlagDrawsItsOwnTriangleOnTheTopEdge)
{
    GameState& state = engine.getState();
    // Probe pixels near each tip, for the ship at (300, 400), 10 x 20: only the matching
    // triangle covers its probe.
    struct Probe {
        int GameState::*flag;
        int x, y;
    };
    const Probe probes[] = {{&GameState::facingUp, 305, 381},
                            {&GameState::facingDown, 305, 419},
                            {&GameState::facingRight, 308, 381},
                            {&GameState::facingLeft, 302, 381}};
    for (const Probe& drawn : probes) {
        state.facingUp = state.facingDown = state.facingLeft = state.facingRight = 0;
        state.*drawn.flag = 1;
        engine.getForegroundCanvas()->fillSurface(kBackdrop);
        player->draw();
        for (const Probe& probe : probes) {
            const bool expected = probe.flag == drawn.flag;
            EXPECT_EQ(pixel(probe.x, probe.y) == kGold, expected)
                << "probe (" << probe.x << ", " << probe.y << ")";
        }
        // The base is the top edge; the ship's own rectangle is not filled.
        EXPECT_EQ(pixel(300, 400), kGold);
        EXPECT_EQ(pixel(310, 400), kGold);
        EXPECT_EQ(pixel(301, 412), kBackdrop);
    }

    // Two flags set at once draw two triangles.
    state.facingUp = state.facingDown = 1;
    engine.getForegroundCanvas()->fillSurface(kBackdrop);
    player->draw();
    EXPECT_EQ(pixel(305, 381), kGold);
    EXPECT_EQ(pixel(305, 419), kGold);
}

TEST_F(PlayerTest, MarginOfItsOwnSize)
{
    player->currentX = 11;
    key('a', true);
    player->update(0);
    EXPECT_EQ(player->currentX, 10);
    key('a', false);

    player->currentX = 588;
    key('d', true);
    player->update(0);
    EXPECT_EQ(player->currentX, 589);
    player->update(0);
    EXPECT_EQ(player->currentX, 589);
    key('d', false);

    player->currentY = 21;
    key('w', true);
    player->update(0);
    EXPECT_EQ(player->currentY, 20);
    key('w', false);

    player->currentY = 778;
    key('s', true);
    player->update(0);
    EXPECT_EQ(player->currentY, 779);
}

TEST_F(PlayerTest, StripTurnsTheBoostOnOnlyInsideIt)
{
    engine.getTileManager().setBaseTilesPositionOnScreen(100, 250);
    GameState& state = engine.getState();

    player->currentX = 200;
    player->currentY = 250;
    player->update(0);
    EXPECT_EQ(state.speedBoostActive, 0);
    expectStrip(0);

    player->currentX = 150;
    player->currentY = 270;
    player->update(0);
    EXPECT_EQ(state.speedBoostActive, 0);
    expectStrip(0);

    player->currentX = 100;
    player->currentY = 250;
    player->update(0);
    EXPECT_EQ(state.speedBoostActive, 1);
    expectStrip(1);

    // Off the strip the boost stays on and the strip keeps showing it.
    player->currentX = 400;
    player->update(0);
    EXPECT_EQ(state.speedBoostActive, 1);
    EXPECT_EQ(state.speedBoostTicks, 1);
    expectStrip(1);
}

TEST_F(PlayerTest, BoostEndsInTheUpdateThatCountsPastOneThousand)
{
    GameState& state = engine.getState();
    state.speedBoostActive = 1;
    state.speedBoostTicks = 999;
    player->update(0);
    EXPECT_EQ(state.speedBoostTicks, 1000);
    EXPECT_EQ(state.speedBoostActive, 1);
    expectStrip(1);

    player->update(0);
    EXPECT_EQ(state.speedBoostTicks, 0);
    EXPECT_EQ(state.speedBoostActive, 0);
    expectStrip(0);
}

TEST_F(PlayerTest, HitRadiusIsStrictAndMeasuredToTheTopLeftCorner)
{
    GameState& state = engine.getState();
    // 40 pixels straight above, and 40 on a diagonal (24, 32): no hit.
    DisplayableObject* other = addObjectCentredAt(300, 360);
    player->update(0);
    other->currentX = 324 - 5;
    other->currentY = 432 - 10;
    player->update(0);
    EXPECT_EQ(state.lives, 5);
    EXPECT_EQ(state.score, 0);
    EXPECT_EQ(player->currentX, 300);

    // 39 pixels: hit, although the player's own centre (305, 410) is 49 pixels away.
    other->currentX = 300 - 5;
    other->currentY = 361 - 10;
    player->update(0);
    EXPECT_EQ(state.lives, 4);
    EXPECT_EQ(state.score, -2);
    EXPECT_EQ(player->currentX, 275);
    EXPECT_EQ(player->currentY, 600);
}

TEST_F(PlayerTest, EveryObjectInRangeCostsItsOwnLifeAndTheWalkGoesOnFromTheNewPlace)
{
    GameState& state = engine.getState();
    player->currentX = 275;
    player->currentY = 600;
    addObjectCentredAt(280, 590);
    addObjectCentredAt(260, 610);
    player->update(0);
    EXPECT_EQ(state.lives, 3);
    EXPECT_EQ(state.score, -4);

    // The first hit moves the player next to the second object, which then hits as well.
    engine.createObjectArray(1);
    player = new UserControledObject(400, 300, &engine, 10, 20, &engine.getTileManager());
    engine.storeObjectInArray(0, player);
    addObjectCentredAt(400, 290);
    addObjectCentredAt(275, 580);
    player->update(0);
    EXPECT_EQ(state.lives, 1);
    EXPECT_EQ(state.score, -8);
}

TEST_F(PlayerTest, EmptyEntryEndsTheWalk)
{
    engine.createObjectArray(3);
    player = new UserControledObject(300, 400, &engine, 10, 20, &engine.getTileManager());
    engine.storeObjectInArray(0, player);
    engine.storeObjectInArray(2, new DisplayableObject(300, 380, &engine, 10, 20, true));
    player->update(0);
    EXPECT_EQ(engine.getState().lives, 5);
}

TEST_F(PlayerTest, FreshShotDoesNotHitItsShooter)
{
    // Made where the left click puts it: player centre (305, 410) less (10, 60).
    engine.appendObjectToArray(new AutomaticObject1(295, 350, &engine, 0, 0));
    player->update(0);
    EXPECT_EQ(engine.getState().lives, 5);
    EXPECT_EQ(player->currentY, 400);
}

TEST_F(PlayerTest, OutsidePlayOnlyTheBoostCounterMoves)
{
    GameState& state = engine.getState();
    for (PlayState other : {StartScreen, Paused}) {
        state.playState = other;
        state.speedBoostActive = 1;
        state.speedBoostTicks = 5;
        engine.getTileManager().setBaseTilesPositionOnScreen(100, 250);
        player->currentX = 100;
        player->currentY = 250;
        addObjectCentredAt(100, 250);
        key(SDLK_LEFT, true);
        engine.redrawRequested = false;
        engine.getForegroundCanvas()->fillSurface(kBackdrop);

        player->update(0);
        player->draw();

        EXPECT_EQ(state.speedBoostTicks, 6);
        EXPECT_EQ(state.speedBoostActive, 1);
        expectStrip(0);
        EXPECT_EQ(player->currentX, 100);
        EXPECT_EQ(player->currentY, 250);
        EXPECT_EQ(state.facingUp, 1);
        EXPECT_EQ(state.facingLeft, 0);
        EXPECT_EQ(state.lives, 5);
        EXPECT_EQ(state.score, 0);
        EXPECT_FALSE(engine.redrawRequested);
        EXPECT_EQ(dustreach::test::countPixels(*engine.getForegroundCanvas(), kBackdrop, 0, 0,
                                               600, 800),
                  600 * 800);
    }
}

}  // namespace
