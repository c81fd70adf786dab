// GameScene: one headless game in a chosen situation (start screen, play with shots in flight,
// paused, zoomed), built the way a player would get there: through the engine's own key and mouse
// hooks. Game over is kept out of reach (lives set very high) and the random sequence is seeded,
// so every build of a scene draws the same frames. Owns its engine.
#pragma once

#include <memory>

#include "VorlanEngine.h"

class GameScene {
public:
    // Seeds rand(), builds and initialises the game with SDL's dummy video driver (fonts and
    // pictures from the working directory), on its start screen.
    GameScene();
    ~GameScene();
    GameScene(const GameScene&) = delete;
    GameScene& operator=(const GameScene&) = delete;

    VorlanEngine& engine() { return *game; }

    // SPACE on the start screen: the play background is painted and the objects start.
    void startPlay();
    // SPACE while running: paused.
    void pausePlay();
    // Appends count shots, spread over the play area as if fired while the ship moved about.
    void addShots(int count);
    // Middle (zoom in) or right (zoom out) clicks at the window centre, each through onMouseDown.
    void zoomIn(int clicks);
    void zoomOut(int clicks);
    // Scroll key presses through onKeyDown: C moves the view's content right, F down (negative
    // counts press B and V instead).
    void scroll(int right, int down);
    // Takes out every shot behind the six fixed objects (deleting them).
    void removeShots();

    static constexpr unsigned int seed = 20240601u;

private:
    void click(int button, int clicks);

    std::unique_ptr<VorlanEngine> game;
};
