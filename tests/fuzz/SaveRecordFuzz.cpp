// SaveRecordFuzz: libFuzzer target for the save-file loader. Every input is checked twice: the
// record parser against a plain strtol reading of the same bytes (sixteen ints or nothing, the
// record untouched on failure, format then parse gives the record back), and the game's own load
// of the bytes written as "currentSave.txt" (a complete record resumes play with its values,
// anything else leaves the paused game as it was, and the file is never changed), followed by a
// few update ticks and the drawing passes. A broken check aborts, which libFuzzer reports as a crash.
// Owns one headless engine in a temporary folder holding copies of the game's assets, which becomes
// the working directory: give the fuzzer absolute paths (tools/fuzz.sh does).
#include <array>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "GameState.h"
#include "ImageHandle.h"
#include "PixelCanvas.h"
#include "SaveRecord.h"
#include "VorlanEngine.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSaveFile = "currentSave.txt";
constexpr const char* kHighScoreFile = "highScore.txt";
// Enough for an enemy loaded near the bottom to reach it and for a close UFO to touch the ship.
constexpr int kTicksAfterLoad = 40;

struct Harness {
    std::string folder;
    VorlanEngine engine;
    // Held so that the cache keeps the UFO frames between loads instead of decoding them anew.
    std::array<ImageHandle, 3> ufoFrames;
};

// Created once and deliberately never destroyed: SDL's exit handlers run before static
// destructors would, and the process ends right after the run anyway.
Harness* harness = nullptr;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "SaveRecordFuzz: %s\n", what);
        std::abort();
    }
}

std::string readBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const char* path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    require(static_cast<bool>(out), "cannot write the save file for the load check");
}

// The reference reading: before each number any white space, then strtol in base 10, which must
// read at least one digit and give a value inside int. A NUL byte is neither white space nor a
// digit, so it ends the reading just as it ends strtol's string.
bool referenceParse(const std::string& text, std::array<int, SaveRecord::kFieldCount>& fields)
{
    const std::string cut = text.substr(0, text.find('\0'));
    const char* cursor = cut.c_str();
    for (int& field : fields) {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(cursor, &end, 10);
        if (end == cursor || errno == ERANGE || value < INT_MIN || value > INT_MAX)
            return false;
        field = static_cast<int>(value);
        cursor = end;
    }
    return true;
}

void checkParser(const std::string& text)
{
    SaveRecord record;
    record.fields.fill(-7);
    const SaveRecord untouched = record;
    std::array<int, SaveRecord::kFieldCount> expected{};
    const bool parsed = SaveRecord::parse(text, record);
    require(parsed == referenceParse(text, expected), "parse and the reference reading disagree");
    if (!parsed) {
        require(record.fields == untouched.fields, "a failed parse changed the record");
        return;
    }
    require(record.fields == expected, "parse read other values than the reference reading");
    SaveRecord again;
    require(SaveRecord::parse(record.format(), again) && again.fields == record.fields,
            "format then parse does not give the record back");
}

void checkLoad(const std::string& text)
{
    VorlanEngine& engine = harness->engine;
    GameState& state = engine.getState();
    // Every input starts from the same game: fresh objects, paused, known counters.
    std::srand(1);
    state = GameState{};
    engine.initialiseObjects();
    state.playState = Paused;
    state.score = 123;
    state.lives = 4;

    writeBytes(kSaveFile, text);
    engine.loadGame();
    require(readBytes(kSaveFile) == text, "the load changed the save file");

    SaveRecord expected;
    const bool complete = SaveRecord::parse(text, expected);
    if (complete) {
        require(state.playState == Running, "a complete record did not resume play");
        require(state.score == expected.fields[0] && state.lives == expected.fields[1] &&
                    state.speedBoostActive == expected.fields[14] &&
                    state.level == expected.fields[15],
                "a complete record was not loaded as written");
        require(engine.getContentCount() == 6, "the load did not build the six objects");
    } else {
        require(state.playState == Paused && state.score == 123 && state.lives == 4 &&
                    state.level == 1,
                "a record that could not be read changed the game");
    }

    for (int tick = 0; tick < kTicksAfterLoad; ++tick)
        engine.updateAllObjects(tick * 10);
    // The input-dependent part of a redraw: the objects where the record put them and, after a
    // load, the head-up display with the level rule and the game over. The background copy, the
    // upload and the unchanged counters of a refused load would only cost time.
    PixelCanvas* foreground = engine.getForegroundCanvas();
    foreground->lockForDrawing();
    engine.drawAllObjects();
    if (complete)
        engine.drawStringsOnTop();
    foreground->unlockAfterDrawing();
    // A lost game appends here; keep the folder from growing over millions of runs.
    std::remove(kHighScoreFile);
}

void removeFolder()
{
    if (!harness)
        return;
    std::error_code error;
    fs::current_path(fs::temp_directory_path(), error);
    fs::remove_all(harness->folder, error);
}

// Built on the first input rather than in LLVMFuzzerInitialize: with -jobs the parent process
// only starts workers, and moving it into the temporary folder would put their logs there.
void startHarness()
{
    char pattern[] = "/tmp/dustreach-fuzz-XXXXXX";
    require(mkdtemp(pattern) != nullptr, "cannot create a temporary folder");
    for (const fs::directory_entry& entry : fs::directory_iterator(DUSTREACH_ASSET_DIR))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), fs::path(pattern) / entry.path().filename());
    fs::current_path(pattern);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    // The engine's members load pictures as it is built, so the folder must be current first.
    harness = new Harness;
    harness->folder = pattern;
    require(harness->engine.initialise("Dustreach fuzz", 600, 800, "Cornerstone Regular.ttf", 24) ==
                0,
            "the engine did not start");
    harness->ufoFrames = {harness->engine.loadImage("ufo.png", false),
                          harness->engine.loadImage("ufo1.png", false),
                          harness->engine.loadImage("ufo2.png", false)};
    std::atexit(removeFolder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!harness)
        startHarness();
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkParser(text);
    checkLoad(text);
    return 0;
}
