// Tests of the files the game reads and writes: the save record's text; reads that change nothing
// and take only a regular file; writes that keep the last good save whatever fails (a full disk,
// a stop after any byte, a folder, link or pipe in the way); failures reported once; counters at
// the ends of int; a high-score file that only grows; and whole scripted games with each picture
// or the font missing or damaged, or with neither file writable.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "GameDriver.h"
#include "HighScoreFile.h"
#include "SaveRecord.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using namespace dustreach::test;

namespace {

const std::string kSave = "currentSave.txt", kTemporary = "currentSave.txt.tmp",
                  kHighScores = "highScore.txt";
const std::string kSaveFailed = "Could not save the game to currentSave.txt\n";
const std::string kScoreFailed = "Could not record the score in highScore.txt\n";

// Ship at (300, 600), enemies along y 100, the UFO far off: nothing touches in the first updates
// unless the first enemy is put at the bottom (y 789) or the UFO onto something.
SaveRecord quietRecord(int score, int lives, int level = 1, int enemyY = 100, int ufoX = 500,
                       int ufoY = 700)
{
    return {{score, lives, 300, 600, 100, enemyY, 200, 100, 300, 100, 400, 100, ufoX, ufoY, 0,
             level}};
}
const SaveRecord kUntouched = quietRecord(-77, -77, -77);
// 7, 17, ... 157, each followed by lineEnd (the last one only when finalEnd).
std::string sixteen(const std::string& lineEnd, bool finalEnd = true)
{
    std::string text;
    for (int i = 1; i <= SaveRecord::kFieldCount; ++i)
        text += std::to_string(i * 10 - 3) + lineEnd;
    return finalEnd ? text : text.substr(0, text.size() - lineEnd.size());
}
// A working folder holding the game's pictures and font.
struct GameFolder : ScopedTempDir {
    GameFolder() { copyGamePictures(); copyAsset(kGameFont); }
};
int count(const std::string& text, const std::string& part)
{
    int found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

}  // namespace

TEST(SaveRecordText, ParsesAfterAnyWhiteSpaceIgnoresWhatFollowsRejectsTheRestFormatsPlainLines)
{
    std::string fifteen = sixteen("\n"), letter = sixteen("\n");
    fifteen.erase(fifteen.rfind("157"));
    letter.replace(letter.find("27"), 2, "x7");
    const std::pair<std::string, bool> cases[] = {
        {sixteen("\n"), true}, {sixteen("\r\n"), true}, {sixteen("\n", false), true},
        {"  " + sixteen(" \t ", false), true}, {sixteen("\n") + "170\nnot\n", true}, {"", false},
        {"\n\n  \n", false}, {fifteen, false}, {letter, false}, {"abc\n" + sixteen("\n"), false},
        {"2147483648\n" + sixteen("\n"), false}, {"-2147483649\n" + sixteen("\n"), false},
        {"99999999999999999999\n" + sixteen("\n"), false}};
    for (const auto& [text, complete] : cases) {
        SaveRecord record = kUntouched;
        EXPECT_EQ(SaveRecord::parse(text, record), complete) << text;
        EXPECT_EQ(record.format(), complete ? sixteen("\n") : kUntouched.format()) << text;
    }
    SaveRecord ends = quietRecord(-3, INT_MIN);  // read back at the ends of int by the game tests
    ends.fields[2] = INT_MAX;
    EXPECT_EQ(ends.format(), "-3\n-2147483648\n2147483647\n600\n100\n100\n200\n100\n300\n100\n"
                             "400\n100\n500\n700\n0\n1\n");
}

TEST(SaveRecordFile, ReadingNeverChangesTheFileAndTakesOnlyARegularOneUpToTheLimit)
{
    ScopedTempDir dir;
    SaveRecord record = kUntouched;
    EXPECT_FALSE(SaveRecord::readFile(kSave, record) || fs::exists(kSave));
    const std::string good = quietRecord(42, 3).format(), pad(SaveRecord::kMaxFileSize, ' ');
    // Spaces after a good record up to the limit are read; one byte more is refused unread.
    for (const auto& [text, readable] : {std::pair(sixteen("\r\n", false) + "\n\nrest", true),
                                         {good + pad.substr(good.size()), true},
                                         {good + pad.substr(good.size() - 1), false}}) {
        writeFile(kSave, text);
        EXPECT_EQ(SaveRecord::readFile(kSave, record), readable);
        EXPECT_EQ(readFile(kSave), text);
    }
    record = kUntouched;
    fs::remove(kSave);
    ASSERT_EQ(mkfifo(kSave.c_str(), 0600), 0);  // no writer: an ordinary open would wait for good
    EXPECT_FALSE(SaveRecord::readFile(kSave, record));
    fs::remove(kSave);
    fs::create_directory(kSave);
    EXPECT_FALSE(SaveRecord::readFile(kSave, record));
    EXPECT_EQ(record.fields, kUntouched.fields);
}

TEST(SaveRecordFile, AFailedOrStoppedWriteKeepsTheOldFileByteForByte)
{
    ScopedTempDir dir;
    const std::string old = "17\r\n2\r\nold save";  // as another system wrote it
    const SaveRecord next = quietRecord(-5, 4, 2);
    const std::string text = next.format();
    writeFile(kSave, old);
    // A full disk shows only when the buffer is flushed; a file size limit stands in for it.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{8, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &full);
    const bool savedWhenFull = next.writeFile(kSave);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(std::make_tuple(savedWhenFull, readFile(kSave),
                              fs::exists(fs::symlink_status(kTemporary))),
              std::make_tuple(false, old, false));
    // Stopped after every byte count (the last round writes all and fails anyway), with what a
    // crash at that point would leave read from inside the write.
    for (std::size_t cut = 0; cut <= text.size() + 1; ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut));
        const std::size_t written = std::min(cut, text.size());
        std::string targetDuring, temporaryDuring;
        const bool saved = next.writeFile(kSave, [&](std::FILE* file, const std::string& all) {
            const bool wrote = std::fwrite(all.data(), 1, written, file) == written;
            std::fflush(file);
            targetDuring = readFile(kSave);
            temporaryDuring = readFile(kTemporary);
            return wrote && cut == text.size();
        });
        EXPECT_EQ(std::tie(targetDuring, temporaryDuring),
                  std::make_tuple(old, text.substr(0, written)));
        EXPECT_EQ(std::make_tuple(saved, readFile(kSave), fs::exists(kTemporary)),
                  std::make_tuple(cut == text.size(), cut == text.size() ? text : old, false));
        writeFile(kSave, old);
    }
    // A link or a pipe as the temporary is replaced: nothing written through, nothing waited on.
    writeFile("victim.txt", "keep me\n");
    for (bool link : {true, false}) {
        const char* temporary = kTemporary.c_str();
        ASSERT_EQ(link ? symlink("victim.txt", temporary) : mkfifo(temporary, 0600), 0);
        const bool saved = next.writeFile(kSave);
        EXPECT_EQ(std::make_tuple(saved, readFile(kSave), readFile("victim.txt"),
                                  fs::is_symlink(kSave), fs::exists(kTemporary)),
                  std::make_tuple(true, text, "keep me\n", false, false));
        writeFile(kSave, old);
    }
}

