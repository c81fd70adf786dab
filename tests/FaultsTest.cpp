// Fault tests of the whole game in-process: each picture and the font missing or damaged, and a
// working folder that cannot be written. Every case starts the real engine headless in a folder
// of its own, plays one shared scripted run of some two thousand update ticks through SDL's event
// queue and the real main loop (a fake clock moves 10 ms per iteration), and ends the engine the
// normal way; the sanitizers of the test build watch all of it.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "DisplayableObject.h"
#include "GameDriver.h"
#include "SaveRecord.h"
#include "TestSupport.h"
#include "VorlanEngine.h"

namespace fs = std::filesystem;
using dustreach::test::GameDriver;
using dustreach::test::readFile;
using dustreach::test::ScopedTempDir;
using dustreach::test::StdoutCapture;
using dustreach::test::writeFile;

namespace {

const std::string kFont = dustreach::test::kGameFont;

// Every file the game reads: its pictures and its font.
std::vector<std::string> gameDataFiles()
{
    std::vector<std::string> files = dustreach::test::gamePictures();
    files.push_back(kFont);
    return files;
}
const std::vector<std::string> kAssets = gameDataFiles();

enum class Damage { Missing, Empty, Truncated, Text };

const char* damageName(Damage damage)
{
    switch (damage) {
    case Damage::Missing: return "Missing";
    case Damage::Empty: return "Empty";
    case Damage::Truncated: return "Truncated";
    case Damage::Text: return "Text";
    }
    return "?";
}

// The bytes of a file, or "" when it is missing or not a plain file (a folder in its way).
std::string fileText(const std::string& path)
{
    return fs::is_regular_file(path) ? readFile(path) : std::string();
}

int countLines(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

// What a scripted run asked of the files.
struct RunCounts {
    int saves = 0;
    int gamesLost = 0;
};

int countOccurrences(const std::string& text, const std::string& line)
{
    int count = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++count;
    return count;
}

// The one scripted run every case plays: start, move, fire, zoom, scroll, save, pause, load, an
// idle game lost, a retry, a pause and a continue. filesWritable says whether the save and the
// high score are expected to reach the folder.
void playScriptedRun(GameDriver& game, bool filesWritable, RunCounts& counts)
{
    ASSERT_TRUE(game.step(3));
    ASSERT_EQ(game.state().playState, StartScreen);
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    ASSERT_TRUE(game.step());
    ASSERT_EQ(game.state().playState, Running);

    // Move with letters and arrows: 3 pixels an update.
    const int startX = game.engine().getDisplayableObject(0)->currentX;
    ASSERT_TRUE(GameDriver::key(SDLK_d, true));
    ASSERT_TRUE(game.step(40));
    ASSERT_TRUE(GameDriver::key(SDLK_d, false));
    ASSERT_TRUE(GameDriver::key(SDLK_UP, true));
    ASSERT_TRUE(game.step(40));
    ASSERT_TRUE(GameDriver::key(SDLK_UP, false));
    ASSERT_TRUE(game.step());
    EXPECT_EQ(game.engine().getDisplayableObject(0)->currentX, startX + 120);

    // Fire eight shots; none has reached the top yet.
    for (int shot = 0; shot < 8; ++shot) {
        ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 300, 400));
        ASSERT_TRUE(game.step(10));
    }
    EXPECT_EQ(game.engine().getContentCount(), 14);

