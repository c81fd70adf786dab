// dustreach_soak: drives the real game in-process for a set number of update ticks with seeded
// random input (movement keys held and released, SPACE, R, K, L, the scroll keys, clicks of every
// button at random places, mouse motion), in a temporary working folder holding copies of the
// game's assets, on the fake clock of the test driver (no wall-clock waiting). Prints a summary:
// ticks, frames, games lost, saves, loads, retries, and resident memory at every tenth of the run.
//   dustreach_soak TICKS [--seed N] [--assets DIR] [--max-growth-kb N]
// Exit code 0 when the run went through; 1 for a bad argument or a broken run; 2 when resident
// memory grew by more than --max-growth-kb from the first tenth to the end.
#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "GameDriver.h"

namespace fs = std::filesystem;
using dustreach::test::GameDriver;

namespace {

struct Options {
    long long ticks = 0;
    unsigned int seed = 1;
    std::string assets = DUSTREACH_ASSET_DIR;
    long long maxGrowthKb = -1;  // no limit
};

struct Summary {
    long long ticks = 0;
    long long frames = 0;
    long long saves = 0;
    long long loads = 0;
    long long retries = 0;
    long long gamesLost = 0;
    std::vector<long long> residentKb;  // at each tenth of the run
    long long finalKb = 0;
    long long peakKb = 0;
};

// A value in kB from /proc/self/status ("VmRSS", "VmHWM"); -1 when it cannot be read.
long long statusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::strtoll(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// True with a chance of perTenThousand in 10,000.
bool chance(int perTenThousand)
{
    return std::rand() % 10000 < perTenThousand;
}

int countLines(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    int lines = 0;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it)
        lines += *it == '\n';
    return lines;
}

// The whole of text as a whole number from 0 to max; false for anything else (empty, a sign,
// other characters, too large), so a mistyped argument is refused rather than read as another.
bool parseNumber(const char* text, unsigned long long max, unsigned long long& value)
{
    if (*text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return *end == '\0' && errno == 0 && value <= max;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    const unsigned long long maxCount = std::numeric_limits<long long>::max();
    unsigned long long number = 0;
    if (argc < 2 || !parseNumber(argv[1], maxCount, number) || number == 0)
        return false;
    options.ticks = static_cast<long long>(number);
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0) {
            if (!parseNumber(argv[i + 1], std::numeric_limits<unsigned int>::max(), number))
                return false;
            options.seed = static_cast<unsigned int>(number);
        } else if (std::strcmp(argv[i], "--assets") == 0) {
            options.assets = argv[i + 1];
        } else if (std::strcmp(argv[i], "--max-growth-kb") == 0) {
            if (!parseNumber(argv[i + 1], maxCount, number))
                return false;
            options.maxGrowthKb = static_cast<long long>(number);
        } else {
            return false;
        }
    }
    return argc % 2 == 0;
}

