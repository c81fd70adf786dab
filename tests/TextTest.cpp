// Tests of text drawing: each glyph pixel of the rendered text lands at the given offset in exactly
// the given colour and nothing else changes; text is clipped by the window filter without
// messages; a missing font or an empty text draws nothing. The expected glyphs are rendered here
// with the font library from the same font.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <string>
#include <vector>

#include "BaseEngine.h"
#include "TestSupport.h"

using dustreach::test::AskedPoint;
using dustreach::test::RecordingFilter;
using dustreach::test::StdoutCapture;

namespace {

constexpr unsigned int kGround = 0x445566;

// Which pixels of a rendered text are glyph pixels.
struct Glyphs {
    int width = 0;
    int height = 0;
    std::vector<bool> on;  // row by row: column i of row j at j * width + i
    bool at(int i, int j) const { return on[static_cast<std::size_t>(j * width + i)]; }
    int count() const
    {
        int n = 0;
        for (bool pixel : on)
            n += pixel;
        return n;
    }
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

class TextTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, true), 0);
        ASSERT_NE(engine.getDefaultFont(), nullptr);
        ASSERT_NE(engine.getDefaultFont()->getTTFFont(), nullptr);
        canvas.fillSurface(kGround);
    }

    // Every pixel of the canvas is the colour where the glyphs put at (x, y) cover it, and the
    // ground elsewhere. Returns how many pixels took the colour.
    int expectTextAt(const Glyphs& glyphs, int x, int y, unsigned int colour)
    {
        int drawn = 0;
        for (int cy = 0; cy < canvas.getSurfaceHeight(); ++cy)
            for (int cx = 0; cx < canvas.getSurfaceWidth(); ++cx) {
                const int i = cx - x, j = cy - y;
                const bool glyph = i >= 0 && i < glyphs.width && j >= 0 && j < glyphs.height &&
                                   glyphs.at(i, j);
                const unsigned int expected = glyph ? colour : kGround;
                if (canvas.rawGetPixel(cx, cy) != expected) {
                    ADD_FAILURE() << "pixel " << cx << "," << cy << " is " << std::hex
                                  << canvas.rawGetPixel(cx, cy) << ", expected " << expected;
                    return -1;
                }
                drawn += glyph;
            }
        return drawn;
    }

    BaseEngine engine;
    PixelCanvas& canvas = *engine.getForegroundCanvas();
};

}  // namespace

TEST_F(TextTest, GlyphPixelsLandAtTheOffsetInExactlyTheColour)
{
    const Glyphs glyphs = renderGlyphs(engine.getDefaultFont(), "Dustreach 42");
    ASSERT_GT(glyphs.count(), 50);

    StdoutCapture capture;
    canvas.drawString(10, 20, "Dustreach 42", 0x00FF00);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(expectTextAt(glyphs, 10, 20, 0x0000FF00), glyphs.count());
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
    // Refused by the filter: nothing landed.
    EXPECT_EQ(dustreach::test::countPixels(canvas, kGround, 0, 0, canvas.getSurfaceWidth(),
                                           canvas.getSurfaceHeight()),
              canvas.getSurfaceWidth() * canvas.getSurfaceHeight());
}

TEST_F(TextTest, TextPartlyOutsideTheWindowDrawsTheInsidePartSilently)
{
    const char* text = "Score: 1000";
    const Glyphs glyphs = renderGlyphs(engine.getDefaultFont(), text);
    const int x = -7;
    const int y = canvas.getSurfaceHeight() - glyphs.height / 2;

    StdoutCapture capture;
    canvas.drawString(x, y, text, 0x123456);
    EXPECT_EQ(capture.stop(), "");
    const int drawn = expectTextAt(glyphs, x, y, 0x123456);
    EXPECT_GT(drawn, 0);
    EXPECT_LT(drawn, glyphs.count());

    canvas.fillSurface(kGround);
    const int right = canvas.getSurfaceWidth() - glyphs.width / 3;
    StdoutCapture second;
    canvas.drawString(right, -glyphs.height / 2, text, 0x123456);
    EXPECT_EQ(second.stop(), "");
    EXPECT_GT(expectTextAt(glyphs, right, -glyphs.height / 2, 0x123456), 0);
}

TEST_F(TextTest, AGivenFontIsUsedInsteadOfTheDefault)
{
    GameFont* small =
        engine.getFontCache().getFont(dustreach::test::assetPath("Cornerstone Regular.ttf"), 12);
    ASSERT_NE(small->getTTFFont(), nullptr);
    const Glyphs glyphs = renderGlyphs(small, "Level 2");
    ASSERT_LT(glyphs.height, renderGlyphs(engine.getDefaultFont(), "Level 2").height);

    canvas.drawString(100, 200, "Level 2", 0xFFFFFF, small);
    EXPECT_EQ(expectTextAt(glyphs, 100, 200, 0xFFFFFF), glyphs.count());
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
    EXPECT_EQ(dustreach::test::countPixels(canvas, kGround, 0, 0, canvas.getSurfaceWidth(),
                                           canvas.getSurfaceHeight()),
              canvas.getSurfaceWidth() * canvas.getSurfaceHeight());
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
    EXPECT_EQ(dustreach::test::countPixels(canvas, kGround, 0, 0, 200, 100), 200 * 100);
}
