// Tests of the picture cache (find/load/failure lines, sharing, keeping, reloading), of reading and
// converting picture files, and of drawing picture blocks onto a canvas (clipping, wrapping,
// masks, alpha). Pictures are made by the tests themselves in a temporary folder.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <climits>
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

using dustreach::test::RecordingFilter;
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
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            static_cast<Uint32*>(surface->pixels)[y * surface->pitch / 4 + x] = colourAt(x, y);
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

// Opaque, and different for every pixel of a picture up to 256 x 256 (never the background, never
// black).
Uint32 pattern(int x, int y)
{
    return 0xFF000000u | (static_cast<Uint32>(x) << 16) | (static_cast<Uint32>(y) << 8) | 0x80u;
}

int wrap(int value, int size) { return (value % size + size) % size; }

std::string findLine(const std::string& name) { return "\t\t+++ Find image:" + name + "\n"; }
std::string loadLine(const std::string& name) { return "\t\t+++ Load image:" + name + "\n"; }
std::string failLine(const std::string& name)
{
    return "ImageManager::getImagePtrbyURL() : Failed to load image" + name + "\n";
}

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

TEST_F(ImagesCacheTest, RequestsShareOneLoadUntilTheLastHolderLetsGo)
{
    std::weak_ptr<RawImageData> data;
    {
        StdoutCapture capture;
        ImageHandle first = ImageManager::loadImage("one.png", false);
        // Asking to keep it later does not keep an image loaded without it.
        ImageHandle second = ImageManager::loadImage("one.png", true);
        // Names are keys as given: another spelling loads again.
        ImageHandle dotted = ImageManager::loadImage("./one.png", false);
        EXPECT_EQ(capture.stop(), findLine("one.png") + loadLine("one.png") + findLine("one.png") +
                                      findLine("./one.png") + loadLine("./one.png"));
        ASSERT_FALSE(first.isEmpty());
        EXPECT_EQ(first.getRawImageData().get(), second.getRawImageData().get());
        EXPECT_EQ(first.getRawImageData().use_count(), 2);
        EXPECT_NE(first.getRawImageData().get(), dotted.getRawImageData().get());
        EXPECT_FALSE(ImageManager::getInstance()->isKept("one.png"));
        EXPECT_EQ(first.getRawImageData()->getFileName(), "one.png");
        ASSERT_EQ(first.getWidth(), 4);
        ASSERT_EQ(first.getHeight(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(first.getPixel(x, y), pattern(x, y)) << x << "," << y;
        data = first.getRawImageData();
    }
    EXPECT_TRUE(data.expired());

    StdoutCapture capture;
    ImageHandle again = ImageManager::loadImage("one.png", false);
    EXPECT_EQ(capture.stop(), findLine("one.png") + loadLine("one.png"));
    EXPECT_EQ(again.getPixel(3, 2), pattern(3, 2));
}

TEST_F(ImagesCacheTest, KeptImageOutlivesItsHandlesAndHandlesOutliveTheCache)
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

    ImageHandle loose = ImageManager::loadImage("one.png", false);
    ImageManager::destroyInstance();
    EXPECT_EQ(ImageManager::getInstance(), nullptr);
    EXPECT_EQ(again.getPixel(1, 1), pattern(1, 1));
    EXPECT_EQ(loose.getPixel(1, 0), pattern(1, 0));
    EXPECT_EQ(again.getRawImageData().use_count(), 1);
    again = ImageHandle();
    EXPECT_TRUE(data.expired());

    // A new cache starts empty: the same name is loaded again.
    StdoutCapture fresh;
    ImageHandle reloaded = ImageManager::loadImage("one.png", false);
    EXPECT_EQ(fresh.stop(), findLine("one.png") + loadLine("one.png"));
    EXPECT_NE(reloaded.getRawImageData().get(), loose.getRawImageData().get());
}

TEST_F(ImagesCacheTest, InstanceIsCreatedOnceAndOnlyFindsWithoutLoadIfMissing)
{
    EXPECT_EQ(ImageManager::getInstance(), nullptr);
    ImageManager* created = ImageManager::createInstance();
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(ImageManager::createInstance(), created);
    EXPECT_EQ(ImageManager::getInstance(), created);

    StdoutCapture capture;
    EXPECT_EQ(created->getImagePtrbyURL("one.png", false, true), nullptr);
    EXPECT_EQ(capture.stop(), findLine("one.png"));
    EXPECT_FALSE(created->isKept("one.png"));

    ImageManager::destroyInstance();
    EXPECT_EQ(ImageManager::getInstance(), nullptr);
    ImageManager::destroyInstance();  // harmless when there is none
}

TEST_F(ImagesCacheTest, MissingAndDamagedFilesWriteThreeLinesAndAreTriedAgainNextTime)
{
    const std::string valid = dustreach::test::readFile("one.png");
    ASSERT_GT(valid.size(), 40u);
    dustreach::test::writeFile("empty.png", "");
    dustreach::test::writeFile("cut.png", valid.substr(0, valid.size() / 2));
    dustreach::test::writeFile("text.png", "this is not a picture\n");
    dustreach::test::writeFile("header.png", valid.substr(0, 8));

    for (const std::string name :
         {"absent file.png", "empty.png", "cut.png", "text.png", "header.png"}) {
        StdoutCapture capture;
        ImageHandle missing = ImageManager::loadImage(name, true);
        ImageHandle again = ImageManager::loadImage(name, true);
        const std::string lines = findLine(name) + loadLine(name) + failLine(name);
        EXPECT_EQ(capture.stop(), lines + lines) << name;
        EXPECT_TRUE(missing.isEmpty()) << name;
        EXPECT_TRUE(again.isEmpty()) << name;
        EXPECT_EQ(missing.getWidth(), 0);
        EXPECT_EQ(missing.getHeight(), 0);
        EXPECT_EQ(missing.getPixel(0, 0), 0u);
        EXPECT_FALSE(ImageManager::getInstance()->isKept(name)) << name;
    }
}

// ---- Reading and converting --------------------------------------------------------------------

TEST_F(ImagesCacheTest, RgbPngWithPaddedRowsAndJpegAreConverted)
{
    // 3 pixels of 3 bytes make 9 bytes per row, padded to 12 in the loaded surface.
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(rgb, nullptr);
    ASSERT_GT(rgb->pitch, 9);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 9; ++i)
            static_cast<Uint8*>(rgb->pixels)[y * rgb->pitch + i] =
                static_cast<Uint8>(9 * y + i + 1);
    ASSERT_EQ(IMG_SavePNG(rgb, "rgb.png"), 0);
    SDL_FreeSurface(rgb);
    RawImageData data("rgb.png");
    ASSERT_TRUE(data.loadImage("rgb.png"));
    ASSERT_EQ(data.getWidth(), 3);
    ASSERT_EQ(data.getHeight(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const unsigned int b = 9 * y + 3 * x + 1;
            EXPECT_EQ(data.getPixel(x, y), 0xFF000000u | b << 16 | (b + 1) << 8 | (b + 2))
                << x << "," << y;
        }

    SDL_Surface* flat = makeSurface(16, 8, [](int, int) { return 0xFF3060C0u; });
    ASSERT_EQ(IMG_SaveJPG(flat, "flat.jpg", 95), 0) << IMG_GetError();
    SDL_FreeSurface(flat);
    ImageHandle handle = ImageManager::loadImage("flat.jpg", false);
    EXPECT_EQ(handle.getWidth(), 16);
    EXPECT_EQ(handle.getHeight(), 8);
    // Lossy, so only close to the colour that was saved.
    const unsigned int pixel = handle.getPixel(5, 5);
    EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 0x30, 6);
    EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 0x60, 6);
    EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 0xC0, 6);
}

