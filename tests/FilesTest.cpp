// The save and score files, reads and writes that keep the last good save whatever fails, and a
// whole game with each data file missing or damaged, or with neither file writable.
#include <gtest/gtest.h>

#ifndef _WIN32  // the faults only a POSIX system has: named pipes, links, a file size limit
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <climits>
#include <cstdio>
#include <filesystem>

#include "GameFixture.h"
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

// Ship (300, 600), enemies at y 100, UFO far off: no contact unless enemyY is 789 or the UFO moves.
SaveRecord quietRecord(int score, int lives, int level = 1, int enemyY = 100, int ufoX = 500,
                       int ufoY = 700)
{
    return {
        {score, lives, 300, 600, 100, enemyY, 200, 100, 300, 100, 400, 100, ufoX, ufoY, 0, level}};
}
const SaveRecord kUntouched = quietRecord(-77, -77, -77);
// 7, 17, ... 157, each followed by lineEnd.
std::string sixteen(const std::string& lineEnd)
{
    std::string text;
    for (int i = 1; i <= SaveRecord::kFieldCount; ++i)
        text += std::to_string(i * 10 - 3) + lineEnd;
    return text;
}
int count(const std::string& text, const std::string& part)
{
    int found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

// Standard output while each key is tapped in turn, one iteration each.
std::string pressKeys(GameDriver& game, const std::string& keys)
{
    StdoutCapture capture;
    for (char key : keys) {
        EXPECT_TRUE(GameDriver::tap(key));
        EXPECT_TRUE(game.step());
    }
    return capture.stop();
}
#ifdef _WIN32
// Windows keeps no named pipes among a folder's files, has no file size limit, and refuses a link
// rather than follow it (WindowsFilesTest has that system's own faults).
constexpr const char* kNoPipes = "POSIX only: Windows keeps no named pipes among a folder's files";
#else
bool makePipe(const std::string& path)
{
    return mkfifo(path.c_str(), 0600) == 0;
}
#endif
// A data file and what is done to it; no file: folders in the way of both files the game writes.
class DataFaults : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

}  // namespace

// Each text parsed and read as the save file, which stays as it was; a record is all or nothing.
TEST(SaveAndScoreFiles, ParsesAfterAnyWhiteSpaceIgnoresWhatFollowsReadsOnlyARegularFileUpToTheLimit)
{
    ScopedTempDir dir;
    // The plain record is 53 bytes: 49 before its last number, the last line end at 52.
    const std::string plain = sixteen("\n"), fifteen = plain.substr(0, 49),
                      pad(SaveRecord::kMaxFileSize - plain.size(), ' ');
    const std::pair<std::string, bool> cases[] = {{plain, true},
                                                  {sixteen("\r\n"), true},
                                                  {plain.substr(0, 52), true},
                                                  {"  " + sixteen(" \t "), true},
                                                  {plain + "170\nnot\n", true},
                                                  {plain + pad, true},
                                                  {plain + pad + " ", true},
                                                  {"", false},
                                                  {"\n\n  \n", false},
                                                  {fifteen, false},
                                                  {fifteen + "x7\n", false},
                                                  {"abc\n" + plain, false},
                                                  {"2147483648\n" + plain, false},
                                                  {"-2147483649\n" + plain, false},
                                                  {"99999999999999999999\n" + plain, false}};
    for (const auto& [text, complete] : cases) {
        SCOPED_TRACE(text.substr(0, 80));
        SaveRecord parsed = kUntouched, read = kUntouched;
        const bool fits = text.size() <= std::size_t(SaveRecord::kMaxFileSize);
        writeFile(kSave, text);
        EXPECT_EQ(SaveRecord::parse(text, parsed), complete);
        EXPECT_EQ(parsed.format(), complete ? plain : kUntouched.format());
        EXPECT_EQ(SaveRecord::readFile(kSave, read), complete && fits);
        EXPECT_EQ(read.format(), complete && fits ? plain : kUntouched.format());
        EXPECT_EQ(readFile(kSave), text);
    }
    // Missing, and not made. (A folder as the save: GameFilesHere.)
    SaveRecord record;
    fs::remove(kSave);
    EXPECT_FALSE(SaveRecord::readFile(kSave, record));
    EXPECT_FALSE(fs::exists(kSave));
}

