// FilterPointsTranslation: the scroll link of a filter chain: adds an offset to every point on
// its way to the window and takes it off mouse positions. Owns nothing; the next link is not owned.
#pragma once

#include "FilterPoints.h"

class FilterPointsTranslation : public FilterPoints {
public:
    // next may be null (then every moved point is accepted).
    explicit FilterPointsTranslation(FilterPoints* next) : nextFilter(next) {}

    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) override;
    int realToVirtualX(int x) override;
    int realToVirtualY(int y) override;
    int virtualToRealX(int x) override;
    int virtualToRealY(int y) override;

    // Moves the offsets by (dx, dy) virtual pixels.
    void changeOffset(int dx, int dy);

    int getXOffset() const { return offsetX; }
    int getYOffset() const { return offsetY; }
    FilterPoints* getNextFilter() const { return nextFilter; }

private:
    int offsetX = 0;
    int offsetY = 0;
    FilterPoints* nextFilter;
};
