// Tests of the zoom and scroll filters: conversions both ways, the block a zoomed point becomes,
// the scroll offsets, and that the clipped block writing of the zoom filter is indistinguishable
// (pixels and printed lines) from the plain block loop, whatever follows it in the chain.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "FilterPointsScaling.h"
#include "FilterPointsTranslation.h"
#include "PixelCanvas.h"
#include "TestSupport.h"

namespace {

using dustreach::test::countPixels;
using dustreach::test::initialiseHeadless;
using dustreach::test::StdoutCapture;

const char* const kPixelError = "Error in setting pixel- should never happen!\n";
const unsigned int kPaint = 0xABCDEF;
const unsigned int kGround = 0x123456;

// A derived engine like a game's: hooks overridden, the window filter inherited.
class PlainEngine : public BaseEngine {
public:
    void setupBackground() override { fillBackground(kGround); }
};

// Steps a fresh scaling filter to a factor: stretch s (s >= 1) or, when compressTo > 1, compress.
void zoomTo(FilterPointsScaling& scaling, int stretchTo, int compressTo = 1)
{
    for (int step = 1; step < stretchTo; ++step)
        scaling.stretch();
    for (int step = 1; step < compressTo; ++step)
        scaling.compress();
}

// Moves every point, changes its colour (cumulatively: the colour is passed by reference), and
// refuses some points, including everything far away so that output stays small. Records what it
// was given.
class ShiftingFilter : public FilterPoints {
public:
    bool filter(PixelCanvas*, int& x, int& y, unsigned int& colour) override
    {
        seen.emplace_back(x, y, colour);
        if (x < -2000 || x > 2000 || y < -2000 || y > 2000)
            return false;
        x += 3;
        y -= 2;
        colour = colour * 5 + 1;
        return ((x + y) % 5 + 5) % 5 != 0;
    }
    std::vector<std::tuple<int, int, unsigned int>> seen;
};

// The reference path: the plain block loop of a scaling filter in place of its filter.
class PlainScaling : public FilterPoints {
public:
    explicit PlainScaling(FilterPointsScaling& scaling) : scaling(scaling) {}
    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) override
    {
        scaling.writeBlockPlain(canvas, x, y, colour);
        return false;
    }

private:
    FilterPointsScaling& scaling;
};

class FiltersTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(initialiseHeadless(engine, false), 0); }

    void clearForeground() { engine.foreground.fillSurface(kGround); }

    PlainEngine engine;
    PixelCanvas& canvas = engine.foreground;
};