// A write that fails or stops keeps the old save byte for byte; a score line only ever added.
TEST(SaveAndScoreFiles, AFailedOrStoppedWriteKeepsTheOldSaveAScoreLineIsOnlyAdded)
{
    ScopedTempDir dir;
    const std::string old = "17\r\n2\r\nold save";  // as another system wrote it
    const SaveRecord next = quietRecord(-5, 4, 2);
    const std::string text = next.format();
    writeFile(kSave, old);
    // Cut after each byte count (the last writes all yet fails); files read as a crash finds them.
    for (std::size_t cut = 0; cut <= text.size() + 1; ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut));
        const std::size_t written = cut < text.size() ? cut : text.size();
        std::string targetDuring, temporaryDuring;
        const bool saved = next.writeFile(kSave, [&](std::FILE* file, const std::string& all) {
            const bool wrote = std::fwrite(all.data(), 1, written, file) == written;
            std::fflush(file);
            targetDuring = readFile(kSave);
            temporaryDuring = readFile(kTemporary);
            return wrote && cut == text.size();
        });
        EXPECT_EQ(saved, cut == text.size());
        EXPECT_EQ(targetDuring, old);
        EXPECT_EQ(temporaryDuring, text.substr(0, written));
        EXPECT_EQ(readFile(kSave), cut == text.size() ? text : old);
        EXPECT_FALSE(fs::exists(kTemporary));
        writeFile(kSave, old);
    }
    // The line goes after every earlier one, whatever ends it.
    for (auto [before, after] : {std::pair{"", "-2\n"},
                                 {"3\n", "3\n-2\n"},
                                 {"12\r\n-3\r\n", "12\r\n-3\r\n-2\n"},
                                 {"12\n-3", "12\n-3\n-2\n"},
                                 {"7", "7\n-2\n"}}) {
        writeFile(kHighScores, before);
        EXPECT_TRUE(HighScoreFile::append(kHighScores, -2));
        EXPECT_EQ(readFile(kHighScores), after);
    }
}

// POSIX's own faults. A full disk shows only at flush or close (a file size limit stands in for
// it): the old save stays. A named pipe as the save is not read, as the temporary it is replaced,
// as the score file it takes no line, with a reader or without: nothing ever waits on one. A link
// as the temporary is replaced, never written through; the save replaces a link, not its file. A
// link as the score file is followed: players link theirs elsewhere.
TEST(SaveAndScoreFiles, AFullDiskPipesAndLinksKeepTheOldSaveAndWaitForNothing)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX only: Windows has no file size limit, keeps no named pipes among a "
                    "folder's files, and refuses a link as either file (WindowsFilesTest)";
