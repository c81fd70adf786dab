// ReferenceFrame implementation (see ReferenceFrame.h).
#include "ReferenceFrame.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <memory>

#include "PixelCanvas.h"

namespace dustreach::test {

namespace {

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

SurfacePtr asArgb(SDL_Surface* surface)
{
    SurfacePtr owned(surface, SDL_FreeSurface);
    if (!surface)
        return owned;
    return SurfacePtr(SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0),
                      SDL_FreeSurface);
}

unsigned int rgbAt(const SDL_Surface* surface, int x, int y)
{
    const auto* row = static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch;
    return reinterpret_cast<const unsigned int*>(row)[x] & 0xFFFFFF;
}

// A copy with alpha 255 everywhere: drawn pixels carry alpha 0, which a PNG would keep as clear.
SurfacePtr opaqueCopy(SDL_Surface* drawn)
{
    SurfacePtr copy = asArgb(SDL_DuplicateSurface(drawn));
    for (int y = 0; copy && y < copy->h; ++y)
        for (int x = 0; x < copy->w; ++x)
            reinterpret_cast<unsigned int*>(static_cast<unsigned char*>(copy->pixels) +
                                            y * copy->pitch)[x] |= 0xFF000000u;
    return copy;
}

}  // namespace

::testing::AssertionResult matchesReferenceFrame(const PixelCanvas& canvas, const std::string& name)
{
    SDL_Surface* drawn = canvas.getSurface();
    if (!drawn)
        return ::testing::AssertionFailure() << "the canvas has no surface";
    const std::string path = std::string(DUSTREACH_SOURCE_DIR) + "/tests/frames/" + name + ".png";
    const char* rewrite = std::getenv("DUSTREACH_REWRITE_FRAMES");
    if (rewrite && std::string(rewrite) == "1") {
        if (IMG_SavePNG(opaqueCopy(drawn).get(), path.c_str()) != 0)
            return ::testing::AssertionFailure() << "could not write " << path;
        return ::testing::AssertionSuccess() << "rewrote " << path;
    }
    const SurfacePtr expected = asArgb(IMG_Load(path.c_str()));
    if (!expected)
        return ::testing::AssertionFailure()
               << "no reference frame " << path << " (DUSTREACH_REWRITE_FRAMES=1 writes it)";
    if (expected->w != drawn->w || expected->h != drawn->h)
        return ::testing::AssertionFailure() << name << ": size " << drawn->w << "x" << drawn->h
                                             << ", reference " << expected->w << "x" << expected->h;
    long differing = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < drawn->h; ++y)
        for (int x = 0; x < drawn->w; ++x)
            if (rgbAt(drawn, x, y) != rgbAt(expected.get(), x, y) && differing++ == 0) {
                firstX = x;
                firstY = y;
            }
    if (differing == 0)
        return ::testing::AssertionSuccess();
    IMG_SavePNG(opaqueCopy(drawn).get(), (name + ".actual.png").c_str());
    return ::testing::AssertionFailure()
           << name << ": " << differing << " pixels differ, the first at (" << firstX << ", "
           << firstY << "): drawn 0x" << std::hex << rgbAt(drawn, firstX, firstY)
           << ", reference 0x" << rgbAt(expected.get(), firstX, firstY)
           << "; what was drawn is in " << name << ".actual.png";
}

}  // namespace dustreach::test
