// BrowserStorage, the browser's watch over the two files, with the page's side played by the test:
// a flush is asked for after a frame that wrote a file, naming the files written; one at a time,
// the end of one looking again; a refused flush prints the failed files' usual lines (once per
// run of failures) and tells the page once that saves will not last.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BrowserStorage.h"
#include "HighScoreFile.h"
#include "SaveRecord.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using namespace dustreach::test;

namespace {

using Flushes = std::vector<std::pair<bool, bool>>;
const std::string kSave = "kept/currentSave.txt";
const std::string kHighScores = "kept/highScore.txt";

class BrowserStorageTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory("kept");
        writeFile(kHighScores, "3\n");  // as loaded before main
        storage = std::make_unique<BrowserStorage>(
            "kept", [this](bool save, bool highScores) { flushes.emplace_back(save, highScores); },
            [this] { ++lossNotices; });
    }
    // The frame's end: standard output while the storage looks at the files.
    std::string afterFrame()
    {
        StdoutCapture capture;
        storage->keepChangedFiles();
        return capture.stop();
    }
    std::string flushEnded(bool ok)
    {
        StdoutCapture capture;
        storage->flushEnded(ok);
        return capture.stop();
    }
    static void save(int score) { ASSERT_TRUE(SaveRecord{{score}}.writeFile(kSave)); }

    ScopedTempDir folder;
    std::unique_ptr<BrowserStorage> storage;
    Flushes flushes;
    int lossNotices = 0;
};

TEST_F(BrowserStorageTest, AsksForAFlushOfWhatWasWrittenOneAtATimeAndLooksAgainAtItsEnd)
{
    EXPECT_EQ(afterFrame(), "");
    EXPECT_EQ(flushes, Flushes{});  // the loaded files are kept already
    save(1);
    afterFrame();
    EXPECT_EQ(flushes, (Flushes{{true, false}}));
    ASSERT_TRUE(HighScoreFile::append(kHighScores, 4));
    save(1);  // the same bytes again: still a save of its own
    afterFrame();
    EXPECT_EQ(flushes.size(), 1u);  // waits for the flush under way
    EXPECT_EQ(flushEnded(true), "");
    EXPECT_EQ(flushes, (Flushes{{true, false}, {true, true}}));
    flushEnded(true);
    afterFrame();
    EXPECT_EQ(flushes.size(), 2u);
    EXPECT_EQ(lossNotices, 0);
}

TEST_F(BrowserStorageTest, EachRunOfRefusedFlushesPrintsEachFilesLineOnceAndTellsThePageOnce)
{
    ASSERT_TRUE(HighScoreFile::append(kHighScores, 4));
    afterFrame();
    EXPECT_EQ(flushEnded(false), "Could not record the score in highScore.txt\n");
    EXPECT_EQ(lossNotices, 1);
    save(2);
    afterFrame();
    EXPECT_EQ(flushEnded(false), "Could not save the game to currentSave.txt\n");
    save(3);
    afterFrame();
    EXPECT_EQ(flushEnded(false), "");  // the same run of failures
    save(4);
    afterFrame();
    EXPECT_EQ(flushEnded(true), "");
    save(5);
    afterFrame();
    EXPECT_EQ(flushEnded(false), "Could not save the game to currentSave.txt\n");
    EXPECT_EQ(lossNotices, 2);  // the page took the note away after the flush that worked
    EXPECT_EQ(flushes,
              (Flushes{{false, true}, {true, false}, {true, false}, {true, false}, {true, false}}));
}

}  // namespace
