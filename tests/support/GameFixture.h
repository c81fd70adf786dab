// GameFixture: a test with the real game started headless through GameDriver, in a fresh working
// folder holding the game's pictures and font. Tests that need other files there first write them
// and call startGame themselves.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "GameDriver.h"
#include "TestSupport.h"

namespace dustreach::test {

class GameFixture : public testing::Test {
protected:
    void SetUp() override
    {
        folder.copyGameData();
        startGame();
    }
    void startGame()
    {
        game = std::make_unique<GameDriver>();
        ASSERT_TRUE(game->started());
    }

    ScopedTempDir folder;
    std::unique_ptr<GameDriver> game;
};

}  // namespace dustreach::test
