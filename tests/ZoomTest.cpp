// Tests of the zoom and scroll filters and of the inline drawing path: zoom steps, conversions both
// ways, blocks and folds, off-window points, huge values; the zoom filter's clipped blocks against
// its plain block loop in every chain; PointWriter against the plain setPixel path for random
// drawings and whole game frames; and the count of block points a zoomed frame costs (not timed).
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "AutomaticObject1.h"
#include "BaseEngine.h"
#include "FilterPointsScaling.h"
#include "FilterPointsTranslation.h"
#include "ImageHandle.h"
#include "PointWriter.h"
#include "RawImageData.h"
#include "TestSupport.h"
#include "VorlanEngine.h"

using namespace dustreach::test;

namespace {

const std::string kError = "Error in setting pixel- should never happen!\n";
constexpr unsigned int kPaint = 0xABCDEF, kGround = 0x123456;

int randomIn(int low, int high) { return low + std::rand() % (high - low + 1); }

// Stretches (steps > 0) or compresses (steps < 0) step by step.
void zoom(FilterPointsScaling& scaling, int steps)
{
    for (int i = 0; i < std::abs(steps); ++i)
        steps > 0 ? scaling.stretch() : scaling.compress();
}

// Hands everything on: a chain starting here is one the inline path does not know, so it is
// drawn the plain way, point by point through every link.
class Forward : public FilterPoints {
public:
    explicit Forward(FilterPoints* next) : next(next) {}
    bool filter(PixelCanvas* c, int& x, int& y, unsigned int& colour) override
    {
        return next->filter(c, x, y, colour);
    }
    int realToVirtualX(int x) override { return next->realToVirtualX(x); }
    int realToVirtualY(int y) override { return next->realToVirtualY(y); }
    FilterPoints* next;
};

// Records, moves, recolours (cumulatively) and refuses points, and everything far away.
class Shifting : public FilterPoints {
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

// The plain block loop of a zoom filter standing in for its filter.
class PlainScaling : public FilterPoints {
public:
    explicit PlainScaling(FilterPointsScaling& scaling) : scaling(scaling) {}
    bool filter(PixelCanvas* c, int& x, int& y, unsigned int& colour) override
    {
        scaling.writeBlockPlain(c, x, y, colour);
        return false;
    }
    FilterPointsScaling& scaling;
};

// A scroll link of a derived class that recolours: it filters otherwise than its base.
class Tinting : public FilterPointsTranslation {
public:
    using FilterPointsTranslation::FilterPointsTranslation;
    bool filter(PixelCanvas* c, int& x, int& y, unsigned int& colour) override
    {
        colour = 0x123456;
        return FilterPointsTranslation::filter(c, x, y, colour);
    }
};

class ZoomTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(initialiseHeadless(engine, false), 0); }
    int painted(int x0 = 0, int y0 = 0, int x1 = 600, int y1 = 800)
    {
        return countPixels(canvas, kPaint, x0, y0, x1, y1);
    }
    BaseEngine engine;
    PixelCanvas& canvas = *engine.getForegroundCanvas();
};

}  // namespace

