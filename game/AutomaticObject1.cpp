// AutomaticObject1: the shot's rise, its leaving the object array at the top, and its white oval.
// A shot that leaves the array hands itself to the engine, which frees it once the running update
// pass is over.
#include "AutomaticObject1.h"

#include <algorithm>

#include "PixelCanvas.h"
#include "VorlanEngine.h"

namespace {

constexpr int kShotWidth = 10;
constexpr int kShotHeight = 20;
constexpr int kRiseSpeed = 3;
constexpr unsigned int kShotColour = 0xFFFFFF;

}  // namespace

AutomaticObject1::AutomaticObject1(int x, int y, VorlanEngine* engine, int width, int height)
    : AutomaticObject(x, y, engine, width, height)
{
    // The base moved the position into the window; a shot starts exactly where it was made.
    currentX = x;
    currentY = y;
    drawWidth = kShotWidth;
    drawHeight = kShotHeight;
}

AutomaticObject1::~AutomaticObject1() = default;

void AutomaticObject1::update(int)
{
    if (game()->getState().playState != Running)
        return;

    currentY -= kRiseSpeed;
    if (currentY < drawHeight) {
        // Only a shot that is in the array belongs to the engine; one held elsewhere stays with
        // its holder. The engine frees a retired shot after the pass, so this object stays valid
        // for the rest of its own update.
        const auto& entries = engine->objects;
        if (std::find(entries.begin(), entries.end(), this) != entries.end()) {
            engine->removeDisplayableObject(this);
            game()->retireObject(this);
        }
    }

    requestRedraw();
}

void AutomaticObject1::draw()
{
    if (game()->getState().playState != Running)
        return;
    engine->getForegroundCanvas()->drawOval(currentX + drawWidth - 5, currentY,
                                            currentX + drawWidth + 5, currentY + drawHeight,
                                            kShotColour);
}