TEST(ImagesDataTest, SurfacesGiveWidthWordsPerRowOrNothing)
{
    // 3 x 2 picture in rows of 5 words; the 2 padding words must not end up in the picture.
    std::vector<Uint32> words = {1, 2, 3, 0xDEAD, 0xBEEF, 4, 5, 6, 0xDEAD, 0xBEEF};
    SDL_Surface* padded = SDL_CreateRGBSurfaceWithFormatFrom(words.data(), 3, 2, 32, 5 * 4,
                                                             SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 2, 2, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(padded, nullptr);
    ASSERT_NE(rgb, nullptr);
    RawImageData data("padded"), refused("rgb");
    ASSERT_TRUE(data.copyPixelsFrom(padded));
    EXPECT_FALSE(refused.copyPixelsFrom(rgb));
    EXPECT_FALSE(refused.copyPixelsFrom(nullptr));
    SDL_FreeSurface(padded);
    SDL_FreeSurface(rgb);
    ASSERT_EQ(data.getWidth(), 3);
    ASSERT_EQ(data.getHeight(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(data.getPixel(x, y), 3u * y + x + 1) << x << "," << y;
    EXPECT_EQ(refused.getWidth(), 0);
    EXPECT_EQ(refused.getPixel(0, 0), 0u);

    // A failed reload empties an image that had pixels.
    EXPECT_FALSE(data.loadImage("no such file here.png"));
    EXPECT_EQ(data.getWidth(), 0);
    EXPECT_EQ(data.getHeight(), 0);
    EXPECT_EQ(data.getPixel(1, 1), 0u);
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

// Each block through the engine's window filter and through a filter that accepts every point
// unmoved: a point reaching the canvas off its surface would print the canvas's error line, so
// silence and the count of points asked show that blocks are clipped before their pixels are
// visited. Alpha is dropped; source coordinates wrap.
TEST_F(ImagesDrawTest, BlocksAreClippedToTheSurfaceAndRepeatTheImage)
{
    struct Block {
        int xSrc, ySrc, xDst, yDst, w, h;
        bool masked;  // drawn with mask colour black, which the pattern never is
    };
    const Block blocks[] = {
        {0, 0, 50, 60, 30, 16, false},            // whole, inside
        {0, 0, -10, 0, 30, 16, false},            // left columns cut
        {0, 0, width - 5, 100, 30, 16, true},     // right columns cut
        {0, 0, width - 5, 200, 6, 1, false},      // one column too many
        {0, 0, 100, -4, 30, 16, false},           // top rows cut
        {0, 0, 200, height - 3, 30, 16, true},    // bottom rows cut
        {0, 0, 0, 0, 60, 40, false},              // larger than the image: repeats it
        {-1, -2, 10, 10, 3, 3, false},            // negative source start: the far side
        {0, 0, width, 0, 30, 16, false},          // wholly off ...
        {0, 0, 0, height, 30, 16, false},
        {0, 0, -30, 0, 30, 16, true},
        {0, 0, 0, -16, 30, 16, false},
        {0, 0, width + 1000, height + 1000, 30, 16, true},
        {0, 0, INT_MAX - 5, INT_MAX - 5, 30, 16, false},
        {0, 0, 10, 10, 0, 16, false},             // ... or empty
        {0, 0, 10, 10, 30, -1, false},
    };
    const auto clip = [](long long value, int limit) {
        return static_cast<int>(std::clamp<long long>(value, 0, limit));
    };
    RecordingFilter accept;
    for (FilterPoints* filter : {canvas->getFilter(), static_cast<FilterPoints*>(&accept)}) {
        canvas->setFilter(filter);
        for (const Block& b : blocks) {
            SCOPED_TRACE(testing::Message() << "block at " << b.xDst << "," << b.yDst << " size "
                                            << b.w << "x" << b.h);
            canvas->fillSurface(background);
            accept.asked.clear();
            StdoutCapture capture;
            if (b.masked)
                image30x16.renderImageWithMaskColour(canvas, b.xSrc, b.ySrc, b.xDst, b.yDst, b.w,
                                                     b.h, 0);
            else
                image30x16.renderImage(canvas, b.xSrc, b.ySrc, b.xDst, b.yDst, b.w, b.h);
            EXPECT_EQ(capture.stop(), "");
            const int x0 = clip(b.xDst, width), x1 = clip(1LL * b.xDst + b.w, width);
            const int y0 = clip(b.yDst, height), y1 = clip(1LL * b.yDst + b.h, height);
            const int area = std::max(0, x1 - x0) * std::max(0, y1 - y0);
            if (filter == &accept) {
                EXPECT_EQ(accept.asked.size(), static_cast<std::size_t>(area));
            }
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    ASSERT_EQ(at(x, y), pattern(wrap(b.xSrc + x - b.xDst, 30),
                                                wrap(b.ySrc + y - b.yDst, 16)) & 0xFFFFFF)
                        << x << "," << y;
            EXPECT_EQ(countNot(background), area);
        }
    }
}

TEST_F(ImagesDrawTest, EveryPixelGoesThroughTheCanvasFilterAndOffSurfacePointsReport)
{
    ShiftFilter shift;
    canvas->setFilter(&shift);
    ImageHandle red(makeImage(2, 2, [](int, int) { return 0xFFFF0000u; }));
    red.renderImage(canvas, 0, 0, 0, 0, 2, 2);
    for (int y = 3; y < 5; ++y)
        for (int x = 7; x < 9; ++x)
            EXPECT_EQ(at(x, y), 0x0000FFu) << x << "," << y;
    EXPECT_EQ(countNot(background), 4);

    // The block is clipped before the filter moves it; the filter then pushes it off the surface.
    ImageHandle dot(makeImage(1, 1, [](int, int) { return 0xFF00FF00u; }));
    StdoutCapture capture;
    dot.renderImage(canvas, 0, 0, width - 1, 0, 1, 1);
    EXPECT_EQ(capture.stop(), "Error in setting pixel- should never happen!\n");
    EXPECT_EQ(countNot(background), 4);
}

TEST_F(ImagesDrawTest, MasksLeaveOutTheirColourWhateverTheAlpha)
{
    // Corner opaque blue; other blue pixels with alpha 0 and 0x80 must be left out too, and a
    // transparent red pixel is drawn (alpha is not transparency here).
    const Uint32 cells[2][3] = {{0x000000FFu, 0x800000FFu, 0x00FF0000u},
                                {0xFF00FF00u, 0xFF0000FEu, 0xFF0000FFu}};
    ImageHandle masked(makeImage(3, 2, [&](int x, int y) { return cells[y][x]; }));
    masked.renderImageWithMask(canvas, 0, 0, 20, 30, 3, 2);
    const unsigned int expected[2][3] = {{background, background, 0xFF0000u},
                                         {0x00FF00u, 0x0000FEu, background}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(at(20 + x, 30 + y), expected[y][x]) << x << "," << y;
    EXPECT_EQ(countNot(background), 3);

    // Mask colour black leaves black out; without a mask black is drawn like any colour.
    ImageHandle checker(makeImage(4, 4, [](int x, int y) -> Uint32 {
        return (x + y) % 2 == 0 ? 0xFF000000u : 0xFF102030u;
    }));
    checker.renderImageWithMaskColour(canvas, 0, 0, 0, 0, 4, 4, 0x000000);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(at(x, y), (x + y) % 2 == 0 ? background : 0x102030u) << x << "," << y;
    checker.renderImage(canvas, 0, 0, 10, 0, 4, 4);
    EXPECT_EQ(at(10, 0), 0u);
    EXPECT_EQ(at(11, 0), 0x102030u);
}

TEST_F(ImagesDrawTest, EmptyAndMissingPicturesDrawNothing)
{
    ScopedTempDir dir;
    ImageHandle missing;
    {
        StdoutCapture loading;
        missing = engine.loadImage("ufo-that-is-not-there.png", false);
    }
    ASSERT_TRUE(missing.isEmpty());
    RecordingFilter accept;
    canvas->setFilter(&accept);
    ImageHandle empty, zeroSized(std::make_shared<RawImageData>("never loaded"));
    StdoutCapture capture;
    for (const ImageHandle* handle : {&empty, &zeroSized, &missing}) {
        handle->renderImage(canvas, 0, 0, 0, 0, 30, 30);
        handle->renderImageWithMask(canvas, 0, 0, 0, 0, 600, 800);
        handle->renderImageWithMaskColour(canvas, 0, 0, 0, 0, 30, 30, 0);
    }
    EXPECT_EQ(capture.stop(), "");
    EXPECT_TRUE(accept.asked.empty());
    EXPECT_EQ(countNot(background), 0);
}

}  // namespace
