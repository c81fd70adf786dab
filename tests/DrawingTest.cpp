// The pixel canvas (bounds check, filter step, raw writes, copy, fill, counted lock) and its shapes
// and text as one reference picture, plus the visiting and corner orders a picture cannot show.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "FilterPointsScaling.h"
#include "FilterPointsTranslation.h"
#include "PixelCanvas.h"
#include "ReferenceFrame.h"
#include "TestSupport.h"

using namespace dustreach::test;

const std::string kError = "Error in setting pixel- should never happen!\n";

TEST(CanvasTest, BoundsMessagesFilterStepAndRawWrites)
{
    SurfaceCanvas canvas(7, 5);
    const auto at = [&](int x, int y) { return canvas.rawGetPixel(x, y); };
    const auto black = [&] { return countPixels(canvas, 0, 0, 0, 7, 5); };
    const std::string blank = pixelBytes(canvas);
    StdoutCapture offSurface;
    for (auto [x, y] : {std::pair{-1, 0}, {7, 0}, {0, -1}, {0, 5}})
        canvas.setPixel(x, y, 0x112233);
    canvas.drawString(0, 0, "No engine, no font", 0xFFFFFF);  // nothing, and no crash
    EXPECT_EQ(offSurface.stop(), kError + kError + kError + kError);
    EXPECT_EQ(pixelBytes(canvas), blank);
    StdoutCapture quiet;
    canvas.setPixel(0, 0, 0x112233);
    canvas.setPixel(6, 4, 0x445566);
    EXPECT_EQ(quiet.stop(), "");
    EXPECT_EQ(at(0, 0), 0x112233u);  // the alpha byte stays 0
    EXPECT_EQ(at(6, 4), 0x445566u);
    EXPECT_EQ(at(7, 0), 0u);  // off the surface
    EXPECT_EQ(at(-1, 4), 0u);
    EXPECT_EQ(black(), 33);
    // A refusal stops points silently, even off-surface ones; rawSetPixel skips it, not the bounds.
    RecordingFilter refuse(false);
    canvas.setFilter(&refuse);
    StdoutCapture refused;
    canvas.setPixel(1, 1, 0xFFFFFF);
    canvas.setPixel(-50, 99, 0xFFFFFF);
    canvas.rawSetPixel(2, 3, 0x0000FF);
    canvas.rawSetPixel(7, 3, 0x0000FF);
    EXPECT_EQ(refused.stop(), kError);
    EXPECT_EQ(at(2, 3), 0x0000FFu);
    EXPECT_EQ(refuse.asked, (std::vector<AskedPoint>{{1, 1, 0xFFFFFF}, {-50, 99, 0xFFFFFF}}));
    // The filter decides where and in what colour a point lands; the bounds check comes after it.
    ShiftingFilter moving;
    canvas.setFilter(&moving);
    StdoutCapture movedOff;
    canvas.setPixel(1, 4, 0x112233);
    canvas.setPixel(4, 2, 0x112233);
    EXPECT_EQ(movedOff.stop(), kError);
    EXPECT_EQ(at(4, 2), 0x55AB00u);
    EXPECT_EQ(black(), 31);
}

TEST(CanvasTest, CopyAndFillCoverTheWholeBlockAndIgnoreFiltersLocksAreCounted)
{
    SurfaceCanvas source(13, 9), target(13, 9);  // an odd width
    for (int i = 0; i < 13 * 9; ++i)
        source.rawSetPixel(i % 13, i / 13, 0x010203u * (i + 1));
    target.fillSurface(0xFFFFFF);
    target.copyAllFrom(source);
    EXPECT_EQ(pixelBytes(target), pixelBytes(source));
    RecordingFilter refuse(false);
    target.setFilter(&refuse);
    target.fillSurface(0x123456);
    EXPECT_EQ(countPixels(target, 0x123456, 0, 0, 13, 9), 13 * 9);
    SDL_Surface* surface = source.getSurface();
    source.lockForDrawing();  // a surface that needs no lock is left alone
    EXPECT_EQ(source.getLockCount(), 0);
    source.unlockAfterDrawing();
    // A colour key and RLE: after the first blit the surface must be locked before drawing.
    SDL_SetColorKey(surface, SDL_TRUE, 0);
    SDL_SetSurfaceRLE(surface, 1);
    SDL_BlitSurface(surface, nullptr, target.getSurface(), nullptr);
    ASSERT_TRUE(SDL_MUSTLOCK(surface));
    // Lock, lock, unlock, unlock: SDL's lock, then the canvas's count.
    const int locked[] = {1, 1, 1, 0}, counted[] = {1, 2, 1, 0};
    for (int step = 0; step < 4; ++step) {
        step < 2 ? source.lockForDrawing() : source.unlockAfterDrawing();
        EXPECT_EQ(surface->locked, locked[step]) << "step " << step;
        EXPECT_EQ(source.getLockCount(), counted[step]) << "step " << step;
    }
}

