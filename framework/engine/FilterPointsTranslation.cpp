// FilterPointsTranslation: moves points by the scroll offsets on their way to the window and takes
// the offsets off positions coming from it. Writes no pixels itself.
#include "FilterPointsTranslation.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// Sums beyond the int range are pinned to its ends: such a point is far off every surface anyway,
// and pinning keeps the arithmetic defined for any offset.
int clampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

int addClamped(int a, int b)
{
    return clampToInt(static_cast<std::int64_t>(a) + b);
}

int subtractClamped(int a, int b)
{
    return clampToInt(static_cast<std::int64_t>(a) - b);
}

}  // namespace

bool FilterPointsTranslation::filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour)
{
    x = addClamped(x, offsetX);
    y = addClamped(y, offsetY);
    return nextFilter ? nextFilter->filter(canvas, x, y, colour) : true;
}

int FilterPointsTranslation::virtualToRealX(int x)
{
    const int v = addClamped(x, offsetX);
    return nextFilter ? nextFilter->virtualToRealX(v) : v;
}

int FilterPointsTranslation::virtualToRealY(int y)
{
    const int v = addClamped(y, offsetY);
    return nextFilter ? nextFilter->virtualToRealY(v) : v;
}

int FilterPointsTranslation::realToVirtualX(int x)
{
    const int v = nextFilter ? nextFilter->realToVirtualX(x) : x;
    return subtractClamped(v, offsetX);
}

int FilterPointsTranslation::realToVirtualY(int y)
{
    const int v = nextFilter ? nextFilter->realToVirtualY(y) : y;
    return subtractClamped(v, offsetY);
}

void FilterPointsTranslation::changeOffset(int dx, int dy)
{
    offsetX = addClamped(offsetX, dx);
    offsetY = addClamped(offsetY, dy);
}