#else
    ScopedTempDir dir;
    const std::string old = quietRecord(3, 3).format();
    writeFile(kSave, old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{}, full{};
    getrlimit(RLIMIT_FSIZE, &limit);
    full = {8, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &full);
    const bool savedOnFullDisk = quietRecord(-5, 4, 2).writeFile(kSave);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(savedOnFullDisk);
    EXPECT_EQ(readFile(kSave), old);
    EXPECT_FALSE(fs::exists(kTemporary));
    fs::remove(kSave);
    SaveRecord record;
    ASSERT_TRUE(makePipe(kSave));
    EXPECT_FALSE(SaveRecord::readFile(kSave, record));
    fs::remove(kSave);
    ASSERT_TRUE(makePipe(kTemporary));
    EXPECT_TRUE(quietRecord(1, 2).writeFile(kSave));
    EXPECT_EQ(readFile(kSave), quietRecord(1, 2).format());
    EXPECT_FALSE(fs::exists(kTemporary));
    ASSERT_TRUE(makePipe(kHighScores));
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 5));
    const int reader = open(kHighScores.c_str(), O_RDONLY | O_NONBLOCK);
    char byte;
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 5));
    EXPECT_LE(read(reader, &byte, 1), 0);
    close(reader);
    fs::remove(kHighScores);
    const std::string text = quietRecord(-5, 4, 2).format();
    writeFile("victim.txt", "keep me\n");
    ASSERT_EQ(symlink("victim.txt", kTemporary.c_str()), 0);
    EXPECT_TRUE(quietRecord(-5, 4, 2).writeFile(kSave));
    EXPECT_EQ(readFile(kSave), text);
    EXPECT_FALSE(fs::exists(kTemporary));
    ASSERT_EQ(symlink("victim.txt", kTemporary.c_str()), 0);
    fs::remove(kSave);
    ASSERT_EQ(symlink("victim.txt", kSave.c_str()), 0);
    EXPECT_TRUE(quietRecord(-5, 4, 2).writeFile(kSave));
    EXPECT_FALSE(fs::is_symlink(kSave));
    EXPECT_EQ(readFile(kSave), text);
    EXPECT_EQ(readFile("victim.txt"), "keep me\n");
    ASSERT_EQ(symlink("scores elsewhere.txt", kHighScores.c_str()), 0);
    writeFile("scores elsewhere.txt", "12\n-3");
    EXPECT_TRUE(HighScoreFile::append(kHighScores, -2));
    EXPECT_EQ(readFile("scores elsewhere.txt"), "12\n-3\n-2\n");
#endif
}

// Counters loaded at the ends of int stop there (they once overflowed); a stale temporary is
// ignored; a folder as the save is kept, unread. (GameFiles has failing saves reported once.)
using GameFilesHere = GameFixture;
TEST_F(GameFilesHere, CountersStopAtTheEndsOfIntLostGamesAreRecordedAFolderAsTheSaveIsKept)
{
    GameState& state = game->state();
    const auto press = [&](const std::string& keys) { return pressKeys(*game, keys); };
    // SPACE if running, then L: the load comes in the next iteration, before its update.
    const auto load = [&](const SaveRecord& record) {
        writeFile(kSave, record.format());
        press(state.playState == Running ? " l" : "l");
    };
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    ASSERT_TRUE(game->step(4));
    // The UFO on an enemy (50 points), then on the ship (-2 and a life).
    load(quietRecord(INT_MAX, 3, 2, 100, 100, 105));
    EXPECT_EQ(state.playState, Running);
    EXPECT_EQ(state.lives, 3);
    EXPECT_EQ(state.score, INT_MAX);
    load(quietRecord(INT_MIN, 3, 1, 100, 300, 600));
    EXPECT_EQ(state.playState, Running);
    EXPECT_EQ(state.lives, 2);
    EXPECT_EQ(state.score, INT_MIN);
    // No lives, or the last and an enemy at the bottom: lost at once, score recorded, save kept.
    std::string expected = "12\n-3\n";
    writeFile(kHighScores, expected);
    for (int lost = 0; lost < 9; ++lost) {
        SCOPED_TRACE(lost);
        const int score = lost == 0 ? -2147483647 : lost * 37 - 300;
        load(quietRecord(score, lost == 0 ? INT_MIN : lost % 2, 1, 789));
        EXPECT_EQ(state.playState, Paused);
        EXPECT_EQ(state.lives, 5);
        EXPECT_EQ(state.score, 0);
        expected += std::to_string(score) + "\n";
    }
    EXPECT_EQ(readFile(kHighScores), expected);
    EXPECT_EQ(readFile(kSave), quietRecord(8 * 37 - 300, 0, 1, 789).format());
    writeFile(kTemporary, "12\n4\n3");  // a save cut short by a crash
    load(quietRecord(77, 3));
    EXPECT_EQ(press("k"), "");
    fs::remove(kSave);
    fs::create_directories(kSave + "/in");
    EXPECT_EQ(press("k l"), kSaveFailed + "Could not load the saved game from currentSave.txt\n");
    EXPECT_EQ(state.playState, Paused);
    EXPECT_TRUE(fs::is_directory(kSave + "/in"));
    EXPECT_FALSE(fs::exists(kTemporary));
}

