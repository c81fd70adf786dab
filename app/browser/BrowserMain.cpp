// Browser entry point: the same game as app/main.cpp, but the browser owns the loop. main sets
// the game up and returns; short tasks then open the window, set up the game's content and
// prepare the font, and the last hands one frame function to the browser (called once per
// animation frame). The page keeps the game alive from then on. Where the game cannot start, the
// program ends with exit code 1 and the page shows the "Unable to init SDL: " line instead of the
// game.
#include <SDL.h>
#include <SDL_ttf.h>
#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "BrowserInput.h"
#include "BrowserLoop.h"
#include "BrowserStorage.h"
#include "GameFont.h"
#include "GameWindow.h"
#include "ImageManager.h"
#include "TextSheet.h"
#include "VorlanEngine.h"

namespace {

// The game's working folder, where the site's pictures and font are unpacked; and the folder of
// the two files it writes, which storage.js fills from IndexedDB before main and keeps there.
constexpr const char* kSiteFolder = "/site";
constexpr const char* kFilesFolder = "/dustreach";

// How many characters one task of the font's warm-up draws (see warmUpFont).
constexpr int kWarmUpCharacters = 16;

// Everything the browser keeps alive between frames.
struct BrowserGame {
    std::unique_ptr<VorlanEngine> engine = std::make_unique<VorlanEngine>(kFilesFolder);
    std::unique_ptr<BrowserLoop> loop;
    std::unique_ptr<BrowserStorage> storage;
    // The next printable character the font's warm-up draws.
    char warmUpNext = ' ';
};

// Hands the game to the page's script, for the probes below.
EM_JS(void, publishGame, (void* game), { Module["dustreachGame"] = game; });

// Asks storage.js to store the files written; its end calls dustreach_storage_flushed(game, ok).
EM_JS(void, startFlush, (void* game, bool save, bool highScores), {
    Module["dustreachStorage"].flush(
        save, highScores, function(ok) { _dustreach_storage_flushed(game, ok ? 1 : 0); });
});

// Tells the page, at the first of a run of refused flushes, that the files live only as long as it
// does.
EM_JS(void, showStorageLoss, (), {
    if (Module["onStorageLost"])
        Module["onStorageLost"]();
});

void runFrame(void* data)
{
    auto* game = static_cast<BrowserGame*>(data);
    if (!game->loop->frame(emscripten_get_now())) {
        emscripten_cancel_main_loop();
        game->loop.reset();
        game->engine->deinitialise();
        delete game;
        ImageManager::destroyInstance();
        return;
    }
    game->storage->keepChangedFiles();
}

// Whether the page stopped the game (another tab took it over) before its loop began.
EM_JS(bool, stoppedByPage, (), { return !!Module["dustreachStopped"]; });

// The browser calls runFrame at its display's rate from now on; it owns the game.
void startLoop(BrowserGame* game)
{
    // A tab that gave the game away while it was starting never runs it: the files are the
    // other tab's now.
    if (stoppedByPage())
        return;
    publishGame(game);
    emscripten_set_main_loop_arg(runFrame, game, 0, false);
}

// The first text drawn in a font is slow: HarfBuzz reads the font's layout tables and FreeType
// loads and hints each glyph, which SDL_ttf then keeps. Drawing every printable character once
// before the first frame, a few in each task, leaves that frame only the drawing, and the browser
// free to handle input between the tasks. Nothing is shown, and the frames are the same.
void warmUpFont(void* data)
{
    auto* game = static_cast<BrowserGame*>(data);
    const GameFont* font = game->engine->getDefaultFont();
    if (!font || !font->getTTFFont() || game->warmUpNext > '~') {
        startLoop(game);
        return;
    }
    std::string characters;
    while (characters.size() < kWarmUpCharacters && game->warmUpNext <= '~')
        characters += game->warmUpNext++;
    SDL_FreeSurface(TTF_RenderText_Solid(font->getTTFFont(), characters.c_str(), SDL_Color{}));
    emscripten_async_call(warmUpFont, game, 0);
}

// The third step: the game's objects and its start screen, then the loop driver and storage.
void setUpContent(void* data)
{
    auto* game = static_cast<BrowserGame*>(data);
    game->engine->initialiseContent();
    game->loop = std::make_unique<BrowserLoop>(*game->engine);
    game->storage = std::make_unique<BrowserStorage>(
        kFilesFolder, [game](bool save, bool highScores) { startFlush(game, save, highScores); },
        [] { showStorageLoss(); });
    emscripten_async_call(warmUpFont, game, 0);
}

// The second step: SDL, the window with what draws into it, and the font.
void openGame(void* data)
{
    auto* game = static_cast<BrowserGame*>(data);
    const int exitCode = openGameWindow(*game->engine);
    if (exitCode != 0) {
        game->engine->deinitialise();
        delete game;
        ImageManager::destroyInstance();
        // A page keeps its program alive after main returns; this ends it, and the page's
        // Module.onExit shows the failure.
        emscripten_force_exit(exitCode);
    }
    // The game has no use for the wheel: left alone, it scrolls the page.
    SDL_EventState(SDL_MOUSEWHEEL, SDL_IGNORE);
    emscripten_async_call(setUpContent, game, 0);
}

}  // namespace

