// RawImageData: reading one picture file with SDL_image and converting it to the canvases' 32-bit
// 0xAARRGGBB layout, and wrapped pixel reads. Does not cache (ImageManager does) and does not draw
// (ImageHandle does).
#include "RawImageData.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstddef>
#include <new>
#include <utility>

#include "RegularFile.h"

RawImageData::RawImageData(std::string fileName) : fileName(std::move(fileName))
{
}

bool RawImageData::loadImage(const std::string& fileName)
{
    // Start from the empty state, so that any failure below leaves a 0 x 0 image.
    pixels.reset();
    width = 0;
    height = 0;

    SDL_RWops* file = RegularFile::open(fileName);
    SDL_Surface* loaded = file ? IMG_Load_RW(file, 1) : nullptr;
    if (loaded == nullptr) {
        return false;
    }
    SDL_Surface* converted = SDL_CreateRGBSurface(0, loaded->w, loaded->h, 32, 0x00FF0000,
                                                  0x0000FF00, 0x000000FF, 0xFF000000);
    if (converted == nullptr) {
        SDL_FreeSurface(loaded);
        return false;
    }
    SDL_UpperBlit(loaded, nullptr, converted, nullptr);
    SDL_FreeSurface(loaded);

    const bool copied = copyPixelsFrom(converted);
    SDL_FreeSurface(converted);
    return copied;
}

bool RawImageData::copyPixelsFrom(SDL_Surface* converted)
{
    pixels.reset();
    width = 0;
    height = 0;
    if (converted == nullptr || converted->format == nullptr ||
        converted->format->format != SDL_PIXELFORMAT_ARGB8888 || converted->w < 0 ||
        converted->h < 0 || converted->pitch / 4 < converted->w) {
        return false;
    }

    const std::size_t count =
        static_cast<std::size_t>(converted->w) * static_cast<std::size_t>(converted->h);
    std::unique_ptr<unsigned int[]> copy(new (std::nothrow) unsigned int[count > 0 ? count : 1]);
    if (!copy) {
        return false;
    }

    if (SDL_MUSTLOCK(converted) && SDL_LockSurface(converted) != 0) {
        return false;
    }
    // Rows of the surface may be padded beyond w words; take exactly w words from each.
    const std::size_t wordsPerRow = static_cast<unsigned int>(converted->pitch) >> 2;
    const auto* source = static_cast<const Uint32*>(converted->pixels);
    for (int y = 0; y < converted->h; ++y) {
        for (int x = 0; x < converted->w; ++x) {
            copy[static_cast<std::size_t>(y) * static_cast<std::size_t>(converted->w) +
                 static_cast<std::size_t>(x)] =
                source[static_cast<std::size_t>(y) * wordsPerRow + static_cast<std::size_t>(x)];
        }
    }
    if (SDL_MUSTLOCK(converted)) {
        SDL_UnlockSurface(converted);
    }

    pixels = std::move(copy);
    width = converted->w;
    height = converted->h;
    return true;
}

unsigned int RawImageData::getPixel(int x, int y) const
{
    if (!pixels || width <= 0 || height <= 0) {
        return 0;
    }
    return pixels[static_cast<std::size_t>(wrap(y, height)) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(wrap(x, width))];
}
