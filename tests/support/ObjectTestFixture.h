// ObjectTestFixture: the set-up shared by the game-object tests: a headless game engine without
// font, in play, with an empty object array of the test's own, and the probes those tests use.
// Owns the engine; objects handed to the engine belong to it.
#pragma once

#include <gtest/gtest.h>

#include "DisplayableObject.h"
#include "PixelCanvas.h"
#include "TestSupport.h"
#include "UserControledObject.h"
#include "VorlanEngine.h"

namespace dustreach::test {

class ObjectTestFixture : public testing::Test {
protected:
    static constexpr unsigned int kBackdrop = 0x123456;

    void SetUp() override
    {
        ASSERT_EQ(initialiseHeadless(engine, false), 0);
        // The engine's own set-up built the game's objects; every test builds its own.
        engine.createObjectArray(0);
        state().playState = Running;
    }

    GameState& state() { return engine.getState(); }

    // Appends a 10 x 20 player, top-left corner at (x, y), steering the engine's power-up strip.
    UserControledObject* addPlayer(int x, int y)
    {
        auto* player = new UserControledObject(x, y, &engine, 10, 20, &engine.getTileManager());
        engine.appendObjectToArray(player);
        return player;
    }

    // Appends a plain 10 x 20 object whose centre is at (centreX, centreY).
    DisplayableObject* addObjectCentredAt(int centreX, int centreY)
    {
        auto* object = new DisplayableObject(centreX - 5, centreY - 10, &engine, 10, 20, true);
        engine.appendObjectToArray(object);
        return object;
    }

    // A foreground pixel without its alpha byte.
    unsigned int pixel(int x, int y)
    {
        return engine.getForegroundCanvas()->rawGetPixel(x, y) & 0xFFFFFF;
    }

    void clearForeground() { engine.getForegroundCanvas()->fillSurface(kBackdrop); }

    // Runs step once on the start screen and once paused, each time on a cleared foreground with
    // no redraw pending, and checks that it neither asked for a redraw nor drew anything.
    template <typename Step>
    void expectIdleOutsidePlay(Step step)
    {
        for (PlayState other : {StartScreen, Paused}) {
            SCOPED_TRACE(other == StartScreen ? "start screen" : "paused");
            state().playState = other;
            engine.redrawRequested = false;
            clearForeground();
            step();
            EXPECT_FALSE(engine.redrawRequested);
            EXPECT_EQ(countPixels(*engine.getForegroundCanvas(), kBackdrop, 0, 0, 600, 800),
                      600 * 800);
        }
    }

    VorlanEngine engine;
};

}  // namespace dustreach::test
