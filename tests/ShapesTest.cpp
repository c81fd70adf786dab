// Tests of the filled shapes: the exact pixel sets of rectangles, ovals, triangles and trapezoids,
// their rounding rule, and the order in which they hand their points to setPixel (columns left to
// right, each column top to bottom). A recording filter sees every point a shape produces.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <set>
#include <utility>
#include <vector>

#include "PixelCanvas.h"
#include "TestSupport.h"

using dustreach::test::RecordingFilter;
using dustreach::test::SurfaceCanvas;

namespace {

using Point = std::pair<int, int>;
using Points = std::vector<Point>;

constexpr unsigned int kColour = 0x3366CC;

int r(double v)
{
    return static_cast<int>(v + 0.5);
}

// Every point in [x0, x1] x [y0, y1] in visiting order.
Points block(int x0, int x1, int y0, int y1)
{
    Points points;
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y)
            points.emplace_back(x, y);
    return points;
}

// Column spans {x, top, bottom} one after the other, in visiting order.
Points columns(std::initializer_list<std::array<int, 3>> spans)
{
    Points points;
    for (const auto& [x, top, bottom] : spans)
        for (int y = top; y <= bottom; ++y)
            points.emplace_back(x, y);
    return points;
}

class ShapesTest : public testing::Test {
protected:
    ShapesTest() : canvas(320, 320), recorder(false) { canvas.setFilter(&recorder); }

    // The points asked since the last call, in order; every one must carry the shape's colour.
    Points take()
    {
        Points points;
        for (const auto& asked : recorder.asked) {
            EXPECT_EQ(asked.colour, kColour);
            points.emplace_back(asked.x, asked.y);
        }
        recorder.asked.clear();
        return points;
    }

    static std::set<Point> asSet(const Points& points) { return {points.begin(), points.end()}; }

    // True when the points come column by column, left to right, and top to bottom inside a column.
    static bool columnMajor(const Points& points)
    {
        return std::is_sorted(points.begin(), points.end()) &&
               std::adjacent_find(points.begin(), points.end()) == points.end();
    }

    SurfaceCanvas canvas;
    RecordingFilter recorder;
};

}  // namespace

TEST_F(ShapesTest, RectangleCoversBothCornersInEitherOrderAndWritesItsColour)
{
    canvas.drawRectangle(5, 7, 2, 3, kColour);
    const Points expected = block(2, 5, 3, 7);
    ASSERT_EQ(expected.size(), 20u);
    EXPECT_EQ(take(), expected);
    canvas.drawRectangle(2, 3, 5, 7, kColour);
    EXPECT_EQ(take(), expected);
    canvas.drawRectangle(4, 4, 4, 4, kColour);
    EXPECT_EQ(take(), (Points{{4, 4}}));
    canvas.drawRectangle(0, 0, 3, 1, kColour);
    EXPECT_EQ(take(), block(0, 3, 0, 1));

    canvas.setFilter(nullptr);
    canvas.drawRectangle(9, 1, 6, 4, kColour);
    EXPECT_EQ(dustreach::test::countPixels(canvas, kColour, 0, 0, 320, 320), 16);
    EXPECT_EQ(dustreach::test::countPixels(canvas, kColour, 6, 1, 10, 5), 16);
}