TEST_F(ZoomTest, StepsSetTheFactorsAndConversionsGoBothWays)
{
    struct Step {
        int steps, stretch, compress;
        int toReal[3], toVirtual[3];  // of -3, 7 and INT_MAX
    };
    const Step table[] = {
        {0, 1, 1, {-3, 7, INT_MAX}, {-3, 7, INT_MAX}},
        {1, 2, 1, {-6, 14, INT_MAX}, {-1, 3, INT_MAX / 2}},  // division truncates towards zero
        {-1, 1, 1, {-3, 7, INT_MAX}, {-3, 7, INT_MAX}},
        {-1, 1, 2, {-1, 3, INT_MAX / 2}, {-6, 14, INT_MAX}},
        {-2, 1, 4, {0, 1, INT_MAX / 4}, {-12, 28, INT_MAX}},
        {5, 3, 1, {-9, 21, INT_MAX}, {-1, 2, INT_MAX / 3}},
    };
    FilterPointsScaling scaling(&engine);
    for (const Step& s : table) {
        SCOPED_TRACE(s.steps);
        zoom(scaling, s.steps);
        EXPECT_EQ(std::tuple(scaling.getStretchX(), scaling.getStretchY(), scaling.getCompressX(),
                             scaling.getCompressY()),
                  std::tuple(s.stretch, s.stretch, s.compress, s.compress));
        const int values[3] = {-3, 7, INT_MAX};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(scaling.virtualToRealX(values[i]), s.toReal[i]);
            EXPECT_EQ(scaling.virtualToRealY(values[i]), s.toReal[i]);
            EXPECT_EQ(scaling.realToVirtualX(values[i]), s.toVirtual[i]);
            EXPECT_EQ(scaling.realToVirtualY(values[i]), s.toVirtual[i]);
        }
    }
    // Scroll offsets come before the zoom on the way out and after it on the way back.
    FilterPointsTranslation scroll(&scaling);
    scroll.changeOffset(-5, 3);
    EXPECT_EQ(std::tuple(scroll.virtualToRealX(-8), scroll.virtualToRealY(-1)), std::tuple(-39, 6));
    EXPECT_EQ(std::tuple(scroll.realToVirtualX(9), scroll.realToVirtualY(9)), std::tuple(8, 0));
    scroll.changeOffset(INT_MAX, INT_MIN);
    scroll.changeOffset(INT_MAX, INT_MIN);
    EXPECT_EQ(std::tuple(scroll.getXOffset(), scroll.getYOffset()), std::tuple(INT_MAX, INT_MIN));
    EXPECT_EQ(std::tuple(scroll.virtualToRealX(5), scroll.realToVirtualY(5)),
              std::tuple(INT_MAX, INT_MAX));
    FilterPointsScaling alone(nullptr);
    zoom(alone, 1);
    EXPECT_EQ(alone.virtualToRealX(INT_MIN / 2), INT_MIN);
}

TEST_F(ZoomTest, BlocksFoldsOffsetsAndOffWindowPointsThroughTheEngineChain)
{
    FilterPointsScaling scaling(&engine);
    FilterPointsTranslation scroll(&scaling);
    canvas.setFilter(&scroll);
    canvas.fillSurface(kGround);
    StdoutCapture capture;
    for (auto [x, y] : {std::pair{600, 0}, {-1, 5}, {0, 800}, {5, -1}, {-100000, -100000},
                        {0, 0}, {599, 799}})
        canvas.setPixel(x, y, kPaint);
    EXPECT_EQ(std::tuple(painted(), painted(0, 0, 1, 1), painted(599, 799)), std::tuple(2, 1, 1));
    scaling.stretch();
    canvas.fillSurface(kGround);
    canvas.setPixel(299, 399, kPaint);  // only (598..599, 798..799) of its block is in the window
    canvas.setPixel(300, 0, kPaint);
    EXPECT_EQ(std::tuple(painted(), painted(598, 798)), std::tuple(4, 4));
    scroll.changeOffset(-5, 3);
    canvas.setPixel(-8, -1, 0x00FF00);  // moved to (-13, 2), then scaled to (-26..-25, 4..5)
    canvas.setPixel(8, 1, 0x00FF00);    // moved to (3, 4), then scaled to (6..7, 8..9)
    EXPECT_EQ(countPixels(canvas, 0x00FF00, 0, 0, 600, 800), 4);
    EXPECT_EQ(countPixels(canvas, 0x00FF00, 6, 8, 8, 10), 4);
    zoom(scaling, -2);  // two virtual pixels per real one: the last one drawn wins
    canvas.setPixel(10, 1, kPaint);
    canvas.setPixel(9, 2, 0x0000FF);
    EXPECT_EQ(canvas.rawGetPixel(2, 2), 0x0000FFu);
    EXPECT_EQ(capture.stop(), "");
}

