// Tests of text drawing: each glyph pixel of the rendered text lands at the given offset in exactly
// the given colour and nothing else changes; text is clipped by the window filter without
// messages; a missing font or an empty text draws nothing. The expected glyphs are rendered here
// with the font library from the same font.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "TestSupport.h"

using dustreach::test::AskedPoint;
using dustreach::test::countPixels;
using dustreach::test::RecordingFilter;
using dustreach::test::StdoutCapture;

namespace {

constexpr unsigned int kGround = 0x445566;

// Which pixels of a rendered text are glyph pixels: column i of row j at j * width + i.
struct Glyphs {
    int width = 0;
    int height = 0;
    std::vector<bool> on;
    bool at(int i, int j) const { return on[static_cast<std::size_t>(j * width + i)]; }
    int count() const { return static_cast<int>(std::count(on.begin(), on.end(), true)); }
};

Glyphs renderGlyphs(GameFont* font, const char* text)
{
    Glyphs glyphs;
    SDL_Surface* surface = TTF_RenderText_Solid(font->getTTFFont(), text, SDL_Color{1, 2, 3, 0});
    if (!surface) {
        ADD_FAILURE() << "cannot render \"" << text << "\": " << TTF_GetError();
        return glyphs;
    }
    EXPECT_EQ(surface->format->BitsPerPixel, 8);
    glyphs.width = surface->w;
    glyphs.height = surface->h;
    const auto* bytes = static_cast<const unsigned char*>(surface->pixels);
    for (int j = 0; j < surface->h; ++j)
        for (int i = 0; i < surface->w; ++i)
            glyphs.on.push_back(bytes[j * surface->pitch + i] != 0);
    SDL_FreeSurface(surface);
    return glyphs;
}

// True when every pixel of the canvas has the ground colour.
bool untouched(const PixelCanvas& canvas)
{
    const int width = canvas.getSurfaceWidth(), height = canvas.getSurfaceHeight();
    return countPixels(canvas, kGround, 0, 0, width, height) == width * height;
}

class TextTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, true), 0);
        ASSERT_NE(engine.getDefaultFont(), nullptr);
        ASSERT_NE(engine.getDefaultFont()->getTTFFont(), nullptr);
        canvas.fillSurface(kGround);
    }

    // Draws the text on the ground (silently) and checks that every pixel of the canvas is the
    // colour where the glyphs put at (x, y) cover it, and the ground elsewhere. Returns how many
    // pixels took the colour, and how many glyph pixels the text has.
    std::pair<int, int> drawAndCheck(GameFont* font, const char* text, int x, int y,
                                     unsigned int colour)
    {
        const Glyphs glyphs = renderGlyphs(font ? font : engine.getDefaultFont(), text);
        canvas.fillSurface(kGround);
        StdoutCapture capture;
        canvas.drawString(x, y, text, colour, font);
        EXPECT_EQ(capture.stop(), "") << text;
        int drawn = 0;
        for (int cy = 0; cy < canvas.getSurfaceHeight(); ++cy)
            for (int cx = 0; cx < canvas.getSurfaceWidth(); ++cx) {
                const int i = cx - x, j = cy - y;
                const bool glyph = i >= 0 && i < glyphs.width && j >= 0 && j < glyphs.height &&
                                   glyphs.at(i, j);
                const unsigned int expected = glyph ? colour : kGround;
                if (canvas.rawGetPixel(cx, cy) != expected) {
                    ADD_FAILURE() << text << ": pixel " << cx << "," << cy << " is " << std::hex
                                  << canvas.rawGetPixel(cx, cy) << ", expected " << expected;
                    return {-1, glyphs.count()};
                }
                drawn += glyph;
            }
        return {drawn, glyphs.count()};
    }

    BaseEngine engine;
    PixelCanvas& canvas = *engine.getForegroundCanvas();
};

}  // namespace

TEST_F(TextTest, GlyphPixelsLandAtTheOffsetInExactlyTheColourInTheFontGiven)
{
    const auto [drawn, glyphs] = drawAndCheck(nullptr, "Dustreach 42", 10, 20, 0x00FF00);
    EXPECT_GT(glyphs, 50);
    EXPECT_EQ(drawn, glyphs);

    const std::string path = dustreach::test::assetPath(dustreach::test::kGameFont);
    GameFont* small = engine.getFontCache().getFont(path, 12);
    ASSERT_NE(small->getTTFFont(), nullptr);
    ASSERT_LT(renderGlyphs(small, "Level 2").height,
              renderGlyphs(engine.getDefaultFont(), "Level 2").height);
    const auto [smallDrawn, smallGlyphs] = drawAndCheck(small, "Level 2", 100, 200, 0xFFFFFF);
    EXPECT_EQ(smallDrawn, smallGlyphs);
}

TEST_F(TextTest, TextPartlyOutsideTheWindowDrawsTheInsidePartSilently)
{
    const Glyphs score = renderGlyphs(engine.getDefaultFont(), "Score: 1000");
    const int width = canvas.getSurfaceWidth(), height = canvas.getSurfaceHeight();
    for (auto [x, y] : {std::pair{-7, height - score.height / 2},
                        {width - score.width / 3, -score.height / 2}}) {
        const auto [drawn, glyphs] = drawAndCheck(nullptr, "Score: 1000", x, y, 0x123456);
        EXPECT_GT(drawn, 0) << x << "," << y;
        EXPECT_LT(drawn, glyphs) << x << "," << y;
    }
}

TEST_F(TextTest, EveryGlyphPixelGoesThroughTheFilterColumnByColumn)
{
    const Glyphs glyphs = renderGlyphs(engine.getDefaultFont(), "Hi!");
    RecordingFilter recorder(false);
    canvas.setFilter(&recorder);
    canvas.drawString(-3, 7, "Hi!", 0xABCDEF);

    std::vector<AskedPoint> expected;
    for (int i = 0; i < glyphs.width; ++i)
        for (int j = 0; j < glyphs.height; ++j)
            if (glyphs.at(i, j))
                expected.push_back({i - 3, j + 7, 0xABCDEF});
    EXPECT_EQ(recorder.asked, expected);
    EXPECT_TRUE(untouched(canvas));  // refused by the filter: nothing landed
}

TEST_F(TextTest, NothingIsDrawnForAnEmptyTextOrAFontThatDidNotOpen)
{
    StdoutCapture loading;
    GameFont* broken = engine.getFontCache().getFont("missing.ttf", 24);
    loading.stop();
    ASSERT_EQ(broken->getTTFFont(), nullptr);

    StdoutCapture capture;
    canvas.drawString(10, 10, "", 0xFFFFFF);
    // A font that did not open draws nothing, even though a default font exists.
    canvas.drawString(10, 10, "Paused", 0xFFFFFF, broken);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_TRUE(untouched(canvas));
}

TEST(TextWithoutFontTest, EngineWithoutDefaultFontDrawsNoText)
{
    BaseEngine engine;
    ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false, 200, 100), 0);
    PixelCanvas& canvas = *engine.getForegroundCanvas();
    canvas.fillSurface(kGround);
    StdoutCapture capture;
    canvas.drawString(10, 10, "Game over", 0xFFFFFF);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_TRUE(untouched(canvas));
}