    // Zoom in and out about the centre, scroll every way, and come back.
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_MIDDLE, 150, 260));
    ASSERT_TRUE(game.step(20));
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_RIGHT, 300, 400));
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_RIGHT, 300, 400));
    ASSERT_TRUE(game.step(20));
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_MIDDLE, 300, 400));
    ASSERT_TRUE(game.step());
    const int offsetX = game.engine().getTranslationFilter().getXOffset();
    const int offsetY = game.engine().getTranslationFilter().getYOffset();
    for (SDL_Keycode scroll : {SDLK_c, SDLK_f, SDLK_b, SDLK_v, SDLK_c, SDLK_b}) {
        ASSERT_TRUE(GameDriver::tap(scroll));
        ASSERT_TRUE(game.step(5));
    }
    EXPECT_EQ(game.engine().getTranslationFilter().getXOffset(), offsetX);
    EXPECT_EQ(game.engine().getTranslationFilter().getYOffset(), offsetY);

    // Save, pause, load: the saved game comes back and runs.
    const std::string saveBefore = readFile("currentSave.txt");
    ASSERT_TRUE(GameDriver::tap(SDLK_k));
    ++counts.saves;
    ASSERT_TRUE(game.step());
    if (filesWritable) {
        SaveRecord saved;
        EXPECT_TRUE(SaveRecord::readFile("currentSave.txt", saved));
    } else {
        EXPECT_EQ(readFile("currentSave.txt"), saveBefore);
    }
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    ASSERT_TRUE(game.step(20));
    ASSERT_EQ(game.state().playState, Paused);
    // The load finds this save, or the older one the folder kept.
    ASSERT_TRUE(GameDriver::tap(SDLK_l));
    ASSERT_TRUE(game.step());
    ASSERT_EQ(game.state().playState, Running);
    EXPECT_EQ(game.engine().getContentCount(), 6);

    // Left alone, the game is lost: the enemies reach the bottom and the UFO finds the ship.
    const int scoresBefore = countLines(fileText("highScore.txt"));
    int waited = 0;
    while (game.state().playState == Running && waited < 1500) {
        ASSERT_TRUE(game.step());
        ++waited;
    }
    ASSERT_EQ(game.state().playState, Paused) << "the idle game was not lost";
    ++counts.gamesLost;
    EXPECT_EQ(game.state().lives, 5);
    EXPECT_EQ(game.state().score, 0);
    EXPECT_EQ(countLines(fileText("highScore.txt")), scoresBefore + (filesWritable ? 1 : 0));

    // Retry, play on with a shot, pause and continue.
    ASSERT_TRUE(GameDriver::tap(SDLK_r));
    ASSERT_TRUE(game.step(100));
    EXPECT_EQ(game.state().playState, Running);
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 10, 10));
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    ASSERT_TRUE(game.step(50));
    EXPECT_EQ(game.state().playState, Paused);
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    ASSERT_TRUE(game.step());
    EXPECT_EQ(game.state().playState, Running);

    // Play on: a new direction every 100 updates, a shot every 25, a save every 300; a lost game
    // goes on with SPACE.
    const SDL_Keycode directions[] = {SDLK_a, SDLK_DOWN, SDLK_w, SDLK_RIGHT, SDLK_s, SDLK_LEFT};
    for (int update = 0; update < 1500; ++update) {
        const SDL_Keycode held = directions[(update / 100) % 6];
        if (update % 100 == 0) {
            if (update > 0) {
                ASSERT_TRUE(GameDriver::key(directions[(update / 100 - 1) % 6], false));
            }
            ASSERT_TRUE(GameDriver::key(held, true));
        }
        if (update % 25 == 0) {
            ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 300, 100));
        }
        // Only a lost game pauses here.
        const bool lost = game.state().playState == Paused;
        if (update % 300 == 150 && !lost) {
            ASSERT_TRUE(GameDriver::tap(SDLK_k));
            ++counts.saves;
        }
        if (lost) {
            ++counts.gamesLost;
            ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
        }
        ASSERT_TRUE(game.step());
    }
}

// Puts every asset into the folder, the one named damaged (or left out) as asked.
void prepareAssets(const ScopedTempDir& dir, const std::string& damaged, Damage damage)
{
    for (const std::string& asset : kAssets)
        if (asset != damaged)
            dir.copyAsset(asset);
    switch (damage) {
    case Damage::Missing:
        break;
    case Damage::Empty:
        writeFile(damaged, "");
        break;
    case Damage::Truncated: {
        const std::string whole = readFile(dustreach::test::assetPath(damaged));
        writeFile(damaged, whole.substr(0, whole.size() / 3));
        break;
    }
    case Damage::Text:
        writeFile(damaged, "This is not a picture.\nNor a font.\n");
        break;
    }
}

struct AssetFault {
    std::string file;
    Damage damage;
};

void PrintTo(const AssetFault& fault, std::ostream* out)
{
    *out << fault.file << " " << damageName(fault.damage);
}

class AssetFaults : public ::testing::TestWithParam<AssetFault> {};