TEST_F(ZoomTest, OtherNextLinksGetEveryBlockPointAndOffSurfacePointsPrint)
{
    FilterPointsScaling scaling(nullptr);
    FilterPointsTranslation scroll(nullptr);
    scaling.stretch();
    canvas.fillSurface(kGround);
    canvas.setFilter(&scaling);
    StdoutCapture capture;
    canvas.setPixel(-1, 0, kPaint);   // columns -2, -1: all four off the surface
    canvas.setPixel(299, 0, kPaint);  // columns 598, 599: on it
    canvas.setPixel(0, 400, kPaint);  // rows 800, 801: off it
    canvas.setFilter(&scroll);
    scroll.changeOffset(3, 4);
    canvas.setPixel(1, 1, 0x00FF00);  // accepted and moved to (4, 5)
    EXPECT_EQ(capture.stop(), kError + kError + kError + kError + kError + kError + kError + kError);
    EXPECT_EQ(painted(), 4);
    EXPECT_EQ(canvas.rawGetPixel(4, 5), 0x00FF00u);

    // Block points reach the next link fresh, columns outer, with the colour it left.
    Shifting shifting;
    FilterPointsScaling shifted(&shifting);
    shifted.stretch();
    canvas.setFilter(&shifted);
    canvas.fillSurface(kGround);
    canvas.setPixel(10, 21, 1);
    EXPECT_EQ(shifting.seen, (decltype(shifting.seen){{20, 42, 1}, {20, 43, 6}, {21, 42, 31},
                                                       {21, 43, 156}}));
    // Moved by (3, -2) in the changed colour, except (24, 41), a multiple of 5.
    EXPECT_EQ(std::tuple(canvas.rawGetPixel(23, 40), canvas.rawGetPixel(23, 41),
                         canvas.rawGetPixel(24, 40), canvas.rawGetPixel(24, 41)),
              std::tuple(6u, 31u, 156u, kGround));
}

// At factor 64 a point whose block is mostly off the window visits only the visible part
// (counted, not timed); far points visit nothing.
TEST_F(ZoomTest, ZoomedBlocksVisitOnlyTheirVisiblePart)
{
    FilterPointsScaling scaling(&engine);
    FilterPointsTranslation scroll(&scaling);
    zoom(scaling, 63);
    canvas.setFilter(&scroll);
    canvas.fillSurface(kGround);
    StdoutCapture capture;
    canvas.setPixel(9, 12, kPaint);  // block 576..639 x 768..831; visible 24 x 32
    EXPECT_EQ(scaling.getPointsVisited(), 24u * 32u);
    EXPECT_EQ(std::tuple(painted(), painted(576, 768)), std::tuple(24 * 32, 24 * 32));
    for (auto [x, y] : {std::pair{1000000, 5}, {-1, -1}, {INT_MAX / 3, INT_MIN / 3}})
        canvas.setPixel(x, y, kPaint);
    scroll.changeOffset(INT_MAX, INT_MIN);
    canvas.setPixel(INT_MIN, INT_MAX, kPaint);
    canvas.setPixel(100, 100, kPaint);
    EXPECT_EQ(scaling.getPointsVisited(), 24u * 32u);
    EXPECT_EQ(painted(), 24 * 32);
    EXPECT_EQ(capture.stop(), "");
}

// ---- The clipped blocks against the plain block loop --------------------------------------------

