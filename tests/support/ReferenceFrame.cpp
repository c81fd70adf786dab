// ReferenceFrame implementation (see ReferenceFrame.h).
#include "ReferenceFrame.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstddef>
#include <cstdlib>
#include <memory>

#include "PixelCanvas.h"

namespace dustreach::test {

namespace {

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

SurfacePtr asArgb(SDL_Surface* surface)
{
    SurfacePtr owned(surface, SDL_FreeSurface);
    return SurfacePtr(surface ? SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0)
                              : nullptr,
                      SDL_FreeSurface);
}

unsigned int& at(const SDL_Surface* surface, int x, int y)
{
    return reinterpret_cast<unsigned int*>(static_cast<unsigned char*>(surface->pixels) +
                                           static_cast<std::ptrdiff_t>(y) * surface->pitch)[x];
}

// Drawn pixels carry alpha 0, which a PNG would keep as clear: the file gets them opaque.
void savePng(SDL_Surface* drawn, const std::string& path)
{
    SurfacePtr copy = asArgb(SDL_DuplicateSurface(drawn));
    for (int y = 0; copy && y < copy->h; ++y)
        for (int x = 0; x < copy->w; ++x)
            at(copy.get(), x, y) |= 0xFF000000u;
    IMG_SavePNG(copy.get(), path.c_str());
}

}  // namespace

::testing::AssertionResult matchesReferenceFrame(const PixelCanvas& canvas, const std::string& name)
{
    SDL_Surface* drawn = canvas.getSurface();
    const std::string path = DUSTREACH_SOURCE_DIR "/tests/frames/" + name + ".png";
    const char* rewrite = std::getenv("DUSTREACH_REWRITE_FRAMES");
    if (drawn && rewrite && std::string(rewrite) == "1") {
        savePng(drawn, path);
        return ::testing::AssertionSuccess();
    }
    const SurfacePtr expected = asArgb(IMG_Load(path.c_str()));
    if (!drawn || !expected || expected->w != drawn->w || expected->h != drawn->h)
        return ::testing::AssertionFailure()
               << "no surface, or no reference frame " << path
               << " of its size (DUSTREACH_REWRITE_FRAMES=1 writes it)";
    long differing = 0;
    int firstX = 0, firstY = 0;
    for (int y = 0; y < drawn->h; ++y)
        for (int x = 0; x < drawn->w; ++x)
            if (((at(drawn, x, y) ^ at(expected.get(), x, y)) & 0xFFFFFF) && differing++ == 0) {
                firstX = x;
                firstY = y;
            }
    if (differing == 0)
        return ::testing::AssertionSuccess();
    savePng(drawn, name + ".actual.png");
    return ::testing::AssertionFailure()
           << name << ": " << differing << " pixels differ, the first at (" << firstX << ", "
           << firstY << "): drawn 0x" << std::hex << (at(drawn, firstX, firstY) & 0xFFFFFF)
           << ", reference 0x" << (at(expected.get(), firstX, firstY) & 0xFFFFFF)
           << "; what was drawn is in " << name << ".actual.png";
}

}  // namespace dustreach::test
