// Fault tests of the whole game in-process: each picture and the font missing or damaged, and a
// working folder that cannot be written. Every case starts the real engine headless in a folder
// of its own, plays one shared scripted run of some two thousand update ticks through SDL's event
// queue and the real main loop (a fake clock moves 10 ms per iteration), and ends the engine the
// normal way; the sanitizers of the test build watch all of it.
#include <gtest/gtest.h>

#include <sys/stat.h>

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

enum class Damage { Missing, Empty, Truncated, Text, Pipe };
const char* const kDamageNames[] = {"Missing", "Empty", "Truncated", "Text", "Pipe"};

// The bytes of a file, or "" when it is missing or not a plain file (a folder in its way).
std::string fileText(const std::string& path)
{
    return fs::is_regular_file(path) ? readFile(path) : std::string();
}

int countOccurrences(const std::string& text, const std::string& line)
{
    int count = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++count;
    return count;
}
int countLines(const std::string& text) { return countOccurrences(text, "\n"); }

// What a scripted run asked of the files.
struct RunCounts {
    int saves = 0;
    int gamesLost = 0;
};

// The one scripted run every case plays: start, move, fire, zoom, scroll, save, pause, load, an
// idle game lost, a retry, a pause and a continue. filesWritable says whether the save and the
// high score are expected to reach the folder.
void playScriptedRun(GameDriver& game, bool filesWritable, RunCounts& counts)
{
    const auto tapStep = [&](SDL_Keycode key, int steps) {
        return GameDriver::tap(key) && game.step(steps);
    };
    const auto clickStep = [&](int button, int x, int y, int steps) {
        return GameDriver::click(button, x, y) && game.step(steps);
    };
    const auto hold = [&](SDL_Keycode key, int steps) {
        return GameDriver::key(key, true) && game.step(steps) && GameDriver::key(key, false);
    };
    ASSERT_TRUE(game.step(3));
    ASSERT_EQ(game.state().playState, StartScreen);
    ASSERT_TRUE(tapStep(SDLK_SPACE, 1));
    ASSERT_EQ(game.state().playState, Running);

    // Move with letters and arrows: 3 pixels an update.
    const int startX = game.engine().getDisplayableObject(0)->currentX;
    ASSERT_TRUE(hold(SDLK_d, 40) && hold(SDLK_UP, 40) && game.step());
    EXPECT_EQ(game.engine().getDisplayableObject(0)->currentX, startX + 120);

    // Fire eight shots; none has reached the top yet.
    for (int shot = 0; shot < 8; ++shot)
        ASSERT_TRUE(clickStep(SDL_BUTTON_LEFT, 300, 400, 10));
    EXPECT_EQ(game.engine().getContentCount(), 14);

    // Zoom in and out about the centre, scroll every way, and come back.
    ASSERT_TRUE(clickStep(SDL_BUTTON_MIDDLE, 150, 260, 20));
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_RIGHT, 300, 400));
    ASSERT_TRUE(clickStep(SDL_BUTTON_RIGHT, 300, 400, 20));
    ASSERT_TRUE(clickStep(SDL_BUTTON_MIDDLE, 300, 400, 1));
    const FilterPointsTranslation& translation = game.engine().getTranslationFilter();
    const int offsetX = translation.getXOffset();
    const int offsetY = translation.getYOffset();
    for (SDL_Keycode scroll : {SDLK_c, SDLK_f, SDLK_b, SDLK_v, SDLK_c, SDLK_b})
        ASSERT_TRUE(tapStep(scroll, 5));
    EXPECT_EQ(translation.getXOffset(), offsetX);
    EXPECT_EQ(translation.getYOffset(), offsetY);

    // Save, pause, load: the saved game comes back and runs.
    const std::string saveBefore = readFile("currentSave.txt");
    ++counts.saves;
    ASSERT_TRUE(tapStep(SDLK_k, 1));
    SaveRecord saved;
    if (filesWritable)
        EXPECT_TRUE(SaveRecord::readFile("currentSave.txt", saved));
    else
        EXPECT_EQ(readFile("currentSave.txt"), saveBefore);
    ASSERT_TRUE(tapStep(SDLK_SPACE, 20));
    ASSERT_EQ(game.state().playState, Paused);
    // The load finds this save, or the older one the folder kept.
    ASSERT_TRUE(tapStep(SDLK_l, 1));
    ASSERT_EQ(game.state().playState, Running);
    EXPECT_EQ(game.engine().getContentCount(), 6);

    // Left alone, the game is lost: the enemies reach the bottom and the UFO finds the ship.
    const int scoresBefore = countLines(fileText("highScore.txt"));
    for (int waited = 0; game.state().playState == Running && waited < 1500; ++waited)
        ASSERT_TRUE(game.step());
    ASSERT_EQ(game.state().playState, Paused) << "the idle game was not lost";
    ++counts.gamesLost;
    EXPECT_EQ(game.state().lives, 5);
    EXPECT_EQ(game.state().score, 0);
    EXPECT_EQ(countLines(fileText("highScore.txt")), scoresBefore + (filesWritable ? 1 : 0));

    // Retry, play on with a shot, pause and continue.
    ASSERT_TRUE(tapStep(SDLK_r, 100));
    EXPECT_EQ(game.state().playState, Running);
    ASSERT_TRUE(GameDriver::click(SDL_BUTTON_LEFT, 10, 10));
    ASSERT_TRUE(tapStep(SDLK_SPACE, 50));
    EXPECT_EQ(game.state().playState, Paused);
    ASSERT_TRUE(tapStep(SDLK_SPACE, 1));
    EXPECT_EQ(game.state().playState, Running);

    // Play on: a new direction every 100 updates, a shot every 25, a save every 300; a lost game
    // goes on with SPACE.
    const SDL_Keycode directions[] = {SDLK_a, SDLK_DOWN, SDLK_w, SDLK_RIGHT, SDLK_s, SDLK_LEFT};
    for (int update = 0; update < 1500; ++update) {
        if (update % 100 == 0) {
            ASSERT_TRUE(update == 0 || GameDriver::key(directions[(update / 100 - 1) % 6], false));
            ASSERT_TRUE(GameDriver::key(directions[(update / 100) % 6], true));
        }
        ASSERT_TRUE(update % 25 != 0 || GameDriver::click(SDL_BUTTON_LEFT, 300, 100));
        // Only a lost game pauses here.
        const bool lost = game.state().playState == Paused;
        counts.saves += update % 300 == 150 && !lost;
        counts.gamesLost += lost;
        ASSERT_TRUE(update % 300 != 150 || lost || GameDriver::tap(SDLK_k));
        ASSERT_TRUE(!lost || GameDriver::tap(SDLK_SPACE));
        ASSERT_TRUE(game.step());
    }
}