TEST(HighScoreFileAppend, APipeIsSkippedWithOrWithoutAReaderWhileALinkToAFileIsFollowed)
{
    ScopedTempDir dir;
    ASSERT_EQ(mkfifo(kHighScores.c_str(), 0600), 0);
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 5));
    const int reader = open(kHighScores.c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 5));
    char byte;
    EXPECT_LE(read(reader, &byte, 1), 0);
    close(reader);
    fs::remove(kHighScores);
    writeFile("scores elsewhere.txt", "7");  // its last line lacks its end
    ASSERT_EQ(symlink("scores elsewhere.txt", kHighScores.c_str()), 0);
    EXPECT_TRUE(HighScoreFile::append(kHighScores, -2));
    EXPECT_EQ(readFile("scores elsewhere.txt"), "7\n-2\n");
}

// The game running in a folder with its pictures and font (SPACE pressed, a few updates on).
class GameFiles : public ::testing::Test {
protected:
    static bool tap(SDL_Keycode key) { return GameDriver::tap(key); }
    void SetUp() override { ASSERT_TRUE(game.started() && tap(SDLK_SPACE) && game.step(3)); }
    // SPACE if running, then L: the load comes in the next iteration, before its update.
    void load(const SaveRecord& record)
    {
        writeFile(kSave, record.format());
        ASSERT_TRUE((game.state().playState != Running || tap(SDLK_SPACE)) && tap(SDLK_l) &&
                    game.step());
    }
    std::string press(SDL_Keycode key)
    {
        StdoutCapture capture;
        EXPECT_TRUE(tap(key) && game.step());
        return capture.stop();
    }
    std::tuple<PlayState, int, int> playLivesScore()
    {
        return {game.state().playState, game.state().lives, game.state().score};
    }
    GameFolder dir;  // built first: the game starts inside it
    GameDriver game;
};

