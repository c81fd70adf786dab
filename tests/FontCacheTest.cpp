// Tests of the font cache: its exact messages, reuse of records by (name, size), growth past 20
// records with stable addresses, fonts asked for before they can be opened, the closing order,
// and the engine's default font.
#include <gtest/gtest.h>

#include <SDL_ttf.h>

#include <memory>
#include <string>
#include <vector>

#include "BaseEngine.h"
#include "FontCache.h"
#include "TestSupport.h"

using dustreach::test::ScopedTempDir;
using dustreach::test::StdoutCapture;

namespace {

const std::string kFont = "Cornerstone Regular.ttf";

// The font library up, and a working folder holding the game's font under its plain name.
class FontCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
        folder.copyAsset(kFont);
    }
    // Every cache of a test is gone before the library goes down.
    void TearDown() override { TTF_Quit(); }

    ScopedTempDir folder;
};

}  // namespace

TEST_F(FontCacheTest, SameKeyGivesTheSameRecordAndOneLoadingLine)
{
    FontCache cache;
    cache.loadFonts();

    StdoutCapture capture;
    GameFont* first = cache.getFont(kFont, 24);
    GameFont* again = cache.getFont(kFont, 24);
    EXPECT_EQ(capture.stop(), "Loading font: 24 point Cornerstone Regular.ttf\n");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(again, first);
    EXPECT_NE(first->getTTFFont(), nullptr);
    EXPECT_EQ(first->getName(), kFont);
    EXPECT_EQ(first->getSize(), 24);

    StdoutCapture second;
    GameFont* small = cache.getFont(kFont, 12);
    EXPECT_EQ(second.stop(), "Loading font: 12 point Cornerstone Regular.ttf\n");
    EXPECT_NE(small, first);
    EXPECT_NE(small->getTTFFont(), nullptr);
    EXPECT_EQ(cache.getCount(), 2);

    StdoutCapture quiet;
    EXPECT_EQ(cache.getFont(kFont, 24), first);
    EXPECT_EQ(cache.getFont(kFont, 12), small);
    EXPECT_EQ(quiet.stop(), "");
}

TEST_F(FontCacheTest, NamesAreComparedByteForByte)
{
    FontCache cache;
    cache.loadFonts();
    GameFont* plain = cache.getFont(kFont, 24);

    StdoutCapture capture;
    GameFont* otherCase = cache.getFont("cornerstone regular.ttf", 24);
    GameFont* otherPath = cache.getFont("./" + kFont, 24);
    EXPECT_EQ(capture.stop(),
              "Loading font: 24 point cornerstone regular.ttf\nFont loading failed.\n"
              "Loading font: 24 point ./Cornerstone Regular.ttf\n");
    EXPECT_NE(otherCase, plain);
    EXPECT_EQ(otherCase->getTTFFont(), nullptr);
    EXPECT_NE(otherPath, plain);
    EXPECT_NE(otherPath->getTTFFont(), nullptr);
    EXPECT_EQ(cache.getCount(), 3);
}

TEST_F(FontCacheTest, UnreadableFileKeepsARecordWithoutFont)
{
    FontCache cache;
    cache.loadFonts();
    StdoutCapture capture;
    GameFont* missing = cache.getFont("missing.ttf", 24);
    EXPECT_EQ(capture.stop(), "Loading font: 24 point missing.ttf\nFont loading failed.\n");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->getTTFFont(), nullptr);

    // Asked again: the failed record is returned as it is, without a new attempt or message.
    StdoutCapture again;
    EXPECT_EQ(cache.getFont("missing.ttf", 24), missing);
    EXPECT_EQ(again.stop(), "");
}

