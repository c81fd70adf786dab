// Tests of the player's ship: keys and speed, margin, the power-up strip and its timeout, the hit
// test against other objects, the direction triangle, and standing still outside play.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "AutomaticObject1.h"
#include "ObjectTestFixture.h"

namespace {

constexpr unsigned int kGold = 0xFFD700;

class PlayerTest : public dustreach::test::ObjectTestFixture {
protected:
    void SetUp() override
    {
        ObjectTestFixture::SetUp();
        player = addPlayer(300, 400);
    }

    void key(int code, bool down)
    {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.sym = code;
        engine.handleEvent(event);
    }

    void expectStrip(int value)
    {
        for (int mapX = 0; mapX < 5; ++mapX)
            EXPECT_EQ(engine.getTileManager().getMapValue(mapX, 0), value) << "tile " << mapX;
    }

    UserControledObject* player = nullptr;
};

TEST_F(PlayerTest, KeysMoveAndFaceItWithinAMarginOfItsOwnSize)
{
    struct Move {
        int x, y;
        std::vector<int> keys;
        int boost;
        int toX, toY;
        int GameState::*facing;
    };
    const Move moves[] = {
        {300, 400, {}, 0, 300, 400, &GameState::facingUp},  // idle: only a redraw
        {300, 400, {'w', SDLK_UP}, 0, 300, 397, &GameState::facingUp},  // both codes count once
        {300, 400, {'w', SDLK_UP}, 1, 300, 394, &GameState::facingUp},
        {300, 400, {'s'}, 1, 300, 406, &GameState::facingDown},
        {300, 400, {SDLK_LEFT}, 0, 297, 400, &GameState::facingLeft},
        // Only the flag of the last move stays; up and down together cancel.
        {300, 400, {SDLK_UP, SDLK_RIGHT}, 0, 303, 397, &GameState::facingRight},
        {300, 400, {SDLK_UP, SDLK_DOWN}, 0, 300, 400, &GameState::facingDown},
        // The margin: 10 from the left and top edges, 600 - 10 - 1 and 800 - 20 - 1 at the others.
        {11, 400, {'a'}, 0, 10, 400, &GameState::facingLeft},
        {588, 400, {'d'}, 0, 589, 400, &GameState::facingRight},
        {589, 400, {'d'}, 0, 589, 400, &GameState::facingRight},
        {300, 21, {'w'}, 0, 300, 20, &GameState::facingUp},
        {300, 778, {'s'}, 0, 300, 779, &GameState::facingDown},
    };
    GameState& game = state();
    for (const Move& move : moves) {
        SCOPED_TRACE(testing::Message() << "move " << &move - moves);
        player->currentX = move.x;
        player->currentY = move.y;
        game.speedBoostActive = move.boost;
        engine.redrawRequested = false;
        for (int code : move.keys)
            key(code, true);
        player->update(0);
        for (int code : move.keys)
            key(code, false);
        EXPECT_EQ(player->currentX, move.toX);
        EXPECT_EQ(player->currentY, move.toY);
        for (int GameState::*flag : {&GameState::facingUp, &GameState::facingDown,
                                     &GameState::facingLeft, &GameState::facingRight})
            EXPECT_EQ(game.*flag, flag == move.facing ? 1 : 0);
        EXPECT_TRUE(engine.redrawRequested);
    }
}

TEST_F(PlayerTest, EachFlagDrawsItsOwnTriangleOnTheTopEdge)
{
    // Probe pixels near the tips of up, down, right and left, for the ship at (300, 400), 10 x 20:
    // only a drawn triangle covers its probe. The last case sets up and down at once.
    int GameState::*const flags[] = {&GameState::facingUp, &GameState::facingDown,
                                     &GameState::facingRight, &GameState::facingLeft};
    const int probes[][2] = {{305, 381}, {305, 419}, {308, 381}, {302, 381}};
    for (int drawn : {1, 2, 4, 8, 1 | 2}) {
        for (int flag = 0; flag < 4; ++flag)
            state().*flags[flag] = (drawn >> flag) & 1;
        clearForeground();
        player->draw();
        for (int flag = 0; flag < 4; ++flag)
            EXPECT_EQ(pixel(probes[flag][0], probes[flag][1]) == kGold, ((drawn >> flag) & 1) != 0)
                << "flags " << drawn << ", probe " << flag;
        // The base is the top edge; the ship's own rectangle is not filled.
        EXPECT_EQ(pixel(300, 400), kGold);
        EXPECT_EQ(pixel(310, 400), kGold);
        EXPECT_EQ(pixel(301, 412), kBackdrop);
    }
}

TEST_F(PlayerTest, StripTurnsTheBoostOnOnlyInsideItAndItEndsPastOneThousandUpdates)
{
    engine.getTileManager().setBaseTilesPositionOnScreen(100, 250);
    // Just right of the strip, just below it, on its corner; then off it, where the boost and the
    // strip stay on until the update that counts past 1000.
    struct Step {
        int x, y, ticksBefore, active, ticks;
    };
    const Step steps[] = {{200, 250, 0, 0, 0},   {150, 270, 0, 0, 0},      {100, 250, 0, 1, 0},
                          {400, 250, 0, 1, 1},   {400, 250, 999, 1, 1000}, {400, 250, 1000, 0, 0}};
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "at (" << step.x << ", " << step.y << ")");
        player->currentX = step.x;
        player->currentY = step.y;
        state().speedBoostTicks = step.ticksBefore;
        player->update(0);
        EXPECT_EQ(state().speedBoostActive, step.active);
        EXPECT_EQ(state().speedBoostTicks, step.ticks);
        expectStrip(step.active);
    }
}