TEST_F(GameFiles, AStaleTemporaryIsIgnoredAndFailingSavesAreReportedOnceUntilOneWorks)
{
    writeFile(kTemporary, "12\n4\n3");  // a save cut short by a crash
    load(quietRecord(77, 3));
    EXPECT_EQ(press(SDLK_k), "");
    EXPECT_EQ(std::make_tuple(readFile(kSave).substr(0, 13), fs::exists(kTemporary)),
              std::make_tuple("77\n3\n300\n600\n", false));  // the ship has not moved
    fs::create_directory(kTemporary);
    EXPECT_EQ(press(SDLK_k), kSaveFailed);
    EXPECT_EQ(press(SDLK_k), "");  // K held down: no storm
    fs::remove(kTemporary);
    EXPECT_EQ(press(SDLK_k), "");
    fs::remove(kSave);
    fs::create_directories(kSave + "/inside");  // a save that is a folder: not replaced, not read
    EXPECT_EQ(press(SDLK_k), kSaveFailed);
    EXPECT_EQ(press(SDLK_SPACE), "");
    EXPECT_EQ(press(SDLK_l), "Could not load the saved game from currentSave.txt\n");
    EXPECT_EQ(std::make_tuple(game.state().playState, fs::is_directory(kSave + "/inside"),
                              fs::exists(kTemporary)),
              std::make_tuple(Paused, true, false));
}

// The fuzzer found counters loaded at the ends of int that the next hit or lost life overflowed.
TEST_F(GameFiles, CountersLoadedAtTheEndsOfIntStopThereAndALostRecordIsRecordedAtOnce)
{
    load(quietRecord(INT_MAX, 3, 2, 100, 100, 105));  // the UFO on an enemy: 50 points
    EXPECT_EQ(playLivesScore(), std::make_tuple(Running, 3, INT_MAX));
    load(quietRecord(INT_MIN, 3, 1, 100, 300, 600));  // the UFO on the ship: -2 and a life
    EXPECT_EQ(playLivesScore(), std::make_tuple(Running, 2, INT_MIN));
    // No lives, or the last one and an enemy at the bottom: lost on the first frame with the
    // score recorded after every earlier line (a wrapped life count would have played on).
    for (const std::string before : {"", "3\n", "12\r\n-3\r\n", "12\n-3"}) {
        SCOPED_TRACE(before);
        fs::remove(kHighScores);
        if (!before.empty())
            writeFile(kHighScores, before);
        std::string expected = before + (before.empty() || before.back() == '\n' ? "" : "\n");
        for (int lost = 0; lost < 9; ++lost) {
            const int score = lost == 0 ? -2147483647 : lost * 37 - 300;
            load(quietRecord(score, lost == 0 ? INT_MIN : lost % 2, 1, 789));
            EXPECT_EQ(playLivesScore(), std::make_tuple(Paused, 5, 0));
            expected += std::to_string(score) + "\n";
        }
        EXPECT_EQ(readFile(kHighScores), expected);
    }
    EXPECT_EQ(readFile(kSave), quietRecord(8 * 37 - 300, 0, 1, 789).format());  // the save stays
    // A high-score file that cannot be opened costs one line; the game over happens all the same.
    fs::remove(kHighScores);
    fs::create_directory(kHighScores);
    EXPECT_EQ(press(SDLK_SPACE), "");
    game.state().lives = 0;
    game.state().score = 8;
    StdoutCapture capture;
    ASSERT_TRUE(game.step());
    EXPECT_EQ(capture.stop(), kScoreFailed);
    EXPECT_EQ(playLivesScore(), std::make_tuple(Paused, 5, 0));
}

