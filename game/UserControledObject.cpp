// UserControledObject: the player's step (keys, margin, power-up strip, collisions) and its
// direction triangle. The direction flags and the boost values live in the game state, so they
// survive rebuilt objects and are seen by the save and load.
#include "UserControledObject.h"

#include <SDL.h>

#include "HitTest.h"
#include "PixelCanvas.h"
#include "VorlanEngine.h"
#include "VorlanTileManager.h"

namespace {

constexpr int kNormalSpeed = 3;
constexpr int kBoostedSpeed = 6;
// The boost turns off in the update that counts past this many updates.
constexpr int kBoostDuration = 1000;
// Where a hit player is put back (its top-left corner, before the draw offsets).
constexpr int kRestartX = 275;
constexpr int kRestartY = 600;
constexpr unsigned int kShipColour = 0xFFD700;

// Exactly one direction flag is set after any move.
void face(GameState& state, int& flag)
{
    state.facingUp = 0;
    state.facingDown = 0;
    state.facingLeft = 0;
    state.facingRight = 0;
    flag = 1;
}

// The whole strip always shows one state, so every tile gets the same value.
void setStripValues(VorlanTileManager& strip, int value)
{
    for (int mapY = 0; mapY < strip.getMapHeight(); ++mapY)
        for (int mapX = 0; mapX < strip.getMapWidth(); ++mapX)
            strip.setMapValue(mapX, mapY, value);
}

}  // namespace

UserControledObject::UserControledObject(int x, int y, VorlanEngine* engine, int width, int height,
                                         VorlanTileManager* tileManager)
    : DisplayableObject(x, y, engine, width, height, true), tileManager(tileManager)
{
}

UserControledObject::~UserControledObject() = default;

VorlanEngine* UserControledObject::game() const
{
    return static_cast<VorlanEngine*>(engine);
}

void UserControledObject::update(int)
{
    GameState& state = game()->getState();

    // The boost wears off in every play state, paused or not.
    if (state.speedBoostActive != 0)
        ++state.speedBoostTicks;
    if (state.playState != Running)
        return;

    auto held = [this](int keyCode, int letter) {
        return engine->isKeyPressed(keyCode) || engine->isKeyPressed(letter);
    };
    auto speed = [&state] { return state.speedBoostActive != 0 ? kBoostedSpeed : kNormalSpeed; };

    if (held(SDLK_UP, 'w')) {
        currentY -= speed();
        face(state, state.facingUp);
    }
    if (held(SDLK_DOWN, 's')) {
        currentY += speed();
        face(state, state.facingDown);
    }
    if (held(SDLK_LEFT, 'a')) {
        currentX -= speed();
        face(state, state.facingLeft);
    }
    if (held(SDLK_RIGHT, 'd')) {
        currentX += speed();
        face(state, state.facingRight);
    }

    // A margin of the ship's own size on every side.
    const int windowWidth = engine->getWindowWidth();
    const int windowHeight = engine->getWindowHeight();
    if (currentX < drawWidth)
        currentX = drawWidth;
    if (currentX >= windowWidth - drawWidth - 1)
        currentX = windowWidth - drawWidth - 1;
    if (currentY < drawHeight)
        currentY = drawHeight;
    if (currentY >= windowHeight - drawHeight - 1)
        currentY = windowHeight - drawHeight - 1;

    if (tileManager) {
        if (tileManager->isValidTilePosition(currentX, currentY)) {
            setStripValues(*tileManager, 1);
            state.speedBoostActive = 1;
        } else if (state.speedBoostActive != 0) {
            setStripValues(*tileManager, 1);
        }
    }
    if (state.speedBoostTicks > kBoostDuration) {
        state.speedBoostActive = 0;
        state.speedBoostTicks = 0;
    }
    if (state.speedBoostActive == 0 && tileManager)
        setStripValues(*tileManager, 0);

    // Measured from the other object's centre to this ship's top-left corner. The walk goes on
    // after a hit, so every object still in range costs its own life.
    forEachObjectHitting(*this, [&](DisplayableObject&) {
        currentX = kRestartX - drawOffsetX;
        currentY = kRestartY - drawOffsetY;
        addToCounter(state.score, -2);
        addToCounter(state.lives, -1);
    });

    requestRedraw();
}

void UserControledObject::draw()
{
    const GameState& state = game()->getState();
    if (state.playState != Running)
        return;

    PixelCanvas* canvas = engine->getForegroundCanvas();
    const double left = currentX;
    const double right = currentX + drawWidth;
    const double top = currentY;
    const int middle = currentX + drawWidth / 2;
    // Every triangle stands on the top edge; only the downward one points below it.
    if (state.facingUp)
        canvas->drawTriangle(left, top, right, top, middle, currentY - drawHeight, kShipColour);
    if (state.facingDown)
        canvas->drawTriangle(left, top, right, top, middle, currentY + drawHeight, kShipColour);
    if (state.facingRight)
        canvas->drawTriangle(left, top, right, top, middle + 3, currentY - drawHeight, kShipColour);
    if (state.facingLeft)
        canvas->drawTriangle(left, top, right, top, middle - 3, currentY - drawHeight, kShipColour);
}