// Zoom chains from the canvas outwards: 0 zoom-engine, 1 scroll-zoom-engine, 2 zoom alone,
// 3 zoom-shifting, 4 zoom-scroll-engine, 5 zoom-zoom(2 steps)-engine. In the plain one, every zoom
// link is its plain block loop. Points are drawn where blocks meet the window's edges, far outside
// it and past int; pixels and messages must be the same.
TEST(ZoomChainTest, ClippedBlocksMatchThePlainLoopInEveryChain)
{
    constexpr int kWidth = 37, kHeight = 23;  // small and odd: edges likely, comparisons cheap
    BaseEngine engine;
    ASSERT_EQ(initialiseHeadless(engine, false, kWidth, kHeight), 0);
    std::srand(20240611);
    const auto compare = [&](int kind, int steps, int dx, int dy) {
        SCOPED_TRACE(testing::Message() << "chain " << kind << ", steps " << steps << ", offset "
                                        << dx << "," << dy);
        std::vector<std::unique_ptr<FilterPoints>> links;
        FilterPointsScaling* heads[2];
        const auto own = [&](FilterPoints* link) { return links.emplace_back(link).get(); };
        const auto scrolled = [&](FilterPoints* next) {
            auto* scroll = new FilterPointsTranslation(next);
            scroll->changeOffset(dx, dy);
            return own(scroll);
        };
        const auto zoomed = [&](FilterPoints* next, int way, int n) {
            auto* scaling = new FilterPointsScaling(next);
            own(scaling);
            zoom(*scaling, n);
            return (heads[way] = scaling, way ? own(new PlainScaling(*scaling)) : scaling);
        };
        std::string output[2], pixels[2];
        for (int way = 0; way < 2; ++way) {
            FilterPoints* last = kind == 2 ? nullptr : kind == 3 ? own(new Shifting) : &engine;
            last = kind == 4 ? scrolled(last) : kind == 5 ? zoomed(last, way, 2) : last;
            FilterPoints* first = zoomed(last, way, steps);
            PixelCanvas& target = way == 0 ? engine.foreground : engine.background;
            target.fillSurface(kGround);
            target.setFilter(kind == 1 ? scrolled(first) : first);
            std::srand(static_cast<unsigned int>(steps * 7 + kind));
            const auto near = [&](int extent, int offset) {
                const long long s = std::max(steps + 1, 1), c = std::max(1 - steps, 1);
                const long long v[] = {0, 1, -1, 2, 5, extent / s - 1, extent / s, extent / s + 1,
                                       (extent - 1) / s, extent * c - 1, extent * c, extent * c + c,
                                       -c, -extent, 1000, 40000000, -40000000, INT_MAX / 64 + 1LL,
                                       INT_MIN / 64 - 1LL, INT_MAX, INT_MIN};
                const long long at = v[std::rand() % 21] - (std::rand() % 2 ? offset : 0);
                return static_cast<int>(std::clamp<long long>(at, INT_MIN, INT_MAX));
            };
            StdoutCapture capture;
            unsigned int colour = 0x010203;
            for (int i = 0; i < 120; ++i, colour = (colour * 2654435761u + 12345u) & 0xFFFFFF)
                target.setPixel(near(kWidth, dx), near(kHeight, dy), colour);
            output[way] = capture.stop();
            pixels[way].assign(static_cast<const char*>(target.getSurface()->pixels),
                               target.getSurface()->pitch * kHeight);
        }
        EXPECT_EQ(output[0], output[1]);
        EXPECT_TRUE(pixels[0] == pixels[1]);
        // Guards the comparison itself: at a large zoom the clipped path must have been taken.
        if (kind == 0 && steps >= 15) {
            EXPECT_LT(heads[0]->getPointsVisited(), heads[1]->getPointsVisited());
        }
    };
    for (int steps : {0, 1, 2, 4, 6, 15, 36, 62, 63, 64, 69, -1, -2, -4}) {
        for (int kind = 0; kind < 6; ++kind) {
            // Chains 2 and 3 print for every point off the surface: small blocks only.
            for (auto [dx, dy] : {std::pair{0, 0}, {-7, 5}, {15, -15}, {-1000000, 3},
                                  {INT_MAX - 5, INT_MIN + 5}})
                if ((kind == 1 || kind == 4 || dx == 0) && (steps <= 6 || (kind != 2 && kind != 3)))
                    compare(kind, steps, dx, dy);
        }
    }
}

// ---- The inline path against the plain setPixel path --------------------------------------------

