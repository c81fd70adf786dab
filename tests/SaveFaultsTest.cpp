// Fault tests of the game's two files: a save interrupted at every byte, a temporary file left by a
// crash, files that are folders, links, pipes or huge, counters at the ends of int after a load, and
// a high-score file that keeps every earlier line over many lost games. The game runs in-process
// through its main loop on a fake clock.
#include <gtest/gtest.h>

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "GameDriver.h"
#include "HighScoreFile.h"
#include "SaveRecord.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using dustreach::test::GameDriver;
using dustreach::test::readFile;
using dustreach::test::ScopedTempDir;
using dustreach::test::StdoutCapture;
using dustreach::test::writeFile;

namespace {

const std::string kSave = "currentSave.txt";
const std::string kTemporary = "currentSave.txt.tmp";
const std::string kHighScores = "highScore.txt";

// Player at (300, 600), enemies spread along y 100, the UFO far off: nothing touches anything in
// the first updates after a load.
SaveRecord quietRecord(int score, int lives, int speedBoost, int level)
{
    SaveRecord record;
    record.fields = {score, lives, 300, 600, 100, 100, 200, 100, 300, 100, 400, 100, 500, 700,
                     speedBoost, level};
    return record;
}

// A folder with the game's files, and the game running in it (SPACE pressed, a few updates on).
class SaveFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.copyGamePictures();
        dir.copyAsset(dustreach::test::kGameFont);
        game = std::make_unique<GameDriver>();
        ASSERT_TRUE(game->started());
        ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
        ASSERT_TRUE(game->step(3));
        ASSERT_EQ(game->state().playState, Running);
    }
    void TearDown() override { game.reset(); }

    // SPACE if running, then L: the load happens in the next iteration, before its update.
    void pauseAndLoad()
    {
        if (game->state().playState == Running) {
            ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
        }
        ASSERT_TRUE(GameDriver::tap(SDLK_l));
        ASSERT_TRUE(game->step());
    }

    ScopedTempDir dir;
    std::unique_ptr<GameDriver> game;
};

}  // namespace

TEST(InterruptedSave, LeavesThePreviousSaveByteForByteAtEveryPoint)
{
    ScopedTempDir dir;
    // An earlier save as another system wrote it: the exact bytes must survive.
    const std::string old = "17\r\n2\r\n301\r\n488\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"
                            "10\r\n1\r\n2";
    const SaveRecord next = quietRecord(-5, 4, 1, 2);
    const std::string text = next.format();

    // Stopped after every possible number of bytes; the last round writes all and fails anyway.
    for (std::size_t cut = 0; cut <= text.size() + 1; ++cut) {
        const std::size_t written = std::min(cut, text.size());
        const bool completes = cut == text.size();
        writeFile(kSave, old);
        std::string targetDuring, temporaryDuring;
        const bool saved =
            next.writeFile(kSave, [&](std::FILE* file, const std::string& all) {
                const bool wrote = std::fwrite(all.data(), 1, written, file) == written;
                std::fflush(file);
                // What a crash at this very point would leave behind.
                targetDuring = readFile(kSave);
                temporaryDuring = readFile(kTemporary);
                return wrote && completes;
            });
        SCOPED_TRACE("bytes written: " + std::to_string(written));
        EXPECT_EQ(targetDuring, old);
        EXPECT_EQ(temporaryDuring, text.substr(0, written));
        EXPECT_EQ(saved, completes);
        EXPECT_EQ(readFile(kSave), completes ? text : old);
        EXPECT_FALSE(fs::exists(kTemporary));
    }
}

TEST_F(SaveFaults, ATemporaryFileLeftByACrashIsNeitherLoadedNorInTheWay)
{
    writeFile(kSave, quietRecord(77, 3, 0, 1).format());
    writeFile(kTemporary, "12\n4\n3");  // a save cut short by a crash
    pauseAndLoad();
    ASSERT_EQ(game->state().playState, Running);
    EXPECT_EQ(game->state().score, 77);
    EXPECT_EQ(game->state().lives, 3);

    ASSERT_TRUE(GameDriver::tap(SDLK_k) && game->step());
    SaveRecord saved;
    ASSERT_TRUE(SaveRecord::readFile(kSave, saved));
    EXPECT_EQ(saved.fields[0], 77);
    EXPECT_EQ(saved.fields[2], 300);  // the ship has not moved
    EXPECT_EQ(saved.fields[3], 600);
    EXPECT_FALSE(fs::exists(kTemporary));
}

