// FilterPointsScaling: the zoom link of a filter chain. Zooming in turns one virtual pixel into a
// stretchX x stretchY block of real pixels, which this filter writes itself (through the next
// link's filter and the canvas's rawSetPixel); zooming out lets compressX x compressY virtual
// pixels fall on one real pixel. Owns nothing; the next link is not owned.
#pragma once

#include <cstdint>

#include "FilterPoints.h"

class BaseEngine;

class FilterPointsScaling : public FilterPoints {
public:
    // next may be null (then points are written without a further check).
    explicit FilterPointsScaling(FilterPoints* next) : nextFilter(next) {}

    // Writes the point's block itself; always returns false. When the next link is the engine's
    // window filter, the block is clipped to the window first, so an enormous zoom costs no more
    // than the block's visible part; output and pixels are those of writeBlockPlain.
    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) override;
    int realToVirtualX(int x) override;
    int realToVirtualY(int y) override;
    int virtualToRealX(int x) override;
    int virtualToRealY(int y) override;

    // Zoom in one step on both axes (lower compress if above 1, else raise stretch).
    void stretch();
    // Zoom out one step on both axes (lower stretch if above 1, else raise compress).
    void compress();

    // The block of virtual (x, y) point by point, columns outer and rows inner, every point handed
    // to the next link and, when accepted, to rawSetPixel with colour as the links left it. No
    // clipping: filter must always match it, which is what it is kept for.
    void writeBlockPlain(PixelCanvas* canvas, int x, int y, unsigned int& colour);

    int getStretchX() const { return stretchX; }
    int getStretchY() const { return stretchY; }
    int getCompressX() const { return compressX; }
    int getCompressY() const { return compressY; }
    FilterPoints* getNextFilter() const { return nextFilter; }
    // Block points handed on or written since construction: the work done, whatever the path.
    std::uint64_t getPointsVisited() const { return pointsVisited; }
    // For a writer that does this filter's work inline on its behalf (PointWriter): adds the
    // block points it handled, so the count stays the same whichever way a point was written.
    void addPointsVisited(std::uint64_t points) { pointsVisited += points; }

private:
    // The next link when it is an engine (whose filter is the plain window test), else null.
    BaseEngine* windowOnlyNext();
    void writeBlockClipped(PixelCanvas* canvas, int x, int y, unsigned int colour,
                           const BaseEngine& engine);

    FilterPoints* nextFilter;
    int stretchX = 1;
    int stretchY = 1;
    int compressX = 1;
    int compressY = 1;
    // Resolved on first use, not in the constructor: a game builds this filter while its engine,
    // the next link, is still being constructed.
    bool nextResolved = false;
    BaseEngine* nextEngine = nullptr;
    std::uint64_t pointsVisited = 0;
};
