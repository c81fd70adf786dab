// PixelCanvas: the pixel choke point (setPixel through the filter chain), whole-surface copy and
// fill, surface locking, and the filled shapes and text built on setPixel. Every shape visits its
// pixels column by column, left to right, each column top to bottom.
#include "PixelCanvas.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "BaseEngine.h"
#include "FilterPoints.h"
#include "GameFont.h"

namespace {

// The rounding of real-valued shape corners: v + 0.5 truncated towards zero.
inline int roundHalfUp(double v)
{
    return static_cast<int>(v + 0.5);
}

inline unsigned int* pixelAddress(SDL_Surface* surface, int x, int y)
{
    const unsigned int wordsPerRow = static_cast<unsigned int>(surface->pitch) >> 2;
    return static_cast<unsigned int*>(surface->pixels) + static_cast<std::size_t>(y) * wordsPerRow + x;
}

}  // namespace

PixelCanvas::PixelCanvas(BaseEngine* engine) : firstFilter(engine), engine(engine) {}

void PixelCanvas::setPixel(int x, int y, unsigned int colour)
{
    if (firstFilter && !firstFilter->filter(this, x, y, colour))
        return;
    rawSetPixel(x, y, colour);
}

void PixelCanvas::rawSetPixel(int x, int y, unsigned int colour)
{
    if (surface && x >= 0 && x < surface->w && y >= 0 && y < surface->h) {
        *pixelAddress(surface, x, y) = colour;
        return;
    }
    std::puts("Error in setting pixel- should never happen!");
    std::fflush(stdout);
}

unsigned int PixelCanvas::rawGetPixel(int x, int y) const
{
    if (!surface || x < 0 || x >= surface->w || y < 0 || y >= surface->h)
        return 0;
    return *pixelAddress(surface, x, y);
}

void PixelCanvas::copyAllFrom(const PixelCanvas& source)
{
    if (!surface || !source.surface)
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(surface->pitch) & ~static_cast<std::size_t>(3);
    std::memcpy(surface->pixels, source.surface->pixels, rowBytes * static_cast<std::size_t>(surface->h));
}

void PixelCanvas::fillSurface(unsigned int colour)
{
    if (!surface)
        return;
    SDL_Rect all{0, 0, surface->w, surface->h};
    SDL_FillRect(surface, &all, colour);
}

void PixelCanvas::lockForDrawing()
{
    if (surface && SDL_MUSTLOCK(surface)) {
        if (++lockCount == 1)
            SDL_LockSurface(surface);
    }
}

void PixelCanvas::unlockAfterDrawing()
{
    if (surface && SDL_MUSTLOCK(surface)) {
        if (--lockCount == 0)
            SDL_UnlockSurface(surface);
    }
}

// ---- Shapes -----------------------------------------------------------------------------------

void PixelCanvas::drawRectangle(int x1, int y1, int x2, int y2, unsigned int colour)
{
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    for (int x = left; x <= right; ++x)
        for (int y = top; y <= bottom; ++y)
            setPixel(x, y, colour);
}

void PixelCanvas::drawOval(int x1, int y1, int x2, int y2, unsigned int colour)
{
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    const double centreX = (left + right) * 0.5;
    const double centreY = (top + bottom) * 0.5;
    // Squares as int products, as the shape is defined; a zero-sized axis gives 0/0 = NaN for
    // every pixel, so the comparison fails and a degenerate box draws nothing.
    const double radiusXSquared = static_cast<double>((right - left) * (right - left)) * 0.25;
    const double radiusYSquared = static_cast<double>((bottom - top) * (bottom - top)) * 0.25;
    for (int x = left; x <= right; ++x) {
        const double dx = (x - centreX) * (x - centreX) / radiusXSquared;
        for (int y = top; y <= bottom; ++y)
            if (dx + (y - centreY) * (y - centreY) / radiusYSquared <= 1.0)
                setPixel(x, y, colour);
    }
}

