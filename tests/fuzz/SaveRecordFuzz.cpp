// SaveRecordFuzz: libFuzzer target for the save-file loader. Each input is parsed against strtol
// (sixteen ints or nothing, the record untouched on failure, format then parse gives it back),
// loaded by the game (a complete record resumes play with its values, anything else leaves the
// paused game as it was, the file unchanged), run 40 ticks and its objects and head-up display
// drawn. A broken check aborts. Runs in a copy of the assets, so give it absolute paths.
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

static VorlanEngine* engine = nullptr;  // never destroyed: SDL's exit handlers come first

static void require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "SaveRecordFuzz: %s\n", what);
    std::abort();
}

// Any white space, then strtol in base 10: at least one digit, inside int; a NUL ends the text.
static bool referenceParse(const std::string& text, Fields& fields)
{
    char* end = const_cast<char*>(text.c_str());
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Set up on the first input, not in LLVMFuzzerInitialize: with -jobs the parent only starts
    // workers, and moving it into the folder would put their logs there.
    static char folder[] = "/tmp/dustreach-fuzz-XXXXXX";
    if (!engine) {
        require(mkdtemp(folder) != nullptr, "cannot create a temporary folder");
        fs::copy(DUSTREACH_ASSET_DIR, folder);  // the files only
        fs::current_path(folder);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        engine = new VorlanEngine;  // loads pictures as it is built, so after the move
        require(engine->initialise("Dustreach fuzz", 600, 800, "Cornerstone Regular.ttf", 24) == 0,
                "the engine did not start");
        [[maybe_unused]] static auto* ufoFrames =
            new std::array<ImageHandle, 3>{// cache them
                                           engine->loadImage("ufo.png", false),
                                           engine->loadImage("ufo1.png", false),
                                           engine->loadImage("ufo2.png", false)};
        std::atexit([] {
            std::error_code error;
            fs::remove_all(folder, error);
        });
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    SaveRecord record{{-7, 5, INT_MIN, 9, 1}}, again;
    Fields want{}, untouched = record.fields;
    const bool complete = SaveRecord::parse(text, record);
    require(complete == referenceParse(text, want), "parse and strtol disagree");
    require(record.fields == (complete ? want : untouched),
            "the record is not strtol's numbers, or a failed parse changed it");
    if (complete) {
        require(SaveRecord::parse(record.format(), again) && again.fields == want,
                "format then parse does not give the record back");
    }
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
    std::ostringstream after;
    after << std::ifstream("currentSave.txt", std::ios::binary).rdbuf();
    require(after.str() == text, "the load changed the file");
    require(!complete || engine->getContentCount() == 6, "the load did not build six objects");
    const auto loaded = complete ? std::make_tuple(Running, want[0], want[1], want[15], want[14])
                                 : std::make_tuple(Paused, 123, 4, 1, 0);
    require(std::tie(state.playState, state.score, state.lives, state.level,
                     state.speedBoostActive) == loaded,
            "the game after the load does not match the record");
    for (int tick = 0; tick < 40; ++tick)
        engine->updateAllObjects(tick * 10);
    engine->getForegroundCanvas()->lockForDrawing();
    engine->drawAllObjects();
    engine->drawStringsOnTop();
    engine->getForegroundCanvas()->unlockAfterDrawing();
    std::remove("highScore.txt");  // a lost game appends; keep the folder small over many runs
    return 0;
}
