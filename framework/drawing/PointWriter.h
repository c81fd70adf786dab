// PointWriter: writes the points of one shape, text or picture onto a canvas with exactly the
// effect of calling the canvas's setPixel for each of them, in the same order. For the chains it
// knows (scroll links, at most one zoom link, ending in the engine's window test, on a surface
// that covers the window) it works the chain out inline instead of through a virtual call per
// link and point; for any other chain, or no chain, it calls setPixel. Owns nothing; lives for one
// drawing operation, during which the chain's links must not change.
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "PixelCanvas.h"

class FilterPointsScaling;

class PointWriter {
public:
    // Looks at canvas's filter chain as it is now.
    explicit PointWriter(PixelCanvas& canvas);
    // Hands the zoom filter the block points written on its behalf (its getPointsVisited).
    ~PointWriter();
    PointWriter(const PointWriter&) = delete;
    PointWriter& operator=(const PointWriter&) = delete;

    // Same result as canvas.setPixel(x, y, colour): pixels, messages and the zoom filter's count.
    void put(int x, int y, unsigned int colour)
    {
        if (direct)
            putDirect(x, y, colour);
        else
            canvas.setPixel(x, y, colour);
    }

    // Same result as put(x, y, colour) for y = first up to last, in that order; nothing when
    // last < first. One colour for the run, so it is worked out as one block where it can be.
    void putColumn(int x, int first, int last, unsigned int colour)
    {
        if (unscaled && last >= first)
            putUnscaledColumn(x, first, last, colour);
        else
            putRectangle(x, first, x, last, colour);
    }

    // Same result as putColumn(x, top, bottom, colour) for x = left up to right, in that order;
    // nothing when right < left or bottom < top.
    void putRectangle(int left, int top, int right, int bottom, unsigned int colour);

    // True when the chain is worked out inline (false: every point goes to setPixel).
    bool isDirect() const { return direct; }

    // Longest run of scroll links worked out inline; longer chains go through setPixel.
    static constexpr int maxTranslations = 4;

private:
    static int clampToInt(long long value)
    {
        return value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : static_cast<int>(value);
    }

    void store(long long x, long long y, unsigned int colour)
    {
        pixels[static_cast<std::size_t>(y) * wordsPerRow + static_cast<std::size_t>(x)] = colour;
    }

    // v / divisor, rounding towards zero, without the division when there is nothing to divide.
    static long long divide(long long v, int divisor) { return divisor == 1 ? v : v / divisor; }

    bool inWindow(long long x, long long y) const
    {
        return x >= 0 && x < windowWidth && y >= 0 && y < windowHeight;
    }

    void putDirect(int x, int y, unsigned int colour)
    {
        for (int i = 0; i < translations; ++i) {
            x = clampToInt(static_cast<long long>(x) + offsetX[i]);
            y = clampToInt(static_cast<long long>(y) + offsetY[i]);
        }
        if (!scaling) {
            if (inWindow(x, y))
                store(x, y, colour);
            return;
        }
        if (stretchX == 1 && stretchY == 1) {
            // The zoom filter counts every single point it hands on, kept or not.
            ++visited;
            const long long realX = divide(x, compressX);
            const long long realY = divide(y, compressY);
            if (inWindow(realX, realY))
                store(realX, realY, colour);
            return;
        }
        putBlock(x, y, colour);
    }

    // putColumn when the chain only scrolls (any zoom link at 1:1): the run stays one column.
    void putUnscaledColumn(int x, int first, int last, unsigned int colour)
    {
        if (scaling)
            visited += static_cast<std::uint64_t>(static_cast<long long>(last) - first + 1);
        for (int i = 0; i < translations; ++i) {
            x = clampToInt(static_cast<long long>(x) + offsetX[i]);
            first = clampToInt(static_cast<long long>(first) + offsetY[i]);
            last = clampToInt(static_cast<long long>(last) + offsetY[i]);
        }
        if (x < 0 || x >= windowWidth)
            return;
        const long long low = first < 0 ? 0 : first;
        const long long high = last < windowHeight ? last + 1LL : windowHeight;
        unsigned int* pixel =
            pixels + static_cast<std::size_t>(low) * wordsPerRow + static_cast<std::size_t>(x);
        for (long long y = low; y < high; ++y, pixel += wordsPerRow)
            *pixel = colour;
    }

    // A zoomed point: its block, clipped to the window (the zoom filter counts what it writes).
    void putBlock(int x, int y, unsigned int colour);
    // True when a run of points in one colour can be written as the one rectangle it covers.
    bool runsAsBlocks() const
    {
        return direct &&
               (!scaling || (stretchX == 1 && stretchY == 1) || (stretchX > 1 && stretchY > 1));
    }
    // Fills the real rectangle [lowX, highX) x [lowY, highY) after clipping it to the window;
    // returns the number of pixels written.
    long long fillClipped(long long lowX, long long highX, long long lowY, long long highY,
                          unsigned int colour);

    PixelCanvas& canvas;
    bool direct = false;
    // Direct, and any zoom link stands at 1:1 on both axes.
    bool unscaled = false;
    int translations = 0;
    std::array<int, maxTranslations> offsetX{};
    std::array<int, maxTranslations> offsetY{};
    FilterPointsScaling* scaling = nullptr;
    int stretchX = 1;
    int stretchY = 1;
    int compressX = 1;
    int compressY = 1;
    long long windowWidth = 0;
    long long windowHeight = 0;
    unsigned int* pixels = nullptr;
    std::size_t wordsPerRow = 0;
    std::uint64_t visited = 0;
};
