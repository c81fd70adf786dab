// Tests of the picture cache (find/load/failure lines, sharing, keeping, reloading), of reading and
// converting picture files, and of drawing picture blocks onto a canvas (clipping, wrapping,
// masks, alpha). Pictures are made by the tests themselves in a temporary folder.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BaseEngine.h"
#include "FilterPoints.h"
#include "ImageHandle.h"
#include "ImageManager.h"
#include "PixelCanvas.h"
#include "RawImageData.h"
#include "TestSupport.h"

using dustreach::test::ScopedTempDir;
using dustreach::test::StdoutCapture;

namespace {

using ColourAt = std::function<Uint32(int, int)>;

constexpr unsigned int background = 0x123456;

// A 32-bit ARGB surface filled by colourAt; the caller frees it.
SDL_Surface* makeSurface(int width, int height, const ColourAt& colourAt)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                              y * surface->pitch);
        for (int x = 0; x < width; ++x)
            row[x] = colourAt(x, y);
    }
    return surface;
}

void savePng(const std::string& name, int width, int height, const ColourAt& colourAt)
{
    SDL_Surface* surface = makeSurface(width, height, colourAt);
    ASSERT_EQ(IMG_SavePNG(surface, name.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(surface);
}

// Picture data straight from a surface, so that tests control every alpha byte (a loaded file is
// blended by SDL on conversion).
std::shared_ptr<RawImageData> makeImage(int width, int height, const ColourAt& colourAt)
{
    SDL_Surface* surface = makeSurface(width, height, colourAt);
    auto image = std::make_shared<RawImageData>("made");
    EXPECT_TRUE(image->copyPixelsFrom(surface));
    SDL_FreeSurface(surface);
    return image;
}

// Opaque, and different for every pixel of a picture up to 256 x 256 (never the background).
Uint32 pattern(int x, int y)
{
    return 0xFF000000u | (static_cast<Uint32>(x) << 16) | (static_cast<Uint32>(y) << 8) | 0x80u;
}

std::string findLine(const std::string& name) { return "\t\t+++ Find image:" + name + "\n"; }
std::string loadLine(const std::string& name) { return "\t\t+++ Load image:" + name + "\n"; }
std::string failLine(const std::string& name)
{
    return "ImageManager::getImagePtrbyURL() : Failed to load image" + name + "\n";
}

// Every point accepted, none moved: points that reach the canvas off its surface would print the
// canvas's error line, which shows whether a block was clipped before its pixels were visited.
class AcceptAllFilter : public FilterPoints {
public:
    bool filter(PixelCanvas*, int&, int&, unsigned int&) override
    {
        ++calls;
        return true;
    }
    int calls = 0;
};

// Moves every point 7 to the right and 3 down and swaps red and blue.
class ShiftFilter : public FilterPoints {
public:
    bool filter(PixelCanvas*, int& x, int& y, unsigned int& colour) override
    {
        x += 7;
        y += 3;
        colour = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
        return true;
    }
};

class ImagesCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
        savePng("one.png", 4, 3, pattern);
        savePng("two.png", 2, 2, pattern);
    }
    void TearDown() override { ImageManager::destroyInstance(); }

    ScopedTempDir dir;
};

class ImagesDrawTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        canvas = engine.getForegroundCanvas();
        canvas->fillSurface(background);
        width = canvas->getSurfaceWidth();
        height = canvas->getSurfaceHeight();
    }
    void TearDown() override { ImageManager::destroyInstance(); }

    unsigned int at(int x, int y) const { return canvas->rawGetPixel(x, y); }
    int countNot(unsigned int colour) const
    {
        return width * height - dustreach::test::countPixels(*canvas, colour, 0, 0, width, height);
    }

    BaseEngine engine;
    PixelCanvas* canvas = nullptr;
    int width = 0;
    int height = 0;
    ImageHandle image30x16{makeImage(30, 16, pattern)};
};

// ---- Cache -------------------------------------------------------------------------------------

