// Tests of pictures and tiles: the picture cache (its console lines, sharing, keeping, reloading),
// reading and converting picture files, drawing picture blocks (clipping, wrapping, filters,
// masks), the tile grid with its grey default tiles, and the game's power-up strip. Pictures are
// made by the tests in a temporary folder; composed pictures are checked against tests/frames.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
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

using ColourAt = std::function<Uint32(int, int)>;
constexpr unsigned int background = 0x123456;

SDL_Surface* makeSurface(int width, int height, const ColourAt& colourAt)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = colourAt(x, y);
    return s;
}
void savePng(const std::string& name, int width, int height, const ColourAt& colourAt)
{
    SDL_Surface* surface = makeSurface(width, height, colourAt);
    ASSERT_EQ(IMG_SavePNG(surface, name.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(surface);
}
// Straight from a surface, so every alpha byte is the test's (a loaded file is blended by SDL).
ImageHandle makeImage(int width, int height, const ColourAt& colourAt)
{
    SDL_Surface* surface = makeSurface(width, height, colourAt);
    auto image = std::make_shared<RawImageData>("made");
    EXPECT_TRUE(image->copyPixelsFrom(surface));
    SDL_FreeSurface(surface);
    return ImageHandle(image);
}
// Opaque, distinct per pixel up to 256 x 256, never the background nor black.
Uint32 pattern(int x, int y) { return 0xFF000080u | Uint32(x) << 16 | Uint32(y) << 8; }
std::string lines(const std::string& name, bool load = true, bool fail = false)
{
    return "\t\t+++ Find image:" + name + "\n" + (load ? "\t\t+++ Load image:" + name + "\n" : "") +
           (fail ? "ImageManager::getImagePtrbyURL() : Failed to load image" + name + "\n" : "");
}

class ImagesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(initialiseHeadless(engine, false), 0);
        canvas = engine.getForegroundCanvas();
        canvas->fillSurface(background);
        savePng("one.png", 4, 3, pattern);
    }
    void TearDown() override { ImageManager::destroyInstance(); }
    int changed() const { return 600 * 800 - countPixels(*canvas, background, 0, 0, 600, 800); }

    ScopedTempDir dir;
    BaseEngine engine;
    PixelCanvas* canvas = nullptr;
};

TEST_F(ImagesTest, CacheSharesOneLoadUntilTheLastHolderLetsGoAndKeepsWhatItWasAskedTo)
{
    savePng("two.png", 2, 2, pattern);
    std::weak_ptr<RawImageData> loose, kept;
    {
        StdoutCapture capture;
        ImageHandle first = ImageManager::loadImage("one.png", false);
        ImageHandle second = ImageManager::loadImage("one.png", true);  // too late to keep it
        ImageHandle dotted = ImageManager::loadImage("./one.png", false);  // names are keys as given
        EXPECT_EQ(capture.stop(), lines("one.png") + lines("one.png", false) + lines("./one.png"));
        EXPECT_EQ(first.getRawImageData(), second.getRawImageData());
        EXPECT_EQ(first.getRawImageData().use_count(), 2);
        EXPECT_NE(first.getRawImageData(), dotted.getRawImageData());
        EXPECT_FALSE(ImageManager::getInstance()->isKept("one.png"));
        ASSERT_EQ(std::pair(first.getWidth(), first.getHeight()), std::pair(4, 3));
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(first.getPixel(i % 4, i / 4), pattern(i % 4, i / 4)) << i;
        loose = first.getRawImageData();
        kept = ImageManager::loadImage("two.png", true).getRawImageData();
    }
    EXPECT_TRUE(loose.expired());
    ASSERT_FALSE(kept.expired());
    EXPECT_TRUE(ImageManager::getInstance()->isKept("two.png"));
    StdoutCapture capture;
    ImageHandle again = ImageManager::loadImage("one.png", false);
    ImageHandle keptAgain = ImageManager::loadImage("two.png", false);
    EXPECT_EQ(capture.stop(), lines("one.png") + lines("two.png", false));
    EXPECT_EQ(keptAgain.getRawImageData(), kept.lock());
    // Handles outlive the cache; kept pictures go with it.
    keptAgain = ImageHandle();
    ImageManager::destroyInstance();
    EXPECT_EQ(ImageManager::getInstance(), nullptr);
    EXPECT_TRUE(kept.expired());
    EXPECT_EQ(again.getPixel(3, 2), pattern(3, 2));
    ImageManager::destroyInstance();  // harmless when there is none
    ImageManager* created = ImageManager::createInstance();
    EXPECT_EQ(ImageManager::createInstance(), created);
    EXPECT_EQ(ImageManager::getInstance(), created);
    StdoutCapture findOnly;
    EXPECT_EQ(created->getImagePtrbyURL("one.png", false, true), nullptr);  // a new cache is empty
    EXPECT_EQ(findOnly.stop(), lines("one.png", false));
}

