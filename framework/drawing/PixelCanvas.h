// PixelCanvas: one 32-bit software drawing surface and the head of its point-filter chain. Every
// pixel the system shows is written by setPixel (or, inside a zoom filter, rawSetPixel); shapes and
// text are built on setPixel so they scroll, zoom and clip with everything else. Owns nothing: the
// surface belongs to the engine, the filters to whoever built them.
#pragma once

#include <SDL.h>

class BaseEngine;
class FilterPoints;
class GameFont;

class PixelCanvas {
public:
    // firstFilter starts as the engine itself (its window filter); no surface until initialise.
    explicit PixelCanvas(BaseEngine* engine);
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    // Writes colour (0xRRGGBB) at virtual (x, y) through the filter chain. A point the chain
    // accepts but that lies off the surface prints "Error in setting pixel- should never happen!".
    void setPixel(int x, int y, unsigned int colour);
    // Writes at surface (x, y) without filters, with the same bounds check and message.
    void rawSetPixel(int x, int y, unsigned int colour);
    // Reads the word at surface (x, y); 0 outside the surface.
    unsigned int rawGetPixel(int x, int y) const;
    // Block copy of source's whole pixel block (same size and pitch required).
    void copyAllFrom(const PixelCanvas& source);
    // Every pixel becomes colour; no filter is asked.
    void fillSurface(unsigned int colour);
    // Counted SDL surface lock, only for surfaces that must be locked.
    void lockForDrawing();
    void unlockAfterDrawing();

    // Filled axis-aligned rectangle, both corners inclusive, any corner order.
    void drawRectangle(int x1, int y1, int x2, int y2, unsigned int colour);
    // Filled ellipse inscribed in the box of the two corners (nothing for a zero-width box).
    void drawOval(int x1, int y1, int x2, int y2, unsigned int colour);
    // Filled triangle; corners are rounded with r(v) = (int)(v + 0.5).
    void drawTriangle(double x1, double y1, double x2, double y2, double x3, double y3,
                      unsigned int colour);
    // Filled region between the verticals x = xa and x = xb, bounded by the lines
    // (xa, ya1)-(xb, yb1) and (xa, ya2)-(xb, yb2).
    void drawTrapezoid(double xa, double xb, double ya1, double yb1, double ya2, double yb2,
                       unsigned int colour);
    // Text with its top-left at (x, y) in exactly colour, glyph pixel by glyph pixel. font null:
    // the engine's default font. Draws nothing without an open font.
    void drawString(int x, int y, const char* text, unsigned int colour, GameFont* font = nullptr);

    void setFilter(FilterPoints* filter) { firstFilter = filter; }
    FilterPoints* getFilter() const { return firstFilter; }
    void setSurface(SDL_Surface* newSurface) { surface = newSurface; }
    SDL_Surface* getSurface() const { return surface; }
    BaseEngine* getEngine() const { return engine; }
    int getSurfaceWidth() const { return surface ? surface->w : 0; }
    int getSurfaceHeight() const { return surface ? surface->h : 0; }
    int getLockCount() const { return lockCount; }

private:
    FilterPoints* firstFilter;
    int lockCount = 0;
    SDL_Surface* surface = nullptr;
    BaseEngine* engine;
};
