// PointWriter: recognising a chain it can work out inline, and writing a zoomed point's block.
// Only links of exactly the scroll and zoom classes count: a derived class may filter otherwise.
// The engine's filter is final, so any engine tests the plain window.
#include "PointWriter.h"

#include <algorithm>
#include <typeinfo>

#include "BaseEngine.h"
#include "FilterPointsScaling.h"
#include "FilterPointsTranslation.h"

PointWriter::PointWriter(PixelCanvas& canvas) : canvas(canvas)
{
    SDL_Surface* surface = canvas.getSurface();
    if (!surface || !surface->pixels)
        return;
    FilterPoints* link = canvas.getFilter();
    while (link && typeid(*link) == typeid(FilterPointsTranslation)) {
        if (translations == maxTranslations)
            return;
        auto* translation = static_cast<FilterPointsTranslation*>(link);
        offsetX[translations] = translation->getXOffset();
        offsetY[translations] = translation->getYOffset();
        ++translations;
        link = translation->getNextFilter();
    }
    if (link && typeid(*link) == typeid(FilterPointsScaling)) {
        scaling = static_cast<FilterPointsScaling*>(link);
        stretchX = scaling->getStretchX();
        stretchY = scaling->getStretchY();
        compressX = scaling->getCompressX();
        compressY = scaling->getCompressY();
        link = scaling->getNextFilter();
    }
    const BaseEngine* engine = dynamic_cast<BaseEngine*>(link);
    if (!engine)
        return;
    // Every point the window test keeps must lie on the surface: then no point can end in the
    // off-surface message, which this writer does not print.
    if (surface->w < engine->windowWidth || surface->h < engine->windowHeight)
        return;
    windowWidth = engine->windowWidth;
    windowHeight = engine->windowHeight;
    pixels = static_cast<unsigned int*>(surface->pixels);
    wordsPerRow = static_cast<unsigned int>(surface->pitch) >> 2;
    direct = true;
    unscaled = !scaling || (stretchX == 1 && stretchY == 1 && compressX == 1 && compressY == 1);
}

PointWriter::~PointWriter()
{
    if (scaling && visited != 0)
        scaling->addPointsVisited(visited);
}

void PointWriter::putBlock(int x, int y, unsigned int colour)
{
    // Each axis: stretch > 1 gives stretch real lines from stretch * v, else the one line v /
    // compress. Wide arithmetic: a far point at a large zoom lies beyond int.
    const long long firstX = stretchX > 1 ? static_cast<long long>(stretchX) * x
                                          : divide(x, compressX);
    const long long firstY = stretchY > 1 ? static_cast<long long>(stretchY) * y
                                          : divide(y, compressY);
    visited += static_cast<std::uint64_t>(
        fillClipped(firstX, firstX + (stretchX > 1 ? stretchX : 1), firstY,
                    firstY + (stretchY > 1 ? stretchY : 1), colour));
}

void PointWriter::putRectangle(int left, int top, int right, int bottom, unsigned int colour)
{
    if (right < left || bottom < top)
        return;
    if (!runsAsBlocks()) {
        // Point by point, in the shapes' order: columns outer, rows inner.
        for (long long x = left; x <= right; ++x)
            for (long long y = top; y <= bottom; ++y)
                put(static_cast<int>(x), static_cast<int>(y), colour);
        return;
    }
    // Scrolling moves consecutive lines to consecutive lines (or pins them to the end of int),
    // and both the zoom's stretch and its truncating compress keep such a run one unbroken band,
    // so the real pixels of the run are one rectangle: the union of what its points would write.
    // One colour throughout, so the order of the writes does not matter.
    const long long points =
        (static_cast<long long>(right) - left + 1) * (static_cast<long long>(bottom) - top + 1);
    for (int i = 0; i < translations; ++i) {
        left = clampToInt(static_cast<long long>(left) + offsetX[i]);
        right = clampToInt(static_cast<long long>(right) + offsetX[i]);
        top = clampToInt(static_cast<long long>(top) + offsetY[i]);
        bottom = clampToInt(static_cast<long long>(bottom) + offsetY[i]);
    }
    if (!scaling) {
        fillClipped(left, right + 1LL, top, bottom + 1LL, colour);
        return;
    }
    if (stretchX == 1 && stretchY == 1) {
        // The zoom filter counts every single point it hands on, kept or not.
        visited += static_cast<std::uint64_t>(points);
        fillClipped(divide(left, compressX), divide(right, compressX) + 1, divide(top, compressY),
                    divide(bottom, compressY) + 1, colour);
        return;
    }
    // Stretched on both axes: the points' blocks do not overlap (pinned points lie off the
    // window), so what is written is exactly what the zoom filter would count.
    visited += static_cast<std::uint64_t>(
        fillClipped(static_cast<long long>(stretchX) * left,
                    static_cast<long long>(stretchX) * right + stretchX,
                    static_cast<long long>(stretchY) * top,
                    static_cast<long long>(stretchY) * bottom + stretchY, colour));
}

long long PointWriter::fillClipped(long long lowX, long long highX, long long lowY, long long highY,
                                   unsigned int colour)
{
    lowX = std::max(lowX, 0LL);
    highX = std::min(highX, windowWidth);
    lowY = std::max(lowY, 0LL);
    highY = std::min(highY, windowHeight);
    if (lowX >= highX || lowY >= highY)
        return 0;
    // One colour for the whole rectangle, so the order of its stores does not matter: rows outer
    // keeps them in memory order.
    unsigned int* row = pixels + static_cast<std::size_t>(lowY) * wordsPerRow;
    if (highX - lowX == 1) {
        // One column, the common case of a shape at 1:1: a plain strided loop.
        unsigned int* pixel = row + lowX;
        for (long long realY = lowY; realY < highY; ++realY, pixel += wordsPerRow)
            *pixel = colour;
    } else {
        for (long long realY = lowY; realY < highY; ++realY, row += wordsPerRow)
            std::fill(row + lowX, row + highX, colour);
    }
    return (highX - lowX) * (highY - lowY);
}