// One tick of random input, then one iteration of the main loop. At most one command key a tick,
// queued first, so the play state seen here is the one its hook will see.
bool playTick(GameDriver& game, std::vector<bool>& held, int& zoomSteps, Summary& summary)
{
    static const SDL_Keycode movement[] = {SDLK_w,  SDLK_a,    SDLK_s,    SDLK_d,
                                           SDLK_UP, SDLK_LEFT, SDLK_DOWN, SDLK_RIGHT};
    static const SDL_Keycode scrolls[] = {SDLK_c, SDLK_b, SDLK_f, SDLK_v};
    const PlayState before = game.state().playState;
    bool pushed = true;

    SDL_Keycode command = 0;
    if (chance(30))
        command = SDLK_SPACE;
    else if (chance(20))
        command = SDLK_r;
    else if (chance(40))
        command = SDLK_k;
    else if (chance(40))
        command = SDLK_l;
    else if (chance(60))
        command = scrolls[std::rand() % 4];
    if (command != 0) {
        pushed = pushed && GameDriver::tap(command);
        if (command == SDLK_k && before == Running)
            ++summary.saves;
        if (command == SDLK_r && before == Paused)
            ++summary.retries;
    }

    for (std::size_t i = 0; i < held.size(); ++i) {
        if (chance(150)) {
            held[i] = !held[i];
            pushed = pushed && GameDriver::key(movement[i], held[i]);
        }
    }

    const int x = std::rand() % 600;
    const int y = std::rand() % 800;
    if (chance(300)) {
        pushed = pushed && GameDriver::click(SDL_BUTTON_LEFT, x, y);
    } else if (chance(60)) {
        // Zoom in or out, wandering no more than eight steps from 1:1 either way.
        const bool in = zoomSteps <= -8 || (zoomSteps < 8 && std::rand() % 2 == 0);
        zoomSteps += in ? 1 : -1;
        pushed = pushed && GameDriver::click(in ? SDL_BUTTON_MIDDLE : SDL_BUTTON_RIGHT, x, y);
    } else if (chance(10)) {
        pushed = pushed && GameDriver::click(std::rand() % 2 ? SDL_BUTTON_X1 : SDL_BUTTON_X2, x, y);
    } else if (chance(200)) {
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.x = x;
        motion.motion.y = y;
        pushed = pushed && SDL_PushEvent(&motion) == 1;
    }

    if (!pushed || !game.step())
        return false;
    if (command == SDLK_l && before == Paused && game.state().playState == Running)
        ++summary.loads;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s TICKS [--seed N] [--assets DIR] [--max-growth-kb N]\n",
                     argv[0]);
        return 1;
    }

    char pattern[] = "/tmp/dustreach-soak-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("dustreach_soak: temporary folder");
        return 1;
    }
    const fs::path folder = pattern;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(options.assets, error))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), folder / entry.path().filename(), error);
    const fs::path previous = fs::current_path();
    fs::current_path(folder);

    std::srand(options.seed);
    Summary summary;
    bool completed = false;
    {
        GameDriver game;
        if (game.started()) {
            std::vector<bool> held(8, false);
            int zoomSteps = 0;
            const long long tenth = options.ticks / 10 > 0 ? options.ticks / 10 : 1;
            completed = true;
            for (long long tick = 1; tick <= options.ticks && completed; ++tick) {
                completed = playTick(game, held, zoomSteps, summary);
                if (tick % tenth == 0 && summary.residentKb.size() < 10)
                    summary.residentKb.push_back(statusKb("VmRSS"));
            }
            summary.finalKb = statusKb("VmRSS");
            summary.ticks = game.ticks();
            summary.frames = game.frames();
            summary.peakKb = statusKb("VmHWM");
        }
    }
    summary.gamesLost = countLines("highScore.txt");
    fs::current_path(previous);
    fs::remove_all(folder, error);

    std::printf("Soak summary: seed %u\n", options.seed);
    std::printf(
        "  ticks %lld, frames %lld, games lost %lld, saves %lld, loads %lld, retries %lld\n",
        summary.ticks, summary.frames, summary.gamesLost, summary.saves, summary.loads,
        summary.retries);
    std::printf("  resident memory at each tenth (kB):");
    for (long long kb : summary.residentKb)
        std::printf(" %lld", kb);
    const long long first = summary.residentKb.empty() ? -1 : summary.residentKb.front();
    const long long last = summary.finalKb;
    std::printf("\n  resident at the first tenth %lld kB, at the end %lld kB, peak %lld kB\n",
                first, last, summary.peakKb);
    std::fflush(stdout);

    if (!completed || summary.ticks != options.ticks) {
        std::fprintf(stderr, "dustreach_soak: the run stopped after %lld ticks\n", summary.ticks);
        return 1;
    }
    if (options.maxGrowthKb >= 0 && last - first > options.maxGrowthKb) {
        std::fprintf(stderr, "dustreach_soak: resident memory grew by %lld kB\n", last - first);
        return 2;
    }
    return 0;
}
