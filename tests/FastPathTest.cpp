// Tests of the inline drawing path (PointWriter and the shapes, text and pictures built on it)
// against the plain path, where every point goes through the filter chain by virtual calls: the
// same pixels, the same messages and the same zoom-filter counts, over many shapes, zooms, scroll
// offsets and chains; the plain visiting order of ovals and text; chains the inline path must not
// take; and whole game frames and backgrounds composed both ways.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AutomaticObject1.h"
#include "BaseEngine.h"
#include "FilterPointsScaling.h"
#include "FilterPointsTranslation.h"
#include "GameFont.h"
#include "ImageHandle.h"
#include "PixelCanvas.h"
#include "PointWriter.h"
#include "RawImageData.h"
#include "TestSupport.h"
#include "VorlanEngine.h"

using dustreach::test::AskedPoint;
using dustreach::test::assetPath;
using dustreach::test::RecordingFilter;
using dustreach::test::StdoutCapture;
using dustreach::test::SurfaceCanvas;

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 800;
const char* const kMessage = "Error in setting pixel- should never happen!";

// Hands everything on to the next link. A link of this class is not one the inline path knows,
// so a canvas whose chain starts here draws the plain way, point by point through the chain.
class Forward : public FilterPoints {
public:
    explicit Forward(FilterPoints* next) : next(next) {}
    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) override
    {
        return next->filter(canvas, x, y, colour);
    }
    int realToVirtualX(int x) override { return next->realToVirtualX(x); }
    int realToVirtualY(int y) override { return next->realToVirtualY(y); }

private:
    FilterPoints* next;
};

// Moves, recolours and refuses points, then accepts the rest even off the surface.
class Meddler : public FilterPoints {
public:
    bool filter(PixelCanvas*, int& x, int& y, unsigned int& colour) override
    {
        if ((x + y) % 5 == 0)
            return false;
        x += 7;
        y -= 3;
        colour ^= 0x00FF00;
        return true;
    }
};

// A scroll link of a derived class that recolours: it filters differently from its base.
class TintingTranslation : public FilterPointsTranslation {
public:
    using FilterPointsTranslation::FilterPointsTranslation;
    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) override
    {
        colour = 0x123456;
        return FilterPointsTranslation::filter(canvas, x, y, colour);
    }
};

int randomIn(int low, int high)
{
    return low + std::rand() % (high - low + 1);
}

int countOf(const std::string& text, const std::string& line)
{
    int count = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++count;
    return count;
}

// A picture of random pixels from a small palette (so masks hit), alpha bytes random too.
std::shared_ptr<RawImageData> randomPicture(int width, int height)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    auto* words = static_cast<Uint32*>(surface->pixels);
    const Uint32 palette[4] = {0x00000000, 0xFF0000FF, 0x7F20C040, 0xFFFFFFFF};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            words[y * (surface->pitch / 4) + x] = palette[std::rand() % 4] ^ (std::rand() % 2);
    auto picture = std::make_shared<RawImageData>("random");
    picture->copyPixelsFrom(surface);
    SDL_FreeSurface(surface);
    return picture;
}

// One drawing, ready to be made with the same arguments on a canvas.
using Operation = std::function<void(PixelCanvas&)>;

// Stretches (steps > 0) or compresses (steps < 0) a fresh zoom filter step by step.
void zoom(FilterPointsScaling& scaling, int steps)
{
    for (int i = 0; i < std::abs(steps); ++i)
        steps > 0 ? scaling.stretch() : scaling.compress();
}

// Two canvases of window size behind one chain: `direct` takes the chain itself, `plain` goes
// through a Forward link in front of it, so everything drawn on both must come out the same.
class FastPathTest : public testing::Test {
protected:
    FastPathTest() : direct(kWidth, kHeight), plain(kWidth, kHeight)
    {
        window.windowWidth = kWidth;
        window.windowHeight = kHeight;
    }

    static void SetUpTestSuite()
    {
        TTF_Init();
        font = std::make_unique<GameFont>("Cornerstone Regular.ttf", 24);
        font->font = TTF_OpenFont(assetPath("Cornerstone Regular.ttf").c_str(), 24);
        ASSERT_NE(font->font, nullptr);
    }

    static void TearDownTestSuite()
    {
        TTF_CloseFont(font->font);
        font.reset();
    }

