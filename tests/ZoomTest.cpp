// Zoom and scroll filters and the inline drawing path: conversions, huge and clipped blocks, and
// every chain PointWriter knows against plain setPixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "FilterPointsScaling.h"
#include "FilterPointsTranslation.h"
#include "ImageHandle.h"
#include "PointWriter.h"
#include "TestSupport.h"
#include "VorlanEngine.h"

using namespace dustreach::test;

namespace {

constexpr unsigned int kPaint = 0xABCDEF, kGround = 0x123456;
using Drawing = std::function<void(PixelCanvas&)>;

int randomIn(int low, int high)
{
    return low + std::rand() % (high - low + 1);
}
void zoom(FilterPointsScaling& scaling, int steps)
{
    for (int i = 0; i < std::abs(steps); ++i)
        steps > 0 ? scaling.stretch() : scaling.compress();
}

// A scroll link of a class the inline path must not take for its own: drawn point by point.
struct Forward : FilterPointsTranslation {
    using FilterPointsTranslation::FilterPointsTranslation;
};

struct Chain {  // a scroll link in front of a zoom link
    Chain(FilterPoints* next, int steps, int dx = 0, int dy = 0) : scaling(next), scroll(&scaling)
    {
        zoom(scaling, steps);
        scroll.changeOffset(dx, dy);
    }
    FilterPointsScaling scaling;
    FilterPointsTranslation scroll;
};

struct Way : FilterPoints {  // a zoom link's own filter or, the plain way, its plain block loop
    Way(FilterPointsScaling& s, bool plain) : s(s), plain(plain) {}
    bool filter(PixelCanvas* c, int& x, int& y, unsigned int& v) override
    {
        if (!plain)
            return s.filter(c, x, y, v);
        s.writeBlockPlain(c, x, y, v);
        return false;
    }
    FilterPointsScaling& s;
    bool plain;
};

// One game (its engine's filter is the window test) and two window-sized canvases of their own.
class ZoomTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder.copyGameData();  // the tile strip loads its icons when the engine is built
        std::srand(21);
        game = std::make_unique<VorlanEngine>();
        ASSERT_EQ(initialiseHeadless(*game), 0);
        picture = game->loadImage("ufo.png", true);  // masked pictures skip its background
    }

    // A random rectangle, oval, triangle, text or picture, ready to be made on any canvas.
    Drawing randomDrawing()
    {
        const int x1 = randomIn(-300, 900), y1 = randomIn(-300, 1100);
        const int x2 = x1 + randomIn(-90, 90), y2 = y1 + randomIn(-90, 90);
        const int kind = std::rand() % 8;
        const int a = randomIn(-500, 500), b = randomIn(-500, 500);
        const int w = randomIn(0, 70), h = randomIn(0, 70);
        const unsigned int colour = std::rand() & 0xFFFFFF;
        const unsigned int mask = picture.getPixel(0, 0) << 8 >> 8;
        const double f = randomIn(0, 9) / 10.0, t = a / 10.0, u = b / 10.0;
        static const char* const texts[] = {"Score:    42", "Paused! Press SPACE", "i", "W W"};
        return [=, p = picture, font = game->getDefaultFont()](PixelCanvas& c) {
            switch (kind) {
            case 0: return c.drawRectangle(x1, y1, x2, y2, colour);
            case 1: return c.drawOval(x1, y1, x2, y2, colour);
            case 2: return c.drawTriangle(x1 + f, y1, x2, y2 - f, x1 + t, y2 + u, colour);
            case 3: return c.drawString(x1, y1, texts[(a + 500) % 4], colour, font);
            case 4: return p.renderImage(&c, a / 12, b / 12, x1, y1, w, h);
            case 5: return p.renderImageWithMask(&c, a / 12, b / 12, x1, y1, w, h);
            default: return p.renderImageWithMaskColour(&c, a / 12, b / 12, x1, y1, w, h, mask);
            }
        };
    }

    // Random drawings (or the one given) through head, which the inline path takes, and through a
    // Forward link in front of it, which it must refuse: the same pixels, zoom count, no output.
    void randomly(FilterPoints* head, FilterPointsScaling& s, int n, const Drawing& only = nullptr)
    {
        Forward forward(head);
        direct.setFilter(head);
        plain.setFilter(&forward);
        ASSERT_TRUE(PointWriter(direct).isDirect());
        ASSERT_FALSE(PointWriter(plain).isDirect());
        for (int i = 0; i < n; ++i) {
            const Drawing draw = only ? only : randomDrawing();
            StdoutCapture capture;
            const std::uint64_t start = s.getPointsVisited();
            draw(direct);
            const std::uint64_t middle = s.getPointsVisited();
            draw(plain);
            EXPECT_EQ(capture.stop(), "") << i;
            EXPECT_EQ(middle - start, s.getPointsVisited() - middle) << i;  // points counted alike
            EXPECT_TRUE(pixelBytes(direct) == pixelBytes(plain)) << i;
        }
    }

    ScopedTempDir folder;
    std::unique_ptr<VorlanEngine> game;
    SurfaceCanvas direct{600, 800}, plain{600, 800};
    ImageHandle picture;
};

}  // namespace

