// FilterPointsScaling: conversions between virtual and real coordinates for the zoom, the two zoom
// steps, and the writing of a zoomed point's block. Knows the engine only as the chain's last link,
// whose window test lets a block be clipped before it is visited.
#include "FilterPointsScaling.h"

#include <algorithm>
#include <climits>

#include "BaseEngine.h"
#include "PixelCanvas.h"

namespace {

// Real coordinates beyond the int range are pinned to its ends. They lie far off every surface
// either way; pinning keeps the arithmetic defined however large the zoom or the point.
int clampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// One axis of a block: the real coordinates first .. first + count - 1, before pinning.
struct Span {
    std::int64_t first;
    std::int64_t count;
};

Span axisSpan(int v, int stretch, int compress)
{
    if (stretch > 1)
        return {static_cast<std::int64_t>(stretch) * v, stretch};
    return {v / compress, 1};
}

// The part of span inside [0, extent), as [low, high); empty when low >= high.
void visiblePart(const Span& span, int extent, std::int64_t& low, std::int64_t& high)
{
    low = std::max<std::int64_t>(span.first, 0);
    high = std::min<std::int64_t>(span.first + span.count, extent);
}

}  // namespace

bool FilterPointsScaling::filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour)
{
    const bool singlePoint = stretchX == 1 && stretchY == 1;
    const BaseEngine* engine = singlePoint ? nullptr : windowOnlyNext();
    if (engine)
        writeBlockClipped(canvas, x, y, colour, *engine);
    else
        writeBlockPlain(canvas, x, y, colour);
    return false;
}

void FilterPointsScaling::writeBlockPlain(PixelCanvas* canvas, int x, int y, unsigned int& colour)
{
    const Span columns = axisSpan(x, stretchX, compressX);
    const Span rows = axisSpan(y, stretchY, compressY);
    for (std::int64_t i = 0; i < columns.count; ++i) {
        for (std::int64_t j = 0; j < rows.count; ++j) {
            // Fresh for every point: the next link may have moved the previous one.
            int rx = clampToInt(columns.first + i);
            int ry = clampToInt(rows.first + j);
            ++pointsVisited;
            if (nextFilter && !nextFilter->filter(canvas, rx, ry, colour))
                continue;
            canvas->rawSetPixel(rx, ry, colour);
        }
    }
}

// The engine's filter accepts exactly the window and changes nothing, so every block point outside
// the window would be a silent rejection: leaving those out writes and prints the same as the plain
// loop, in the same order. Points pinned to the int range are outside every window, too.
void FilterPointsScaling::writeBlockClipped(PixelCanvas* canvas, int x, int y, unsigned int colour,
                                            const BaseEngine& engine)
{
    std::int64_t lowX = 0, highX = 0, lowY = 0, highY = 0;
    visiblePart(axisSpan(x, stretchX, compressX), engine.windowWidth, lowX, highX);
    visiblePart(axisSpan(y, stretchY, compressY), engine.windowHeight, lowY, highY);
    for (std::int64_t rx = lowX; rx < highX; ++rx) {
        for (std::int64_t ry = lowY; ry < highY; ++ry) {
            ++pointsVisited;
            canvas->rawSetPixel(static_cast<int>(rx), static_cast<int>(ry), colour);
        }
    }
}

BaseEngine* FilterPointsScaling::windowOnlyNext()
{
    if (!nextResolved) {
        // BaseEngine::filter is final, so any engine filters with the plain window test.
        nextEngine = dynamic_cast<BaseEngine*>(nextFilter);
        nextResolved = true;
    }
    return nextEngine;
}

int FilterPointsScaling::virtualToRealX(int x)
{
    const int v = stretchX > 1 ? clampToInt(static_cast<std::int64_t>(x) * stretchX)
                               : x / compressX;
    return nextFilter ? nextFilter->virtualToRealX(v) : v;
}

int FilterPointsScaling::virtualToRealY(int y)
{
    const int v = stretchY > 1 ? clampToInt(static_cast<std::int64_t>(y) * stretchY)
                               : y / compressY;
    return nextFilter ? nextFilter->virtualToRealY(v) : v;
}

int FilterPointsScaling::realToVirtualX(int x)
{
    const int v = nextFilter ? nextFilter->realToVirtualX(x) : x;
    return stretchX > 1 ? v / stretchX : clampToInt(static_cast<std::int64_t>(v) * compressX);
}

int FilterPointsScaling::realToVirtualY(int y)
{
    const int v = nextFilter ? nextFilter->realToVirtualY(y) : y;
    return stretchY > 1 ? v / stretchY : clampToInt(static_cast<std::int64_t>(v) * compressY);
}

namespace {

// One zoom step on one axis; only one of the two factors is ever above 1. The factors stop at
// INT_MAX rather than overflow.
void stepTowards(int& lowered, int& raised)
{
    if (lowered > 1)
        --lowered;
    else if (raised < INT_MAX)
        ++raised;
}

}  // namespace

void FilterPointsScaling::stretch()
{
    stepTowards(compressX, stretchX);
    stepTowards(compressY, stretchY);
}

void FilterPointsScaling::compress()
{
    stepTowards(stretchX, compressX);
    stepTowards(stretchY, compressY);
}