TEST_F(FiltersTest, ZoomStepsScaleBlocksFoldPointsAndConvertBothWays)
{
    FilterPointsScaling scaling(&engine);
    FilterPointsTranslation translation(&scaling);
    canvas.setFilter(&translation);
    const auto factors = [&] {
        return std::make_tuple(scaling.getStretchX(), scaling.getStretchY(), scaling.getCompressX(),
                               scaling.getCompressY());
    };

    // Unit factors and zero offsets change nothing.
    clearForeground();
    canvas.setPixel(5, 6, kPaint);
    EXPECT_EQ(canvas.rawGetPixel(5, 6), kPaint);
    EXPECT_EQ(countPixels(canvas, kPaint, 0, 0, 600, 800), 1);
    for (int v : {-7, 0, 13, 599}) {
        EXPECT_EQ(translation.virtualToRealX(v), v);
        EXPECT_EQ(translation.virtualToRealY(v), v);
        EXPECT_EQ(translation.realToVirtualX(v), v);
        EXPECT_EQ(translation.realToVirtualY(v), v);
    }

    // One stretch: 2 x 2 blocks, and presses halved (division truncates towards zero).
    scaling.stretch();
    ASSERT_EQ(factors(), std::make_tuple(2, 2, 1, 1));
    clearForeground();
    canvas.setPixel(3, 4, kPaint);
    EXPECT_EQ(countPixels(canvas, kPaint, 6, 8, 8, 10), 4);
    EXPECT_EQ(countPixels(canvas, kPaint, 0, 0, 600, 800), 4);
    EXPECT_EQ(scaling.realToVirtualX(7), 3);
    EXPECT_EQ(scaling.realToVirtualY(9), 4);
    EXPECT_EQ(scaling.virtualToRealX(3), 6);
    EXPECT_EQ(scaling.virtualToRealY(4), 8);
    EXPECT_EQ(scaling.realToVirtualX(-3), -1);

    // Back to 1:1, then one compress: two virtual pixels fold onto one, the last one drawn wins.
    scaling.compress();
    EXPECT_EQ(factors(), std::make_tuple(1, 1, 1, 1));
    scaling.compress();
    ASSERT_EQ(factors(), std::make_tuple(1, 1, 2, 2));
    clearForeground();
    canvas.setPixel(5, 7, kPaint);
    EXPECT_EQ(canvas.rawGetPixel(2, 3), kPaint);
    EXPECT_EQ(countPixels(canvas, kPaint, 0, 0, 600, 800), 1);
    canvas.setPixel(4, 6, 0x00FF00);
    EXPECT_EQ(canvas.rawGetPixel(2, 3), 0x00FF00u);
    EXPECT_EQ(scaling.realToVirtualX(2), 4);
    EXPECT_EQ(scaling.realToVirtualY(3), 6);
    EXPECT_EQ(scaling.virtualToRealX(-3), -1);

    // Stretch and compress undo each other.
    scaling.stretch();
    EXPECT_EQ(factors(), std::make_tuple(1, 1, 1, 1));
    zoomTo(scaling, 1, 4);
    EXPECT_EQ(factors(), std::make_tuple(1, 1, 4, 4));
    zoomTo(scaling, 6);
    EXPECT_EQ(factors(), std::make_tuple(3, 3, 1, 1));
}

TEST_F(FiltersTest, PointsOutsideTheWindowAreDroppedSilentlyAndOffsetsApplyBeforeTheZoom)
{
    FilterPointsScaling scaling(&engine);
    FilterPointsTranslation translation(&scaling);
    canvas.setFilter(&translation);
    clearForeground();

    StdoutCapture capture;
    for (auto [x, y] : {std::pair{600, 0}, {-1, 5}, {0, 800}, {-100000, -100000}})
        canvas.setPixel(x, y, kPaint);
    scaling.stretch();
    canvas.setPixel(299, 399, kPaint);  // only (598..599, 798..799) of its block is in the window
    canvas.setPixel(300, 0, kPaint);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(countPixels(canvas, kPaint, 0, 0, 600, 800), 4);
    EXPECT_EQ(countPixels(canvas, kPaint, 598, 798, 600, 800), 4);

    scaling.compress();
    translation.changeOffset(15, 0);
    canvas.setPixel(-15, 0, kPaint);
    EXPECT_EQ(canvas.rawGetPixel(0, 0), kPaint);
    EXPECT_EQ(translation.realToVirtualX(0), -15);
    EXPECT_EQ(translation.virtualToRealX(-15), 0);

    scaling.stretch();
    translation.changeOffset(-5, 3);
    canvas.setPixel(-8, -1, 0x00FF00);  // moved to (2, 2), then scaled to (4..5, 4..5)
    EXPECT_EQ(countPixels(canvas, 0x00FF00, 4, 4, 6, 6), 4);
    EXPECT_EQ(translation.realToVirtualX(5), -8);
    EXPECT_EQ(translation.realToVirtualY(5), -1);
    EXPECT_EQ(translation.virtualToRealY(-1), 4);
}