TEST_F(ShapesTest, OvalSemiAxesAreHalfTheCornerDistanceInEitherCornerOrder)
{
    // Four by four: a cross with its diagonal neighbours.
    canvas.drawOval(0, 0, 4, 4, kColour);
    const Points points = take();
    EXPECT_TRUE(columnMajor(points));
    const std::set<Point> expected{{2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {0, 2}, {1, 2},
                                   {3, 2}, {4, 2}, {1, 1}, {3, 1}, {1, 3}, {3, 3}};
    EXPECT_EQ(points.size(), 13u);
    EXPECT_EQ(asSet(points), expected);
    canvas.drawOval(4, 4, 0, 0, kColour);
    EXPECT_EQ(take(), points);

    canvas.drawOval(0, 0, 1, 2, kColour);
    EXPECT_EQ(take(), (Points{{0, 1}, {1, 1}}));
    canvas.drawOval(10, 20, 11, 22, kColour);  // the centre moves with the box
    EXPECT_EQ(take(), (Points{{10, 21}, {11, 21}}));

    // Without width or height: nothing.
    canvas.drawOval(3, 0, 3, 10, kColour);
    canvas.drawOval(0, 4, 10, 4, kColour);
    canvas.drawOval(7, 7, 7, 7, kColour);
    EXPECT_TRUE(take().empty());
}

TEST_F(ShapesTest, TrianglePointingRightFollowsItsTwoEdges)
{
    canvas.drawTriangle(180, 250, 180, 269, 199, 260, kColour);
    const Points points = take();
    EXPECT_TRUE(columnMajor(points));

    Points expected = block(180, 180, 250, 269);
    for (int x = 181; x < 199; ++x) {
        const double t = x - 180;
        for (int y = r(250 + 10 * t / 19); y <= r(269 - 9 * t / 19); ++y)
            expected.emplace_back(x, y);
    }
    expected.emplace_back(199, 260);
    EXPECT_EQ(points, expected);

    // All corners in one column: the first and third corner give the span.
    canvas.drawTriangle(5, 5, 5, 9, 5, 2, kColour);
    EXPECT_TRUE(take().empty());
    canvas.drawTriangle(5, 2, 5, 9, 5, 5, kColour);
    EXPECT_EQ(take(), block(5, 5, 2, 5));
}

TEST_F(ShapesTest, TriangleSplitAtItsMiddleCornerVisitsThatColumnTwice)
{
    canvas.drawTriangle(2, 2, 10, 14, 20, 6, kColour);
    const Points points = take();
    // Two runs: the left part up to column 10, then the right part from column 10.
    std::size_t split = 1;
    while (split < points.size() && points[split] > points[split - 1])
        ++split;
    ASSERT_LT(split, points.size());
    const Points left(points.begin(), points.begin() + static_cast<long>(split));
    const Points right(points.begin() + static_cast<long>(split), points.end());
    EXPECT_TRUE(columnMajor(left));
    EXPECT_TRUE(columnMajor(right));
    EXPECT_EQ(left.front().first, 2);
    EXPECT_EQ(left.back().first, 10);
    EXPECT_EQ(right.front().first, 10);
    EXPECT_EQ(right.back().first, 20);
    // At column 10 the long edge is at 2 + 8 * 4 / 18, the corner at 14: both parts span it.
    const Points column10 = block(10, 10, r(2 + 8.0 * 4 / 18), 14);
    EXPECT_TRUE(std::includes(left.begin(), left.end(), column10.begin(), column10.end()));
    EXPECT_TRUE(std::includes(right.begin(), right.end(), column10.begin(), column10.end()));
    const std::set<Point> all = asSet(points);
    EXPECT_TRUE(all.count({2, 2}) && all.count({10, 14}) && all.count({20, 6}));
}

TEST_F(ShapesTest, TriangleGivesTheSamePixelsForEveryCornerOrder)
{
    using Corner = std::pair<double, double>;
    const std::vector<std::array<Corner, 3>> triangles{
        {{{2.4, 3.6}, {9.5, 12.2}, {15.7, 1.1}}},  // general, with a split
        {{{5, 5}, {5, 15}, {20, 9}}},              // left side vertical
        {{{20, 5}, {20, 15}, {5, 9}}},             // right side vertical
        {{{30, 40}, {31, 80}, {90, 41}}},          // long and thin
    };
    for (auto corners : triangles) {
        std::sort(corners.begin(), corners.end());
        std::set<Point> first;
        do {
            const auto [a, b, c] = corners;
            canvas.drawTriangle(a.first, a.second, b.first, b.second, c.first, c.second, kColour);
            if (first.empty()) {
                first = asSet(take());
                ASSERT_FALSE(first.empty());
            } else {
                EXPECT_EQ(asSet(take()), first) << "corners (" << a.first << "," << a.second
                                                << ") (" << b.first << "," << b.second << ") ("
                                                << c.first << "," << c.second << ")";
            }
        } while (std::next_permutation(corners.begin(), corners.end()));
    }
}

TEST_F(ShapesTest, TrapezoidColumnsRoundTheirEndsAndMeasureFromTheUnroundedLeftEdge)
{
    struct Case {
        double xa, xb, ya1, yb1, ya2, yb2;  // line 1 from (xa, ya1) to (xb, yb1), line 2 alike
        Points expected;
    };
    const Case cases[] = {
        // r(0.4) = 0 and r(0.6) = 1: two columns at the rounded end heights, no middle column.
        {0.4, 0.6, 1, 5, 3, 8, columns({{0, 1, 3}, {1, 5, 8}})},
        {0.6, 0.4, 5, 1, 8, 3, columns({{0, 1, 3}, {1, 5, 8}})},  // right to left: same lines
        // One column wide: line one only; going up, nothing.
        {0.2, 0.4, 2, 6, 10, 20, columns({{0, 2, 6}})},
        {0.2, 0.4, 6, 2, 0, 20, {}},
        // Crossing lines: each middle column is ordered top to bottom.
        {0, 4, 0, 8, 8, 0, columns({{0, 0, 8}, {1, 2, 6}, {2, 4, 4}, {3, 2, 6}, {4, 0, 8}})},
        // Line 1 from (0.4, 0) to (5, 10), line 2 flat at 0: column x reaches 10 (x - 0.4) / 4.6.
        {0.4, 5, 0, 10, 0, 0,
         columns({{0, 0, 0}, {1, 0, 1}, {2, 0, 3}, {3, 0, 6}, {4, 0, 8}, {5, 0, 10}})},
        // Rounding adds a half and truncates towards zero: r(-1.2) = r(-0.3) = 0 (flooring would
        // start at -1), r(-1.7) = -1, r(2.49) = 2, r(2.5) = 3.
        {-1.2, -0.3, 0, 3, 0, 3, columns({{0, 0, 3}})},
        {3, 3, -1.7, 2.49, 0, 0, columns({{3, -1, 2}})},
        {2.5, 2.5, 0, 2.5, 0, 0, columns({{3, 0, 3}})},
    };
    for (const Case& c : cases) {
        canvas.drawTrapezoid(c.xa, c.xb, c.ya1, c.yb1, c.ya2, c.yb2, kColour);
        EXPECT_EQ(take(), c.expected)
            << c.xa << " " << c.xb << " " << c.ya1 << " " << c.yb1 << " " << c.ya2 << " " << c.yb2;
    }
}