// Every shape in several corner orders, trapezoid rounding, the 64-row oval edge, text in two fonts
// and off the window, at 1:1 and zoomed both ways through scroll and zoom: one picture, no message.
TEST(ShapesTest, SamplerPictureMatchesItsReferenceFrame)
{
    BaseEngine engine;
    ASSERT_EQ(initialiseHeadless(engine, true, 200, 150), 0);
    PixelCanvas& c = *engine.getForegroundCanvas();
    GameFont* small = engine.getFontCache().getFont(assetPath(kGameFont), 12);
    StdoutCapture loading;
    GameFont* broken = engine.getFontCache().getFont("missing.ttf", 24);
    loading.stop();
    FilterPointsScaling scaling(&engine);
    FilterPointsTranslation scroll(&scaling);
    scroll.changeOffset(3, 2);
    c.setFilter(&scroll);
    c.fillSurface(0x202020);
    StdoutCapture capture;
    c.drawRectangle(14, 12, 8, 4, 0xFF0000);  // corners in reverse order
    c.drawRectangle(17, 4, 17, 4, 0xFFFFFF);
    c.drawOval(20, 4, 24, 8, 0x00FF00);
    c.drawOval(36, 8, 28, 4, 0x00FFFF);
    c.drawOval(40, 4, 41, 6, 0xFFFF00);
    c.drawOval(44, 0, 44, 10, 0xFF00FF);  // no width, no height, no size: nothing
    c.drawOval(46, 5, 56, 5, 0xFF00FF);
    c.drawOval(58, 7, 58, 7, 0xFF00FF);
    c.drawOval(150, 2, 164, 65, 0x8080FF);  // 64 rows: the last one the row cache holds
    c.drawOval(168, 2, 180, 66, 0xFF8080);  // 65 rows
    c.drawTriangle(2.4, 18.6, 9.5, 27.2, 15.7, 16.1, 0xFF8000);  // split at the middle corner
    c.drawTriangle(20, 15, 20, 25, 35, 19, 0x0080FF);
    c.drawTriangle(55, 15, 55, 25, 40, 19, 0x80FF00);
    c.drawTriangle(60, 14, 61, 40, 100, 15, 0xFF0080);  // long and thin
    c.drawTriangle(105, 20, 117, 40, 90, 33, 0xC0C0C0);
    c.drawTriangle(120, 5, 120, 9, 120, 2, 0xFFFFFF);  // one column: corners 1 and 3 span it
    c.drawTriangle(122, 2, 122, 9, 122, 5, 0xFFFFFF);
    // Trapezoids: r(0.4) = 0, r(0.6) = 1; right to left; one column; going up; crossing lines;
    // truncation towards zero: r(-1.2) = r(-0.3) = 0, r(-1.7) = -1, r(2.49) = 2, r(2.5) = 3.
    c.drawTrapezoid(-1.2, -0.3, 0, 3, 0, 3, 0xFFFFFF);
    c.drawTrapezoid(3, 3, -1.7, 2.49, 0, 0, 0xFF0000);
    c.drawTrapezoid(5.5, 5.5, 0, 2.5, 0, 0, 0x00FF00);
    c.drawTrapezoid(100.4, 100.6, 1, 5, 3, 8, 0xFFFF00);
    c.drawTrapezoid(103.6, 103.4, 5, 1, 8, 3, 0x00FFFF);
    c.drawTrapezoid(106.2, 106.4, 2, 6, 10, 20, 0xFF00FF);
    c.drawTrapezoid(108.2, 108.4, 6, 2, 0, 20, 0xFF00FF);
    c.drawTrapezoid(110, 114, 0, 8, 8, 0, 0xFF8000);
    c.drawTrapezoid(116.4, 121, 10, 20, 10, 10, 0x80FF00);
    c.drawString(10, 45, "Dustreach 42", 0x00FF00);
    c.drawString(150, 120, "Score: 1000", 0xFFFF00);  // off the right and the bottom
    c.drawString(-9, 70, "Hi!", 0xFF80FF);  // off the left
    c.drawString(0, 128, "|/*Lost*/|  -3", 0x80FFFF, small);
    c.drawString(10, 10, "", 0xFFFFFF);
    c.drawString(10, 10, "Paused", 0xFFFFFF, broken);
    scaling.stretch();  // 2 x 2 blocks, after the scroll
    c.drawOval(2, 46, 12, 54, 0x0080FF);
    c.drawTriangle(14, 46, 22, 56, 30, 44, 0xFF8000);
    c.drawRectangle(32, 44, 36, 46, 0xFFFFFF);
    c.drawString(60, 52, "x", 0xFF0000);
    scaling.compress();
    scaling.compress();  // two virtual pixels fold onto one; the last drawn wins
    c.drawRectangle(180, 200, 240, 230, 0x8080FF);
    c.drawOval(250, 170, 330, 240, 0x00FF80);
    c.drawRectangle(260, 200, 261, 200, 0xFF0000);  // folds onto (131, 101) and (132, 101)
    c.drawRectangle(261, 201, 261, 201, 0xFFFF00);  // folds onto (132, 101) too
    EXPECT_EQ(capture.stop(), "");
    EXPECT_TRUE(matchesReferenceFrame(c, "drawing-sampler"));
}