// A random drawing: rectangle, oval, triangle, text or picture, ready to be made on any canvas.
std::function<void(PixelCanvas&)> randomDrawing(const ImageHandle& picture, GameFont* font)
{
    const int x1 = randomIn(-300, 900), y1 = randomIn(-300, 1100);
    const int x2 = x1 + randomIn(-90, 90), y2 = y1 + randomIn(-90, 90);
    const unsigned int colour = static_cast<unsigned int>(std::rand()) & 0xFFFFFF;
    const int kind = std::rand() % 8, a = randomIn(-500, 500), b = randomIn(-500, 500);
    const double f = randomIn(0, 9) / 10.0;
    const int w = randomIn(0, 70), h = randomIn(0, 70);
    static const char* const texts[] = {"Score:    42", "Paused! Press SPACE", "i", "W W"};
    const char* text = texts[kind % 4];
    const unsigned int mask = picture.getPixel(3, 4) & 0xFFFFFF;
    return [=](PixelCanvas& c) {
        switch (kind) {
        case 0: return c.drawRectangle(x1, y1, x2, y2, colour);
        case 1: return c.drawOval(x1, y1, x2, y2, colour);
        case 2: return c.drawTriangle(x1 + f, y1, x2, y2 - f, x1 + a / 10.0, y2 + b / 10.0, colour);
        case 3: return c.drawString(x1, y1, text, colour, font);
        case 4: return picture.renderImage(&c, a / 12, b / 12, x1, y1, w, h);
        case 5: return picture.renderImageWithMask(&c, a / 12, b / 12, x1, y1, w, h);
        default: return picture.renderImageWithMaskColour(&c, a / 12, b / 12, x1, y1, w, h, mask);
        }
    };
}

// Two window-sized canvases behind one chain, the second through a Forward link in front of it.
class FastPathTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(initialiseHeadless(engine, true), 0);
        // A picture of random pixels from a small palette (so masks hit), alpha bytes random too.
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, randomIn(1, 40), randomIn(1, 40), 32,
                                                        SDL_PIXELFORMAT_ARGB8888);
        const Uint32 palette[4] = {0x00000000, 0xFF0000FF, 0x7F20C040, 0xFFFFFFFF};
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x] =
                    palette[std::rand() % 4] ^ (std::rand() % 2);
        auto raw = std::make_shared<RawImageData>("random");
        raw->copyPixelsFrom(s);
        SDL_FreeSurface(s);
        picture = ImageHandle(raw);
    }

    // Each drawing both ways: the same output (none, as the chain ends in the window test), the
    // same zoom count per drawing, and the same pixels every few drawings and at the end.
    void compare(FilterPoints* head, FilterPointsScaling* scaling, int count,
                 std::function<void(PixelCanvas&)> only = nullptr)
    {
        Forward forward(head);
        direct.setFilter(head);
        plain.setFilter(&forward);
        ASSERT_TRUE(PointWriter(direct).isDirect());
        const auto counted = [scaling] { return scaling ? scaling->getPointsVisited() : 0; };
        for (int i = 0; i < count; ++i) {
            const auto draw = only ? only : randomDrawing(picture, engine.getDefaultFont());
            const std::uint64_t start = counted();
            StdoutCapture output;
            draw(direct);
            const std::uint64_t directCount = counted() - start;
            draw(plain);
            EXPECT_EQ(output.stop(), "");
            EXPECT_EQ(directCount, counted() - start - directCount) << "drawing " << i;
            if (i % 8 == 7 || i + 1 == count) {
                ASSERT_TRUE(direct.pixelBytes() == plain.pixelBytes()) << "drawing " << i;
            }
        }
    }

    BaseEngine engine;
    SurfaceCanvas direct{600, 800}, plain{600, 800};
    ImageHandle picture;
};