    // One random shape, text or picture, ready to be drawn with the same arguments on a canvas.
    static Operation randomOperation(const ImageHandle& picture)
    {
        const int x1 = randomIn(-300, 900), y1 = randomIn(-300, 1100);
        const int x2 = x1 + randomIn(-90, 90), y2 = y1 + randomIn(-90, 90);
        const unsigned int colour = static_cast<unsigned int>(std::rand()) & 0xFFFFFF;
        switch (std::rand() % 6) {
        case 0: return [=](PixelCanvas& c) { c.drawRectangle(x1, y1, x2, y2, colour); };
        case 1: return [=](PixelCanvas& c) { c.drawOval(x1, y1, x2, y2, colour); };
        case 2: {
            const double x3 = x1 + randomIn(-500, 500) / 10.0, y3 = y2 + randomIn(-500, 500) / 10.0;
            const double fx = randomIn(0, 9) / 10.0;
            return [=](PixelCanvas& c) { c.drawTriangle(x1 + fx, y1, x2, y2 - fx, x3, y3, colour); };
        }
        case 3: {
            static const char* const texts[] = {"Score:    42", "Paused! Press SPACE", "i", "W W"};
            const char* text = texts[std::rand() % 4];
            return [=](PixelCanvas& c) { c.drawString(x1, y1, text, colour, font.get()); };
        }
        default: {
            const int xSrc = randomIn(-40, 40), ySrc = randomIn(-40, 40);
            const int width = randomIn(0, 70), height = randomIn(0, 70);
            const unsigned int mask = picture.getPixel(3, 4) & 0xFFFFFF;
            const int kind = std::rand() % 3;
            return [=](PixelCanvas& c) {
                if (kind == 0)
                    picture.renderImage(&c, xSrc, ySrc, x1, y1, width, height);
                else if (kind == 1)
                    picture.renderImageWithMask(&c, xSrc, ySrc, x1, y1, width, height);
                else
                    picture.renderImageWithMaskColour(&c, xSrc, ySrc, x1, y1, width, height, mask);
            };
        }
        }
    }

    // Draws the operations on both canvases, checking after each that the output (no message:
    // the chain ends in the window test) and the zoom filter's count (when there is one) came
    // out the same, and the pixels every few operations and after the last.
    void compareOverOperations(FilterPoints* head, FilterPointsScaling* scaling,
                               const std::vector<Operation>& operations)
    {
        Forward forward(head);
        direct.setFilter(head);
        plain.setFilter(&forward);
        ASSERT_TRUE(PointWriter(direct).isDirect());
        ASSERT_FALSE(PointWriter(plain).isDirect());
        const auto counted = [scaling] { return scaling ? scaling->getPointsVisited() : 0; };
        for (std::size_t i = 0; i < operations.size(); ++i) {
            const std::uint64_t start = counted();
            StdoutCapture output;
            operations[i](direct);
            const std::uint64_t directCount = counted() - start;
            operations[i](plain);
            EXPECT_EQ(output.stop(), "");
            EXPECT_EQ(directCount, counted() - start - directCount) << "operation " << i;
            if (i % 8 == 7 || i + 1 == operations.size()) {
                ASSERT_TRUE(direct.pixelBytes() == plain.pixelBytes()) << "operation " << i;
            }
        }
    }

    void compareOverRandomOperations(FilterPoints* head, FilterPointsScaling* scaling, int count)
    {
        const ImageHandle picture(randomPicture(randomIn(1, 40), randomIn(1, 40)));
        std::vector<Operation> operations;
        for (int i = 0; i < count; ++i)
            operations.push_back(randomOperation(picture));
        compareOverOperations(head, scaling, operations);
    }

    BaseEngine window;
    SurfaceCanvas direct;
    SurfaceCanvas plain;
    static std::unique_ptr<GameFont> font;
};

std::unique_ptr<GameFont> FastPathTest::font;

TEST_F(FastPathTest, EngineAloneAndScrollOnlyChainsDrawLikeThePlainPath)
{
    std::srand(11);
    compareOverRandomOperations(&window, nullptr, 150);

    FilterPointsTranslation second(&window);
    FilterPointsTranslation first(&second);
    first.changeOffset(-250, 130);
    second.changeOffset(40, -300);
    compareOverRandomOperations(&first, nullptr, 150);
}

TEST_F(FastPathTest, ZoomedAndScrolledChainsDrawLikeThePlainPath)
{
    // Zoom steps: negative ones compress. Offsets include ones that pin points to the end of int.
    const int zoomSteps[] = {0, 1, 2, 7, 63, -1, -2, -7};
    const int offsets[][2] = {{0, 0}, {-37, 52}, {400, -650}, {INT_MAX, 3}, {-5, INT_MIN}};
    std::srand(12);
    for (const int steps : zoomSteps) {
        for (const auto& offset : offsets) {
            SCOPED_TRACE("zoom steps " + std::to_string(steps) + ", offset " +
                         std::to_string(offset[0]) + " " + std::to_string(offset[1]));
            FilterPointsScaling scaling(&window);
            FilterPointsTranslation translation(&scaling);
            zoom(scaling, steps);
            translation.changeOffset(offset[0], offset[1]);
            compareOverRandomOperations(&translation, &scaling, 40);
        }
    }
}

