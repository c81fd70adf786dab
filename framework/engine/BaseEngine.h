// BaseEngine: the framework's engine. Owns the window, renderer, streaming texture, the two
// software canvases (foreground shown, background scenery), the font cache, the key-state table
// and, through its container base, every object in its array. Runs the main loop with its 10 ms
// update tick and dispatches events to overridable hooks. It is also the last point filter of
// every filter chain: it keeps only points inside the window. Knows nothing about any game.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "DisplayableObjectContainer.h"
#include "ExtraInput.h"
#include "FilterPoints.h"
#include "FontCache.h"
#include "ImageHandle.h"
#include "PixelCanvas.h"

// Maps an SDL key code to its index in the key-state table (0..172; unlisted keys give 0).
int keyIndex(int keyCode);

class BaseEngine : public DisplayableObjectContainer, public FilterPoints {
public:
    BaseEngine();
    // Closes the fonts (with their messages), deletes the objects still owned, and releases the
    // SDL window, renderer, texture and surfaces this engine created.
    ~BaseEngine() override;

    // ---- Hooks, in slot order (destroyOldObjects is the container's) ----------------------------
    virtual void onKeyUp(int keyCode);
    virtual void onKeyDown(int keyCode);
    // Mouse positions are virtual coordinates (converted through the foreground's filter chain).
    virtual void onMouseMove(int x, int y);
    virtual void onMouseDown(int button, int x, int y);
    virtual void onMouseUp(int button, int x, int y);
    virtual void onMouseWheel(int x, int y, int which, int timestamp);
    virtual void onTouchEvent(int type, int timestamp, std::int64_t touchId, std::int64_t fingerId,
                              float x, float y, float dx, float dy, float pressure);
    // Called once by initialise: initialiseObjects, then setupBackground. Returns 0.
    virtual int initialiseContent();
    virtual void cleanUp();
    // Paints the background canvas; default: fillBackground(0xFFFF00).
    virtual void setupBackground();
    virtual void drawStringsUnderneath();
    virtual void drawStringsOnTop();
    virtual void mainLoopStartIteration();
    virtual void mainLoopBeforeUpdate();
    virtual void mainLoopAfterUpdate();
    // True at most once per 10 ms of currentTime (missed ticks are not made up).
    virtual bool isTimeToAct();
    // Composes the foreground (background copy, strings, objects, strings) and presents it, when a
    // redraw was requested.
    virtual void redrawDisplay();
    // Fills the whole background surface with 0xRRGGBB, bypassing the filters.
    virtual void fillBackground(unsigned int colour);
    // Game time in ms: the tick count less all paused time.
    virtual int getModifiedTime();
    // Default: destroyOldObjects(true). Returns 0.
    virtual int initialiseObjects();
    virtual void drawAllObjects();
    virtual void updateAllObjects(int time);

