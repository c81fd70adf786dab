// Tests of the tile grid (geometry, values, visiting order, default grey tiles) and of the game's
// power-up strip (icons, shape colours, which tile's value shows). The strip's icons are made by
// the tests in a temporary folder.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "BaseEngine.h"
#include "ImageManager.h"
#include "PixelCanvas.h"
#include "TestSupport.h"
#include "TileManager.h"
#include "VorlanTileManager.h"

using dustreach::test::countPixels;
using dustreach::test::ScopedTempDir;
using dustreach::test::StdoutCapture;

namespace {

constexpr unsigned int background = 0x123456;
constexpr unsigned int blue = 0x0000FF;
constexpr unsigned int green = 0x0FF000;

// Remembers every drawTileAt call instead of drawing.
class RecordingTileManager : public TileManager {
public:
    void drawTileAt(BaseEngine* engine, PixelCanvas* canvas, int mapX, int mapY, int screenX,
                    int screenY) override
    {
        calls.emplace_back(mapX, mapY, screenX, screenY);
        lastEngine = engine;
        lastCanvas = canvas;
    }
    std::vector<std::tuple<int, int, int, int>> calls;
    BaseEngine* lastEngine = nullptr;
    PixelCanvas* lastCanvas = nullptr;
};

// Opaque icon pixels, distinct per position and per icon, never the background or a strip colour.
Uint32 speedIcon(int x, int y)
{
    return 0xFF000000u | (static_cast<Uint32>(200 + x) << 16) | (static_cast<Uint32>(y) << 8) | 7u;
}
Uint32 buffIcon(int x, int y)
{
    return 0xFF000000u | (static_cast<Uint32>(y) << 16) | (static_cast<Uint32>(100 + x) << 8) | 9u;
}

template <typename ColourAt>
void savePng(const char* name, int width, int height, ColourAt colourAt)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            static_cast<Uint32*>(surface->pixels)[y * surface->pitch / 4 + x] = colourAt(x, y);
    ASSERT_EQ(IMG_SavePNG(surface, name), 0) << IMG_GetError();
    SDL_FreeSurface(surface);
}

class TilesCanvasTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        canvas = engine.getForegroundCanvas();
        canvas->fillSurface(background);
        engine.getBackgroundCanvas()->fillSurface(background);
    }
    void TearDown() override { ImageManager::destroyInstance(); }

    unsigned int at(int x, int y) const { return canvas->rawGetPixel(x, y); }
    int count(unsigned int colour, int x0, int y0, int x1, int y1) const
    {
        return countPixels(*canvas, colour, x0, y0, x1, y1);
    }
    int changedPixels() const { return 600 * 800 - count(background, 0, 0, 600, 800); }

    BaseEngine engine;
    PixelCanvas* canvas = nullptr;
};

// The strip's fixture: both icons made in a temporary folder, the manager at the game's place.
class TilesStripTest : public TilesCanvasTest {
protected:
    void SetUp() override
    {
        TilesCanvasTest::SetUp();
        savePng("speed.png", 20, 20, speedIcon);
        savePng("buff.png", 20, 20, buffIcon);
        StdoutCapture capture;
        strip = std::make_unique<VorlanTileManager>();
        constructionOutput = capture.stop();
        strip->setBaseTilesPositionOnScreen(100, 250);
    }
    // Pixels of the oval, square and triangle area (x 140..199, rows 250..269) in colour.
    int shapePixels(unsigned int colour) const { return count(colour, 140, 250, 200, 270); }

    ScopedTempDir dir;
    std::unique_ptr<VorlanTileManager> strip;
    std::string constructionOutput;
};

// ---- Tile grid ---------------------------------------------------------------------------------

TEST(TilesGridTest, NewManagerHasNoMapAndDrawAllVisitsColumnsOuterRowsInner)
{
    RecordingTileManager tiles;
    EXPECT_EQ(tiles.getMapWidth(), 0);
    EXPECT_EQ(tiles.getMapHeight(), 0);
    EXPECT_EQ(tiles.getTileWidth(), 20);
    EXPECT_EQ(tiles.getTileHeight(), 20);
    EXPECT_EQ(tiles.getBaseScreenX(), 0);
    EXPECT_EQ(tiles.getBaseScreenY(), 0);
    EXPECT_FALSE(tiles.isValidTilePosition(0, 0));
    EXPECT_FALSE(tiles.isValidTilePosition(-1, -1));
    tiles.setMapValue(0, 0, 5);  // nowhere to store it
    EXPECT_EQ(tiles.getMapValue(0, 0), 0);
    tiles.drawAllTiles(nullptr, nullptr);
    EXPECT_TRUE(tiles.calls.empty());

    tiles.setMapSize(2, 3);
    tiles.setBaseTilesPositionOnScreen(10, 30);
    BaseEngine* engine = reinterpret_cast<BaseEngine*>(0x10);
    PixelCanvas* canvas = reinterpret_cast<PixelCanvas*>(0x20);
    tiles.drawAllTiles(engine, canvas);
    const std::vector<std::tuple<int, int, int, int>> expected = {
        {0, 0, 10, 30}, {0, 1, 10, 50}, {0, 2, 10, 70},
        {1, 0, 30, 30}, {1, 1, 30, 50}, {1, 2, 30, 70}};
    EXPECT_EQ(tiles.calls, expected);
    EXPECT_EQ(tiles.lastEngine, engine);
    EXPECT_EQ(tiles.lastCanvas, canvas);
}