TEST_F(ZoomTest, StepsSetTheFactorsAndConversionsGoBothWays)
{
    // Steps, stretch, compress, then -3, 7 and INT_MAX to real and to virtual (truncated to zero).
    const int table[][9] = {{0, 1, 1, -3, 7, INT_MAX, -3, 7, INT_MAX},
                            {1, 2, 1, -6, 14, INT_MAX, -1, 3, INT_MAX / 2},
                            {-2, 1, 2, -1, 3, INT_MAX / 2, -6, 14, INT_MAX},
                            {-2, 1, 4, 0, 1, INT_MAX / 4, -12, 28, INT_MAX},
                            {5, 3, 1, -9, 21, INT_MAX, -1, 2, INT_MAX / 3}};
    FilterPointsScaling s(game.get());
    for (const auto& r : table) {
        SCOPED_TRACE(r[0]);
        zoom(s, r[0]);
        EXPECT_EQ(s.getStretchX(), r[1]);
        EXPECT_EQ(s.getStretchY(), r[1]);
        EXPECT_EQ(s.getCompressX(), r[2]);
        EXPECT_EQ(s.getCompressY(), r[2]);
        const int values[] = {-3, 7, INT_MAX};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(values[i]);
            EXPECT_EQ(s.virtualToRealX(values[i]), r[3 + i]);
            EXPECT_EQ(s.virtualToRealY(values[i]), r[3 + i]);
            EXPECT_EQ(s.realToVirtualX(values[i]), r[6 + i]);
            EXPECT_EQ(s.realToVirtualY(values[i]), r[6 + i]);
        }
    }
    // Scroll offsets come before the zoom on the way out and after it on the way back.
    FilterPointsTranslation scroll(&s);
    scroll.changeOffset(-5, 3);
    EXPECT_EQ(scroll.virtualToRealX(-8), -39);
    EXPECT_EQ(scroll.virtualToRealY(-1), 6);
    EXPECT_EQ(scroll.realToVirtualX(9), 8);
    EXPECT_EQ(scroll.realToVirtualY(9), 0);
}

TEST_F(ZoomTest, BlocksReachTheWindowOnlyWhereVisibleAndOtherLinksFresh)
{
    // At factor 64 a block mostly off the window visits only its visible part; far points nothing.
    Chain chain(game.get(), 63);
    direct.setFilter(&chain.scroll);
    StdoutCapture capture;
    direct.setPixel(9, 12, kPaint);  // block 576..639 x 768..831; visible 24 x 32
    for (auto [x, y] : {std::pair{1000000, 5}, {-1, -1}, {INT_MAX / 3, INT_MIN / 3}})
        direct.setPixel(x, y, kPaint);
    chain.scroll.changeOffset(INT_MAX, INT_MIN);
    direct.setPixel(INT_MIN, INT_MAX, kPaint);
    EXPECT_EQ(chain.scaling.getPointsVisited(), 24u * 32);
    EXPECT_EQ(countPixels(direct, kPaint, 576, 768, 600, 800), 24 * 32);
    EXPECT_EQ(countPixels(direct, kPaint, 0, 0, 600, 800), 24 * 32);
    EXPECT_EQ(capture.stop(), "");
    // Block points reach the next link fresh, columns outer, in the colour left; (24, 41) refused.
    ShiftingFilter shifting;
    FilterPointsScaling shifted(&shifting);
    shifted.stretch();
    direct.setFilter(&shifted);
    direct.setPixel(10, 21, 1);
    EXPECT_EQ(shifting.asked,
              (std::vector<AskedPoint>{{20, 42, 1}, {20, 43, 6}, {21, 42, 31}, {21, 43, 156}}));
    for (auto [x, y, colour] :
         {std::tuple{23, 40, 6u}, {23, 41, 31u}, {24, 40, 156u}, {24, 41, 0u}})
        EXPECT_EQ(direct.rawGetPixel(x, y), colour) << x << "," << y;
}

