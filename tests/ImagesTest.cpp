// Pictures and tiles: the picture cache (console lines, sharing, keeping, reloading), reading and
// converting files, drawing blocks (clipping, wrapping, filters, masks), the tile grid, the strip.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "BaseEngine.h"
#include "ImageHandle.h"
#include "ImageManager.h"
#include "RawImageData.h"
#include "ReferenceFrame.h"
#include "TestSupport.h"
#include "TileManager.h"
#include "VorlanTileManager.h"

using namespace dustreach::test;

namespace {

struct FreeSurface {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, FreeSurface>;
constexpr unsigned int background = 0x123456;

Surface makeSurface(int w, int h, const std::function<Uint32(int, int)>& colourAt)
{
    Surface s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    for (int i = 0; i < w * h; ++i)  // 32-bit rows are never padded
        static_cast<Uint32*>(s->pixels)[i] = colourAt(i % w, i / w);
    return s;
}
// Straight from a surface, so every alpha byte is the test's (a loaded file is blended by SDL).
ImageHandle makeImage(int width, int height, const std::function<Uint32(int, int)>& colourAt)
{
    auto image = std::make_shared<RawImageData>("made");
    EXPECT_TRUE(image->copyPixelsFrom(makeSurface(width, height, colourAt).get()));
    return ImageHandle(image);
}
// Opaque, distinct per pixel up to 256 x 256, never the background nor black.
Uint32 pattern(int x, int y)
{
    return 0xFF000080u | Uint32(x) << 16 | Uint32(y) << 8;
}
std::string lines(const std::string& name, bool load = true, bool fail = false)
{
    return "\t\t+++ Find image:" + name + "\n" + (load ? "\t\t+++ Load image:" + name + "\n" : "") +
           (fail ? "ImageManager::getImagePtrbyURL() : Failed to load image" + name + "\n" : "");
}

class ImagesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(initialiseHeadless(engine, false, 160, 120), 0);
        ASSERT_EQ(IMG_SavePNG(makeSurface(4, 3, pattern).get(), "one.png"), 0);
    }
    void TearDown() override { ImageManager::destroyInstance(); }

    ScopedTempDir dir;
    BaseEngine engine;
};

TEST_F(ImagesTest, CacheSharesOneLoadUntilTheLastHolderLetsGoAndKeepsWhatItWasAskedTo)
{
    IMG_SavePNG(makeSurface(2, 2, pattern).get(), "two.png");
    std::weak_ptr<RawImageData> kept;
    {
        StdoutCapture capture;
        ImageHandle first = ImageManager::loadImage("one.png", false);
        ImageHandle second = ImageManager::loadImage("one.png", true);  // too late to keep it
        kept = ImageManager::loadImage("two.png", true).getRawImageData();
        EXPECT_EQ(capture.stop(), lines("one.png") + lines("one.png", false) + lines("two.png"));
        EXPECT_EQ(first.getRawImageData(), second.getRawImageData());
        EXPECT_FALSE(ImageManager::getInstance()->isKept("one.png"));
    }
    StdoutCapture capture;
    ImageHandle again = ImageManager::loadImage("one.png", false);
    EXPECT_EQ(ImageManager::loadImage("two.png", false).getRawImageData(), kept.lock());
    EXPECT_EQ(capture.stop(), lines("one.png") + lines("two.png", false));
    // Handles outlive the cache; kept pictures go with it, and a new cache starts empty.
    ImageManager::destroyInstance();
    EXPECT_TRUE(kept.expired());
    EXPECT_EQ(again.getPixel(3, 2), pattern(3, 2));
    StdoutCapture findOnly;
    EXPECT_EQ(ImageManager::createInstance()->getImagePtrbyURL("one.png", false, true), nullptr);
    EXPECT_EQ(findOnly.stop(), lines("one.png", false));
    // Missing and damaged files write three lines and are tried again next time.
    writeFile("cut.png", readFile("one.png").substr(0, 30));
    for (const std::string name : {"absent file.png", "cut.png"}) {
        StdoutCapture failing;
        ImageHandle missing = ImageManager::loadImage(name, true);
        EXPECT_TRUE(ImageManager::loadImage(name, true).isEmpty());
        EXPECT_EQ(failing.stop(), lines(name, true, true) + lines(name, true, true));
        EXPECT_EQ(missing.getWidth(), 0);
        EXPECT_EQ(missing.getHeight(), 0);
        EXPECT_EQ(missing.getPixel(0, 0), 0u);
        EXPECT_FALSE(ImageManager::getInstance()->isKept(name)) << name;
    }
}

