// Tests of the font cache: its exact messages, reuse of records by (name, size), growth past 20
// records with stable addresses, fonts asked for before they can be opened, the closing order,
// and the engine's default font.
#include <gtest/gtest.h>

#include <SDL_ttf.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "FontCache.h"
#include "TestSupport.h"

using dustreach::test::StdoutCapture;

namespace {

const std::string kFont = dustreach::test::kGameFont;
const std::string kLoad24 = "Loading font: 24 point Cornerstone Regular.ttf\n";
const std::string kFailed = "Font loading failed.\n";

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

    dustreach::test::ScopedTempDir folder;
};

}  // namespace

TEST_F(FontCacheTest, RecordsAreKeptByExactNameAndSizeWithOneLoadingLineEach)
{
    FontCache cache;
    cache.loadFonts();
    StdoutCapture capture;
    GameFont* first = cache.getFont(kFont, 24);
    GameFont* again = cache.getFont(kFont, 24);
    EXPECT_EQ(capture.stop(), kLoad24);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(again, first);
    EXPECT_NE(first->getTTFFont(), nullptr);
    EXPECT_EQ(first->getName(), kFont);
    EXPECT_EQ(first->getSize(), 24);

    // Names are compared byte for byte; a file that does not open keeps a record without font.
    StdoutCapture others;
    GameFont* small = cache.getFont(kFont, 12);
    GameFont* otherCase = cache.getFont("cornerstone regular.ttf", 24);
    GameFont* otherPath = cache.getFont("./" + kFont, 24);
    EXPECT_EQ(others.stop(), "Loading font: 12 point Cornerstone Regular.ttf\n"
                             "Loading font: 24 point cornerstone regular.ttf\n" + kFailed +
                                 "Loading font: 24 point ./Cornerstone Regular.ttf\n");
    for (GameFont* other : {small, otherCase, otherPath})
        EXPECT_NE(other, first);
    EXPECT_NE(small->getTTFFont(), nullptr);
    EXPECT_EQ(otherCase->getTTFFont(), nullptr);
    EXPECT_NE(otherPath->getTTFFont(), nullptr);
    EXPECT_EQ(cache.getCount(), 4);

    // Asked again, every record comes back as it is: no new attempt, no message.
    StdoutCapture quiet;
    EXPECT_EQ(cache.getFont(kFont, 24), first);
    EXPECT_EQ(cache.getFont(kFont, 12), small);
    EXPECT_EQ(cache.getFont("cornerstone regular.ttf", 24), otherCase);
    EXPECT_EQ(quiet.stop(), "");
}

TEST_F(FontCacheTest, FontsAskedForBeforeLoadFontsOpenLaterSilently)
{
    FontCache cache;
    EXPECT_FALSE(cache.areFontsLoadable());
    StdoutCapture capture;
    GameFont* early = cache.getFont(kFont, 24);
    GameFont* missing = cache.getFont("missing.ttf", 10);
    EXPECT_EQ(capture.stop(), kLoad24 + kFailed + "Loading font: 10 point missing.ttf\n" + kFailed);
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
    for (int size = 1; size <= 31; ++size) {
        records.push_back(cache.getFont("f.ttf", size));
        EXPECT_EQ(cache.getCapacity(), size <= 20 ? 20 : size <= 30 ? 30 : 40) << size;
    }
    EXPECT_EQ(cache.getCount(), 31);
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
    for (auto [name, size] : {std::pair{kFont, 24}, {"missing.ttf", 24}, {kFont, 12}, {kFont, 24},
                              {kFont, 18}})
        cache->getFont(name, size);
    loading.stop();

    StdoutCapture capture;
    cache.reset();
    EXPECT_EQ(capture.stop(), "Free font: 24 point Cornerstone Regular.ttf\n"
                              "Free font: 12 point Cornerstone Regular.ttf\n"
                              "Free font: 18 point Cornerstone Regular.ttf\n");
}

TEST_F(FontCacheTest, EngineOpensItsDefaultFontAtInitialiseFreesItAtDestructionOrRunsOnWithout)
{
    dustreach::test::useDummyVideo();
    const std::string good = kLoad24 + "Free font: 24 point Cornerstone Regular.ttf\n";
    const std::string bad = "Loading font: 24 point nowhere.ttf\n" + kFailed;
    for (auto [name, output] : {std::pair{kFont, good}, {std::string("nowhere.ttf"), bad}}) {
        StdoutCapture capture;
        {
            BaseEngine engine;
            ASSERT_EQ(engine.initialise("fonts", 60, 40, name.c_str(), 24), 0);
            GameFont* font = engine.getDefaultFont();
            ASSERT_NE(font, nullptr);
            EXPECT_EQ(font->getTTFFont() != nullptr, name == kFont);
            EXPECT_EQ(engine.getFontCache().getFont(name, 24), font);
            engine.deinitialise();
        }
        EXPECT_EQ(capture.stop(), output) << name;
    }
}
