// RawImageData: the pixels of one picture file, converted to the canvases' 32-bit 0xAARRGGBB
// format, row by row. Owns its pixel array; is itself owned jointly by shared references (image
// handles and the cache's kept list).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct SDL_Surface;

class RawImageData {
public:
    explicit RawImageData(std::string fileName);
    RawImageData(const RawImageData&) = delete;
    RawImageData& operator=(const RawImageData&) = delete;

    // Reads and converts the file with SDL_image. Returns true on success; on failure the image
    // is left empty (0 x 0, no pixels) and nothing is printed.
    bool loadImage(const std::string& fileName);
    // Takes the pixels of a surface already in the canvas format (ARGB8888), exactly width words
    // from each row however wide its pitch. False (image left empty) for any other surface or when
    // memory runs out. The surface stays the caller's.
    bool copyPixelsFrom(SDL_Surface* converted);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    const std::string& getFileName() const { return fileName; }
    // The word at (x mod width, y mod height); coordinates wrap both ways, negative ones included.
    // 0 for an empty image.
    unsigned int getPixel(int x, int y) const;
    // value mod size as a remainder that is never negative (size > 0): where a coordinate falls
    // in an image that repeats both ways.
    static int wrap(long long value, int size)
    {
        const long long remainder = value % size;
        return static_cast<int>(remainder < 0 ? remainder + size : remainder);
    }
    // The width words of row y, which must lie in 0 .. height - 1 (no wrapping): for drawing loops
    // that keep their coordinates inside the image themselves. Null for an empty image.
    const unsigned int* getRow(int y) const
    {
        return pixels ? pixels.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width)
                      : nullptr;
    }

private:
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned int[]> pixels;
    std::string fileName;
};