TEST_F(FastPathTest, TheInlineCountOfAZoomedOvalIsThePlainOne)
{
    // Random drawings often miss a zoomed window; this one surely counts points.
    FilterPointsScaling scaling(&window);
    FilterPointsTranslation translation(&scaling);
    zoom(scaling, 5);
    translation.changeOffset(-20, -30);
    compareOverOperations(&translation, &scaling,
                          {[](PixelCanvas& c) { c.drawOval(0, 0, 140, 170, 0xABCDEF); }});
    EXPECT_GT(scaling.getPointsVisited(), 0u);
}

TEST_F(FastPathTest, ChainsTheInlinePathDoesNotKnowGoThroughEveryLink)
{
    // A derived scroll link that recolours: its own filter must run.
    TintingTranslation tinting(&window);
    direct.setFilter(&tinting);
    EXPECT_FALSE(PointWriter(direct).isDirect());
    direct.drawRectangle(10, 10, 19, 19, 0xFF0000);
    EXPECT_EQ(dustreach::test::countPixels(direct, 0x123456, 10, 10, 20, 20), 100);

    // A zoom link whose next link is not the engine: moved, recoloured, refused and off-surface
    // points as the plain path has them, messages included.
    Meddler meddler;
    FilterPointsScaling scaling(&meddler);
    scaling.stretch();
    Forward forward(&scaling);
    SurfaceCanvas mine(kWidth, kHeight), reference(kWidth, kHeight);
    mine.setFilter(&scaling);
    reference.setFilter(&forward);
    EXPECT_FALSE(PointWriter(mine).isDirect());
    const auto ovalOutput = [](SurfaceCanvas& canvas) {
        StdoutCapture output;
        canvas.drawOval(280, 380, 310, 410, 0x00AA00);
        return output.stop();
    };
    const std::string mineText = ovalOutput(mine);
    EXPECT_GT(countOf(mineText, kMessage), 0);
    EXPECT_EQ(mineText, ovalOutput(reference));
    EXPECT_TRUE(mine.pixelBytes() == reference.pixelBytes());
}

TEST_F(FastPathTest, ASurfaceSmallerThanTheWindowKeepsItsMessages)
{
    // The window test keeps points the surface does not have: each one is a message.
    SurfaceCanvas small(300, 400);
    small.setFilter(&window);
    EXPECT_FALSE(PointWriter(small).isDirect());
    StdoutCapture output;
    small.drawRectangle(290, 390, 309, 399, 0x0000FF);
    EXPECT_EQ(countOf(output.stop(), kMessage), 100);
    EXPECT_EQ(dustreach::test::countPixels(small, 0x0000FF, 0, 0, 300, 400), 100);
}

// The points an oval hands on, in order, as the plain per-pixel loop visits them.
std::vector<AskedPoint> plainOvalPoints(int x1, int y1, int x2, int y2, unsigned int colour)
{
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    const double cx = (left + right) * 0.5, cy = (top + bottom) * 0.5;
    const double rx2 = static_cast<double>((right - left) * (right - left)) * 0.25;
    const double ry2 = static_cast<double>((bottom - top) * (bottom - top)) * 0.25;
    std::vector<AskedPoint> points;
    for (int x = left; x <= right; ++x) {
        const double dx = (x - cx) * (x - cx) / rx2;
        for (int y = top; y <= bottom; ++y)
            if (dx + (y - cy) * (y - cy) / ry2 <= 1.0)
                points.push_back({x, y, colour});
    }
    return points;
}

TEST(FastPathOrderTest, OvalsHandOnThePointsOfThePlainLoopInOrder)
{
    SurfaceCanvas canvas(50, 50);
    RecordingFilter recorder(false);
    canvas.setFilter(&recorder);
    std::srand(13);
    // Boxes below and above the 64 rows whose terms are kept, thin and degenerate ones included.
    for (int i = 0; i < 300; ++i) {
        const int x1 = randomIn(-50, 50), y1 = randomIn(-50, 50);
        const int x2 = x1 + randomIn(-30, 30), y2 = y1 + randomIn(-100, 100);
        recorder.asked.clear();
        canvas.drawOval(x1, y1, x2, y2, 0x445566);
        ASSERT_EQ(recorder.asked, plainOvalPoints(x1, y1, x2, y2, 0x445566))
            << x1 << "," << y1 << " " << x2 << "," << y2;
    }
}

