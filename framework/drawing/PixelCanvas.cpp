// PixelCanvas: the pixel choke point (setPixel through the filter chain), whole-surface copy and
// fill, surface locking, and the filled shapes and text built on setPixel. Every shape visits its
// pixels column by column, left to right, each column top to bottom, and hands each to a
// PointWriter, which has exactly setPixel's effect without a virtual call per link and pixel.
#include "PixelCanvas.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "BaseEngine.h"
#include "FilterPoints.h"
#include "GameFont.h"
#include "PointWriter.h"

namespace {

// Ovals up to this many rows high work out each row's term once and gather a column's covered
// rows as the bits of one word (drawOval).
constexpr int kCachedOvalRows = 64;

// The rounding of real-valued shape corners: v + 0.5 truncated towards zero. Not lround: below
// zero the two differ, and the shapes' pixels (the reference frames) follow this one.
inline int roundHalfUp(double v)
{
    return static_cast<int>(v + 0.5);  // NOLINT(bugprone-incorrect-roundings)
}

inline unsigned int* pixelAddress(SDL_Surface* surface, int x, int y)
{
    const unsigned int wordsPerRow = static_cast<unsigned int>(surface->pitch) >> 2;
    return static_cast<unsigned int*>(surface->pixels) + static_cast<std::size_t>(y) * wordsPerRow +
           x;
}

// Every non-zero pixel of a rendered text surface whose pixels are of type Pixel, as a point at
// (x + column, y + row): columns left to right, each top to bottom, handed on in runs.
template <typename Pixel>
void plotGlyphPixels(PointWriter& writer, const unsigned char* bytes, int pitch, int width,
                     int height, int x, int y, unsigned int colour)
{
    for (int i = 0; i < width; ++i) {
        // runRows counts the glyph pixels of the current run in this column.
        int runRows = 0;
        for (int j = 0; j < height; ++j) {
            const auto* row = reinterpret_cast<const Pixel*>(
                bytes + static_cast<std::size_t>(j) * static_cast<std::size_t>(pitch));
            if (row[i] != 0) {
                ++runRows;
                continue;
            }
            writer.putColumn(x + i, y + j - runRows, y + j - 1, colour);
            runRows = 0;
        }
        writer.putColumn(x + i, y + height - runRows, y + height - 1, colour);
    }
}

}  // namespace

PixelCanvas::PixelCanvas(BaseEngine* engine) : firstFilter(engine), engine(engine)
{
}

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
    const std::size_t rowBytes =
        static_cast<std::size_t>(surface->pitch) & ~static_cast<std::size_t>(3);
    std::memcpy(surface->pixels, source.surface->pixels,
                rowBytes * static_cast<std::size_t>(surface->h));
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
    PointWriter writer(*this);
    writer.putRectangle(left, top, right, bottom, colour);
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
    PointWriter writer(*this);
    if (static_cast<long long>(bottom) - top < kCachedOvalRows) {
        // The y term depends on the row only: worked out once per row (the same expression, so
        // the same value). Each column's covered rows are then gathered as bits and handed on as
        // runs, whatever their pattern.
        const int rows = bottom - top + 1;
        double rowTerms[kCachedOvalRows];
        for (int j = 0; j < rows; ++j) {
            const int y = top + j;
            rowTerms[j] = (y - centreY) * (y - centreY) / radiusYSquared;
        }
        for (int x = left; x <= right; ++x) {
            const double dx = (x - centreX) * (x - centreX) / radiusXSquared;
            std::uint64_t covered = 0;
            for (int j = 0; j < rows; ++j)
                covered |= static_cast<std::uint64_t>(dx + rowTerms[j] <= 1.0) << j;
            while (covered != 0) {
                const int start = __builtin_ctzll(covered);
                const std::uint64_t rest = ~(covered >> start);
                const int length = rest == 0 ? 64 - start : __builtin_ctzll(rest);
                writer.putColumn(x, top + start, top + start + length - 1, colour);
                const int end = start + length;
                covered = end >= 64 ? 0 : (covered >> end) << end;
            }
        }
        return;
    }
    for (int x = left; x <= right; ++x) {
        const double dx = (x - centreX) * (x - centreX) / radiusXSquared;
        // The covered rows of a column are handed on as runs; runRows counts the current one.
        int runRows = 0;
        for (int y = top; y <= bottom; ++y) {
            if (dx + (y - centreY) * (y - centreY) / radiusYSquared <= 1.0) {
                ++runRows;
                continue;
            }
            writer.putColumn(x, y - runRows, y - 1, colour);
            runRows = 0;
        }
        writer.putColumn(x, bottom - runRows + 1, bottom, colour);
    }
}

void PixelCanvas::drawTriangle(double x1, double y1, double x2, double y2, double x3, double y3,
                               unsigned int colour)
{
    // Sort the corners by x; equal x keeps argument order.
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (x2 > x3) {
        std::swap(x2, x3);
        std::swap(y2, y3);
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }

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
    PointWriter writer(*this);
    if (startX == endX) {
        // One column after rounding: only line 1 counts.
        writer.putColumn(startX, roundHalfUp(ya1), roundHalfUp(yb1), colour);
        return;
    }
    writer.putColumn(startX, std::min(roundHalfUp(ya1), roundHalfUp(ya2)),
                     std::max(roundHalfUp(ya1), roundHalfUp(ya2)), colour);

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
        writer.putColumn(x, roundHalfUp(p), roundHalfUp(q), colour);
    }

    writer.putColumn(endX, std::min(roundHalfUp(yb1), roundHalfUp(yb2)),
                     std::max(roundHalfUp(yb1), roundHalfUp(yb2)), colour);
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
    PointWriter writer(*this);
    // Any other depth: every pixel counts as empty, so nothing is drawn.
    if (bitsPerPixel == 8)
        plotGlyphPixels<Uint8>(writer, bytes, pitch, rendered->w, rendered->h, x, y, colour);
    else if (bitsPerPixel == 16)
        plotGlyphPixels<Uint16>(writer, bytes, pitch, rendered->w, rendered->h, x, y, colour);
    else if (bitsPerPixel == 32)
        plotGlyphPixels<Uint32>(writer, bytes, pitch, rendered->w, rendered->h, x, y, colour);
    if (SDL_MUSTLOCK(rendered))
        SDL_UnlockSurface(rendered);
    SDL_FreeSurface(rendered);
}