TEST_P(AssetFaults, TheGameStartsPlaysAndEndsNormally)
{
    const AssetFault& fault = GetParam();
    ScopedTempDir dir;
    prepareAssets(dir, fault.file, fault.damage);

    StdoutCapture capture;
    RunCounts counts;
    {
        GameDriver game;
        ASSERT_TRUE(game.started());
        playScriptedRun(game, true, counts);
        EXPECT_GT(game.ticks(), 2000);
    }
    const std::string output = capture.stop();
    // Failures inside the run were written into the capture: show them.
    if (HasFailure())
        std::fputs(output.c_str(), stderr);

    // A file that cannot be read at all is named in the failure line (a truncated one may still
    // give part of its picture or glyphs, so it need not fail).
    const bool unreadable = fault.damage != Damage::Truncated;
    if (fault.file == kFont) {
        if (unreadable) {
            EXPECT_NE(output.find("Font loading failed.\n"), std::string::npos);
        }
    } else if (unreadable) {
        EXPECT_NE(output.find("ImageManager::getImagePtrbyURL() : Failed to load image" +
                              fault.file + "\n"),
                  std::string::npos);
    }
    // Nothing was written off the surfaces, every file operation went through, and a readable
    // font was closed on the way out.
    EXPECT_EQ(output.find("Error in setting pixel"), std::string::npos);
    EXPECT_EQ(output.find("Could not"), std::string::npos);
    EXPECT_EQ(countLines(readFile("highScore.txt")), counts.gamesLost);
    if (fault.file != kFont) {
        EXPECT_NE(output.find("Free font: 24 point Cornerstone Regular.ttf\n"), std::string::npos);
    }
}

std::vector<AssetFault> allAssetFaults()
{
    std::vector<AssetFault> faults;
    for (const std::string& file : kAssets)
        for (Damage damage : {Damage::Missing, Damage::Empty, Damage::Truncated, Damage::Text})
            faults.push_back({file, damage});
    return faults;
}

std::string faultName(const ::testing::TestParamInfo<AssetFault>& info)
{
    std::string name;
    for (char c : info.param.file)
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
    return name + damageName(info.param.damage);
}

INSTANTIATE_TEST_SUITE_P(EachPictureAndTheFont, AssetFaults,
                         ::testing::ValuesIn(allAssetFaults()), faultName);

// True when a new file can be created in the current folder (permissions do not bind root).
bool canCreateFileHere()
{
    const char* probe = "write-probe";
    const bool created = static_cast<bool>(std::ofstream(probe));
    std::remove(probe);
    return created;
}

TEST(UnwritableFolder, SavesAndGameOversGoOnWithoutHarm)
{
    ScopedTempDir dir;
    for (const std::string& asset : kAssets)
        dir.copyAsset(asset);
    SaveRecord startRecord;
    startRecord.fields = {0, 5, 230, 610, 95, 30, 295, 30, 395, 30, 495, 30, 205, 28, 0, 1};
    const std::string oldSave = startRecord.format();
    writeFile("currentSave.txt", oldSave);
    fs::permissions(dir.path(), fs::perms::owner_write | fs::perms::group_write |
                                    fs::perms::others_write,
                    fs::perm_options::remove);
    if (canCreateFileHere()) {
        // Running as root: make both writes fail another way, with folders in the way of the
        // temporary save and of the high-score file.
        fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::add);
        fs::create_directory("currentSave.txt.tmp");
        fs::create_directory("highScore.txt");
    }

    StdoutCapture capture;
    RunCounts counts;
    {
        GameDriver game;
        ASSERT_TRUE(game.started());
        playScriptedRun(game, false, counts);
    }
    const std::string output = capture.stop();
    if (HasFailure())
        std::fputs(output.c_str(), stderr);
    EXPECT_EQ(readFile("currentSave.txt"), oldSave);
    // One line for each save and each lost game: no storm of messages, no silence.
    EXPECT_EQ(countOccurrences(output, "Could not save the game to currentSave.txt\n"), counts.saves);
    EXPECT_EQ(countOccurrences(output, "Could not record the score in highScore.txt\n"),
              counts.gamesLost);
}

}  // namespace
