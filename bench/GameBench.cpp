// GameBench: the game's performance figures in one run: the floor (a plain copy of one frame),
// composing frames in each screen and zoom, update passes with many shots, painting the play
// background, and start-up to the first presented frame. Prints the figures, their ratios to the
// floor and the goals they are held to. Runs headless in a temporary folder with the assets.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "BenchFolder.h"
#include "GameScene.h"
#include "ImageManager.h"
#include "QuietOutput.h"
#include "RatioReporter.h"
#include "VorlanEngine.h"

namespace {

constexpr const char* kFloor = "floor/copy_frame";
// Update passes are timed in batches: a batch starts from a freshly built scene, so shots leave
// the top at their natural rate and the array never runs empty.
constexpr int kPassesPerBatch = 20;

void floorCopyFrame(benchmark::State& state)
{
    GameScene scene;
    scene.startPlay();
    PixelCanvas* foreground = scene.engine().getForegroundCanvas();
    PixelCanvas* background = scene.engine().getBackgroundCanvas();
    for (auto _ : state) {
        foreground->copyAllFrom(*background);
        benchmark::ClobberMemory();
    }
}

// Frames: everything a redraw does before the upload.
void composeFrames(benchmark::State& state, GameScene& scene)
{
    for (auto _ : state) {
        scene.engine().composeFrame();
        benchmark::ClobberMemory();
    }
}

void frameStartScreen(benchmark::State& state)
{
    GameScene scene;
    composeFrames(state, scene);
}

// shots: in flight behind the six fixed objects.
void framePlay(benchmark::State& state, int shots)
{
    GameScene scene;
    scene.startPlay();
    scene.addShots(shots);
    composeFrames(state, scene);
}

// The whole redraw of a play frame: composing it, then the upload and present as the main loop
// does them. The browser's cost of the same frame is measured by tools/web/bench.sh.
void framePlayPresented(benchmark::State& state)
{
    GameScene scene;
    scene.startPlay();
    for (auto _ : state) {
        scene.engine().requestRedraw();
        scene.engine().redrawDisplay();
    }
}

void framePaused(benchmark::State& state)
{
    GameScene scene;
    scene.startPlay();
    scene.pausePlay();
    composeFrames(state, scene);
}

// clicks: middle clicks (zoom in) when positive, right clicks (zoom out) when negative.
void frameZoomed(benchmark::State& state, int clicks)
{
    GameScene scene;
    scene.startPlay();
    if (clicks > 0)
        scene.zoomIn(clicks);
    else
        scene.zoomOut(-clicks);
    composeFrames(state, scene);
}

// Zoomed in by 64 with the score panel scrolled under the window centre: every window pixel is
// written by a zoomed block, the most a frame at that zoom can cost.
void frameZoomedOnPanel(benchmark::State& state)
{
    GameScene scene;
    scene.startPlay();
    scene.zoomIn(63);
    // The panel spans virtual (20, 20) to (220, 70); 12 and 24 presses of 15 bring it there.
    scene.scroll(12, 24);
    composeFrames(state, scene);
}

// shots: in flight behind the six fixed objects.
void updatePass(benchmark::State& state, int shots)
{
    QuietOutput quiet;  // rebuilding the UFO reports the pictures it finds
    GameScene scene;
    scene.startPlay();
    VorlanEngine& game = scene.engine();
    for (auto _ : state) {
        state.PauseTiming();
        scene.removeShots();
        std::srand(GameScene::seed);
        game.initialiseObjects();
        scene.addShots(shots);
        state.ResumeTiming();
        for (int pass = 0; pass < kPassesPerBatch; ++pass)
            game.updateAllObjects(pass * 10);
    }
    state.counters["ops"] = kPassesPerBatch;
}

void backgroundPlay(benchmark::State& state)
{
    GameScene scene;
    scene.startPlay();
    VorlanEngine& game = scene.engine();
    QuietOutput quiet;  // the picture cache reports every picture it finds
    for (auto _ : state)
        game.setupBackground();
}

// Start-up as the program does it: construct, initialise (SDL video, font, window, surfaces,
// objects with their pictures, start background), first redraw. SDL, the font library and the
// picture cache are shut down between iterations so that each start pays for all of it.
void startupFirstFrame(benchmark::State& state)
{
    QuietOutput quiet;
    for (auto _ : state) {
        std::srand(GameScene::seed);
        auto game = std::make_unique<VorlanEngine>();
        game->initialise("Dustreach : Size 600 x 800", 600, 800, "Cornerstone Regular.ttf", 24);
        game->redrawDisplay();
        state.PauseTiming();
        game->deinitialise();
        game.reset();
        ImageManager::destroyInstance();
        TTF_Quit();
        SDL_Quit();
        state.ResumeTiming();
    }
}

void registerAll()
{
    const auto unit = benchmark::kMicrosecond;
    benchmark::RegisterBenchmark(kFloor, floorCopyFrame)->Unit(unit);
    benchmark::RegisterBenchmark("frame/start_screen", frameStartScreen)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_6_objects", framePlay, 0)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_200_shots", framePlay, 200)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_presented", framePlayPresented)->Unit(unit);
    benchmark::RegisterBenchmark("frame/paused", framePaused)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_zoom_in_2", frameZoomed, 1)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_zoom_in_8", frameZoomed, 7)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_zoom_in_64", frameZoomed, 63)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_zoom_in_64_on_panel", frameZoomedOnPanel)->Unit(unit);
    benchmark::RegisterBenchmark("frame/play_zoom_out_8", frameZoomed, -7)->Unit(unit);
    benchmark::RegisterBenchmark("update/6_objects", updatePass, 0)->Unit(unit);
    benchmark::RegisterBenchmark("update/200_shots", updatePass, 200)->Unit(unit);
    benchmark::RegisterBenchmark("update/2000_shots", updatePass, 2000)->Unit(unit);
    benchmark::RegisterBenchmark("background/play", backgroundPlay)->Unit(unit);
    benchmark::RegisterBenchmark("startup/first_frame", startupFirstFrame)
        ->Unit(benchmark::kMillisecond);
}

