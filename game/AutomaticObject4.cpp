// AutomaticObject4: an enemy that differs from AutomaticObject only in its type.
#include "AutomaticObject4.h"

AutomaticObject4::AutomaticObject4(int x, int y, VorlanEngine* engine, int width, int height)
    : AutomaticObject(x, y, engine, width, height)
{
}

AutomaticObject4::~AutomaticObject4() = default;