TEST_F(FiltersTest, WithoutANextLinkEveryOffSurfacePointPrints)
{
    FilterPointsScaling scaling(nullptr);
    FilterPointsTranslation translation(nullptr);
    scaling.stretch();
    clearForeground();

    canvas.setFilter(&scaling);
    StdoutCapture capture;
    canvas.setPixel(-1, 0, kPaint);    // columns -2, -1: all four off the surface
    canvas.setPixel(299, 0, kPaint);   // columns 598, 599: on it
    canvas.setPixel(0, 400, kPaint);   // rows 800, 801: off it
    canvas.setFilter(&translation);
    translation.changeOffset(3, 4);
    canvas.setPixel(1, 1, 0x00FF00);   // accepted and moved to (4, 5)
    std::string eightLines;
    for (int line = 0; line < 8; ++line)
        eightLines += kPixelError;
    EXPECT_EQ(capture.stop(), eightLines);
    EXPECT_EQ(countPixels(canvas, kPaint, 0, 0, 600, 800), 4);
    EXPECT_EQ(canvas.rawGetPixel(4, 5), 0x00FF00u);
}

TEST_F(FiltersTest, BlockPointsReachTheNextLinkFreshColumnsOuterWithTheColourItLeft)
{
    ShiftingFilter shifting;
    FilterPointsScaling scaling(&shifting);
    scaling.stretch();
    canvas.setFilter(&scaling);
    clearForeground();

    canvas.setPixel(10, 21, 1);
    using Seen = std::tuple<int, int, unsigned int>;
    const std::vector<Seen> expected{{20, 42, 1}, {20, 43, 6}, {21, 42, 31}, {21, 43, 156}};
    EXPECT_EQ(shifting.seen, expected);
    // Moved by (3, -2) and written with the changed colour, except (24, 41), whose coordinates
    // add up to a multiple of 5.
    EXPECT_EQ(canvas.rawGetPixel(23, 40), 6u);
    EXPECT_EQ(canvas.rawGetPixel(23, 41), 31u);
    EXPECT_EQ(canvas.rawGetPixel(24, 40), 156u);
    EXPECT_EQ(canvas.rawGetPixel(24, 41), kGround);
}

// The zoom must not cost more than the part of a block that can show: at factor 64, a point whose
// block is mostly off the window visits only the visible part (counted, not timed). Huge offsets
// and coordinates stay defined.
TEST_F(FiltersTest, ZoomedBlocksVisitOnlyTheirVisiblePartAndHugeValuesStayDefined)
{
    FilterPointsScaling scaling(&engine);
    FilterPointsTranslation translation(&scaling);
    zoomTo(scaling, 64);
    canvas.setFilter(&translation);
    clearForeground();

    StdoutCapture capture;
    std::uint64_t before = scaling.getPointsVisited();
    canvas.setPixel(9, 12, kPaint);  // block 576..639 x 768..831; visible 24 x 32
    EXPECT_LE(scaling.getPointsVisited() - before, 24u * 32u);
    EXPECT_EQ(countPixels(canvas, kPaint, 576, 768, 600, 800), 24 * 32);
    EXPECT_EQ(countPixels(canvas, kPaint, 0, 0, 600, 800), 24 * 32);

    before = scaling.getPointsVisited();
    canvas.setPixel(1000000, 5, kPaint);
    canvas.setPixel(-1, -1, kPaint);
    canvas.setPixel(INT_MAX / 3, INT_MIN / 3, kPaint);
    EXPECT_EQ(scaling.getPointsVisited(), before);
    EXPECT_EQ(scaling.virtualToRealX(INT_MIN / 2), INT_MIN);

    translation.changeOffset(INT_MAX, INT_MIN);
    translation.changeOffset(INT_MAX, INT_MIN);
    EXPECT_EQ(translation.getXOffset(), INT_MAX);
    EXPECT_EQ(translation.getYOffset(), INT_MIN);
    EXPECT_EQ(translation.virtualToRealX(5), INT_MAX);
    EXPECT_EQ(translation.realToVirtualY(5), INT_MAX);
    clearForeground();
    canvas.setPixel(100, 100, kPaint);
    canvas.setPixel(INT_MIN, INT_MAX, kPaint);
    EXPECT_EQ(countPixels(canvas, kPaint, 0, 0, 600, 800), 0);
    EXPECT_EQ(capture.stop(), "");
}