TEST(TilesGridTest, ValuesAndTileAreaStayInsideTheMap)
{
    TileManager tiles;
    tiles.setMapSize(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(tiles.getMapValue(x, y), 0);
            tiles.setMapValue(x, y, 10 * y + x + 1);
        }
    // Row-major: (2, 0) and (0, 1) are neighbours in the array but different tiles.
    EXPECT_EQ(tiles.getMapValue(2, 0), 3);
    EXPECT_EQ(tiles.getMapValue(0, 1), 11);
    for (const auto& [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {3, 1}, {-1, 1}}) {
        tiles.setMapValue(x, y, 99);
        EXPECT_EQ(tiles.getMapValue(x, y), 0) << x << "," << y;
    }
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(tiles.getMapValue(x, y), 10 * y + x + 1);
    tiles.setMapSize(2, 2);
    EXPECT_EQ(tiles.getMapValue(1, 1), 0);
    EXPECT_EQ(tiles.getMapValue(2, 0), 0);
    tiles.setMapSize(-3, 4);
    EXPECT_EQ(tiles.getMapWidth(), 0);
    EXPECT_EQ(tiles.getMapHeight(), 0);

    // Left and top edges in, right and bottom out.
    tiles.setMapSize(5, 1);
    tiles.setBaseTilesPositionOnScreen(100, 250);
    for (const auto& [x, y, inside] : {std::tuple{100, 250, true}, {199, 269, true},
                                       {99, 250, false}, {200, 250, false}, {100, 249, false},
                                       {100, 270, false}})
        EXPECT_EQ(tiles.isValidTilePosition(x, y), inside) << x << "," << y;
    // A far-away map does not wrap around.
    tiles.setMapSize(4, 4);
    tiles.setBaseTilesPositionOnScreen(INT_MAX - 30, INT_MAX - 30);
    EXPECT_TRUE(tiles.isValidTilePosition(INT_MAX - 1, INT_MAX - 1));
    EXPECT_FALSE(tiles.isValidTilePosition(0, 0));
}

TEST_F(TilesCanvasTest, DefaultTilesAreGreyShadesOfValueAndPosition)
{
    TileManager tiles;
    tiles.setMapSize(5, 6);
    // Shade (mapX + mapY + value) mod 16, wrapping for negative values too; alpha stays 0.
    for (const auto& [value, grey] :
         {std::pair{0, 0x707070u}, {9, 0x000000u}, {8, 0xF0F0F0u}, {-10, 0xD0D0D0u}}) {
        tiles.setMapValue(3, 4, value);
        tiles.drawTileAt(&engine, canvas, 3, 4, 40, 50);
        EXPECT_EQ(count(grey, 40, 50, 60, 70), 400) << value;
        EXPECT_EQ(changedPixels(), 400) << value;
        EXPECT_EQ(at(40, 50) >> 24, 0u);
    }

    canvas->fillSurface(background);
    tiles.setMapSize(3, 2);
    tiles.setBaseTilesPositionOnScreen(200, 300);
    tiles.drawAllTiles(&engine, canvas);
    for (int mapX = 0; mapX < 3; ++mapX)
        for (int mapY = 0; mapY < 2; ++mapY) {
            const unsigned int grey = static_cast<unsigned int>(mapX + mapY) * 0x101010u;
            const int x0 = 200 + 20 * mapX, y0 = 300 + 20 * mapY;
            EXPECT_EQ(count(grey, x0, y0, x0 + 20, y0 + 20), 400) << mapX << "," << mapY;
        }
    EXPECT_EQ(changedPixels(), 6 * 400);
}

// ---- Power-up strip ----------------------------------------------------------------------------

