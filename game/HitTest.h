// HitTest: the one collision rule of the game, shared by the player and the enemies: another
// object hits an object when the other's centre lies strictly closer than twice the object's
// height to the object's top-left corner. Owns nothing.
#pragma once

#include "BaseEngine.h"
#include "DisplayableObject.h"

// Walks the engine's object array from its first entry (an empty entry ends the walk), skipping
// self, and calls onHit(other) for every object that hits self. The distance is measured afresh
// for each object, from self's position as it stands then, so onHit may move self and the walk
// goes on from the new place.
template <typename OnHit> void forEachObjectHitting(DisplayableObject& self, OnHit onHit)
{
    BaseEngine* engine = self.engine;
    const long long radius = 2LL * self.drawHeight;
    for (int index = 0; index < engine->getContentCount(); ++index) {
        DisplayableObject* other = engine->getDisplayableObject(index);
        if (other == nullptr)
            break;
        if (other == &self)
            continue;
        // 64-bit, so positions anywhere in int's range cannot overflow the squares.
        const long long dx = static_cast<long long>(other->getXCentre()) - self.currentX;
        const long long dy = static_cast<long long>(other->getYCentre()) - self.currentY;
        if (dx * dx + dy * dy < radius * radius)
            onHit(*other);
    }
}
