// AutomaticObject: the falling enemy's step (fall, bottom, hit test) and its flickering oval. The
// enemies 2 to 4 inherit all of it.
#include "AutomaticObject.h"

#include <cstdlib>

#include "HitTest.h"
#include "PixelCanvas.h"
#include "VorlanEngine.h"

namespace {

constexpr int kFallSpeed = 2;
constexpr int kFastFallSpeed = 4;
constexpr int kHitPoints = 3;
constexpr int kFastHitPoints = 50;
// A hit enemy restarts at a random x in 0..kRestartSpan-1 on this row.
constexpr int kRestartSpan = 500;
constexpr int kRestartY = 10;
// Colours 0..39 of the framework table; index 40 never shows.
constexpr int kColourChoices = 40;

}  // namespace

AutomaticObject::AutomaticObject(int x, int y, VorlanEngine* engine, int width, int height)
    : DisplayableObject(x, y, engine, width, height, true)
{
}

AutomaticObject::~AutomaticObject() = default;

VorlanEngine* AutomaticObject::game() const
{
    return static_cast<VorlanEngine*>(engine);
}

void AutomaticObject::update(int)
{
    GameState& state = game()->getState();
    if (state.playState != Running)
        return;

    // Only a level of exactly 2 counts as the fast level (a loaded save may hold anything).
    const bool fast = state.level == 2;
    currentY += fast ? kFastFallSpeed : kFallSpeed;
    if (currentY >= engine->getWindowHeight() - drawHeight - 1) {
        currentY = drawHeight;
        addToCounter(state.lives, -1);
    }

    // Any other object in range counts as a hit: the player, a shot, an enemy or the UFO. The
    // distance runs from its centre to this enemy's top-left corner, and the walk goes on from
    // the new position after a hit.
    forEachObjectHitting(*this, [&](DisplayableObject&) {
        currentX = std::rand() % kRestartSpan - drawOffsetX;
        currentY = kRestartY - drawOffsetY;
        addToCounter(state.score, fast ? kFastHitPoints : kHitPoints);
    });

    requestRedraw();
}

void AutomaticObject::draw()
{
    if (game()->getState().playState != Running)
        return;
    const unsigned int flicker = BaseEngine::getColour(std::rand() % kColourChoices);
    // The oval overhangs the object's rectangle by 10 pixels on the right.
    engine->getForegroundCanvas()->drawOval(currentX + drawWidth - 10, currentY,
                                            currentX + drawWidth + 10, currentY + drawHeight,
                                            flicker);
}