TEST_F(ImagesCacheTest, RepeatedRequestsFindOnceLoadedImageAndShareIt)
{
    StdoutCapture capture;
    ImageHandle first = ImageManager::loadImage("one.png", false);
    ImageHandle second = ImageManager::loadImage("one.png", false);
    EXPECT_EQ(capture.stop(), findLine("one.png") + loadLine("one.png") + findLine("one.png"));

    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first.getRawImageData().get(), second.getRawImageData().get());
    EXPECT_EQ(first.getRawImageData().use_count(), 2);
    EXPECT_FALSE(ImageManager::getInstance()->isKept("one.png"));
    EXPECT_EQ(first.getWidth(), 4);
    EXPECT_EQ(first.getHeight(), 3);
}

TEST_F(ImagesCacheTest, NamesAreKeysAsGivenSoTwoSpellingsLoadTwice)
{
    StdoutCapture capture;
    ImageHandle plain = ImageManager::loadImage("one.png", false);
    ImageHandle dotted = ImageManager::loadImage("./one.png", false);
    EXPECT_EQ(capture.stop(), findLine("one.png") + loadLine("one.png") + findLine("./one.png") +
                                  loadLine("./one.png"));
    EXPECT_NE(plain.getRawImageData().get(), dotted.getRawImageData().get());
}

TEST_F(ImagesCacheTest, ImageIsLoadedAgainAfterLastHolderLetsGo)
{
    std::weak_ptr<RawImageData> firstData;
    {
        ImageHandle first = ImageManager::loadImage("one.png", false);
        ImageHandle copy = first;
        firstData = first.getRawImageData();
    }
    EXPECT_TRUE(firstData.expired());

    StdoutCapture capture;
    ImageHandle again = ImageManager::loadImage("one.png", false);
    EXPECT_EQ(capture.stop(), findLine("one.png") + loadLine("one.png"));
    ASSERT_FALSE(again.isEmpty());
    EXPECT_EQ(again.getPixel(3, 2), pattern(3, 2));
}

TEST_F(ImagesCacheTest, KeepLoadedOnLaterRequestDoesNotKeepAnImageLoadedWithoutIt)
{
    std::weak_ptr<RawImageData> data;
    {
        ImageHandle first = ImageManager::loadImage("one.png", false);
        StdoutCapture capture;
        ImageHandle second = ImageManager::loadImage("one.png", true);
        EXPECT_EQ(capture.stop(), findLine("one.png"));
        EXPECT_EQ(first.getRawImageData().get(), second.getRawImageData().get());
        EXPECT_FALSE(ImageManager::getInstance()->isKept("one.png"));
        data = first.getRawImageData();
    }
    EXPECT_TRUE(data.expired());
}

TEST_F(ImagesCacheTest, KeptImageOutlivesItsHandlesUntilTheCacheIsDestroyed)
{
    std::weak_ptr<RawImageData> data;
    {
        ImageHandle kept = ImageManager::loadImage("two.png", true);
        data = kept.getRawImageData();
    }
    ASSERT_FALSE(data.expired());
    EXPECT_TRUE(ImageManager::getInstance()->isKept("two.png"));

    StdoutCapture capture;
    ImageHandle again = ImageManager::loadImage("two.png", false);
    EXPECT_EQ(capture.stop(), findLine("two.png"));
    EXPECT_EQ(again.getRawImageData(), data.lock());

    again = ImageHandle();
    ImageManager::destroyInstance();
    EXPECT_EQ(ImageManager::getInstance(), nullptr);
    EXPECT_TRUE(data.expired());
}

TEST_F(ImagesCacheTest, HandleKeepsItsImageAfterTheCacheIsDestroyed)
{
    ImageHandle kept = ImageManager::loadImage("one.png", true);
    ImageHandle loose = ImageManager::loadImage("two.png", false);
    ImageManager::destroyInstance();
    EXPECT_EQ(kept.getPixel(1, 1), pattern(1, 1));
    EXPECT_EQ(loose.getPixel(1, 0), pattern(1, 0));
    EXPECT_EQ(kept.getRawImageData().use_count(), 1);

    // A new cache starts empty: the same name is loaded again.
    StdoutCapture capture;
    ImageHandle fresh = ImageManager::loadImage("one.png", false);
    EXPECT_EQ(capture.stop(), findLine("one.png") + loadLine("one.png"));
    EXPECT_NE(fresh.getRawImageData().get(), kept.getRawImageData().get());
}