// ---- The clipped path against the plain block loop ----------------------------------------------

// Chains, named from the canvas outwards.
enum class ChainKind {
    ScalingEngine, TranslationScalingEngine, ScalingNothing, ScalingShifting,
    ScalingTranslationEngine, ScalingScalingEngine,
};

// One filter chain, built either with the scaling filters as they are or with their plain block
// loop standing in for them.
struct Chain {
    Chain(ChainKind kind, BaseEngine& engine, bool plain) : plain(plain)
    {
        switch (kind) {
        case ChainKind::ScalingEngine: first = addScaling(&engine, head); break;
        case ChainKind::TranslationScalingEngine:
            first = translation = add<FilterPointsTranslation>(addScaling(&engine, head));
            break;
        case ChainKind::ScalingNothing: first = addScaling(nullptr, head); break;
        case ChainKind::ScalingShifting: first = addScaling(add<ShiftingFilter>(), head); break;
        case ChainKind::ScalingTranslationEngine:
            first = addScaling(translation = add<FilterPointsTranslation>(&engine), head);
            break;
        case ChainKind::ScalingScalingEngine:
            first = addScaling(addScaling(&engine, second), head);
            break;
        }
    }

    template <typename T, typename... Args>
    T* add(Args&&... args)
    {
        links.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        return static_cast<T*>(links.back().get());
    }

    // Returns the link that stands for the new scaling filter in the chain.
    FilterPoints* addScaling(FilterPoints* next, FilterPointsScaling*& made)
    {
        made = add<FilterPointsScaling>(next);
        return plain ? static_cast<FilterPoints*>(add<PlainScaling>(*made)) : made;
    }

    bool plain;
    std::vector<std::unique_ptr<FilterPoints>> links;
    FilterPointsScaling* head = nullptr;    // the scaling filter nearest the canvas
    FilterPointsScaling* second = nullptr;  // the one behind it, in a chain of two
    FilterPointsTranslation* translation = nullptr;
    FilterPoints* first = nullptr;
};

struct Zoom {
    int stretch;
    int compress;
};

// Virtual coordinates around the places where a block meets the window's edges, far outside it,
// and where the real coordinate no longer fits an int; offset is taken off so that the translated
// point lands there.
std::vector<int> interestingCoordinates(int extent, Zoom zoom, int offset)
{
    const std::int64_t s = zoom.stretch, c = zoom.compress;
    std::vector<std::int64_t> real{0, 1, -1, -2, 2, 5, extent / s - 1, extent / s, extent / s + 1,
                                   (extent - 1) / s, extent * c - 1, extent * c, extent * c + c,
                                   -c, -extent, 1000, -1000, 40000000, -40000000,
                                   INT_MAX / 64 + 1, INT_MIN / 64 - 1, INT_MAX, INT_MIN};
    std::vector<int> result;
    for (std::int64_t v : real) {
        const std::int64_t shifted = v - offset;
        if (shifted >= INT_MIN && shifted <= INT_MAX)
            result.push_back(static_cast<int>(shifted));
        result.push_back(static_cast<int>(v));
    }
    return result;
}

class FiltersEquivalenceTest : public ::testing::Test {
protected:
    // A small odd-sized window keeps whole-surface comparisons cheap and makes edges likely.
    static constexpr int kWidth = 37;
    static constexpr int kHeight = 23;

    void SetUp() override { ASSERT_EQ(initialiseHeadless(engine, false, kWidth, kHeight), 0); }