TEST_F(PlayerTest, HitRadiusIsStrictMeasuredToTheTopLeftCornerAndEveryObjectInRangeCosts)
{
    // 40 pixels straight above, and 40 on a diagonal (24, 32): no hit.
    DisplayableObject* other = addObjectCentredAt(300, 360);
    player->update(0);
    other->currentX = 324 - 5;
    other->currentY = 432 - 10;
    player->update(0);
    EXPECT_EQ(state().lives, 5);
    EXPECT_EQ(state().score, 0);
    EXPECT_EQ(player->currentX, 300);

    // 39 pixels: hit, although the player's own centre (305, 410) is 49 pixels away.
    other->currentX = 300 - 5;
    other->currentY = 361 - 10;
    player->update(0);
    EXPECT_EQ(state().lives, 4);
    EXPECT_EQ(state().score, -2);
    EXPECT_EQ(player->currentX, 275);
    EXPECT_EQ(player->currentY, 600);

    // Two objects at the restart place: each costs its own life.
    other->currentX = 280 - 5;
    other->currentY = 590 - 10;
    addObjectCentredAt(260, 610);
    player->update(0);
    EXPECT_EQ(state().lives, 2);
    EXPECT_EQ(state().score, -6);

    // The first hit moves the player next to the second object, which then hits as well.
    engine.createObjectArray(0);
    player = addPlayer(400, 300);
    addObjectCentredAt(400, 290);
    addObjectCentredAt(275, 580);
    player->update(0);
    EXPECT_EQ(state().lives, 0);
    EXPECT_EQ(state().score, -10);
}

TEST_F(PlayerTest, NeitherAFreshShotNorAnythingAfterAnEmptyEntryHits)
{
    // The shot is made where the left click puts it: player centre (305, 410) less (10, 60).
    engine.appendObjectToArray(new AutomaticObject1(295, 350, &engine, 0, 0));
    engine.appendObjectToArray(nullptr);
    addObjectCentredAt(305, 390);
    player->update(0);
    EXPECT_EQ(state().lives, 5);
    EXPECT_EQ(player->currentY, 400);
}

TEST_F(PlayerTest, OutsidePlayOnlyTheBoostCounterMoves)
{
    engine.getTileManager().setBaseTilesPositionOnScreen(100, 250);
    player->currentX = 100;
    player->currentY = 250;
    addObjectCentredAt(100, 250);
    key(SDLK_LEFT, true);
    expectIdleOutsidePlay([this] {
        GameState& game = state();
        game.speedBoostActive = 1;
        game.speedBoostTicks = 5;
        player->update(0);
        player->draw();
        EXPECT_EQ(game.speedBoostTicks, 6);
        EXPECT_EQ(game.speedBoostActive, 1);
        expectStrip(0);
        EXPECT_EQ(player->currentX, 100);
        EXPECT_EQ(player->currentY, 250);
        EXPECT_EQ(game.facingUp, 1);
        EXPECT_EQ(game.facingLeft, 0);
        EXPECT_EQ(game.lives, 5);
        EXPECT_EQ(game.score, 0);
    });
}

}  // namespace