TEST_F(FontCacheTest, FontsAskedForBeforeLoadFontsOpenLaterSilently)
{
    FontCache cache;
    EXPECT_FALSE(cache.areFontsLoadable());
    StdoutCapture capture;
    GameFont* early = cache.getFont(kFont, 24);
    GameFont* missing = cache.getFont("missing.ttf", 10);
    EXPECT_EQ(capture.stop(),
              "Loading font: 24 point Cornerstone Regular.ttf\nFont loading failed.\n"
              "Loading font: 10 point missing.ttf\nFont loading failed.\n");
    EXPECT_EQ(early->getTTFFont(), nullptr);

    StdoutCapture loading;
    cache.loadFonts();
    EXPECT_EQ(loading.stop(), "");
    EXPECT_TRUE(cache.areFontsLoadable());
    EXPECT_NE(early->getTTFFont(), nullptr);
    EXPECT_EQ(missing->getTTFFont(), nullptr);

    StdoutCapture later;
    EXPECT_EQ(cache.getFont(kFont, 24), early);
    GameFont* direct = cache.getFont(kFont, 30);
    EXPECT_EQ(later.stop(), "Loading font: 30 point Cornerstone Regular.ttf\n");
    EXPECT_NE(direct->getTTFFont(), nullptr);
}

TEST_F(FontCacheTest, TwentyFirstRecordGrowsCapacityByTenAndRecordsStayPut)
{
    FontCache cache;  // not loadable: no files are opened, the records are what counts
    EXPECT_EQ(cache.getCapacity(), 20);
    std::vector<GameFont*> records;
    StdoutCapture capture;
    for (int size = 1; size <= 20; ++size)
        records.push_back(cache.getFont("f.ttf", size));
    EXPECT_EQ(cache.getCapacity(), 20);
    records.push_back(cache.getFont("f.ttf", 21));
    EXPECT_EQ(cache.getCapacity(), 30);
    EXPECT_EQ(cache.getCount(), 21);
    for (int size = 22; size <= 31; ++size)
        records.push_back(cache.getFont("f.ttf", size));
    EXPECT_EQ(cache.getCapacity(), 40);
    capture.stop();

    StdoutCapture quiet;
    for (int size = 1; size <= 31; ++size) {
        GameFont* record = records[static_cast<std::size_t>(size - 1)];
        EXPECT_EQ(cache.getFont("f.ttf", size), record) << size;
        EXPECT_EQ(record->getSize(), size);
        EXPECT_EQ(record->getName(), "f.ttf");
    }
    EXPECT_EQ(quiet.stop(), "");
}

TEST_F(FontCacheTest, DestructionFreesOpenFontsInTheOrderFirstAskedFor)
{
    auto cache = std::make_unique<FontCache>();
    cache->loadFonts();
    StdoutCapture loading;
    cache->getFont(kFont, 24);
    cache->getFont("missing.ttf", 24);
    cache->getFont(kFont, 12);
    cache->getFont(kFont, 24);
    cache->getFont(kFont, 18);
    loading.stop();

    StdoutCapture capture;
    cache.reset();
    EXPECT_EQ(capture.stop(),
              "Free font: 24 point Cornerstone Regular.ttf\n"
              "Free font: 12 point Cornerstone Regular.ttf\n"
              "Free font: 18 point Cornerstone Regular.ttf\n");
}

TEST_F(FontCacheTest, EngineOpensItsDefaultFontAtInitialiseAndFreesItAtDestruction)
{
    StdoutCapture capture;
    {
        BaseEngine engine;
        dustreach::test::useDummyVideo();
        ASSERT_EQ(engine.initialise("fonts", 60, 40, kFont.c_str(), 24), 0);
        GameFont* font = engine.getDefaultFont();
        ASSERT_NE(font, nullptr);
        EXPECT_NE(font->getTTFFont(), nullptr);
        EXPECT_EQ(engine.getFontCache().getFont(kFont, 24), font);
        engine.deinitialise();
    }
    EXPECT_EQ(capture.stop(), "Loading font: 24 point Cornerstone Regular.ttf\n"
                              "Free font: 24 point Cornerstone Regular.ttf\n");
}

TEST_F(FontCacheTest, EngineWithAnUnreadableFontRunsOnWithoutIt)
{
    StdoutCapture capture;
    {
        BaseEngine engine;
        dustreach::test::useDummyVideo();
        ASSERT_EQ(engine.initialise("fonts", 60, 40, "nowhere.ttf", 24), 0);
        ASSERT_NE(engine.getDefaultFont(), nullptr);
        EXPECT_EQ(engine.getDefaultFont()->getTTFFont(), nullptr);
        engine.deinitialise();
    }
    EXPECT_EQ(capture.stop(), "Loading font: 24 point nowhere.ttf\nFont loading failed.\n");
}