TEST_F(ImagesCacheTest, InstanceIsCreatedOnceAndDestroyedOnRequest)
{
    EXPECT_EQ(ImageManager::getInstance(), nullptr);
    ImageManager* created = ImageManager::createInstance();
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(ImageManager::createInstance(), created);
    EXPECT_EQ(ImageManager::getInstance(), created);
    ImageManager::destroyInstance();
    EXPECT_EQ(ImageManager::getInstance(), nullptr);
    ImageManager::destroyInstance();  // harmless when there is none
}

TEST_F(ImagesCacheTest, WithoutLoadIfMissingOnlyTheFindLineAndNoImage)
{
    StdoutCapture capture;
    auto data = ImageManager::createInstance()->getImagePtrbyURL("one.png", false, true);
    EXPECT_EQ(capture.stop(), findLine("one.png"));
    EXPECT_EQ(data, nullptr);
    EXPECT_FALSE(ImageManager::getInstance()->isKept("one.png"));
}

TEST_F(ImagesCacheTest, MissingFileWritesThreeLinesAndIsTriedAgainNextTime)
{
    StdoutCapture capture;
    ImageHandle missing = ImageManager::loadImage("absent file.png", true);
    ImageHandle again = ImageManager::loadImage("absent file.png", true);
    const std::string lines =
        "\t\t+++ Find image:absent file.png\n\t\t+++ Load image:absent file.png\n"
        "ImageManager::getImagePtrbyURL() : Failed to load imageabsent file.png\n";
    EXPECT_EQ(capture.stop(), lines + lines);
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_TRUE(again.isEmpty());
    EXPECT_EQ(missing.getWidth(), 0);
    EXPECT_EQ(missing.getHeight(), 0);
    EXPECT_EQ(missing.getPixel(0, 0), 0u);
    EXPECT_FALSE(ImageManager::getInstance()->isKept("absent file.png"));
}

TEST_F(ImagesCacheTest, DamagedFilesFailLikeMissingOnes)
{
    const std::string valid = dustreach::test::readFile("one.png");
    ASSERT_GT(valid.size(), 40u);
    dustreach::test::writeFile("empty.png", "");
    dustreach::test::writeFile("cut.png", valid.substr(0, valid.size() / 2));
    dustreach::test::writeFile("text.png", "this is not a picture\n");
    dustreach::test::writeFile("header.png", valid.substr(0, 8));

    for (const std::string name : {"empty.png", "cut.png", "text.png", "header.png"}) {
        StdoutCapture capture;
        ImageHandle handle = ImageManager::loadImage(name, false);
        EXPECT_EQ(capture.stop(), findLine(name) + loadLine(name) + failLine(name)) << name;
        EXPECT_TRUE(handle.isEmpty()) << name;
    }
}

// ---- Reading and converting --------------------------------------------------------------------

TEST_F(ImagesCacheTest, OpaquePngKeepsItsColoursWithFullAlpha)
{
    RawImageData data("one.png");
    ASSERT_TRUE(data.loadImage("one.png"));
    EXPECT_EQ(data.getFileName(), "one.png");
    ASSERT_EQ(data.getWidth(), 4);
    ASSERT_EQ(data.getHeight(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(data.getPixel(x, y), pattern(x, y)) << x << "," << y;
}

TEST_F(ImagesCacheTest, RgbPngWithPaddedRowsIsReadRowByRow)
{
    // 3 pixels of 3 bytes make 9 bytes per row, padded to 12 in the loaded surface.
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(rgb, nullptr);
    ASSERT_GT(rgb->pitch, 9);
    const Uint8 bytes[2][9] = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}};
    for (int y = 0; y < 2; ++y)
        SDL_memcpy(static_cast<Uint8*>(rgb->pixels) + y * rgb->pitch, bytes[y], 9);
    ASSERT_EQ(IMG_SavePNG(rgb, "rgb.png"), 0);
    SDL_FreeSurface(rgb);

    RawImageData data("rgb.png");
    ASSERT_TRUE(data.loadImage("rgb.png"));
    ASSERT_EQ(data.getWidth(), 3);
    ASSERT_EQ(data.getHeight(), 2);
    EXPECT_EQ(data.getPixel(0, 0), 0xFF010203u);
    EXPECT_EQ(data.getPixel(2, 0), 0xFF070809u);
    EXPECT_EQ(data.getPixel(0, 1), 0xFF0A0B0Cu);
    EXPECT_EQ(data.getPixel(2, 1), 0xFF101112u);
}