    // Draws the same points through the real chain on the foreground and through the plain
    // chain on the background; both must end with the same pixels and the same printed lines.
    // Returns the points the head scaling filter visited on each path.
    std::pair<std::uint64_t, std::uint64_t> compareChains(ChainKind kind, Zoom zoom,
                                                          Zoom secondZoom = {},
                                                          std::pair<int, int> offset = {})
    {
        SCOPED_TRACE(testing::Message() << "chain " << static_cast<int>(kind) << ", stretch "
                                        << zoom.stretch << ", compress " << zoom.compress
                                        << ", offset " << offset.first << "," << offset.second);
        Chain fast(kind, engine, false), plain(kind, engine, true);
        for (Chain* chain : {&fast, &plain}) {
            zoomTo(*chain->head, zoom.stretch, zoom.compress);
            if (chain->second)
                zoomTo(*chain->second, secondZoom.stretch, secondZoom.compress);
            if (chain->translation)
                chain->translation->changeOffset(offset.first, offset.second);
        }

        const std::vector<int> xs = interestingCoordinates(kWidth, zoom, offset.first);
        const std::vector<int> ys = interestingCoordinates(kHeight, zoom, offset.second);
        std::vector<std::pair<int, int>> points;
        for (int x : xs)
            points.emplace_back(x, ys[std::rand() % ys.size()]);
        for (int y : ys)
            points.emplace_back(xs[std::rand() % xs.size()], y);

        EXPECT_EQ(draw(engine.foreground, fast.first, points),
                  draw(engine.background, plain.first, points));
        const SDL_Surface* a = engine.foreground.getSurface();
        const SDL_Surface* b = engine.background.getSurface();
        EXPECT_EQ(std::memcmp(a->pixels, b->pixels, static_cast<std::size_t>(a->pitch) * a->h), 0);
        return {fast.head->getPointsVisited(), plain.head->getPointsVisited()};
    }

    std::string draw(PixelCanvas& target, FilterPoints* first,
                     const std::vector<std::pair<int, int>>& points)
    {
        target.fillSurface(kGround);
        target.setFilter(first);
        StdoutCapture capture;
        unsigned int colour = 0x010203;
        for (auto [x, y] : points) {
            target.setPixel(x, y, colour);
            colour = (colour * 2654435761u + 12345u) & 0xFFFFFF;
        }
        return capture.stop();
    }

    PlainEngine engine;
};

TEST_F(FiltersEquivalenceTest, ClippedBlocksMatchThePlainLoopInEveryChain)
{
    std::srand(20240611);
    const std::vector<Zoom> zooms{{1, 1}, {2, 1}, {3, 1}, {5, 1}, {7, 1}, {16, 1}, {37, 1},
                                  {63, 1}, {64, 1}, {65, 1}, {70, 1}, {1, 2}, {1, 3}, {1, 5}};
    const std::vector<std::pair<int, int>> offsets{
        {0, 0}, {-7, 5}, {15, -15}, {-1000000, 3}, {INT_MAX - 5, INT_MIN + 5}};
    const std::vector<Zoom> secondZooms{{3, 1}, {1, 2}};

    for (const Zoom& zoom : zooms) {
        const auto [visitedFast, visitedPlain] = compareChains(ChainKind::ScalingEngine, zoom);
        if (zoom.stretch >= 16) {
            // Guards this comparison itself: the clipped path must really have been taken.
            EXPECT_LT(visitedFast, visitedPlain);
        }
        for (const Zoom& second : secondZooms)
            compareChains(ChainKind::ScalingScalingEngine, zoom, second);
        for (const auto& offset : offsets) {
            compareChains(ChainKind::TranslationScalingEngine, zoom, {}, offset);
            compareChains(ChainKind::ScalingTranslationEngine, zoom, {}, offset);
        }
        // These two print for every point that leaves the surface: small blocks only.
        if (zoom.stretch <= 7) {
            compareChains(ChainKind::ScalingNothing, zoom);
            compareChains(ChainKind::ScalingShifting, zoom);
        }
    }
}

}  // namespace