TEST_F(SaveFaults, ASaveFileThatIsAFolderIsNeitherLoadedNorReplaced)
{
    fs::create_directories(kSave + "/inside");
    StdoutCapture capture;
    ASSERT_TRUE(GameDriver::tap(SDLK_k));
    ASSERT_TRUE(game->step());
    pauseAndLoad();
    const std::string output = capture.stop();
    EXPECT_EQ(output, "Could not save the game to currentSave.txt\n"
                      "Could not load the saved game from currentSave.txt\n");
    EXPECT_EQ(game->state().playState, Paused);
    EXPECT_TRUE(fs::is_directory(kSave + "/inside"));
    EXPECT_FALSE(fs::exists(kTemporary));
}

TEST_F(SaveFaults, FailingSavesAreReportedOnceUntilASaveWorksAgain)
{
    fs::create_directory(kTemporary);  // in the way of every save
    const auto pressK = [this] {
        StdoutCapture capture;
        EXPECT_TRUE(GameDriver::tap(SDLK_k) && game->step());
        return capture.stop();
    };
    EXPECT_EQ(pressK(), "Could not save the game to currentSave.txt\n");
    EXPECT_EQ(pressK(), "");  // K held down: no storm
    fs::remove(kTemporary);
    EXPECT_EQ(pressK(), "");
    EXPECT_TRUE(fs::is_regular_file(kSave));
    fs::create_directory(kTemporary);
    EXPECT_EQ(pressK(), "Could not save the game to currentSave.txt\n");
}

TEST_F(SaveFaults, ARecordWithNoLivesLeftIsLostAtOnceWithItsNegativeScoreRecorded)
{
    writeFile(kHighScores, "3\n");
    const std::string saved = quietRecord(-2147483647, -1, 0, 1).format();
    writeFile(kSave, saved);
    pauseAndLoad();
    EXPECT_EQ(game->state().playState, Paused);
    EXPECT_EQ(game->state().lives, 5);
    EXPECT_EQ(game->state().score, 0);
    EXPECT_EQ(readFile(kHighScores), "3\n-2147483647\n");
    EXPECT_EQ(readFile(kSave), saved);

    // A high-score file that cannot be opened costs one line; the game over happens all the same.
    fs::remove(kHighScores);
    fs::create_directory(kHighScores);
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE) && game->step());  // goes on with the same objects
    game->state().lives = 0;
    StdoutCapture capture;
    ASSERT_TRUE(game->step());
    EXPECT_EQ(capture.stop(), "Could not record the score in highScore.txt\n");
    EXPECT_EQ(game->state().playState, Paused);
    EXPECT_EQ(game->state().lives, 5);
    EXPECT_EQ(game->state().score, 0);
}

// Found by the save-file fuzzer: a record may put the counters at the ends of int, where the
// next hit or lost life overflowed. They now stop there.
TEST_F(SaveFaults, CountersLoadedAtTheEndsOfIntStopThere)
{
    // An enemy with the UFO on top of it scores at once (50 in level 2).
    SaveRecord topScore = quietRecord(INT_MAX, 3, 0, 2);
    topScore.fields[12] = 100;  // the UFO's centre onto the first enemy
    topScore.fields[13] = 105;
    writeFile(kSave, topScore.format());
    pauseAndLoad();
    EXPECT_EQ(game->state().score, INT_MAX);
    EXPECT_EQ(game->state().playState, Running);

    // The UFO on the ship costs 2 points and a life.
    SaveRecord bottomScore = quietRecord(INT_MIN, 3, 0, 1);
    bottomScore.fields[12] = 300;
    bottomScore.fields[13] = 600;
    writeFile(kSave, bottomScore.format());
    pauseAndLoad();
    EXPECT_EQ(game->state().score, INT_MIN);
    EXPECT_EQ(game->state().lives, 2);

    // An enemy at the bottom costs a life from the lowest int: still no lives, so the game is
    // lost on the same frame (a wrapped count would have gone on playing).
    SaveRecord noLives = quietRecord(9, INT_MIN, 0, 1);
    noLives.fields[5] = 789;
    writeFile(kSave, noLives.format());
    pauseAndLoad();
    EXPECT_EQ(game->state().playState, Paused);
    EXPECT_EQ(game->state().lives, 5);
    EXPECT_EQ(readFile(kHighScores), "9\n");
}

