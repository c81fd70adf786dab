// GameScene: building the benchmark situations through the game's own hooks.
#include "GameScene.h"

#include <SDL.h>

#include <cstdlib>

#include "AutomaticObject1.h"
#include "QuietOutput.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 800;
constexpr int kFixedObjects = 6;

}  // namespace

GameScene::GameScene()
{
    QuietOutput quiet;  // the engine's members load pictures, initialise opens the font
    std::srand(seed);
    game = std::make_unique<VorlanEngine>();
    game->initialise("Dustreach : Size 600 x 800", kWidth, kHeight, "Cornerstone Regular.ttf", 24);
    // No measured frame may end the game: a lost game writes a file and changes the screen.
    game->getState().lives = 1000000;
}

GameScene::~GameScene()
{
    QuietOutput quiet;
    game->deinitialise();
    game.reset();
}

void GameScene::startPlay()
{
    QuietOutput quiet;
    game->onKeyDown(SDLK_SPACE);
}

void GameScene::pausePlay()
{
    QuietOutput quiet;
    game->onKeyDown(SDLK_SPACE);
}

void GameScene::addShots(int count)
{
    // Shots rise from the ship's height (about y 550) to the top; x follows a moving ship.
    for (int i = 0; i < count; ++i) {
        const int x = 40 + (i * 97) % 520;
        const int y = 40 + (i * 37) % 510;
        game->appendObjectToArray(new AutomaticObject1(x, y, game.get(), 0, 0));
    }
}

void GameScene::removeShots()
{
    while (game->getContentCount() > kFixedObjects) {
        DisplayableObject* shot = game->getDisplayableObject(game->getContentCount() - 1);
        game->removeDisplayableObject(shot);
        delete shot;
    }
}

void GameScene::scroll(int right, int down)
{
    for (int i = 0; i < (right < 0 ? -right : right); ++i)
        game->onKeyDown(right > 0 ? SDLK_c : SDLK_b);
    for (int i = 0; i < (down < 0 ? -down : down); ++i)
        game->onKeyDown(down > 0 ? SDLK_f : SDLK_v);
}

void GameScene::zoomIn(int clicks)
{
    click(SDL_BUTTON_MIDDLE, clicks);
}

void GameScene::zoomOut(int clicks)
{
    click(SDL_BUTTON_RIGHT, clicks);
}

void GameScene::click(int button, int clicks)
{
    // The position is what the framework would pass for a press at the window centre; it is not
    // on the tile strip, so a middle click only zooms.
    for (int i = 0; i < clicks; ++i) {
        FilterPoints* chain = game->getForegroundCanvas()->getFilter();
        game->onMouseDown(button, chain->realToVirtualX(kWidth / 2),
                          chain->realToVirtualY(kHeight / 2));
    }
}
