// SmartObject: the UFO's chase-or-wander step and its animation. The animation counter lives in
// the game state, so every UFO advances the same cycle and a rebuilt UFO carries on with it.
#include "SmartObject.h"

#include <algorithm>
#include <cstdlib>

#include "PixelCanvas.h"
#include "UserControledObject.h"
#include "VorlanEngine.h"

namespace {

// Farther than this from the player's centre on both axes, the UFO wanders instead of chasing.
constexpr int kChaseDistance = 150;
// Draw counts 1..kLastFrame0Count show frame 0, up to kLastFrame1Count frame 1; the cycle ends
// with one empty draw at kCycleLength.
constexpr int kLastFrame0Count = 7;
constexpr int kLastFrame1Count = 15;
constexpr int kCycleLength = 16;

}  // namespace

SmartObject::SmartObject(int x, int y, VorlanEngine* engine, int width, int height)
    : DisplayableObject(x, y, engine, width, height, true),
      ufoFrame0(engine->loadImage("ufo.png", false)),
      ufoFrame1(engine->loadImage("ufo1.png", false)),
      ufoFrame2(engine->loadImage("ufo2.png", false))
{
}

SmartObject::~SmartObject() = default;

VorlanEngine* SmartObject::game() const
{
    return static_cast<VorlanEngine*>(engine);
}

void SmartObject::update(int)
{
    if (game()->getState().playState != Running)
        return;

    // Without a player to hunt at entry 0 there is nothing sensible to do.
    const auto* player = dynamic_cast<const UserControledObject*>(engine->getDisplayableObject(0));
    if (player == nullptr)
        return;

    // Drawn on every running update, whichever way the UFO then moves.
    const int direction = std::rand() % 4;
    const int playerX = player->getXCentre();
    const int playerY = player->getYCentre();

    if (std::abs(currentX - playerX) >= kChaseDistance &&
        std::abs(currentY - playerY) >= kChaseDistance) {
        switch (direction) {
        case 0: currentX = std::max(currentX - 1, 0); break;
        case 1: currentX = std::min(currentX + 1, engine->getWindowWidth() - drawWidth); break;
        case 2: currentY = std::min(currentY + 1, engine->getWindowHeight() - drawHeight); break;
        default: currentY = std::max(currentY - 1, 0); break;
        }
    } else {
        // No clamp needed: the top-left corner converges on the player's centre, which is always
        // inside the window.
        if (playerX < currentX)
            currentX -= 1;
        else if (playerX > currentX)
            currentX += 1;
        if (playerY > currentY)
            currentY += 1;
        else if (playerY < currentY)
            currentY -= 1;
    }

    requestRedraw();
}

void SmartObject::draw()
{
    GameState& state = game()->getState();
    if (state.playState != Running)
        return;

    const int count = ++state.ufoAnimationCounter;
    const ImageHandle* frame = nullptr;
    if (count <= kLastFrame0Count)
        frame = &ufoFrame0;
    else if (count <= kLastFrame1Count)
        frame = &ufoFrame1;
    if (frame != nullptr)
        frame->renderImageWithMask(engine->getForegroundCanvas(), 0, 0, currentX + drawOffsetX,
                                   currentY + drawOffsetY, drawWidth, drawHeight);
    if (state.ufoAnimationCounter == kCycleLength)
        state.ufoAnimationCounter = 0;
}