namespace {

struct DataFault {
    std::string file, damage;  // no file: folders in the way of the two files the game writes
};
void PrintTo(const DataFault& fault, std::ostream* out) { *out << fault.file << fault.damage; }
class DataFaults : public ::testing::TestWithParam<DataFault> {};

// A scripted run of over 2000 updates: start, fire, zoom in and out, scroll every way, save,
// pause, load, a game lost left idle, retry, pause, continue, then 1600 updates turning every 100,
// firing every 25, saving every 300 and going on after each lost game; then the normal end.
TEST_P(DataFaults, TheGameStartsPlaysAScriptedRunAndEndsNormally)
{
    const auto& [file, damage] = GetParam();
    const bool unwritable = file.empty();
    GameFolder dir;
    const std::string whole = readFile(file), oldSave = quietRecord(4, 5).format();
    const std::size_t kept = damage == "Truncated" ? whole.size() / 3 : 0;
    fs::remove(file);
    if (damage == "Empty" || damage == "Text" || damage == "Truncated")
        writeFile(file, damage == "Text" ? "Not a picture.\nNor a font.\n" : whole.substr(0, kept));
    ASSERT_TRUE(damage != "Pipe" || mkfifo(file.c_str(), 0600) == 0);  // a plain open would wait
    if (unwritable) {  // permissions do not bind root: folders make both writes fail
        writeFile(kSave, oldSave);
        fs::create_directory(kTemporary);
        fs::create_directory(kHighScores);
    }
    StdoutCapture capture;
    int gamesLost = 1;
    {
        GameDriver game;
        const auto tap = [&](SDL_Keycode k, int n) { return GameDriver::tap(k) && game.step(n); };
        ASSERT_TRUE(game.started() && game.step(3) && tap(SDLK_SPACE, 1));
        for (int button : {1, 1, 1, 1, 1, 1, 1, 1, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT,
                           SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE})
            ASSERT_TRUE(GameDriver::click(button, 300, 400) && game.step(10));
        for (SDL_Keycode key : {SDLK_c, SDLK_f, SDLK_b, SDLK_v, SDLK_k, SDLK_SPACE, SDLK_l})
            ASSERT_TRUE(tap(key, 5));
        ASSERT_EQ(game.state().playState, Running);  // the load found a save
        for (int waited = 0; game.state().playState == Running && waited < 1500; ++waited)
            ASSERT_TRUE(game.step());
        ASSERT_EQ(game.state().playState, Paused) << "the idle game was not lost";
        ASSERT_TRUE(tap(SDLK_r, 100) && tap(SDLK_SPACE, 50) && tap(SDLK_SPACE, 1));
        const SDL_Keycode turns[] = {SDLK_a, SDLK_DOWN, SDLK_w, SDLK_RIGHT, SDLK_s, SDLK_LEFT};
        for (int update = 0; update < 1600; ++update) {
            ASSERT_TRUE(update % 100 != 0 ||
                        ((update == 0 || GameDriver::key(turns[(update / 100 + 5) % 6], false)) &&
                         GameDriver::key(turns[(update / 100) % 6], true)));
            ASSERT_TRUE(update % 25 != 0 || GameDriver::click(SDL_BUTTON_LEFT, 300, 100));
            const bool lost = game.state().playState == Paused;  // only a lost game pauses here
            gamesLost += lost;
            ASSERT_TRUE(update % 300 != 150 || lost || GameDriver::tap(SDLK_k));
            ASSERT_TRUE((!lost || GameDriver::tap(SDLK_SPACE)) && game.step());
        }
        EXPECT_GT(game.ticks(), 2000);
    }
    const std::string output = capture.stop();
    if (HasFailure())
        std::fputs(output.c_str(), stderr);
    // A file that cannot be read at all is named (a truncated one may still give part of itself).
    const std::string named = file == kGameFont ? "Font loading failed."
                                                : "ImageManager::getImagePtrbyURL() : Failed to "
                                                  "load image" + file;
    EXPECT_TRUE(unwritable || damage == "Truncated" || count(output, named + "\n") >= 1);
    // No pixel errors; a readable font closed on the way out; without the files, one line for all
    // the failing saves and one for all the failing scores.
    EXPECT_EQ(std::make_tuple(count(output, "Error in setting pixel"),
                              count(output, "Free font: 24 point Cornerstone Regular.ttf\n"),
                              count(output, kSaveFailed), count(output, kScoreFailed),
                              count(output, "Could not")),
              std::make_tuple(0, file == kGameFont ? 0 : 1, int(unwritable), int(unwritable),
                              unwritable ? 2 : 0));
    // The old save kept, or one score line for each game lost.
    EXPECT_EQ(unwritable ? readFile(kSave) : std::to_string(count(readFile(kHighScores), "\n")),
              unwritable ? oldSave : std::to_string(gamesLost));
}

// Each data file missing; damaged content takes one of two loader paths (no known format, or a
// decoder stopped short), each once per kind of file; a pipe as a picture and as the font.
std::vector<DataFault> dataFaults()
{
    std::vector<DataFault> faults;
    for (const std::string& file : gamePictures())
        faults.push_back({file, "Missing"});
    const std::string font = kGameFont;
    faults.insert(faults.end(), {{font, "Missing"}, {"SHOOT.jpg", "Truncated"},
                                 {"ufo.png", "Truncated"}, {font, "Truncated"},
                                 {"earth.jpg", "Empty"}, {"speed.png", "Text"}, {font, "Text"},
                                 {"ufo1.png", "Pipe"}, {font, "Pipe"}, {"", "Unwritable"}});
    return faults;
}

INSTANTIATE_TEST_SUITE_P(EachDataFile, DataFaults, ::testing::ValuesIn(dataFaults()));

}  // namespace