TEST_F(ImagesTest, RgbAndPaddedRowsAreConvertedAndPixelsWrapBothWays)
{
    // 3 pixels of 3 bytes make 9 bytes per row, padded to 12 in the loaded surface.
    Surface rgb(SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 24, SDL_PIXELFORMAT_RGB24));
    for (int i = 0; i < 18; ++i)
        static_cast<Uint8*>(rgb->pixels)[i / 9 * rgb->pitch + i % 9] = Uint8(i + 1);
    ASSERT_EQ(IMG_SavePNG(rgb.get(), "rgb.png"), 0);
    RawImageData data("rgb.png"), refused("rgb");
    ASSERT_TRUE(data.loadImage("rgb.png"));
    EXPECT_FALSE(refused.copyPixelsFrom(rgb.get()));
    EXPECT_FALSE(refused.copyPixelsFrom(nullptr));
    ASSERT_EQ(data.getWidth(), 3);
    ASSERT_EQ(data.getHeight(), 2);
    for (unsigned int i = 0; i < 6; ++i) {
        const unsigned int b = 3 * i + 1;  // its red byte
        EXPECT_EQ(data.getPixel(i % 3, i / 3), 0xFF000000u | b << 16 | (b + 1) << 8 | (b + 2));
    }
    // A 3 x 2 surface in rows of 5 words: the padding words stay out.
    std::vector<Uint32> words = {1, 2, 3, 0xDEAD, 0xBEEF, 4, 5, 6, 0xDEAD, 0xBEEF};
    const auto fromWords = [&](int width, int height) {
        return Surface(SDL_CreateRGBSurfaceWithFormatFrom(words.data(), width, height, 32, 20,
                                                          SDL_PIXELFORMAT_ARGB8888));
    };
    ASSERT_TRUE(data.copyPixelsFrom(fromWords(3, 2).get()));
    // Pixel i + 1 is the i-th; coordinates wrap both ways (-2^31 mod 3 = 1).
    for (auto [x, y, i] : {std::tuple{0, 0, 0},
                           {2, 0, 2},
                           {0, 1, 3},
                           {2, 1, 5},
                           {3, 0, 0},
                           {0, 2, 0},
                           {13, 7, 4},
                           {-1, 0, 2},
                           {0, -1, 3},
                           {-4, -3, 5},
                           {INT_MIN, 0, 1}})
        EXPECT_EQ(data.getPixel(x, y), i + 1u) << x << "," << y;
    // One row high: every y wraps onto it.
    ASSERT_TRUE(data.copyPixelsFrom(fromWords(2, 1).get()));
    EXPECT_EQ(data.getPixel(3, 5), 2u);
    EXPECT_FALSE(data.loadImage("no such file.png"));  // a failed load empties the picture
    EXPECT_EQ(data.getWidth(), 0);
    EXPECT_EQ(data.getHeight(), 0);
    EXPECT_EQ(data.getPixel(1, 1), 0u);
}

// Blocks cut at each edge, repeated, from a wrapped source, wholly off or empty, drawn inline and
// through an accepting filter: the same picture, no message, only on-surface points asked (blocks
// are clipped first). The mask is the bottom-right colour or the one given; alpha does nothing.
TEST_F(ImagesTest, BlocksAreClippedToTheSurfaceRepeatTheImageAndLeaveOutTheMask)
{
    const ImageHandle image = makeImage(30, 16, pattern);
    const int w = 160, h = 120,
              blocks[][7] = {
                  // xSrc, ySrc, xDst, yDst, width, height, masked
                  {0, 0, 40, 20, 30, 16, 0},    {0, 0, -10, 40, 30, 16, 0},
                  {0, 0, w - 5, 20, 30, 16, 1}, {0, 0, w - 5, 60, 6, 1, 0},
                  {0, 0, 80, -4, 30, 16, 0},    {0, 0, 100, h - 3, 30, 16, 1},
                  {0, 0, 40, 60, 60, 40, 0},    {-1, -2, 10, 100, 3, 3, 0},
                  {5, 3, 120, 40, 20, 20, 0},   {0, 0, w, 0, 30, 16, 0},
                  {0, 0, 0, h, 30, 16, 0},      {0, 0, -30, 0, 30, 16, 1},
                  {0, 0, 0, -16, 30, 16, 0},    {0, 0, w + 9, h + 9, 30, 9, 1},
                  {0, 0, 10, 10, 0, 16, 0},     {0, 0, INT_MAX - 5, INT_MAX - 5, 30, 16, 0},
                  {0, 0, 10, 10, 30, -1, 0}};
    const Uint32 cells[2][4] = {{0x000000FFu, 0x800000FFu, 0x00FF0000u, 0xFF000000u},
                                {0xFF00FF00u, 0xFF0000FEu, 0xFF102030u, 0xFF0000FFu}};
    const ImageHandle masked = makeImage(4, 2, [&](int x, int y) { return cells[y][x]; });
    StdoutCapture loading;
    ImageHandle missing = engine.loadImage("not there.png", false);
    ImageHandle empty;
    ImageHandle zeroSized(std::make_shared<RawImageData>("never loaded"));
    loading.stop();
    const ImageHandle* pictures[] = {&image, &empty, &zeroSized, &missing};
    PixelCanvas* canvas = engine.getForegroundCanvas();
    RecordingFilter accept;
    for (FilterPoints* filter : {canvas->getFilter(), static_cast<FilterPoints*>(&accept)}) {
        canvas->setFilter(filter);
        canvas->fillSurface(background);
        StdoutCapture capture;
        for (const auto& b : blocks)
            for (const ImageHandle* p : pictures)
                if (b[6])
                    p->renderImageWithMaskColour(canvas, b[0], b[1], b[2], b[3], b[4], b[5], 0);
                else
                    p->renderImage(canvas, b[0], b[1], b[2], b[3], b[4], b[5]);
        missing.renderImageWithMask(canvas, 0, 0, 0, 0, w, h);
        empty.renderImageWithMask(canvas, 0, 0, 0, 0, w, h);
        masked.renderImageWithMask(canvas, 0, 0, 12, 64, 4, 2);
        masked.renderImageWithMaskColour(canvas, 0, 0, 12, 70, 4, 2, 0x102030);
        masked.renderImage(canvas, 0, 0, 12, 76, 4, 2);  // black is drawn unmasked
        EXPECT_EQ(capture.stop(), "");
        EXPECT_TRUE(matchesReferenceFrame(*canvas, "images-blocks"));
    }
    EXPECT_EQ(accept.asked.size(), 480u + 320 + 80 + 5 + 360 + 90 + 2400 + 9 + 400 + 5 + 7 + 8);
}