// ---- Probes for the browser test and the benchmark (tools/web/) ------------------------------
// The page's script calls these with Module.dustreachGame, the game main hands to the browser.

// Composes and presents the current frame count times in a row; the mean cost in microseconds.
extern "C" EMSCRIPTEN_KEEPALIVE double dustreach_frame_cost(void* data, int count)
{
    auto* game = static_cast<BrowserGame*>(data);
    const double start = emscripten_get_now();
    for (int frame = 0; frame < count; ++frame) {
        game->engine->requestRedraw();
        game->engine->redrawDisplay();
    }
    return (emscripten_get_now() - start) * 1000.0 / count;
}

// The end of a flush that startFlush began.
extern "C" EMSCRIPTEN_KEEPALIVE void dustreach_storage_flushed(void* game, int ok)
{
    static_cast<BrowserGame*>(game)->storage->flushEnded(ok != 0);
}

// Stops the game for good where another tab takes it over: no frame runs after this one, so the
// files change no more; the page waits for the flush under way (storage.js), then lets go.
extern "C" EMSCRIPTEN_KEEPALIVE void dustreach_stop(void*)
{
    emscripten_cancel_main_loop();
}

// Replaces the frame shown with every text the game can write (TextSheet), drawn and presented at
// once. It stays until the game draws its next frame (on the start screen: after a key).
extern "C" EMSCRIPTEN_KEEPALIVE void dustreach_show_text_sheet(void* data)
{
    VorlanEngine& engine = *static_cast<BrowserGame*>(data)->engine;
    TextSheet::draw(*engine.getForegroundCanvas());
    engine.presentForeground();
}

// Updates the game has run since it started.
extern "C" EMSCRIPTEN_KEEPALIVE double dustreach_updates(void* data)
{
    return static_cast<double>(static_cast<BrowserGame*>(data)->loop->updates());
}

// ---- Input from the page (page.js): its touch controls, and the keys it releases ---------------
// Both take Module.dustreachGame; each returns 1 when the event was queued.

// A key goes down (down is 1) or up: code is an SDL key code.
extern "C" EMSCRIPTEN_KEEPALIVE int dustreach_key(void* data, int code, int down)
{
    const BrowserInput input(static_cast<BrowserGame*>(data)->engine->getWindow());
    return input.key(code, down != 0) ? 1 : 0;
}

// A mouse button (1 left, 2 middle, 3 right) goes down or up at (x, y) in the canvas's pixels.
extern "C" EMSCRIPTEN_KEEPALIVE int dustreach_mouse_button(void* data, int button, int down, int x,
                                                           int y)
{
    const BrowserInput input(static_cast<BrowserGame*>(data)->engine->getWindow());
    return input.mouseButton(button, down != 0, x, y) ? 1 : 0;
}

int main()
{
    std::srand(static_cast<unsigned int>(std::time(nullptr)));
    if (chdir(kSiteFolder) != 0) {
        std::fprintf(stderr, "Unable to init SDL: the game's folder %s is missing\n", kSiteFolder);
        emscripten_force_exit(1);
    }
    mkdir(kFilesFolder, 0777);  // storage.js made it already, unless the page runs without it
    // Keys reach the game only while its canvas has the focus, so the rest of the page and the
    // browser's own shortcuts keep theirs (page.js decides which keys are the game's).
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_KEYBOARD_ELEMENT, "#canvas");

    // The rest in tasks of their own (openGame, setUpContent, warmUpFont), each short enough to
    // leave the page responsive between them.
    emscripten_async_call(openGame, new BrowserGame, 0);
    return 0;
}
