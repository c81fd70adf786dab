// ImageHandle: copying blocks of a shared picture onto a canvas, whole or with one colour left
// out. Clips the block to the surface once, then writes every pixel with the effect of the
// canvas's setPixel (through a PointWriter) so it scrolls, zooms and clips like everything else.
// Does not load pictures (ImageManager does).
#include "ImageHandle.h"

#include "PixelCanvas.h"
#include "PointWriter.h"
#include "RawImageData.h"

namespace {

// Clips one axis of the block to [0, limit): moves the source with the destination when the block
// starts before 0 and shortens it when it runs past the end. Wide arithmetic keeps extreme
// positions from overflowing.
void clipAxis(long long& source, long long& destination, long long& length, long long limit)
{
    if (destination < 0) {
        source -= destination;
        length += destination;
        destination = 0;
    }
    if (destination + length >= limit) {
        length = limit - destination;
    }
}

}  // namespace

int ImageHandle::getWidth() const
{
    return image ? image->getWidth() : 0;
}

int ImageHandle::getHeight() const
{
    return image ? image->getHeight() : 0;
}

unsigned int ImageHandle::getPixel(int x, int y) const
{
    return image ? image->getPixel(x, y) : 0;
}

void ImageHandle::renderImage(PixelCanvas* canvas, int xSrc, int ySrc, int xDst, int yDst,
                              int width, int height) const
{
    renderBlock(canvas, xSrc, ySrc, xDst, yDst, width, height, false, 0);
}

void ImageHandle::renderImageWithMask(PixelCanvas* canvas, int xSrc, int ySrc, int xDst, int yDst,
                                      int width, int height) const
{
    if (!image || image->getWidth() <= 0 || image->getHeight() <= 0) {
        return;
    }
    const unsigned int maskColour =
        image->getPixel(image->getWidth() - 1, image->getHeight() - 1) & 0xFFFFFF;
    renderBlock(canvas, xSrc, ySrc, xDst, yDst, width, height, true, maskColour);
}

void ImageHandle::renderImageWithMaskColour(PixelCanvas* canvas, int xSrc, int ySrc, int xDst,
                                            int yDst, int width, int height,
                                            unsigned int maskColour) const
{
    renderBlock(canvas, xSrc, ySrc, xDst, yDst, width, height, true, maskColour);
}

void ImageHandle::renderBlock(PixelCanvas* canvas, int xSrc, int ySrc, int xDst, int yDst,
                              int width, int height, bool useMask, unsigned int maskColour) const
{
    // Nothing to copy from, or nowhere to copy to: a missing picture leaves what is beneath.
    if (canvas == nullptr || !image || image->getWidth() <= 0 || image->getHeight() <= 0) {
        return;
    }

    long long sourceX = xSrc;
    long long sourceY = ySrc;
    long long destinationX = xDst;
    long long destinationY = yDst;
    long long columns = width;
    long long rows = height;
    clipAxis(sourceX, destinationX, columns, canvas->getSurfaceWidth());
    clipAxis(sourceY, destinationY, rows, canvas->getSurfaceHeight());
    if (columns <= 0 || rows <= 0) {
        return;
    }

    // The block now lies on the surface, so every index below fits in an int.
    const int imageWidth = image->getWidth();
    const int imageHeight = image->getHeight();
    const int firstColumn = RawImageData::wrap(sourceX, imageWidth);
    int imageY = RawImageData::wrap(sourceY, imageHeight);
    PointWriter writer(*canvas);
    for (int i = 0; i < static_cast<int>(rows); ++i) {
        // imageX and imageY wrap as they go, so the row can be read directly.
        const unsigned int* imageRow = image->getRow(imageY);
        int imageX = firstColumn;
        for (int j = 0; j < static_cast<int>(columns); ++j) {
            const unsigned int colour = imageRow[imageX] & 0xFFFFFF;
            if (!useMask || colour != maskColour) {
                writer.put(static_cast<int>(destinationX) + j, static_cast<int>(destinationY) + i,
                           colour);
            }
            if (++imageX == imageWidth) {
                imageX = 0;
            }
        }
        if (++imageY == imageHeight) {
            imageY = 0;
        }
    }
}