TEST_F(TilesStripTest, ConstructionKeepsBothIconsAndBoostOffPaintsBlueShapesAndIcons)
{
    EXPECT_EQ(constructionOutput,
              "\t\t+++ Find image:speed.png\n\t\t+++ Load image:speed.png\n"
              "\t\t+++ Find image:buff.png\n\t\t+++ Load image:buff.png\n");
    EXPECT_TRUE(ImageManager::getInstance()->isKept("speed.png"));
    EXPECT_TRUE(ImageManager::getInstance()->isKept("buff.png"));
    EXPECT_EQ(strip->getMapWidth(), 5);
    EXPECT_EQ(strip->getMapHeight(), 1);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(strip->getMapValue(x, 0), 0);

    strip->drawAllTiles(&engine, canvas);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(at(100 + x, 250 + y), speedIcon(x, y) & 0xFFFFFF) << x << "," << y;
            ASSERT_EQ(at(120 + x, 250 + y), buffIcon(x, y) & 0xFFFFFF) << x << "," << y;
        }
    EXPECT_EQ(at(149, 259), blue);                    // oval centre
    EXPECT_EQ(at(140, 250), background);              // oval's box corner stays out
    EXPECT_EQ(count(blue, 160, 250, 180, 270), 400);  // the square
    EXPECT_EQ(at(180, 250), blue);                    // triangle corners
    EXPECT_EQ(at(180, 269), blue);
    EXPECT_EQ(at(199, 260), blue);
    EXPECT_EQ(at(199, 250), background);
    EXPECT_EQ(shapePixels(green), 0);
    // Nothing outside the strip's rows 250..269 and columns 100..199.
    EXPECT_EQ(count(background, 100, 250, 200, 270) + changedPixels(), 100 * 20);
}

TEST_F(TilesStripTest, TheLastDrawnTileDecidesTheShapesColour)
{
    strip->drawAllTiles(&engine, canvas);
    const int shapes = shapePixels(blue);
    EXPECT_GT(shapes, 400);
    using Values = std::vector<int>;
    for (const auto& [values, colour] : {std::pair{Values{0, 0, 0, 0, 1}, green},
                                         {Values{1, 1, 1, 1, 1}, green},
                                         {Values{1, 1, 1, 1, 0}, blue}}) {
        for (int x = 0; x < 5; ++x)
            strip->setMapValue(x, 0, values[x]);
        strip->drawAllTiles(&engine, canvas);
        EXPECT_EQ(shapePixels(colour), shapes) << values[0] << values[4];
        EXPECT_EQ(shapePixels(colour == blue ? green : blue), 0) << values[0] << values[4];
    }
}

TEST_F(TilesStripTest, EveryTilePaintsTheStripWhereOnlyOvalAndSquareFollowTheRow)
{
    PixelCanvas* other = engine.getBackgroundCanvas();
    strip->drawTileAt(&engine, canvas, 0, 0, 100, 250);
    strip->drawTileAt(&engine, other, 3, 0, 160, 250);
    const SDL_Surface* a = canvas->getSurface();
    const SDL_Surface* b = other->getSurface();
    ASSERT_EQ(a->pitch, b->pitch);
    EXPECT_EQ(std::memcmp(a->pixels, b->pixels, static_cast<size_t>(a->pitch) * a->h), 0);
    EXPECT_GT(shapePixels(blue), 400);

    canvas->fillSurface(background);
    strip->drawTileAt(&engine, canvas, 0, 0, 500, 300);
    EXPECT_EQ(at(100, 250), speedIcon(0, 0) & 0xFFFFFF);
    EXPECT_EQ(at(139, 269), buffIcon(19, 19) & 0xFFFFFF);
    EXPECT_EQ(count(blue, 160, 300, 180, 320), 400);
    EXPECT_EQ(at(149, 309), blue);
    EXPECT_EQ(count(blue, 140, 250, 180, 270), 0);
    EXPECT_EQ(at(185, 260), blue);
    EXPECT_EQ(count(blue, 180, 300, 200, 320), 0);
    EXPECT_EQ(count(background, 500, 300, 520, 320), 400);  // screenX is not used
}

TEST_F(TilesCanvasTest, StripWithoutIconFilesDrawsOnlyItsShapes)
{
    ScopedTempDir empty;
    StdoutCapture construction;
    auto strip = std::make_unique<VorlanTileManager>();
    EXPECT_EQ(construction.stop(),
              "\t\t+++ Find image:speed.png\n\t\t+++ Load image:speed.png\n"
              "ImageManager::getImagePtrbyURL() : Failed to load imagespeed.png\n"
              "\t\t+++ Find image:buff.png\n\t\t+++ Load image:buff.png\n"
              "ImageManager::getImagePtrbyURL() : Failed to load imagebuff.png\n");
    EXPECT_TRUE(strip->getSpeedImage().isEmpty());
    EXPECT_TRUE(strip->getBuffImage().isEmpty());

    strip->setBaseTilesPositionOnScreen(100, 250);
    StdoutCapture capture;
    strip->drawAllTiles(&engine, canvas);
    EXPECT_EQ(capture.stop(), "");
    EXPECT_EQ(count(background, 100, 250, 140, 270), 800);
    EXPECT_EQ(count(blue, 160, 250, 180, 270), 400);
}

}  // namespace