TEST_F(FastPathTest, EveryKnownChainDrawsLikeThePlainPath)
{
    std::srand(11);
    compare(&engine, nullptr, 150);
    FilterPointsTranslation second(&engine), first(&second);
    first.changeOffset(-250, 130);
    second.changeOffset(40, -300);
    compare(&first, nullptr, 150);
    // Offsets include ones that pin points to the end of int.
    for (const int steps : {0, 1, 2, 7, 63, -1, -2, -7}) {
        for (auto [dx, dy] : {std::pair{0, 0}, {-37, 52}, {400, -650}, {INT_MAX, 3}, {-5, INT_MIN}}) {
            SCOPED_TRACE(testing::Message() << "steps " << steps << ", offset " << dx << "," << dy);
            FilterPointsScaling scaling(&engine);
            FilterPointsTranslation scroll(&scaling);
            zoom(scaling, steps);
            scroll.changeOffset(dx, dy);
            compare(&scroll, &scaling, 40);
        }
    }
    // Random drawings often miss a zoomed window; this one surely counts points.
    FilterPointsScaling scaling(&engine);
    FilterPointsTranslation scroll(&scaling);
    zoom(scaling, 5);
    scroll.changeOffset(-20, -30);
    compare(&scroll, &scaling, 1, [](PixelCanvas& c) { c.drawOval(0, 0, 140, 170, 0xABCDEF); });
    EXPECT_GT(scaling.getPointsVisited(), 0u);
}

TEST_F(FastPathTest, ChainsTheInlinePathDoesNotKnowGoThroughEveryLink)
{
    // A derived scroll link that recolours: its own filter must run.
    Tinting tinting(&engine);
    direct.setFilter(&tinting);
    EXPECT_FALSE(PointWriter(direct).isDirect());
    direct.drawRectangle(10, 10, 19, 19, 0xFF0000);
    EXPECT_EQ(countPixels(direct, 0x123456, 10, 10, 20, 20), 100);

    // A zoom link whose next link is not the engine: moved, recoloured, refused and off-surface
    // points as the plain path has them, messages included.
    Shifting shifting;
    FilterPointsScaling scaling(&shifting);
    scaling.stretch();
    Forward forward(&scaling);
    direct.setFilter(&scaling);
    plain.setFilter(&forward);
    EXPECT_FALSE(PointWriter(direct).isDirect());
    std::string output[2];
    for (SurfaceCanvas* canvas : {&direct, &plain}) {
        canvas->fillSurface(0);
        StdoutCapture capture;
        canvas->drawOval(280, 380, 310, 410, 0x00AA00);
        output[canvas == &plain] = capture.stop();
    }
    EXPECT_NE(output[0].find(kError), std::string::npos);
    EXPECT_EQ(output[0], output[1]);
    EXPECT_TRUE(direct.pixelBytes() == plain.pixelBytes());

    // A surface smaller than the window: every point the window test keeps off it is a message.
    SurfaceCanvas small(300, 400);
    small.setFilter(&engine);
    EXPECT_FALSE(PointWriter(small).isDirect());
    StdoutCapture capture;
    small.drawRectangle(290, 390, 309, 399, 0x0000FF);
    std::string hundred;
    for (int i = 0; i < 100; ++i)
        hundred += kError;
    EXPECT_EQ(capture.stop(), hundred);
    EXPECT_EQ(countPixels(small, 0x0000FF, 0, 0, 300, 400), 100);
}

// ---- Whole game frames ----------------------------------------------------------------------------

class GameFrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder.copyGamePictures();  // the tile strip loads its icons when the engine is built
        std::srand(21);
        game = std::make_unique<VorlanEngine>();
        ASSERT_EQ(initialiseHeadless(*game), 0);
        game->getState().lives = 1000000;  // no frame may end the game
    }

    // Composes the frame with the foreground's chain and through a Forward link, from the same
    // random sequence and game state: the same pixels and zoom counts.
    void expectSameFrame(const std::string& situation)
    {
        SCOPED_TRACE(situation);
        PixelCanvas& canvas = *game->getForegroundCanvas();
        FilterPoints* chain = canvas.getFilter();
        Forward forward(chain);
        const GameState saved = game->getState();
        std::string pictures[2];
        std::uint64_t counts[2];
        for (int way = 0; way < 2; ++way) {
            game->getState() = saved;
            canvas.setFilter(way == 0 ? chain : &forward);
            const std::uint64_t start = game->getScalingFilter().getPointsVisited();
            std::srand(99);
            game->composeFrame();
            counts[way] = game->getScalingFilter().getPointsVisited() - start;
            pictures[way].assign(static_cast<const char*>(canvas.getSurface()->pixels), 600 * 800 * 4);
        }
        canvas.setFilter(chain);
        EXPECT_EQ(counts[0], counts[1]);
        EXPECT_TRUE(pictures[0] == pictures[1]);
    }

    // Middle clicks until the stretch factor is reached, and the block points of one frame.
    std::uint64_t pointsOfOneFrameAt(int stretch)
    {
        while (game->getScalingFilter().getStretchX() < stretch)
            game->onMouseDown(SDL_BUTTON_MIDDLE, 300, 400);
        const std::uint64_t before = game->getScalingFilter().getPointsVisited();
        game->composeFrame();
        return game->getScalingFilter().getPointsVisited() - before;
    }

    ScopedTempDir folder;
    std::unique_ptr<VorlanEngine> game;
};

TEST_F(GameFrameTest, FramesAndTheBackgroundAreTheSameAsThroughThePlainChain)
{
    game->onKeyDown(SDLK_f);
    game->onMouseDown(SDL_BUTTON_MIDDLE, 0, 0);  // not running yet: no zoom
    expectSameFrame("start screen");
    game->onKeyDown(SDLK_SPACE);
    ASSERT_EQ(game->getState().playState, Running);
    for (int i = 0; i < 120; ++i)
        game->appendObjectToArray(new AutomaticObject1(randomIn(-20, 620), randomIn(-30, 830),
                                                       game.get(), 0, 0));
    game->getState().facingRight = 1;
    game->onKeyDown(SDLK_c);
    game->onKeyDown(SDLK_v);
    for (const int steps : {0, 1, 5, 56, -63, -1, -6}) {
        for (int i = 0; i < std::abs(steps); ++i)
            game->onMouseDown(steps > 0 ? SDL_BUTTON_MIDDLE : SDL_BUTTON_RIGHT, 300, 400);
        expectSameFrame("play, shots, scrolled, zoom steps " + std::to_string(steps));
    }
    game->onKeyDown(SDLK_SPACE);
    expectSameFrame("paused");
}

// The cost of zoomed frames, counted rather than timed: however far in, a play frame visits at
// most a few window areas of block points (the panel, text over it, a couple of objects), which a
// zoom visiting whole blocks instead of their visible part would far exceed.
TEST_F(GameFrameTest, AZoomedFrameCountsNoMoreThanAFewWindowAreas)
{
    constexpr std::uint64_t kWindowArea = 600 * 800;
    game->onKeyDown(SDLK_SPACE);
    // The score panel (virtual 20..220 x 20..70) scrolled under the window centre: far in, it
    // alone fills the window.
    for (int i = 0; i < 12; ++i)
        game->onKeyDown(SDLK_c);
    for (int i = 0; i < 24; ++i)
        game->onKeyDown(SDLK_f);
    for (const int stretch : {2, 8, 64, 512, 4096}) {
        const std::uint64_t points = pointsOfOneFrameAt(stretch);
        EXPECT_LE(points, 4 * kWindowArea) << "stretch " << stretch;
        if (stretch >= 64) {
            EXPECT_GE(points, kWindowArea) << "stretch " << stretch;
        }
    }
}

TEST_F(GameFrameTest, AZoomedFrameAwayFromEverythingCountsNothing)
{
    // Far in about the centre of the play screen, every block lies off the window.
    game->onKeyDown(SDLK_SPACE);
    EXPECT_EQ(pointsOfOneFrameAt(4096), 0u);
}
