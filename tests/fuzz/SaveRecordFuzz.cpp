// SaveRecordFuzz: libFuzzer target for the save-file loader. Each input is parsed against a plain
// strtol reading (sixteen ints or nothing, the record untouched on failure, format then parse gives
// it back), then loaded by the game as "currentSave.txt" (a complete record resumes play with its
// values, anything else leaves the paused game as it was, the file never changes), followed by 40
// ticks and the drawing passes. A broken check aborts. Runs in a temporary folder holding copies of
// the assets, which becomes the working directory: give the fuzzer absolute paths.
#include <array>
#include <cerrno>
#include <climits>
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

// Never destroyed: SDL's exit handlers run before static destructors would. The UFO frames are
// held so that the cache keeps them between loads.
VorlanEngine* engine = nullptr;
std::array<ImageHandle, 3>* ufoFrames = nullptr;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "SaveRecordFuzz: %s\n", what);
        std::abort();
    }
}

// Any white space then strtol in base 10, at least one digit, inside int; a NUL ends the text.
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

void start()
{
    // Built on the first input, not in LLVMFuzzerInitialize: with -jobs the parent only starts
    // workers, and moving it into the folder would put their logs there.
    static char folder[] = "/tmp/dustreach-fuzz-XXXXXX";
    require(mkdtemp(folder) != nullptr, "cannot create a temporary folder");
    for (const fs::directory_entry& entry : fs::directory_iterator(DUSTREACH_ASSET_DIR))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), fs::path(folder) / entry.path().filename());
    fs::current_path(folder);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    engine = new VorlanEngine;  // loads pictures as it is built, so after the move
    require(engine->initialise("Dustreach fuzz", 600, 800, "Cornerstone Regular.ttf", 24) == 0,
            "the engine did not start");
    ufoFrames = new std::array<ImageHandle, 3>{engine->loadImage("ufo.png", false),
                                               engine->loadImage("ufo1.png", false),
                                               engine->loadImage("ufo2.png", false)};
    std::atexit([] {
        std::error_code error;
        fs::current_path(fs::temp_directory_path(), error);
        fs::remove_all(folder, error);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!engine)
        start();
    const std::string text(reinterpret_cast<const char*>(data), size);
    SaveRecord record, again;
    record.fields.fill(-7);
    const SaveRecord untouched = record;
    std::array<int, SaveRecord::kFieldCount> expected{};
    const bool complete = SaveRecord::parse(text, record);
    require(complete == referenceParse(text, expected), "parse and the reference disagree");
    require(record.fields == (complete ? expected : untouched.fields), "parse read other values");
    require(!complete || (SaveRecord::parse(record.format(), again) && again.fields == record.fields),
            "format then parse does not give the record back");

    // Every input starts from the same game: fresh objects, paused, known counters.
    GameState& state = engine->getState();
    std::srand(1);
    state = GameState{};
    engine->initialiseObjects();
    state.playState = Paused;
    state.score = 123;
    state.lives = 4;
    std::ofstream("currentSave.txt", std::ios::binary) << text;
    engine->loadGame();
    std::ifstream in("currentSave.txt", std::ios::binary);
    require(std::string(std::istreambuf_iterator<char>(in), {}) == text, "the load changed the file");
    const auto& f = record.fields;
    require(complete ? state.playState == Running && state.score == f[0] && state.lives == f[1] &&
                           state.speedBoostActive == f[14] && state.level == f[15] &&
                           engine->getContentCount() == 6
                     : state.playState == Paused && state.score == 123 && state.lives == 4 &&
                           state.level == 1,
            complete ? "a complete record was not loaded as written" : "a bad record changed the game");
    for (int tick = 0; tick < 40; ++tick)
        engine->updateAllObjects(tick * 10);
    // The input-dependent part of a redraw: the objects and, after a load, the head-up display.
    PixelCanvas* foreground = engine->getForegroundCanvas();
    foreground->lockForDrawing();
    engine->drawAllObjects();
    if (complete)
        engine->drawStringsOnTop();
    foreground->unlockAfterDrawing();
    std::remove("highScore.txt");  // a lost game appends; keep the folder small over many runs
    return 0;
}