// Puts every asset into the folder, the one named damaged (or left out) as asked.
void prepareAssets(const ScopedTempDir& dir, const std::string& damaged, Damage damage)
{
    for (const std::string& asset : kAssets)
        if (asset != damaged)
            dir.copyAsset(asset);
    const std::string whole = readFile(dustreach::test::assetPath(damaged));
    if (damage == Damage::Empty)
        writeFile(damaged, "");
    else if (damage == Damage::Truncated)
        writeFile(damaged, whole.substr(0, whole.size() / 3));
    else if (damage == Damage::Text)
        writeFile(damaged, "This is not a picture.\nNor a font.\n");
    else if (damage == Damage::Pipe) {
        ASSERT_EQ(mkfifo(damaged.c_str(), 0600), 0);  // an ordinary open would wait for a writer
    }
}

// Starts the game in the current folder, plays the scripted run and ends the game the normal way.
// Returns what it printed, shown on failure (failures inside the run were captured with it).
std::string playInFolder(bool filesWritable, RunCounts& counts)
{
    StdoutCapture capture;
    {
        GameDriver game;
        EXPECT_TRUE(game.started());
        if (game.started())
            playScriptedRun(game, filesWritable, counts);
        EXPECT_GT(game.ticks(), 2000);
    }
    const std::string output = capture.stop();
    if (::testing::Test::HasFailure())
        std::fputs(output.c_str(), stderr);
    return output;
}

struct AssetFault {
    std::string file;
    Damage damage;
};

void PrintTo(const AssetFault& fault, std::ostream* out)
{
    *out << fault.file << " " << kDamageNames[static_cast<int>(fault.damage)];
}

class AssetFaults : public ::testing::TestWithParam<AssetFault> {};

TEST_P(AssetFaults, TheGameStartsPlaysAndEndsNormally)
{
    const AssetFault& fault = GetParam();
    ScopedTempDir dir;
    prepareAssets(dir, fault.file, fault.damage);

    RunCounts counts;
    const std::string output = playInFolder(true, counts);

    // A file that cannot be read at all is named in the failure line (a truncated one may still
    // give part of its picture or glyphs, so it need not fail).
    if (fault.damage != Damage::Truncated) {
        EXPECT_NE(output.find(fault.file == kFont ? "Font loading failed.\n"
                                                  : "ImageManager::getImagePtrbyURL() : Failed to "
                                                    "load image" + fault.file + "\n"),
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

// Every file missing. Damaged content takes one of two loader paths whatever the file: no known
// format (an empty and a text file alike) or a decoder stopped short; each is played once for
// each kind of file.
std::vector<AssetFault> allAssetFaults()
{
    std::vector<AssetFault> faults;
    for (const std::string& file : kAssets)
        faults.push_back({file, Damage::Missing});
    for (const std::string& file : {std::string("SHOOT.jpg"), std::string("ufo.png"), kFont})
        faults.push_back({file, Damage::Truncated});
    faults.push_back({"earth.jpg", Damage::Empty});
    faults.push_back({"speed.png", Damage::Text});
    faults.push_back({kFont, Damage::Text});
    faults.push_back({"ufo1.png", Damage::Pipe});
    faults.push_back({kFont, Damage::Pipe});
    return faults;
}

std::string faultName(const ::testing::TestParamInfo<AssetFault>& info)
{
    std::string name;
    for (char c : info.param.file)
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
    return name + kDamageNames[static_cast<int>(info.param.damage)];
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

    RunCounts counts;
    const std::string output = playInFolder(false, counts);
    EXPECT_EQ(readFile("currentSave.txt"), oldSave);
    // One line for the failing saves and one for the failing high scores: no storm of messages,
    // no silence.
    ASSERT_GE(counts.saves, 2);
    ASSERT_GE(counts.gamesLost, 1);
    EXPECT_EQ(countOccurrences(output, "Could not save the game to currentSave.txt\n"), 1);
    EXPECT_EQ(countOccurrences(output, "Could not record the score in highScore.txt\n"), 1);
}

}  // namespace