// Given a folder for its files (the browser's, Windows's), the game makes it with its first write,
// saves, loads and records scores there and nowhere else, and its lines still name the files
// plainly; a folder that cannot be made is named once, and play goes on.
TEST(GameFiles, AFolderOfTheirOwnHoldsTheSaveAndTheScoresTheLinesNameThemPlainly)
{
    ScopedTempDir dir;
    dir.copyGameData();
    GameDriver game("kept");
    ASSERT_TRUE(game.started());
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    ASSERT_TRUE(game.step(4));
    EXPECT_FALSE(fs::exists("kept"));  // not made at start-up
    EXPECT_EQ(pressKeys(game, "k"), "");
    SaveRecord saved;
    EXPECT_TRUE(SaveRecord::parse(readFile("kept/" + kSave), saved));
    EXPECT_EQ(count(pressKeys(game, " l"), "Could not"), 0);  // read back from the folder
    EXPECT_EQ(game.state().playState, Running);
    writeFile("kept/" + kSave, quietRecord(77, 0).format());
    EXPECT_EQ(count(pressKeys(game, " l"), "Could not"), 0);
    EXPECT_EQ(game.state().playState, Paused);  // lost at once
    EXPECT_EQ(readFile("kept/" + kHighScores), "77\n");
    // Folders in the way of both files: each failure line names its file alone.
    fs::remove("kept/" + kHighScores);
    fs::create_directory("kept/" + kHighScores);
    writeFile("kept/" + kSave, quietRecord(5, 0).format());
    const std::string lost = pressKeys(game, "l");
    EXPECT_EQ(count(lost, "Could not"), 1);
    EXPECT_EQ(count(lost, kScoreFailed), 1);
    fs::create_directory("kept/" + kTemporary);
    EXPECT_EQ(pressKeys(game, " k"), kSaveFailed);
    EXPECT_FALSE(fs::exists(kSave));
    EXPECT_FALSE(fs::exists(kHighScores));
    fs::remove("kept/" + kTemporary);
    EXPECT_EQ(pressKeys(game, "k"), "");
    // A file where the folder should be: kept, and one pair of lines while saves fail.
    fs::remove_all("kept");
    writeFile("kept", "a file of the player's\n");
    EXPECT_EQ(pressKeys(game, "kk"), "Could not make the folder kept\n" + kSaveFailed);
    EXPECT_EQ(game.state().playState, Running);
    EXPECT_EQ(readFile("kept"), "a file of the player's\n");
}

