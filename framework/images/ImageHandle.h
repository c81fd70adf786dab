// ImageHandle: a small value holding one shared reference to a loaded picture (possibly empty),
// with the operations that copy blocks of it onto a canvas, every pixel through the canvas's
// filter chain. Copies share the pixels. Owns only its reference.
#pragma once

#include <memory>

class PixelCanvas;
class RawImageData;

class ImageHandle {
public:
    ImageHandle() = default;
    explicit ImageHandle(std::shared_ptr<RawImageData> image) : image(std::move(image)) {}

    bool isEmpty() const { return !image; }
    // Size in pixels; 0 for an empty handle.
    int getWidth() const;
    int getHeight() const;
    // The image word at (x mod width, y mod height); 0 for an empty handle.
    unsigned int getPixel(int x, int y) const;
    const std::shared_ptr<RawImageData>& getRawImageData() const { return image; }

    // Copies the width x height block at (xSrc, ySrc) of the image to (xDst, yDst) on the canvas,
    // clipped to the surface first; source coordinates wrap. Alpha is dropped. An empty handle
    // draws nothing.
    void renderImage(PixelCanvas* canvas, int xSrc, int ySrc, int xDst, int yDst, int width,
                     int height) const;
    // The same, leaving out pixels equal to the image's bottom-right pixel (0xRRGGBB).
    void renderImageWithMask(PixelCanvas* canvas, int xSrc, int ySrc, int xDst, int yDst, int width,
                             int height) const;
    // The same, leaving out pixels whose 0xRRGGBB equals maskColour.
    void renderImageWithMaskColour(PixelCanvas* canvas, int xSrc, int ySrc, int xDst, int yDst,
                                   int width, int height, unsigned int maskColour) const;

private:
    // The clipped copy loop shared by the three drawing operations.
    void renderBlock(PixelCanvas* canvas, int xSrc, int ySrc, int xDst, int yDst, int width,
                     int height, bool useMask, unsigned int maskColour) const;

    std::shared_ptr<RawImageData> image;
};
