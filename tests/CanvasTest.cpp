// Tests of the pixel canvas: the bounds check and its message, the filter step of setPixel,
// rawSetPixel, the whole-surface copy and fill, and the counted surface lock.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "PixelCanvas.h"
#include "TestSupport.h"

using dustreach::test::AskedPoint;
using dustreach::test::countPixels;
using dustreach::test::RecordingFilter;
using dustreach::test::StdoutCapture;
using dustreach::test::SurfaceCanvas;

namespace {

const std::string kPixelError = "Error in setting pixel- should never happen!\n";

// Moves every point by (+3, +2) and swaps the red and blue bytes of its colour.
class MoveAndRecolourFilter : public FilterPoints {
public:
    bool filter(PixelCanvas*, int& x, int& y, unsigned int& colour) override
    {
        x += 3;
        y += 2;
        colour = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
        return true;
    }
};

}  // namespace

TEST(CanvasTest, SetPixelWithoutFilterReportsEachPointOffTheSurfaceAndWritesTheCorners)
{
    SurfaceCanvas canvas(7, 5);
    ASSERT_EQ(canvas.getFilter(), nullptr);
    const std::string before = canvas.pixelBytes();

    StdoutCapture capture;
    for (auto [x, y] : {std::pair{-1, 0}, {7, 0}, {0, -1}, {0, 5}})
        canvas.setPixel(x, y, 0x112233);
    EXPECT_EQ(capture.stop(), kPixelError + kPixelError + kPixelError + kPixelError);
    EXPECT_EQ(canvas.pixelBytes(), before);

    StdoutCapture quiet;
    canvas.setPixel(0, 0, 0x112233);
    canvas.setPixel(6, 4, 0x445566);
    EXPECT_EQ(quiet.stop(), "");
    // The colour goes into the word unchanged: the alpha byte stays 0.
    EXPECT_EQ(canvas.rawGetPixel(0, 0), 0x112233u);
    EXPECT_EQ(canvas.rawGetPixel(6, 4), 0x445566u);
    EXPECT_EQ(countPixels(canvas, 0, 0, 0, 7, 5), 33);
}

TEST(CanvasTest, RefusingFilterStopsEveryPointSilentlyAndRawSetPixelDoesNotAskIt)
{
    SurfaceCanvas canvas(5, 5);
    RecordingFilter refuse(false);
    canvas.setFilter(&refuse);
    const std::string before = canvas.pixelBytes();

    StdoutCapture capture;
    canvas.setPixel(1, 1, 0xFFFFFF);
    canvas.setPixel(-50, 99, 0xFFFFFF);  // off the surface, but refused before the bounds check
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(canvas.pixelBytes(), before);
    EXPECT_EQ(refuse.asked, (std::vector<AskedPoint>{{1, 1, 0xFFFFFF}, {-50, 99, 0xFFFFFF}}));

    // rawSetPixel skips the filter but keeps the bounds check.
    refuse.asked.clear();
    StdoutCapture raw;
    canvas.rawSetPixel(2, 3, 0x0000FF);
    canvas.rawSetPixel(5, 3, 0x0000FF);
    EXPECT_EQ(raw.stop(), kPixelError);
    EXPECT_TRUE(refuse.asked.empty());
    EXPECT_EQ(canvas.rawGetPixel(2, 3), 0x0000FFu);
}

TEST(CanvasTest, FilterThatMovesAndRecoloursDecidesWhereAndWhatLands)
{
    SurfaceCanvas canvas(10, 10);
    MoveAndRecolourFilter filter;
    canvas.setFilter(&filter);

    canvas.setPixel(1, 1, 0xAABBCC);
    EXPECT_EQ(canvas.rawGetPixel(4, 3), 0xCCBBAAu);
    EXPECT_EQ(canvas.rawGetPixel(1, 1), 0u);
    EXPECT_EQ(countPixels(canvas, 0, 0, 0, 10, 10), 99);

    // Moved off the surface by the filter: the bounds check still catches it.
    StdoutCapture capture;
    canvas.setPixel(8, 0, 0xAABBCC);
    EXPECT_EQ(capture.stop(), kPixelError);
}

TEST(CanvasTest, EngineCanvasDropsPointsOutsideTheWindowWithoutMessage)
{
    BaseEngine engine;
    ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false, 40, 30), 0);
    PixelCanvas* canvas = engine.getForegroundCanvas();
    ASSERT_EQ(canvas->getFilter(), static_cast<FilterPoints*>(&engine));
    canvas->fillSurface(0);

    StdoutCapture capture;
    for (auto [x, y] : {std::pair{-1, 0}, {40, 0}, {0, 30}, {39, 29}})
        canvas->setPixel(x, y, 0xFF0000);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(countPixels(*canvas, 0xFF0000, 0, 0, 40, 30), 1);
    EXPECT_EQ(canvas->rawGetPixel(39, 29), 0xFF0000u);
}

TEST(CanvasTest, CopyAllFromAndFillSurfaceCoverTheWholeBlockAndIgnoreTheFilters)
{
    SurfaceCanvas source(13, 9);  // an odd width
    SurfaceCanvas target(13, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
            source.rawSetPixel(x, y, static_cast<unsigned int>(0x010203 * (x + 1) + 0x100 * y));
    target.fillSurface(0xFFFFFF);
    ASSERT_NE(target.pixelBytes(), source.pixelBytes());
    target.copyAllFrom(source);
    EXPECT_EQ(target.pixelBytes(), source.pixelBytes());

    MoveAndRecolourFilter moving;
    target.setFilter(&moving);
    target.fillSurface(0x00FF00);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(target.rawGetPixel(x, y), 0x0000FF00u) << x << "," << y;
    RecordingFilter refuse(false);
    target.setFilter(&refuse);
    target.fillSurface(0x123456);
    EXPECT_TRUE(refuse.asked.empty());
    EXPECT_EQ(countPixels(target, 0x123456, 0, 0, 13, 9), 13 * 9);
}

TEST(CanvasTest, NestedLocksLockAndUnlockASurfaceThatMustBeLockedOnce)
{
    SurfaceCanvas canvas(8, 8);
    SDL_Surface* surface = canvas.getSurface();
    // A surface that needs no lock is left alone.
    ASSERT_FALSE(SDL_MUSTLOCK(surface));
    canvas.lockForDrawing();
    EXPECT_EQ(surface->locked, 0);
    EXPECT_EQ(canvas.getLockCount(), 0);
    canvas.unlockAfterDrawing();
    EXPECT_EQ(canvas.getLockCount(), 0);

    // A colour key plus the RLE wish: the first blit encodes the surface, after which it must be
    // locked before its pixels are touched.
    SDL_SetColorKey(surface, SDL_TRUE, 0);
    SDL_SetSurfaceRLE(surface, 1);
    SurfaceCanvas scratch(8, 8);
    SDL_BlitSurface(surface, nullptr, scratch.getSurface(), nullptr);
    ASSERT_TRUE(SDL_MUSTLOCK(surface));
    ASSERT_EQ(surface->locked, 0);

    canvas.lockForDrawing();
    EXPECT_EQ(surface->locked, 1);
    canvas.lockForDrawing();
    EXPECT_EQ(surface->locked, 1);
    EXPECT_EQ(canvas.getLockCount(), 2);
    canvas.unlockAfterDrawing();
    EXPECT_EQ(surface->locked, 1);
    canvas.unlockAfterDrawing();
    EXPECT_EQ(surface->locked, 0);
    EXPECT_EQ(canvas.getLockCount(), 0);
}