// A zoom link before the engine clips its blocks to the window; its plain loop visits every point.
// Alone, behind a scroll or before another zoom, points at the edges, far out and past int give
// the same pixels and messages both ways.
TEST(ZoomChainTest, ClippedBlocksMatchThePlainLoop)
{
    constexpr int kWidth = 37, kHeight = 23;  // small and odd: edges likely, comparisons cheap
    BaseEngine engine;
    ASSERT_EQ(initialiseHeadless(engine, false, kWidth, kHeight), 0);
    SurfaceCanvas targets[2] = {{kWidth, kHeight}, {kWidth, kHeight}};
    const auto compare = [&](int kind, int steps, int dx, int dy) {
        SCOPED_TRACE(testing::Message() << kind << " " << steps << " " << dx << "," << dy);
        const long long s = std::max(steps + 1, 1), c = std::max(1 - steps, 1);
        const auto near = [&](int extent, int offset) {
            // Small values, the window's edges as the zoom makes them, far off and the ends of int.
            const long long small[] = {0, 1, -1, 2, 5};
            const long long edges[] = {extent / s - 1, extent / s, extent / s + 1, (extent - 1) / s,
                                       extent * c - 1, extent * c, extent * c + c};
            const long long far[] = {-c, -extent, 1000, 40000000, -40000000};
            const long long ends[] = {INT_MAX / 64 + 1LL, INT_MIN / 64 - 1LL, INT_MAX, INT_MIN};
            const int pick = std::rand() % 21;
            const long long value = pick < 5    ? small[pick]
                                    : pick < 12 ? edges[pick - 5]
                                    : pick < 17 ? far[pick - 12]
                                                : ends[pick - 17];
            const long long at = value - (std::rand() % 2 ? offset : 0);
            return static_cast<int>(std::clamp<long long>(at, INT_MIN, INT_MAX));
        };
        std::string seen[2];  // messages, then pixels
        std::uint64_t visited[2];
        for (int way = 0; way < 2; ++way) {
            FilterPointsScaling inner(&engine);
            Way innerWay(inner, way);
            FilterPointsScaling outer(kind == 2 ? static_cast<FilterPoints*>(&innerWay) : &engine);
            Way outerWay(outer, way);
            FilterPointsTranslation scroll(&outerWay);
            zoom(inner, 2);
            zoom(outer, steps);
            scroll.changeOffset(dx, dy);
            SurfaceCanvas& target = targets[way];
            target.fillSurface(kGround);
            target.setFilter(kind == 1 ? static_cast<FilterPoints*>(&scroll) : &outerWay);
            std::srand(static_cast<unsigned int>(steps * 7 + kind));
            StdoutCapture capture;
            unsigned int colour = 0x010203;
            for (int i = 0; i < 120; ++i) {
                target.setPixel(near(kWidth, dx), near(kHeight, dy), colour);
                colour = (colour * 2654435761u + 12345u) & 0xFFFFFF;
            }
            seen[way] = capture.stop() + pixelBytes(target);
            visited[way] = outer.getPointsVisited();
        }
        EXPECT_TRUE(seen[0] == seen[1]);
        if (kind == 0 && steps >= 15) {
            EXPECT_LT(visited[0], visited[1]);  // the clipped path was taken
        }
    };
    for (int steps : {0, 1, 2, 4, 6, 15, 36, 62, 63, 64, 69, -1, -2, -4})
        for (int kind = 0; kind < 3; ++kind)  // zoom alone, behind a scroll, in front of a zoom
            for (auto [dx, dy] :
                 {std::pair{0, 0}, {-7, 5}, {15, -15}, {-1000000, 3}, {INT_MAX - 5, INT_MIN + 5}})
                if (kind == 1 || dx == 0)
                    compare(kind, steps, dx, dy);
}

TEST_F(ZoomTest, EveryKnownChainDrawsLikeThePlainPath)
{
    std::srand(11);
    randomly(game.get(), game->getScalingFilter(), 150);  // a zoom link not in the chain: no count
    FilterPointsTranslation second(game.get()), first(&second);
    first.changeOffset(-250, 130);
    second.changeOffset(40, -300);
    randomly(&first, game->getScalingFilter(), 150);
    for (const int steps : {0, 1, 2, 7, 63, -1, -2, -7})  // offsets up to the end of int
        for (auto [x, y] : {std::pair{0, 0}, {-37, 52}, {400, -650}, {INT_MAX, 3}, {-5, INT_MIN}}) {
            SCOPED_TRACE(testing::Message() << "steps " << steps << ", offset " << x << "," << y);
            Chain chain(game.get(), steps, x, y);
            randomly(&chain.scroll, chain.scaling, 40);
        }
    // Random drawings often miss a zoomed window; this one surely counts points.
    Chain chain(game.get(), 5, -20, -30);
    randomly(&chain.scroll, chain.scaling, 1, [](PixelCanvas& c) { c.drawOval(0, 0, 99, 90, 1); });
    EXPECT_GT(chain.scaling.getPointsVisited(), 0u);
    // A surface shorter than the window: every point the window test keeps off it is a message.
    SurfaceCanvas small(600, 400);
    small.setFilter(game.get());
    EXPECT_FALSE(PointWriter(small).isDirect());
    StdoutCapture capture;
    small.drawRectangle(590, 390, 599, 409, 0x0000FF);
    std::string messages;
    for (int i = 0; i < 100; ++i)
        messages += "Error in setting pixel- should never happen!\n";
    EXPECT_EQ(capture.stop(), messages);
    EXPECT_EQ(countPixels(small, 0x0000FF, 0, 0, 600, 400), 100);
}