TEST_F(FastPathTest, TextHandsOnTheGlyphPixelsOfThePlainScanInOrder)
{
    SurfaceCanvas canvas(50, 50);
    RecordingFilter recorder(false);
    canvas.setFilter(&recorder);
    for (const char* text : {"Score:   -3", "Lives:      5", "///*You Lost! Game Over!*///", "|"}) {
        SDL_Surface* rendered = TTF_RenderText_Solid(font->font, text, SDL_Color{1, 2, 3, 0});
        ASSERT_NE(rendered, nullptr);
        ASSERT_EQ(rendered->format->BitsPerPixel, 8);
        std::vector<AskedPoint> expected;
        for (int i = 0; i < rendered->w; ++i)
            for (int j = 0; j < rendered->h; ++j)
                if (static_cast<const Uint8*>(rendered->pixels)[j * rendered->pitch + i] != 0)
                    expected.push_back({-7 + i, 13 + j, 0x010203});
        SDL_FreeSurface(rendered);
        recorder.asked.clear();
        canvas.drawString(-7, 13, text, 0x010203, font.get());
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(recorder.asked, expected) << text;
    }
}

// ---- Whole game frames ----------------------------------------------------------------------

class FastPathGameTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder.copyGamePictures();
        std::srand(21);
        // The tile strip loads its icons when the engine is built, so the pictures come first.
        engine = std::make_unique<VorlanEngine>();
        ASSERT_EQ(dustreach::test::initialiseHeadless(*engine), 0);
        engine->getState().lives = 1000000;  // no frame may end the game
    }

    void TearDown() override { engine.reset(); }

    // Paints with the canvas's own chain and again through a Forward link in front of it, from
    // the same random sequence and game state: the pixels and the zoom filter's counts must match.
    void expectSameBothWays(PixelCanvas& canvas, const std::function<void()>& paint,
                            const std::string& situation)
    {
        SCOPED_TRACE(situation);
        FilterPoints* chain = canvas.getFilter();
        Forward forward(chain);
        const GameState saved = engine->getState();
        std::string pictures[2];
        std::uint64_t counts[2];
        for (int way = 0; way < 2; ++way) {
            engine->getState() = saved;
            canvas.setFilter(way == 0 ? chain : &forward);
            const std::uint64_t start = engine->getScalingFilter().getPointsVisited();
            std::srand(99);
            paint();
            counts[way] = engine->getScalingFilter().getPointsVisited() - start;
            pictures[way] = pixels(canvas);
        }
        canvas.setFilter(chain);
        engine->getState() = saved;
        EXPECT_EQ(counts[0], counts[1]);
        EXPECT_TRUE(pictures[0] == pictures[1]);
    }

    void expectSameFrameBothWays(const std::string& situation)
    {
        expectSameBothWays(*engine->getForegroundCanvas(), [this] { engine->composeFrame(); },
                           situation);
    }

    static std::string pixels(const PixelCanvas& canvas)
    {
        const SDL_Surface* surface = canvas.getSurface();
        return std::string(static_cast<const char*>(surface->pixels),
                           static_cast<std::size_t>(surface->pitch) * surface->h);
    }

    dustreach::test::ScopedTempDir folder;
    std::unique_ptr<VorlanEngine> engine;
};

TEST_F(FastPathGameTest, FramesAreTheSameAsThroughThePlainChain)
{
    expectSameFrameBothWays("start screen");
    engine->onKeyDown(SDLK_SPACE);
    ASSERT_EQ(engine->getState().playState, Running);
    expectSameFrameBothWays("play");
    for (int i = 0; i < 120; ++i)
        engine->appendObjectToArray(new AutomaticObject1(randomIn(-20, 620), randomIn(-30, 830),
                                                      engine.get(), 0, 0));
    engine->getState().facingRight = 1;
    expectSameFrameBothWays("play with shots");
    engine->onKeyDown(SDLK_c);
    engine->onKeyDown(SDLK_v);
    expectSameFrameBothWays("scrolled");
    const int clicks[] = {1, 1, 5, 56, -63, -1, -6};
    for (const int step : clicks) {
        for (int i = 0; i < std::abs(step); ++i)
            engine->onMouseDown(step > 0 ? SDL_BUTTON_MIDDLE : SDL_BUTTON_RIGHT, 300, 400);
        expectSameFrameBothWays("zoom steps " + std::to_string(step));
    }
    engine->onKeyDown(SDLK_SPACE);
    expectSameFrameBothWays("paused");
}

TEST_F(FastPathGameTest, ThePlayBackgroundIsTheSameAsThroughThePlainChain)
{
    engine->onKeyDown(SDLK_f);
    engine->onMouseDown(SDL_BUTTON_MIDDLE, 0, 0);  // not running yet: no zoom
    engine->getState().playState = Running;
    engine->onMouseDown(SDL_BUTTON_MIDDLE, 0, 0);  // zoomed by 2 while painting
    expectSameBothWays(*engine->getBackgroundCanvas(), [this] { engine->setupBackground(); },
                       "play background");
}

}  // namespace