TEST_F(SaveFaults, TheHighScoreFileKeepsEveryEarlierLineOverManyGames)
{
    const std::string earlier[] = {
        "",                 // no file yet
        "12\n-3\n",         // (a last line lacking its end is tried in GameTest)
        "12\r\n-3\r\n",     // written on another system
    };
    for (const std::string& before : earlier) {
        SCOPED_TRACE(before);
        if (before.empty())
            fs::remove(kHighScores);
        else
            writeFile(kHighScores, before);
        std::string expected = before;
        if (!expected.empty() && expected.back() != '\n')
            expected += '\n';
        // Every load puts an enemy at the bottom with the last life left: one lost game each.
        for (int gameNumber = 0; gameNumber < 25; ++gameNumber) {
            SaveRecord lastLife = quietRecord(gameNumber * 37 - 300, 1, 0, 1);
            lastLife.fields[5] = 789;
            writeFile(kSave, lastLife.format());
            pauseAndLoad();
            ASSERT_EQ(game->state().playState, Paused);
            expected += std::to_string(gameNumber * 37 - 300) + "\n";
        }
        EXPECT_EQ(readFile(kHighScores), expected);
    }
}

// Odd things in the game's folder: nothing outside the two file names is ever written, no open
// waits on a named pipe, and a file far larger than any record is refused unread.
TEST(HostileFiles, ALinkOrPipeAsTheTemporarySaveIsReplacedNotWrittenThrough)
{
    ScopedTempDir dir;
    const SaveRecord record = quietRecord(42, 3, 0, 1);
    writeFile("victim.txt", "keep me\n");
    ASSERT_EQ(symlink("victim.txt", kTemporary.c_str()), 0);
    EXPECT_TRUE(record.writeFile(kSave));
    EXPECT_EQ(readFile("victim.txt"), "keep me\n");
    EXPECT_FALSE(fs::is_symlink(kSave));
    EXPECT_EQ(readFile(kSave), record.format());

    ASSERT_EQ(mkfifo(kTemporary.c_str(), 0600), 0);  // would block an ordinary open for good
    EXPECT_TRUE(record.writeFile(kSave));
    EXPECT_EQ(readFile(kSave), record.format());
    EXPECT_FALSE(fs::exists(kTemporary));
}

TEST(HostileFiles, AHighScorePipeIsSkippedWhileALinkToAFileIsFollowed)
{
    ScopedTempDir dir;
    ASSERT_EQ(mkfifo(kHighScores.c_str(), 0600), 0);
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 5));  // no reader: would wait for one
    const int reader = open(kHighScores.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 5));  // a reader: still not a file
    char byte;
    EXPECT_LE(read(reader, &byte, 1), 0);
    close(reader);

    fs::remove(kHighScores);
    writeFile("scores elsewhere.txt", "7");
    ASSERT_EQ(symlink("scores elsewhere.txt", kHighScores.c_str()), 0);
    EXPECT_TRUE(HighScoreFile::append(kHighScores, -2));
    EXPECT_EQ(readFile("scores elsewhere.txt"), "7\n-2\n");
}

TEST(HostileFiles, AHugeOrPipeSaveIsRefusedWithoutWaiting)
{
    ScopedTempDir dir;
    const std::string good = quietRecord(42, 3, 0, 1).format();
    SaveRecord loaded;
    writeFile(kSave, good + std::string(SaveRecord::kMaxFileSize - good.size(), ' '));
    EXPECT_TRUE(SaveRecord::readFile(kSave, loaded));
    writeFile(kSave, good + std::string(SaveRecord::kMaxFileSize - good.size() + 1, ' '));
    EXPECT_FALSE(SaveRecord::readFile(kSave, loaded));

    fs::remove(kSave);
    ASSERT_EQ(mkfifo(kSave.c_str(), 0600), 0);
    EXPECT_FALSE(SaveRecord::readFile(kSave, loaded));
}