// Default tiles: grey (mapX + mapY + value) mod 16, non-negative; values stay inside the map.
TEST_F(ImagesTest, TileGridHoldsValuesInsideTheMapAndDrawsGreyTiles)
{
    TileManager grid;
    grid.setMapSize(4, 3);
    const int values[3][4] = {{0, 9, 8, -10}, {15, -1, 100, 3}, {-17, 7, 2, INT_MIN}};
    for (int i = 0; i < 12; ++i)
        grid.setMapValue(i % 4, i / 4, values[i / 4][i % 4]);
    for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {4, 2}, {-1, 2}}) {
        grid.setMapValue(x, y, 99);
        EXPECT_EQ(grid.getMapValue(x, y), 0) << x << "," << y;
    }
    grid.setBaseTilesPositionOnScreen(5, 10);
    SurfaceCanvas frame(90, 75);
    grid.drawAllTiles(&engine, &frame);
    EXPECT_TRUE(matchesReferenceFrame(frame, "images-tiles"));
    for (auto [x, y, inside] : {std::tuple{5, 10, true},
                                {84, 69, true},
                                {4, 10, false},
                                {85, 10, false},
                                {5, 9, false},
                                {5, 70, false}})
        EXPECT_EQ(grid.isValidTilePosition(x, y), inside) << x << "," << y;
    grid.setMapSize(2, 2);
    EXPECT_EQ(grid.getMapValue(1, 1), 0);  // a new size starts at 0
    EXPECT_EQ(grid.getMapValue(2, 0), 0);
    grid.setBaseTilesPositionOnScreen(INT_MAX - 30, INT_MAX - 30);  // far away: no wrap-around
    EXPECT_TRUE(grid.isValidTilePosition(INT_MAX - 1, INT_MAX - 1));
    EXPECT_FALSE(grid.isValidTilePosition(0, 0));
    for (auto [width, height] : {std::pair{0, 4}, {4, 0}, {-3, 4}}) {
        grid.setMapSize(width, height);
        EXPECT_EQ(grid.getMapWidth(), 0) << width << "x" << height;
        EXPECT_EQ(grid.getMapHeight(), 0) << width << "x" << height;
    }
}

TEST_F(ImagesTest, PowerUpStripShowsIconsAndShapesColouredByTheLastDrawnTile)
{
    IMG_SavePNG(makeSurface(20, 20, pattern).get(), "speed.png");
    IMG_SavePNG(makeSurface(20, 20, [](int x, int y) { return pattern(y + 100, x); }).get(),
                "buff.png");
    StdoutCapture construction;
    VorlanTileManager strip;
    EXPECT_EQ(construction.stop(), lines("speed.png") + lines("buff.png"));
    EXPECT_TRUE(ImageManager::getInstance()->isKept("speed.png"));
    EXPECT_TRUE(ImageManager::getInstance()->isKept("buff.png"));
    // Every tile repaints the whole strip, so the last drawn (value 1) gives the colour; only the
    // oval and the square follow the row, and the column is not used.
    strip.setMapValue(4, 0, 1);
    strip.setBaseTilesPositionOnScreen(100, 250);
    SurfaceCanvas frame(200, 300);
    strip.drawAllTiles(&engine, &frame);
    strip.drawTileAt(&engine, &frame, 2, 0, 0, 280);
    EXPECT_TRUE(matchesReferenceFrame(frame, "images-strip"));
    ImageManager::destroyInstance();  // forget the icons by name; the strip holds its own
    ScopedTempDir noIcons;
    StdoutCapture failing;
    VorlanTileManager bare;
    EXPECT_EQ(failing.stop(), lines("speed.png", true, true) + lines("buff.png", true, true));
    SurfaceCanvas shapesOnly(200, 270);
    bare.drawAllTiles(&engine, &shapesOnly);
    EXPECT_EQ(countPixels(shapesOnly, 0, 100, 250, 140, 270), 40 * 20);  // no icons
}

}  // namespace