TEST_F(ImagesTest, MissingAndDamagedFilesWriteThreeLinesAndAreTriedAgainNextTime)
{
    const std::string valid = readFile("one.png");
    const std::string bytes[] = {"", valid.substr(0, valid.size() / 2), "not a picture\n",
                                 valid.substr(0, 8)};
    for (int i = 0; i < 5; ++i) {
        const std::string name = i == 4 ? "absent file.png" : "bad" + std::to_string(i) + ".png";
        if (i < 4)
            writeFile(name, bytes[i]);
        StdoutCapture capture;
        ImageHandle missing = ImageManager::loadImage(name, true);
        ImageHandle again = ImageManager::loadImage(name, true);
        EXPECT_EQ(capture.stop(), lines(name, true, true) + lines(name, true, true));
        EXPECT_TRUE(missing.isEmpty() && again.isEmpty()) << name;
        EXPECT_EQ(missing.getWidth() + missing.getHeight() + int(missing.getPixel(0, 0)), 0);
        EXPECT_FALSE(ImageManager::getInstance()->isKept(name)) << name;
    }
}

TEST_F(ImagesTest, RgbAndPaddedRowsAndJpegAreConvertedAndPixelsWrapBothWays)
{
    // 3 pixels of 3 bytes make 9 bytes per row, padded to 12 in the loaded surface.
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 24, SDL_PIXELFORMAT_RGB24);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 9; ++i)
            static_cast<Uint8*>(rgb->pixels)[y * rgb->pitch + i] = Uint8(9 * y + i + 1);
    ASSERT_EQ(IMG_SavePNG(rgb, "rgb.png"), 0);
    RawImageData data("rgb.png"), refused("rgb");
    ASSERT_TRUE(data.loadImage("rgb.png"));
    EXPECT_FALSE(refused.copyPixelsFrom(rgb));  // only 32-bit ARGB surfaces are copied
    EXPECT_FALSE(refused.copyPixelsFrom(nullptr));
    SDL_FreeSurface(rgb);
    ASSERT_EQ(data.getWidth() * 10 + data.getHeight(), 32);
    for (unsigned int y = 0; y < 2; ++y)
        for (unsigned int x = 0, b = 9 * y + 1; x < 3; ++x, b += 3)
            EXPECT_EQ(data.getPixel(x, y), 0xFF000000u | b << 16 | (b + 1) << 8 | (b + 2));
    // A 3 x 2 surface in rows of 5 words: the padding words stay out.
    std::vector<Uint32> words = {1, 2, 3, 0xDEAD, 0xBEEF, 4, 5, 6, 0xDEAD, 0xBEEF};
    SDL_Surface* padded = SDL_CreateRGBSurfaceWithFormatFrom(words.data(), 3, 2, 32, 20,
                                                             SDL_PIXELFORMAT_ARGB8888);
    ASSERT_TRUE(data.copyPixelsFrom(padded));
    SDL_FreeSurface(padded);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(data.getPixel(i % 3, i / 3), i + 1u);
    // Wrapping: -2^31 mod 3 = 1.
    for (auto [x, y, i] : {std::tuple{3, 0, 0}, {0, 2, 0}, {13, 7, 4}, {-1, 0, 2}, {0, -1, 3},
                           {-4, -3, 5}, {INT_MIN, 0, 1}})
        EXPECT_EQ(data.getPixel(x, y), i + 1u) << x << "," << y;
    EXPECT_FALSE(data.loadImage("no such file.png"));  // a failed load empties the picture
    EXPECT_EQ(data.getWidth() + data.getHeight() + int(data.getPixel(1, 1)), 0);
    EXPECT_EQ(refused.getWidth() + int(refused.getPixel(0, 0)), 0);

    SDL_Surface* flat = makeSurface(16, 8, [](int, int) { return 0xFF3060C0u; });
    ASSERT_EQ(IMG_SaveJPG(flat, "flat.jpg", 95), 0) << IMG_GetError();
    SDL_FreeSurface(flat);
    ImageHandle jpeg = ImageManager::loadImage("flat.jpg", false);
    EXPECT_EQ(jpeg.getWidth() * 10 + jpeg.getHeight(), 168);
    for (int shift : {16, 8, 0})  // lossy: only close
        EXPECT_NEAR(int(jpeg.getPixel(5, 5) >> shift & 0xFF), int(0x3060C0 >> shift & 0xFF), 6);
}

