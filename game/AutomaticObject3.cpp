// AutomaticObject3: an enemy that differs from AutomaticObject only in its type.
#include "AutomaticObject3.h"

AutomaticObject3::AutomaticObject3(int x, int y, VorlanEngine* engine, int width, int height)
    : AutomaticObject(x, y, engine, width, height)
{
}

AutomaticObject3::~AutomaticObject3() = default;
