// AutomaticObject2: an enemy that differs from AutomaticObject only in its type.
#include "AutomaticObject2.h"

AutomaticObject2::AutomaticObject2(int x, int y, VorlanEngine* engine, int width, int height)
    : AutomaticObject(x, y, engine, width, height)
{
}

AutomaticObject2::~AutomaticObject2() = default;