// Each block through the engine's window test (worked out inline) and through a filter that
// accepts every point (setPixel per point): silence and the count asked show blocks are clipped
// before their pixels are visited; source coordinates wrap, alpha is dropped.
TEST_F(ImagesTest, BlocksAreClippedToTheSurfaceAndRepeatTheImage)
{
    const ImageHandle image = makeImage(30, 16, pattern);
    const int w = 600, h = 800;
    const int blocks[][7] = {  // xSrc, ySrc, xDst, yDst, width, height, masked with black
        {0, 0, 50, 60, 30, 16, 0},     {0, 0, -10, 0, 30, 16, 0},      {0, 0, w - 5, 100, 30, 16, 1},
        {0, 0, w - 5, 200, 6, 1, 0},   {0, 0, 100, -4, 30, 16, 0},     {0, 0, 200, h - 3, 30, 16, 1},
        {0, 0, 0, 0, 60, 40, 0},       {-1, -2, 10, 10, 3, 3, 0},      {0, 0, w, 0, 30, 16, 0},
        {0, 0, 0, h, 30, 16, 0},       {0, 0, -30, 0, 30, 16, 1},      {0, 0, 0, -16, 30, 16, 0},
        {0, 0, w + 9, h + 9, 30, 9, 1}, {0, 0, INT_MAX - 5, INT_MAX - 5, 30, 16, 0},
        {0, 0, 10, 10, 0, 16, 0},      {0, 0, 10, 10, 30, -1, 0}};
    const auto clip = [](long long v, int limit) { return int(std::clamp<long long>(v, 0, limit)); };
    RecordingFilter accept;
    for (FilterPoints* filter : {canvas->getFilter(), static_cast<FilterPoints*>(&accept)}) {
        canvas->setFilter(filter);
        for (const auto& b : blocks) {
            SCOPED_TRACE(testing::Message() << "block at " << b[2] << "," << b[3] << " size " << b[4]
                                            << "x" << b[5]);
            canvas->fillSurface(background);
            accept.asked.clear();
            StdoutCapture capture;
            if (b[6])
                image.renderImageWithMaskColour(canvas, b[0], b[1], b[2], b[3], b[4], b[5], 0);
            else
                image.renderImage(canvas, b[0], b[1], b[2], b[3], b[4], b[5]);
            EXPECT_EQ(capture.stop(), "");
            const int x0 = clip(b[2], w), x1 = clip(1LL * b[2] + b[4], w);
            const int y0 = clip(b[3], h), y1 = clip(1LL * b[3] + b[5], h);
            const int area = std::max(0, x1 - x0) * std::max(0, y1 - y0);
            if (filter == &accept) {
                EXPECT_EQ(accept.asked.size(), size_t(area));
            }
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    ASSERT_EQ(canvas->rawGetPixel(x, y),
                              image.getPixel(b[0] + x - b[2], b[1] + y - b[3]) & 0xFFFFFF);
            EXPECT_EQ(changed(), area);
        }
    }
}