// 2000 updates: start, fire, zoom, scroll, save, pause, load, lose idle, retry, then turn, fire,
// save and go on after each lost game. No pixel errors; without the files one line for all failing
// saves, one for all failing scores, the old save kept; with them one score line per lost game.
TEST_P(DataFaults, TheGameStartsPlaysAScriptedRunAndEndsNormally)
{
    const auto& [file, damage] = GetParam();
    const bool unwritable = file.empty();
    ScopedTempDir dir;
    dir.copyGameData();
    const std::string whole = readFile(file), oldSave = quietRecord(4, 5).format();
    const std::size_t kept = damage == "Truncated" ? whole.size() / 3 : 0;
    fs::remove(file);
    if (damage == "Empty" || damage == "Text" || damage == "Truncated")
        writeFile(file, damage == "Text" ? "Not a picture.\nNor a font.\n" : whole.substr(0, kept));
    if (damage == "Pipe") {  // a plain open would wait
#ifdef _WIN32
        GTEST_SKIP() << kNoPipes;
#else
        ASSERT_TRUE(makePipe(file));
#endif
    }
    if (unwritable) {  // permissions do not bind root: folders, not empty, make both writes fail
        writeFile(kSave, oldSave);
        fs::create_directories(kTemporary + "/in");
        fs::create_directories(kHighScores + "/in");
    }
    StdoutCapture capture;
    int gamesLost = 1;
    {
        GameDriver game;
        // A digit clicks that mouse button (then 10 updates); any other character taps its key.
        const auto input = [&](char c, int updates) {
            if (c > '0' && c < '4')
                return GameDriver::click(c - '0', 300, 400) && game.step(10);
            return GameDriver::tap(c) && game.step(updates);
        };
        ASSERT_TRUE(game.started());
        ASSERT_TRUE(game.step(3));
        for (char c : std::string(" 111111112332cfbvk l"))
            ASSERT_TRUE(input(c, 5)) << c;
        ASSERT_EQ(game.state().playState, Running);  // the load found a save
        for (int waited = 0; game.state().playState == Running && waited < 1500; ++waited)
            ASSERT_TRUE(game.step());
        ASSERT_EQ(game.state().playState, Paused) << "the idle game was not lost";
        ASSERT_TRUE(input('r', 100));
        ASSERT_TRUE(input(' ', 50));
        ASSERT_TRUE(input(' ', 1));
        const SDL_Keycode turns[] = {SDLK_a, SDLK_DOWN, SDLK_w, SDLK_RIGHT, SDLK_s, SDLK_LEFT};
        for (int update = 0; update < 1600; ++update) {
            const bool lost = game.state().playState == Paused;  // only a lost game pauses here
            gamesLost += lost;
            if (update % 100 == 0 && update > 0) {
                ASSERT_TRUE(GameDriver::key(turns[(update / 100 + 5) % 6], false));
            }
            if (update % 100 == 0) {
                ASSERT_TRUE(GameDriver::key(turns[update / 100 % 6], true));
            }
            if (update % 25 == 0) {
                ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 300, 100));
            }
            if (update % 300 == 150 && !lost) {
                ASSERT_TRUE(GameDriver::tap(SDLK_k));
            }
            if (lost) {
                ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
            }
            ASSERT_TRUE(game.step());
        }
    }
    const std::string output = capture.stop();
    SCOPED_TRACE(output);
    EXPECT_EQ(count(output, "Error in setting pixel"), 0);
    EXPECT_EQ(count(output, kSaveFailed), int(unwritable));
    EXPECT_EQ(count(output, kScoreFailed), int(unwritable));
    EXPECT_EQ(count(output, "Could not"), unwritable ? 2 : 0);
    if (unwritable) {  // the folders never written into nor removed
        EXPECT_EQ(readFile(kSave), oldSave);
        EXPECT_TRUE(fs::is_directory(kTemporary + "/in"));
        EXPECT_TRUE(fs::is_directory(kHighScores + "/in"));
    } else {
        EXPECT_EQ(count(readFile(kHighScores), "\n"), gamesLost);
    }
}

// Each data file missing; damage as an unknown format or a decoder stopped short; pipes.
INSTANTIATE_TEST_SUITE_P(EachDataFile, DataFaults, ::testing::ValuesIn([] {
                             std::vector<std::pair<std::string, std::string>> faults = {
                                 {kGameFont, "Missing"},   {"SHOOT.jpg", "Truncated"},
                                 {"ufo.png", "Truncated"}, {kGameFont, "Truncated"},
                                 {"earth.jpg", "Empty"},   {"speed.png", "Text"},
                                 {kGameFont, "Text"},      {"ufo1.png", "Pipe"},
                                 {kGameFont, "Pipe"},      {"", "Unwritable"}};
                             for (const std::string& file : gamePictures())
                                 faults.emplace_back(file, "Missing");
                             return faults;
                         }()));
