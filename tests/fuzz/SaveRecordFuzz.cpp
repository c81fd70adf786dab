// SaveRecordFuzz: libFuzzer target for the save-file loader. Each input is parsed against a plain
// strtol reading (sixteen ints or nothing, the record untouched on failure, format then parse gives
// it back), then loaded by the game as "currentSave.txt" (a complete record resumes play with its
// values, anything else leaves the paused game as it was, the file never changes), then 40 ticks
// and a redraw. A broken check aborts. Runs in a temporary copy of the assets: use absolute paths.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "SaveRecord.h"
#include "VorlanEngine.h"

namespace fs = std::filesystem;
using Fields = std::array<int, SaveRecord::kFieldCount>;

namespace {

// Never destroyed: SDL's exit handlers run before static destructors would. The UFO frames are
// held so that the cache keeps them between loads.
VorlanEngine* engine = nullptr;
std::array<ImageHandle, 3>* ufoFrames = nullptr;

void require(bool condition, const char* what)
{
    if (!condition && std::fprintf(stderr, "SaveRecordFuzz: %s\n", what))
        std::abort();
}

// Any white space then strtol in base 10, at least one digit, inside int; a NUL ends the text.
bool referenceParse(const std::string& text, Fields& fields)
{
    const std::string cut = text.substr(0, text.find('\0'));
    char* end = const_cast<char*>(cut.c_str());
    for (int& field : fields) {
        const char* cursor = end;
        errno = 0;
        const long value = std::strtol(cursor, &end, 10);
        if (end == cursor || errno == ERANGE || value < INT_MIN || value > INT_MAX)
            return false;
        field = static_cast<int>(value);
    }
    return true;
}

// On the first input, not in LLVMFuzzerInitialize: with -jobs the parent only starts workers,
// and moving it into the folder would put their logs there.
void start()
{
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
    std::atexit([] { std::error_code error; fs::remove_all(folder, error); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!engine)
        start();
    const std::string text(reinterpret_cast<const char*>(data), size);
    SaveRecord record, again;
    record.fields.fill(-7);
    Fields expected{}, untouched = record.fields;
    const bool complete = SaveRecord::parse(text, record);
    require(complete == referenceParse(text, expected), "parse and the reference disagree");
    require(record.fields == (complete ? expected : untouched), "parse read other values");
    require(!complete || (SaveRecord::parse(record.format(), again) && again.fields == expected),
            "format then parse does not give the record back");
    // Every input starts from the same game: fresh objects, paused, known counters.
    GameState& state = engine->getState();
    std::srand(1);
    state = GameState{};
    engine->initialiseObjects();
    std::tie(state.playState, state.score, state.lives) = std::make_tuple(Paused, 123, 4);
    std::ofstream("currentSave.txt", std::ios::binary) << text;
    engine->loadGame();
    std::ostringstream after;
    after << std::ifstream("currentSave.txt", std::ios::binary).rdbuf();
    require(after.str() == text, "the load changed the file");
    const Fields& f = record.fields;
    const auto loaded = std::make_tuple(Running, f[0], f[1], f[14], f[15]);
    require(complete ? std::tie(state.playState, state.score, state.lives, state.speedBoostActive,
                                state.level) == loaded && engine->getContentCount() == 6
                     : std::tie(state.playState, state.score, state.lives, state.level) ==
                           std::make_tuple(Paused, 123, 4, 1),
            "the game after the load does not match the record");
    for (int tick = 0; tick < 40; ++tick)
        engine->updateAllObjects(tick * 10);
    // The input-dependent part of a redraw: the objects and, after a load, the head-up display.
    engine->getForegroundCanvas()->lockForDrawing();
    engine->drawAllObjects();
    if (complete)
        engine->drawStringsOnTop();
    engine->getForegroundCanvas()->unlockAfterDrawing();
    std::remove("highScore.txt");  // a lost game appends; keep the folder small over many runs
    return 0;
}