// Moves every point 7 right and 3 down and swaps red and blue.
struct ShiftFilter : FilterPoints {
    bool filter(PixelCanvas*, int& x, int& y, unsigned int& colour) override
    {
        x += 7;
        y += 3;
        colour = (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
        return true;
    }
};

TEST_F(ImagesTest, PixelsGoThroughTheFilterAndMasksLeaveOutTheirColourWhateverTheAlpha)
{
    // Mask: the bottom-right colour; alpha neither masks nor hides. Black drawn unmasked.
    const Uint32 cells[2][4] = {{0x000000FFu, 0x800000FFu, 0x00FF0000u, 0xFF000000u},
                                {0xFF00FF00u, 0xFF0000FEu, 0xFF102030u, 0xFF0000FFu}};
    const ImageHandle masked = makeImage(4, 2, [&](int x, int y) { return cells[y][x]; });
    SurfaceCanvas frame(30, 60);
    frame.fillSurface(background);
    masked.renderImageWithMask(&frame, 0, 0, 20, 30, 4, 2);
    masked.renderImageWithMaskColour(&frame, 0, 0, 20, 40, 4, 2, 0x102030);
    masked.renderImage(&frame, 0, 0, 20, 50, 4, 2);
    ShiftFilter shift;
    frame.setFilter(&shift);
    makeImage(2, 1, pattern).renderImage(&frame, 0, 0, 0, 0, 2, 1);
    // Clipped before the filter moves it: the filter then pushes the point off the surface.
    StdoutCapture capture;
    makeImage(1, 1, pattern).renderImage(&frame, 0, 0, 29, 0, 1, 1);
    EXPECT_EQ(capture.stop(), "Error in setting pixel- should never happen!\n");
    EXPECT_TRUE(matchesReferenceFrame(frame, "images-masks"));
    EXPECT_EQ(30 * 60 - countPixels(frame, background, 0, 0, 30, 60), 5 + 7 + 8 + 2);

    // Empty, never-loaded and missing pictures draw nothing and ask the filter nothing.
    ImageHandle missing, empty, zeroSized(std::make_shared<RawImageData>("never loaded"));
    {
        StdoutCapture loading;
        missing = engine.loadImage("not there.png", false);
    }
    RecordingFilter accept;
    canvas->setFilter(&accept);
    StdoutCapture silent;
    for (const ImageHandle* handle : {&empty, &zeroSized, &missing}) {
        handle->renderImage(canvas, 0, 0, 0, 0, 30, 30);
        handle->renderImageWithMask(canvas, 0, 0, 0, 0, 600, 800);
        handle->renderImageWithMaskColour(canvas, 0, 0, 0, 0, 30, 30, 0);
    }
    EXPECT_EQ(silent.stop(), "");
    EXPECT_TRUE(accept.asked.empty());
    EXPECT_EQ(changed(), 0);
}

// Records drawTileAt calls instead of drawing.
struct RecordingTiles : TileManager {
    void drawTileAt(BaseEngine* e, PixelCanvas* c, int mx, int my, int sx, int sy) override
    {
        calls.push_back({mx, my, sx, sy, e == engine && c == canvas});
    }
    std::vector<std::vector<int>> calls;
    BaseEngine* engine = reinterpret_cast<BaseEngine*>(0x10);
    PixelCanvas* canvas = reinterpret_cast<PixelCanvas*>(0x20);
};

TEST_F(ImagesTest, TileGridHoldsValuesInsideTheMapAndDrawsColumnsOuterRowsInner)
{
    RecordingTiles tiles;
    EXPECT_EQ(std::vector<int>({tiles.getMapWidth(), tiles.getMapHeight(), tiles.getTileWidth(),
                                tiles.getTileHeight(), tiles.getBaseScreenX(), tiles.getBaseScreenY(),
                                tiles.isValidTilePosition(0, 0)}),
              std::vector<int>({0, 0, 20, 20, 0, 0, 0}));
    tiles.setMapValue(0, 0, 5);  // nowhere to store it
    EXPECT_EQ(tiles.getMapValue(0, 0), 0);
    tiles.drawAllTiles(tiles.engine, tiles.canvas);
    EXPECT_TRUE(tiles.calls.empty());
    tiles.setMapSize(2, 3);
    tiles.setBaseTilesPositionOnScreen(10, 30);
    tiles.drawAllTiles(tiles.engine, tiles.canvas);
    EXPECT_EQ(tiles.calls, std::vector<std::vector<int>>({{0, 0, 10, 30, 1}, {0, 1, 10, 50, 1},
                                                          {0, 2, 10, 70, 1}, {1, 0, 30, 30, 1},
                                                          {1, 1, 30, 50, 1}, {1, 2, 30, 70, 1}}));

    // Default tiles: grey (mapX + mapY + value) mod 16, non-negative; values stay inside the map.
    TileManager grid;
    grid.setMapSize(4, 3);
    const int values[3][4] = {{0, 9, 8, -10}, {15, -1, 100, 3}, {-17, 7, 2, INT_MIN}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            grid.setMapValue(x, y, values[y][x]);
    for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {4, 2}, {-1, 2}}) {
        grid.setMapValue(x, y, 99);
        EXPECT_EQ(grid.getMapValue(x, y), 0) << x << "," << y;
    }
    EXPECT_EQ(grid.getMapValue(3, 0), -10);  // row-major: (3, 0) and (0, 1) are neighbours
    EXPECT_EQ(grid.getMapValue(0, 1), 15);
    grid.setBaseTilesPositionOnScreen(5, 10);
    SurfaceCanvas frame(90, 75);
    grid.drawAllTiles(&engine, &frame);
    EXPECT_TRUE(matchesReferenceFrame(frame, "images-tiles"));
    for (auto [x, y, inside] : {std::tuple{5, 10, true}, {84, 69, true}, {4, 10, false},
                                {85, 10, false}, {5, 9, false}, {5, 70, false}})
        EXPECT_EQ(grid.isValidTilePosition(x, y), inside) << x << "," << y;
    grid.setMapSize(2, 2);
    EXPECT_EQ(grid.getMapValue(1, 1) + grid.getMapValue(2, 0), 0);  // a new size starts at 0
    grid.setBaseTilesPositionOnScreen(INT_MAX - 30, INT_MAX - 30);  // far away: no wrap-around
    EXPECT_TRUE(grid.isValidTilePosition(INT_MAX - 1, INT_MAX - 1));
    EXPECT_FALSE(grid.isValidTilePosition(0, 0));
    grid.setMapSize(-3, 4);
    EXPECT_EQ(grid.getMapWidth() + grid.getMapHeight(), 0);
}