// One goal line: the measured ratio (or time) against its limit.
void printGoal(const char* text, double value, double limit, const char* unit)
{
    const char* verdict = value < 0 ? "not measured" : (value <= limit ? "met" : "MISSED");
    std::printf("| %-46s | %9.2f%-3s | %7.2f%-3s | %-12s |\n", text, value, unit, limit, unit,
                verdict);
}

void printGoals(const RatioReporter& figures)
{
    const auto us = [&](const char* name) { return figures.microseconds(name); };
    const auto ratio = [&](const char* a, const char* b) {
        return us(a) > 0 && us(b) > 0 ? us(a) / us(b) : -1.0;
    };
    std::printf("\n| %-46s | %12s | %10s | %-12s |\n", "goal", "measured", "limit", "");
    std::printf("|%s|%s:|%s:|%s|\n", std::string(48, '-').c_str(), std::string(13, '-').c_str(),
                std::string(11, '-').c_str(), std::string(14, '-').c_str());
    printGoal("play frame, six objects / floor", ratio("frame/play_6_objects", kFloor), 4.0, " x");
    printGoal("play frame at stretch 64 / play frame 1:1",
              ratio("frame/play_zoom_in_64", "frame/play_6_objects"), 4.0, " x");
    printGoal("play frame, 200 shots / six objects",
              ratio("frame/play_200_shots", "frame/play_6_objects"), 2.0, " x");
    printGoal("update pass, 200 shots", us("update/200_shots"), 1000.0, " us");
    printGoal("start-up to the first frame", us("startup/first_frame") / 1000.0, 150.0, " ms");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    // Headless: SDL must pick its dummy video driver before it starts.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    RatioReporter reporter(kFloor);
    {
        BenchFolder folder(DUSTREACH_ASSET_DIR);
        registerAll();
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    reporter.printTable(std::cout);
    std::cout.flush();
    printGoals(reporter);
    benchmark::Shutdown();
    return 0;
}