TEST(ShapesTest, TrianglesGiveTheSamePixelsForEveryCornerOrder)
{
    SurfaceCanvas canvas(100, 100);
    using Corner = std::pair<double, double>;
    const std::array<Corner, 3> triangles[] = {{{{2.4, 3.6}, {9.5, 12.2}, {15.7, 1.1}}},
                                               {{{5, 5}, {5, 15}, {20, 9}}},
                                               {{{20, 5}, {20, 15}, {5, 9}}},
                                               {{{30, 40}, {31, 80}, {90, 41}}}};
    for (auto corners : triangles) {
        std::sort(corners.begin(), corners.end());
        std::string first;
        do {
            const auto [a, b, c] = corners;
            canvas.fillSurface(0);
            canvas.drawTriangle(a.first, a.second, b.first, b.second, c.first, c.second, 1);
            if (first.empty())
                first = pixelBytes(canvas);
            EXPECT_EQ(pixelBytes(canvas), first) << a.first << "," << a.second << " " << b.first
                                                 << "," << b.second << " " << c.first;
        } while (std::next_permutation(corners.begin(), corners.end()));
    }
}

// Through a filter not worked out inline, shapes hand on points column by column, each top down.
TEST(ShapesTest, RectanglesAndOvalsVisitTheirPointsInColumnOrder)
{
    SurfaceCanvas canvas(50, 50);
    RecordingFilter recorder(false);
    canvas.setFilter(&recorder);
    canvas.drawRectangle(5, 7, 2, 3, 9);
    std::vector<AskedPoint> expected;
    for (int i = 0; i < 20; ++i)
        expected.emplace_back(2 + i / 5, 3 + i % 5, 9);
    EXPECT_EQ(recorder.asked, expected);
    // Ovals within and beyond the row cache, thin and degenerate ones too, against the plain loop.
    std::srand(13);
    for (int i = 0; i < 300; ++i) {
        const int x1 = std::rand() % 101 - 50, y1 = std::rand() % 101 - 50;
        const int x2 = x1 + std::rand() % 61 - 30, y2 = y1 + std::rand() % 201 - 100;
        const int left = std::min(x1, x2), right = std::max(x1, x2);
        const int top = std::min(y1, y2), bottom = std::max(y1, y2);
        const double cx = (left + right) * 0.5, cy = (top + bottom) * 0.5;
        const double rx = (right - left) * 0.5, ry = (bottom - top) * 0.5;
        expected.clear();
        for (int x = left; x <= right; ++x)
            for (int y = top; y <= bottom; ++y)
                if ((x - cx) * (x - cx) / (rx * rx) + (y - cy) * (y - cy) / (ry * ry) <= 1.0)
                    expected.emplace_back(x, y, 0x445566);
        recorder.asked.clear();
        canvas.drawOval(x1, y1, x2, y2, 0x445566);
        ASSERT_EQ(recorder.asked, expected) << x1 << "," << y1 << " " << x2 << "," << y2;
    }
}