TEST_F(ImagesTest, PowerUpStripShowsIconsAndShapesColouredByTheLastDrawnTile)
{
    savePng("speed.png", 20, 20, pattern);
    savePng("buff.png", 20, 20, [](int x, int y) { return pattern(y + 100, x); });
    StdoutCapture construction;
    VorlanTileManager strip;
    EXPECT_EQ(construction.stop(), lines("speed.png") + lines("buff.png"));
    EXPECT_TRUE(ImageManager::getInstance()->isKept("speed.png"));
    EXPECT_TRUE(ImageManager::getInstance()->isKept("buff.png"));
    ASSERT_EQ(strip.getMapWidth() * 10 + strip.getMapHeight(), 51);
    strip.setBaseTilesPositionOnScreen(100, 250);
    SurfaceCanvas frame(200, 300);
    const auto shapes = [&](unsigned int colour) { return countPixels(frame, colour, 140, 250, 200, 300); };
    strip.drawAllTiles(&engine, &frame);  // all values 0: blue
    const int blue = shapes(0x0000FF);
    for (auto [last, others, colour] : {std::tuple{1, 0, 0x0FF000u}, {1, 1, 0x0FF000u},
                                        {0, 1, 0x0000FFu}}) {
        for (int x = 0; x < 5; ++x)
            strip.setMapValue(x, 0, x == 4 ? last : others);
        strip.drawAllTiles(&engine, &frame);
        EXPECT_EQ(shapes(colour), blue) << last << others;
    }
    // Only the oval and the square follow the row; the column is not used.
    strip.setMapValue(2, 0, 1);
    strip.drawTileAt(&engine, &frame, 2, 0, 0, 280);
    EXPECT_TRUE(matchesReferenceFrame(frame, "images-strip"));

    ImageManager::destroyInstance();  // forget the icons by name; the strip holds its own
    ScopedTempDir noIcons;
    StdoutCapture failing;
    VorlanTileManager bare;
    EXPECT_EQ(failing.stop(), lines("speed.png", true, true) + lines("buff.png", true, true));
    SurfaceCanvas shapesOnly(200, 270);
    bare.setBaseTilesPositionOnScreen(100, 250);
    bare.drawAllTiles(&engine, &shapesOnly);
    EXPECT_EQ(countPixels(shapesOnly, 0, 0, 0, 200, 270), 200 * 270 - blue);
}

}  // namespace