    // ---- FilterPoints: the last link of every chain -------------------------------------------
    // final: the zoom filter clips its blocks to the window on the strength of this plain test.
    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) final;

    // ---- Lifecycle ------------------------------------------------------------------------------
    // Starts SDL video and the font library, opens the default font (name may be empty: none),
    // creates the width x height window titled title at (10, 40), its renderer, texture and both
    // surfaces, and calls initialiseContent. Returns 0, or 1 when SDL cannot start or any of the
    // window, renderer, texture and surfaces cannot be made; then the reason is on standard error
    // ("Unable to init SDL: ..."), nothing else is set up and SDL is shut down again.
    int initialise(const char* title, int width, int height, const char* fontName, int fontSize);
    // initialise without its last step, initialiseContent, for an entry point that takes the two
    // in separate steps (the browser's, so that neither holds the page up for long).
    int openWindow(const char* title, int width, int height, const char* fontName, int fontSize);
    // Runs iterations until the window is closed. Returns 0.
    int mainLoop();
    // One iteration of the main loop: events, clock, update when due, redraw when requested.
    // Returns false when a quit event arrived (the rest of the iteration is then skipped).
    bool mainLoopIteration();
    // The same iteration without its redraw, for a loop driver that shows at most one frame per
    // display refresh (the browser's) and calls redrawDisplay itself.
    bool mainLoopStep();
    // Calls cleanUp, then releases the key-state table.
    void deinitialise();
    // Everything a redraw does before the upload: lock the foreground, copy the background onto
    // it, the strings underneath, every object, the strings on top, unlock. Presents nothing.
    void composeFrame();

    // ---- Events, time, drawing --------------------------------------------------------------------
    // Dispatches one SDL event to the hooks; false only for the quit event.
    bool handleEvent(const SDL_Event& event);
    // Presents the last composed frame again (after the window was shown or uncovered).
    void presentLastFrame();
    // Uploads the foreground as it is, composed or not, and presents it.
    void presentForeground();
    // True while the key is held (its key-state byte is 1). False before initialise.
    bool isKeyPressed(int keyCode) const;
    // Stops game time (no effect while already paused).
    void pause();
    // Lets game time run again from where it stopped (no effect while not paused).
    void unpause();
    bool isPaused() const { return pauseStart >= 0; }
    void requestRedraw() { redrawRequested = true; }
    // One of 41 fixed colours 0xRRGGBB; any other index gives 0xCCCCCC.
    static unsigned int getColour(int index);
    // setPixel on the background canvas (through its filters).
    void setBackgroundPixel(int x, int y, unsigned int colour);
    // Loads (or finds in the program-wide image cache) a picture file; the handle is empty when
    // the file cannot be read. Does not use the engine.
    ImageHandle loadImage(std::string fileName, bool keepLoaded);

    PixelCanvas* getForegroundCanvas() { return &foreground; }
    PixelCanvas* getBackgroundCanvas() { return &background; }
    GameFont* getDefaultFont() const { return defaultFont; }
    FontCache& getFontCache() { return fontCache; }
    int getWindowWidth() const { return windowWidth; }
    int getWindowHeight() const { return windowHeight; }
    SDL_Window* getWindow() const { return window; }

    // Hooks an input device beyond the keyboard and the mouse into the loop (nullptr unhooks it):
    // it is offered every event handleEvent does not dispatch, and the clock once per iteration.
    // It must stay alive while hooked.
    void setExtraInput(ExtraInput* input) { extraInput = input; }

    // Test seam: where currentTime is read from each iteration (SDL_GetTicks by default).
    void setTickSource(std::function<std::uint32_t()> source) { tickSource = std::move(source); }

    bool notifyObjectsOfKeys = false;
    bool notifyObjectsOfMouse = false;
    bool claimSearchLastToFirst = false;
    bool claimSearchFirstToLast = false;
    int currentTime = 0;
    int pausedTotal = 0;
    int nextActTime = 0;
    int pauseStart = -1;
    std::unique_ptr<unsigned char[]> keyStates;
    int windowWidth = 0;
    int windowHeight = 0;
    bool redrawRequested = true;
    int mouseDownX = 0;
    int mouseDownY = 0;
    int mouseUpX = 0;
    int mouseUpY = 0;
    int mouseX = 0;
    int mouseY = 0;
    FontCache fontCache;
    GameFont* defaultFont = nullptr;
    PixelCanvas foreground;
    PixelCanvas background;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;

private:
    // Creates the window, renderer, texture and both surfaces; on the first failure prints the
    // start-up failure line naming it and returns false (what was made is kept for releaseWindow).
    bool createWindow(const char* title, int width, int height);
    // Frees the surfaces, texture, renderer and window that exist, and forgets them.
    void releaseWindow();
    // Whether SDL's video driver shows windows, or was asked for by name when it does not
    // ("offscreen" and "dummy" are window-less). Only meaningful after SDL_Init.
    static bool showsWindows();
    // One update or draw pass: act on every object in the array exactly once.
    void actOnEachObjectOnce(const std::function<void(DisplayableObject&)>& act);

    std::function<std::uint32_t()> tickSource;
    ExtraInput* extraInput = nullptr;
};