TEST_F(ImagesCacheTest, JpegIsReadWithItsSize)
{
    SDL_Surface* surface = makeSurface(16, 8, [](int, int) { return 0xFF3060C0u; });
    ASSERT_EQ(IMG_SaveJPG(surface, "flat.jpg", 95), 0) << IMG_GetError();
    SDL_FreeSurface(surface);

    ImageHandle handle = ImageManager::loadImage("flat.jpg", false);
    ASSERT_FALSE(handle.isEmpty());
    EXPECT_EQ(handle.getWidth(), 16);
    EXPECT_EQ(handle.getHeight(), 8);
    // Lossy, so only close to the colour that was saved.
    const unsigned int pixel = handle.getPixel(5, 5);
    EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 0x30, 6);
    EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 0x60, 6);
    EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 0xC0, 6);
}

TEST(ImagesDataTest, SurfaceRowsWiderThanTheImageYieldWidthWordsPerRow)
{
    // 3 x 2 picture in rows of 5 words; the 2 padding words must not end up in the picture.
    std::vector<Uint32> words = {1, 2, 3, 0xDEAD, 0xBEEF, 4, 5, 6, 0xDEAD, 0xBEEF};
    SDL_Surface* padded = SDL_CreateRGBSurfaceWithFormatFrom(words.data(), 3, 2, 32, 5 * 4,
                                                             SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(padded, nullptr);
    RawImageData data("padded");
    ASSERT_TRUE(data.copyPixelsFrom(padded));
    SDL_FreeSurface(padded);
    ASSERT_EQ(data.getWidth(), 3);
    ASSERT_EQ(data.getHeight(), 2);
    const unsigned int expected[2][3] = {{1, 2, 3}, {4, 5, 6}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(data.getPixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(ImagesDataTest, SurfaceInAnotherFormatIsRefused)
{
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 2, 2, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(rgb, nullptr);
    RawImageData data("rgb");
    EXPECT_FALSE(data.copyPixelsFrom(rgb));
    EXPECT_FALSE(data.copyPixelsFrom(nullptr));
    SDL_FreeSurface(rgb);
    EXPECT_EQ(data.getWidth(), 0);
    EXPECT_EQ(data.getPixel(0, 0), 0u);
}

TEST(ImagesDataTest, FailedReloadLeavesAnEmptyImage)
{
    auto image = makeImage(2, 2, pattern);
    ASSERT_EQ(image->getWidth(), 2);
    EXPECT_FALSE(image->loadImage("no such file here.png"));
    EXPECT_EQ(image->getWidth(), 0);
    EXPECT_EQ(image->getHeight(), 0);
    EXPECT_EQ(image->getPixel(1, 1), 0u);
}

TEST(ImagesDataTest, PixelCoordinatesWrapBothWays)
{
    auto image = makeImage(5, 3, pattern);
    EXPECT_EQ(image->getPixel(5, 0), pattern(0, 0));
    EXPECT_EQ(image->getPixel(0, 3), pattern(0, 0));
    EXPECT_EQ(image->getPixel(13, 7), pattern(3, 1));
    EXPECT_EQ(image->getPixel(-1, 0), pattern(4, 0));
    EXPECT_EQ(image->getPixel(0, -1), pattern(0, 2));
    EXPECT_EQ(image->getPixel(-6, -4), pattern(4, 2));
    EXPECT_EQ(image->getPixel(-2147483647 - 1, 0), pattern(2, 0));  // -2^31 mod 5 = 2
}

// ---- Drawing -----------------------------------------------------------------------------------

TEST_F(ImagesDrawTest, WholeImageLandsAtItsPositionWithAlphaZero)
{
    image30x16.renderImage(canvas, 0, 0, 50, 60, 30, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(at(50 + x, 60 + y), pattern(x, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(countNot(background), 30 * 16);
}

TEST_F(ImagesDrawTest, BlockClippedOnTheLeftDropsTheImageColumnsLeftOfTheSurface)
{
    AcceptAllFilter accept;
    canvas->setFilter(&accept);
    StdoutCapture capture;
    image30x16.renderImage(canvas, 0, 0, -10, 0, 30, 16);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(accept.calls, 20 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(at(x, y), pattern(x + 10, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(countNot(background), 20 * 16);
}

TEST_F(ImagesDrawTest, BlockClippedOnTheRightKeepsOnlyTheColumnsThatFit)
{
    AcceptAllFilter accept;
    canvas->setFilter(&accept);
    StdoutCapture capture;
    image30x16.renderImage(canvas, 0, 0, width - 5, 100, 30, 16);
    image30x16.renderImage(canvas, 0, 0, width - 5, 200, 6, 1);  // one column too many
    EXPECT_EQ(capture.stop(), "");
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(at(width - 5 + x, 100 + y), pattern(x, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(countNot(background), 5 * 16 + 5);
}

TEST_F(ImagesDrawTest, BlockClippedAtTopAndBottom)
{
    AcceptAllFilter accept;
    canvas->setFilter(&accept);
    StdoutCapture capture;
    image30x16.renderImage(canvas, 0, 0, 100, -4, 30, 16);
    image30x16.renderImage(canvas, 0, 0, 200, height - 3, 30, 16);
    EXPECT_EQ(capture.stop(), "");
    for (int x = 0; x < 30; ++x) {
        for (int y = 0; y < 12; ++y)
            ASSERT_EQ(at(100 + x, y), pattern(x, y + 4) & 0xFFFFFF) << x << "," << y;
        for (int y = 0; y < 3; ++y)
            ASSERT_EQ(at(200 + x, height - 3 + y), pattern(x, y) & 0xFFFFFF) << x << "," << y;
    }
    EXPECT_EQ(countNot(background), 30 * 12 + 30 * 3);
}

TEST_F(ImagesDrawTest, BlockWhollyOffTheSurfaceVisitsNothing)
{
    AcceptAllFilter accept;
    canvas->setFilter(&accept);
    StdoutCapture capture;
    image30x16.renderImage(canvas, 0, 0, width, 0, 30, 16);
    image30x16.renderImage(canvas, 0, 0, 0, height, 30, 16);
    image30x16.renderImage(canvas, 0, 0, -30, 0, 30, 16);
    image30x16.renderImage(canvas, 0, 0, 0, -16, 30, 16);
    image30x16.renderImageWithMaskColour(canvas, 0, 0, width + 1000, height + 1000, 30, 16, 0);
    image30x16.renderImage(canvas, 0, 0, 2147483647 - 5, 2147483647 - 5, 30, 16);
    image30x16.renderImage(canvas, 0, 0, 10, 10, 0, 16);
    image30x16.renderImage(canvas, 0, 0, 10, 10, 30, -1);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(accept.calls, 0);
    EXPECT_EQ(countNot(background), 0);
}

TEST_F(ImagesDrawTest, BlockLargerThanTheImageRepeatsIt)
{
    image30x16.renderImage(canvas, 0, 0, 0, 0, 60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(at(x, y), pattern(x % 30, y % 16) & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(countNot(background), 60 * 40);
}

TEST_F(ImagesDrawTest, NegativeSourceStartWrapsToTheFarSideOfTheImage)
{
    image30x16.renderImage(canvas, -1, -2, 10, 10, 3, 3);
    EXPECT_EQ(at(10, 10), pattern(29, 14) & 0xFFFFFF);
    EXPECT_EQ(at(11, 10), pattern(0, 14) & 0xFFFFFF);
    EXPECT_EQ(at(12, 12), pattern(1, 0) & 0xFFFFFF);
    EXPECT_EQ(countNot(background), 9);
}

TEST_F(ImagesDrawTest, EveryPixelGoesThroughTheCanvasFilter)
{
    ShiftFilter shift;
    canvas->setFilter(&shift);
    ImageHandle red(makeImage(2, 2, [](int, int) { return 0xFFFF0000u; }));
    red.renderImage(canvas, 0, 0, 0, 0, 2, 2);
    for (int y = 3; y < 5; ++y)
        for (int x = 7; x < 9; ++x)
            EXPECT_EQ(at(x, y), 0x0000FFu) << x << "," << y;
    EXPECT_EQ(countNot(background), 4);
}

TEST_F(ImagesDrawTest, PointAcceptedOffTheSurfaceReportsLikeSetPixel)
{
    // The block is clipped before the filter moves it; the filter then pushes the last column off.
    ShiftFilter shift;
    canvas->setFilter(&shift);
    ImageHandle dot(makeImage(1, 1, [](int, int) { return 0xFF00FF00u; }));
    StdoutCapture capture;
    dot.renderImage(canvas, 0, 0, width - 1, 0, 1, 1);
    EXPECT_EQ(capture.stop(), "Error in setting pixel- should never happen!\n");
    EXPECT_EQ(countNot(background), 0);
}

TEST_F(ImagesDrawTest, MaskIsTheBottomRightColourWhateverTheAlpha)
{
    // Corner opaque blue; other blue pixels with alpha 0 and 0x80 must be left out too, and a
    // transparent red pixel is drawn (alpha is not transparency here).
    ImageHandle masked(makeImage(3, 2, [](int x, int y) -> Uint32 {
        const Uint32 cells[2][3] = {{0x000000FFu, 0x800000FFu, 0x00FF0000u},
                                    {0xFF00FF00u, 0xFF0000FEu, 0xFF0000FFu}};
        return cells[y][x];
    }));
    masked.renderImageWithMask(canvas, 0, 0, 20, 30, 3, 2);
    EXPECT_EQ(at(20, 30), background);
    EXPECT_EQ(at(21, 30), background);
    EXPECT_EQ(at(22, 30), 0xFF0000u);
    EXPECT_EQ(at(20, 31), 0x00FF00u);
    EXPECT_EQ(at(21, 31), 0x0000FEu);
    EXPECT_EQ(at(22, 31), background);
    EXPECT_EQ(countNot(background), 3);
}

TEST_F(ImagesDrawTest, MaskColourBlackLeavesBlackOut)
{
    ImageHandle checker(makeImage(4, 4, [](int x, int y) -> Uint32 {
        return (x + y) % 2 == 0 ? 0xFF000000u : 0xFF102030u;
    }));
    checker.renderImageWithMaskColour(canvas, 0, 0, 0, 0, 4, 4, 0x000000);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(at(x, y), (x + y) % 2 == 0 ? background : 0x102030u) << x << "," << y;

    // Without a mask black is drawn like any colour.
    checker.renderImage(canvas, 0, 0, 10, 0, 4, 4);
    EXPECT_EQ(at(10, 0), 0u);
    EXPECT_EQ(at(11, 0), 0x102030u);
}

TEST_F(ImagesDrawTest, EmptyHandleDrawsNothing)
{
    AcceptAllFilter accept;
    canvas->setFilter(&accept);
    ImageHandle empty;
    ImageHandle zeroSized(std::make_shared<RawImageData>("never loaded"));
    StdoutCapture capture;
    for (const ImageHandle* handle : {&empty, &zeroSized}) {
        handle->renderImage(canvas, 0, 0, 0, 0, 30, 30);
        handle->renderImageWithMask(canvas, 0, 0, 0, 0, 30, 30);
        handle->renderImageWithMaskColour(canvas, 0, 0, 0, 0, 30, 30, 0);
    }
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(accept.calls, 0);
    EXPECT_EQ(countNot(background), 0);
}

TEST_F(ImagesDrawTest, MissingFileGivesAHandleThatDrawsNothing)
{
    ScopedTempDir dir;
    ImageHandle missing;
    {
        StdoutCapture capture;
        missing = engine.loadImage("ufo-that-is-not-there.png", false);
        capture.stop();
    }
    ASSERT_TRUE(missing.isEmpty());
    missing.renderImageWithMask(canvas, 0, 0, 0, 0, 600, 800);
    EXPECT_EQ(countNot(background), 0);
}

TEST_F(ImagesDrawTest, LoadedPngDrawsItsPixels)
{
    ScopedTempDir dir;
    savePng("tile.png", 6, 5, pattern);
    ImageHandle tile;
    {
        StdoutCapture capture;
        tile = ImageManager::loadImage("tile.png", false);
        capture.stop();
    }
    ASSERT_FALSE(tile.isEmpty());
    tile.renderImage(canvas, 0, 0, 300, 400, tile.getWidth(), tile.getHeight());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(at(300 + x, 400 + y), pattern(x, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(countNot(background), 30);
}

}  // namespace