void PixelCanvas::drawTriangle(double x1, double y1, double x2, double y2, double x3, double y3,
                               unsigned int colour)
{
    // Sort the corners by x; equal x keeps argument order.
    if (x1 > x2) { std::swap(x1, x2); std::swap(y1, y2); }
    if (x2 > x3) { std::swap(x2, x3); std::swap(y2, y3); }
    if (x1 > x2) { std::swap(x1, x2); std::swap(y1, y2); }

    if (x1 == x2) {
        drawTrapezoid(x1, x3, y1, y3, y2, y3, colour);
    } else if (x2 == x3) {
        drawTrapezoid(x1, x3, y1, y2, y1, y3, colour);
    } else {
        const double splitY = ((x2 - x1) * (y3 - y1)) / (x3 - x1) + y1;
        drawTrapezoid(x1, x2, y1, y2, y1, splitY, colour);
        drawTrapezoid(x2, x3, y2, y3, splitY, y3, colour);
    }
}

void PixelCanvas::drawTrapezoid(double xa, double xb, double ya1, double yb1, double ya2,
                                double yb2, unsigned int colour)
{
    if (xa > xb) {
        std::swap(xa, xb);
        std::swap(ya1, yb1);
        std::swap(ya2, yb2);
    }
    const int startX = roundHalfUp(xa);
    const int endX = roundHalfUp(xb);
    if (startX == endX) {
        // One column after rounding: only line 1 counts.
        for (int y = roundHalfUp(ya1); y <= roundHalfUp(yb1); ++y)
            setPixel(startX, y, colour);
        return;
    }
    for (int y = std::min(roundHalfUp(ya1), roundHalfUp(ya2));
         y <= std::max(roundHalfUp(ya1), roundHalfUp(ya2)); ++y)
        setPixel(startX, y, colour);

    const double width = xb - xa;
    const double rise1 = yb1 - ya1;
    const double rise2 = yb2 - ya2;
    for (int x = startX + 1; x < endX; ++x) {
        // Each column afresh (multiply, then divide), so no error builds up along the shape.
        const double t = x - xa;
        double p = (rise1 * t) / width + ya1;
        double q = (rise2 * t) / width + ya2;
        if (p > q)
            std::swap(p, q);
        for (int y = roundHalfUp(p); y <= roundHalfUp(q); ++y)
            setPixel(x, y, colour);
    }

    for (int y = std::min(roundHalfUp(yb1), roundHalfUp(yb2));
         y <= std::max(roundHalfUp(yb1), roundHalfUp(yb2)); ++y)
        setPixel(endX, y, colour);
}

// ---- Text -----------------------------------------------------------------------------------

void PixelCanvas::drawString(int x, int y, const char* text, unsigned int colour, GameFont* font)
{
    if (!font && engine)
        font = engine->getDefaultFont();
    if (!font || !font->getTTFFont() || !text)
        return;
    // The SDL colour only tints the temporary surface; the canvas gets colour itself.
    const SDL_Color tint{static_cast<Uint8>((colour >> 16) & 0xFF),
                         static_cast<Uint8>((colour >> 8) & 0xFF),
                         static_cast<Uint8>(colour & 0xFF), 0};
    SDL_Surface* rendered = TTF_RenderText_Solid(font->getTTFFont(), text, tint);
    if (!rendered)
        return;
    if (SDL_MUSTLOCK(rendered))
        SDL_LockSurface(rendered);
    const auto* bytes = static_cast<const unsigned char*>(rendered->pixels);
    const int bitsPerPixel = rendered->format->BitsPerPixel;
    const int pitch = rendered->pitch;
    for (int i = 0; i < rendered->w; ++i) {
        for (int j = 0; j < rendered->h; ++j) {
            unsigned int value = 0;
            const std::size_t row = static_cast<std::size_t>(j) * static_cast<std::size_t>(pitch);
            switch (bitsPerPixel) {
            case 8: value = bytes[row + i]; break;
            case 16: value = reinterpret_cast<const Uint16*>(bytes + row)[i]; break;
            case 32: value = reinterpret_cast<const Uint32*>(bytes + row)[i]; break;
            default: break;  // unusual depth: every pixel counts as empty
            }
            if (value != 0)
                setPixel(x + i, y + j, colour);
        }
    }
    if (SDL_MUSTLOCK(rendered))
        SDL_UnlockSurface(rendered);
    SDL_FreeSurface(rendered);
}
