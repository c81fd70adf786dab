// FilterPoints: the interface of one link in a chain of point filters between virtual
// coordinates (what the game draws in) and window pixels. Owns nothing; the chain's links are
// owned by whoever built them (the engine is always the last link).
#pragma once

class PixelCanvas;

class FilterPoints {
public:
    virtual ~FilterPoints() = default;

    // Called once for every point drawn on a canvas. May move the point, change its colour, reject
    // it, or write the pixels itself. Returns true when the caller must store the (possibly
    // changed) point, false when it must not (rejected, or already written by the filter).
    virtual bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) = 0;

    // Window pixel -> virtual coordinate (used for mouse positions). Identity by default.
    virtual int realToVirtualX(int x) { return x; }
    virtual int realToVirtualY(int y) { return y; }
    // Virtual coordinate -> window pixel. Identity by default.
    virtual int virtualToRealX(int x) { return x; }
    virtual int virtualToRealY(int y) { return y; }
};
