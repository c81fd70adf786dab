// BaseEngine: lifecycle, main loop, event dispatch, key table, game time, redraw and the update
// and draw passes over the object array.
#include "BaseEngine.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstring>

#include "DisplayableObject.h"
#include "ImageManager.h"

namespace {

constexpr int kTickMs = 10;
constexpr int kKeyTableSize = 256;

void printEndedNormally()
{
    std::printf("Ended normally\n");
    std::fflush(stdout);
}

// The exit handlers belong to the process, not to one engine: register them once, so that a
// process that builds several engines (the tests) still ends with exactly one "Ended normally".
void registerExitHandlersOnce()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    std::atexit(printEndedNormally);
    std::atexit(SDL_Quit);
    TTF_Init();
    std::atexit(TTF_Quit);
}

}  // namespace

int keyIndex(int keyCode)
{
    if (keyCode >= 0 && keyCode <= 127)
        return keyCode;
    switch (keyCode) {
    case SDLK_UP: return 128;
    case SDLK_DOWN: return 129;
    case SDLK_LEFT: return 130;
    case SDLK_RIGHT: return 131;
    case SDLK_PRINTSCREEN: return 144;
    case SDLK_SCROLLLOCK: return 145;
    case SDLK_PAUSE: return 146;
    case SDLK_INSERT: return 147;
    case SDLK_HOME: return 148;
    case SDLK_PAGEUP: return 149;
    case SDLK_END: return 151;
    case SDLK_PAGEDOWN: return 152;
    case SDLK_CAPSLOCK: return 158;
    case SDLK_NUMLOCKCLEAR: return 159;
    case SDLK_KP_DIVIDE: return 160;
    case SDLK_KP_MULTIPLY: return 161;
    case SDLK_KP_MINUS: return 162;
    case SDLK_KP_PLUS: return 163;
    case SDLK_KP_ENTER: return 164;
    case SDLK_LCTRL: return 165;
    case SDLK_LSHIFT: return 166;
    case SDLK_LALT: return 167;
    case SDLK_LGUI: return 168;
    case SDLK_RCTRL: return 169;
    case SDLK_RSHIFT: return 170;
    case SDLK_RALT: return 171;
    case SDLK_RGUI: return 172;
    default: break;
    }
    if (keyCode >= SDLK_F1 && keyCode <= SDLK_F12)
        return 132 + (keyCode - SDLK_F1);
    return 0;
}

BaseEngine::BaseEngine() : foreground(this), background(this), tickSource(SDL_GetTicks)
{
}

BaseEngine::~BaseEngine()
{
    releaseWindow();
    // The font cache member then closes the fonts, and the container base deletes the objects.
}

void BaseEngine::releaseWindow()
{
    // Surfaces first: they hold no reference to the renderer. SDL_Quit would release the window
    // objects at exit anyway; freeing them here keeps a process that builds many engines flat.
    if (SDL_Surface* surface = foreground.getSurface())
        SDL_FreeSurface(surface);
    if (SDL_Surface* surface = background.getSurface())
        SDL_FreeSurface(surface);
    foreground.setSurface(nullptr);
    background.setSurface(nullptr);
    if (texture)
        SDL_DestroyTexture(texture);
    if (renderer)
        SDL_DestroyRenderer(renderer);
    if (window)
        SDL_DestroyWindow(window);
    texture = nullptr;
    renderer = nullptr;
    window = nullptr;
}

// ---- Default hooks ---------------------------------------------------------------------------

void BaseEngine::onKeyUp(int)
{
}
void BaseEngine::onKeyDown(int)
{
}
void BaseEngine::onMouseMove(int, int)
{
}
void BaseEngine::onMouseDown(int, int, int)
{
}
void BaseEngine::onMouseUp(int, int, int)
{
}
void BaseEngine::onMouseWheel(int, int, int, int)
{
}
void BaseEngine::onTouchEvent(int, int, std::int64_t, std::int64_t, float, float, float, float,
                              float)
{
}

int BaseEngine::initialiseContent()
{
    initialiseObjects();
    setupBackground();
    return 0;
}

void BaseEngine::cleanUp()
{
}
void BaseEngine::setupBackground()
{
    fillBackground(0xFFFF00);
}
void BaseEngine::drawStringsUnderneath()
{
}
void BaseEngine::drawStringsOnTop()
{
}
void BaseEngine::mainLoopStartIteration()
{
}
void BaseEngine::mainLoopBeforeUpdate()
{
}
void BaseEngine::mainLoopAfterUpdate()
{
}

bool BaseEngine::isTimeToAct()
{
    if (currentTime < nextActTime)
        return false;
    nextActTime = currentTime + kTickMs;
    return true;
}

void BaseEngine::redrawDisplay()
{
    if (!redrawRequested)
        return;
    composeFrame();
    presentForeground();
    redrawRequested = false;
}

void BaseEngine::presentForeground()
{
    SDL_Surface* surface = foreground.getSurface();
    if (texture && surface) {
        SDL_UpdateTexture(texture, nullptr, surface->pixels, surface->pitch);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
    }
}

void BaseEngine::composeFrame()
{
    foreground.lockForDrawing();
    foreground.copyAllFrom(background);
    drawStringsUnderneath();
    drawAllObjects();
    drawStringsOnTop();
    foreground.unlockAfterDrawing();
}

void BaseEngine::fillBackground(unsigned int colour)
{
    background.fillSurface(colour);
}

int BaseEngine::getModifiedTime()
{
    return (pauseStart >= 0 ? pauseStart : currentTime) - pausedTotal;
}

int BaseEngine::initialiseObjects()
{
    destroyOldObjects(true);
    return 0;
}

void BaseEngine::drawAllObjects()
{
    actOnEachObjectOnce([](DisplayableObject& object) { object.draw(); });
}

void BaseEngine::updateAllObjects(int time)
{
    actOnEachObjectOnce([time](DisplayableObject& object) { object.update(time); });
}

// A pass restarts its walk whenever the array changed under it; objects that already acted are
// passed over, so every object present acts exactly once, including ones added mid-pass, and an
// object moved down by a removal is not skipped.
void BaseEngine::actOnEachObjectOnce(const std::function<void(DisplayableObject&)>& act)
{
    for (DisplayableObject* object : objects)
        if (object)
            object->actedThisPass = false;
    objectsChanged = false;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        DisplayableObject* object = objects[i];
        if (!object)
            continue;
        if (!object->actedThisPass) {
            object->actedThisPass = true;
            act(*object);
        }
        if (objectsChanged) {
            objectsChanged = false;
            i = static_cast<std::size_t>(-1);  // the ++ brings it back to the first entry
        }
    }
}

// ---- The window filter ------------------------------------------------------------------------

bool BaseEngine::filter(PixelCanvas*, int& x, int& y, unsigned int&)
{
    return x >= 0 && x < windowWidth && y >= 0 && y < windowHeight;
}

// ---- Lifecycle ----------------------------------------------------------------------------------

bool BaseEngine::showsWindows()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0))
        return true;
    // Asked for by name (tests and headless tools do): then no window is what was wanted.
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return requested && SDL_strcasestr(requested, driver) != nullptr;
}

int BaseEngine::initialise(const char* title, int width, int height, const char* fontName,
                           int fontSize)
{
    if (openWindow(title, width, height, fontName, fontSize) != 0)
        return 1;
    initialiseContent();
    return 0;
}

int BaseEngine::openWindow(const char* title, int width, int height, const char* fontName,
                           int fontSize)
{
    windowWidth = width;
    windowHeight = height;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::fprintf(stderr, "Unable to init SDL: %s\n", SDL_GetError());
        return 1;
    }
    if (!showsWindows()) {
        // SDL falls back to a driver without windows when no display can be reached; the game
        // would then run unseen until killed, so this is the start-up failure it really is.
        std::fprintf(stderr, "Unable to init SDL: no display could be opened (video driver %s)\n",
                     SDL_GetCurrentVideoDriver());
        SDL_Quit();
        return 1;
    }
    // The window and what draws into it come before anything else is set up: without any one of
    // them nothing can be shown, so the game stops here as if SDL had not started.
    if (!createWindow(title, width, height)) {
        releaseWindow();
        SDL_Quit();
        return 1;
    }
    registerExitHandlersOnce();
    if (!TTF_WasInit())
        TTF_Init();  // a later engine in the same process after TTF_Quit (tests only)

    fontCache.loadFonts();
    if (fontName && fontName[0] != '\0')
        defaultFont = fontCache.getFont(fontName, fontSize);

    keyStates = std::make_unique<unsigned char[]>(kKeyTableSize);
    std::memset(keyStates.get(), 0, kKeyTableSize);
    return 0;
}

bool BaseEngine::createWindow(const char* title, int width, int height)
{
    // Names what could not be made, with SDL's reason; false after the first failure.
    const auto failed = [](const char* what) {
        std::fprintf(stderr, "Unable to init SDL: could not create the %s: %s\n", what,
                     SDL_GetError());
        return false;
    };
    window = SDL_CreateWindow(title, 10, 40, width, height, 0);
    if (!window)
        return failed("window");
    renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer)
        return failed("renderer");
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    if (!texture)
        return failed("texture");
    foreground.setSurface(
        SDL_CreateRGBSurface(0, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000));
    if (!foreground.getSurface())
        return failed("foreground surface");
    background.setSurface(
        SDL_CreateRGBSurface(0, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000));
    if (!background.getSurface())
        return failed("background surface");
    return true;
}

int BaseEngine::mainLoop()
{
    while (mainLoopIteration()) {}
    return 0;
}

bool BaseEngine::mainLoopIteration()
{
    if (!mainLoopStep())
        return false;
    redrawDisplay();
    return true;
}

bool BaseEngine::mainLoopStep()
{
    mainLoopStartIteration();
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (!handleEvent(event))
            return false;
    mainLoopBeforeUpdate();
    currentTime = static_cast<int>(tickSource());
    if (extraInput)
        extraInput->tick(currentTime);
    if (isTimeToAct())
        updateAllObjects(getModifiedTime());
    mainLoopAfterUpdate();
    return true;
}

void BaseEngine::deinitialise()
{
    cleanUp();
    keyStates.reset();
}

// ---- Events -----------------------------------------------------------------------------------

bool BaseEngine::handleEvent(const SDL_Event& event)
{
    // Positions are converted through the foreground's chain into virtual coordinates.
    auto toVirtualX = [this](int x) {
        FilterPoints* first = foreground.getFilter();
        return first ? first->realToVirtualX(x) : x;
    };
    auto toVirtualY = [this](int y) {
        FilterPoints* first = foreground.getFilter();
        return first ? first->realToVirtualY(y) : y;
    };
    // The walk covers the entries present when the event arrived.
    auto forEachObject = [this](auto&& call) {
        const std::size_t count = objects.size();
        for (std::size_t i = 0; i < count && i < objects.size(); ++i)
            if (DisplayableObject* object = objects[i])
                call(object);
    };

    switch (event.type) {
    case SDL_QUIT: return false;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int code = event.key.keysym.sym;
        const bool down = event.type == SDL_KEYDOWN;
        if (keyStates)
            keyStates[keyIndex(code)] = down ? 1 : 0;
        if (down)
            onKeyDown(code);
        else
            onKeyUp(code);
        if (notifyObjectsOfKeys)
            forEachObject(
                [&](DisplayableObject* o) { down ? o->onKeyDown(code) : o->onKeyUp(code); });
        return true;
    }
    case SDL_MOUSEMOTION: {
        const int x = toVirtualX(event.motion.x);
        const int y = toVirtualY(event.motion.y);
        mouseX = x;
        mouseY = y;
        onMouseMove(x, y);
        if (notifyObjectsOfMouse)
            forEachObject([&](DisplayableObject* o) { o->onMouseMove(x, y); });
        return true;
    }
    case SDL_MOUSEBUTTONDOWN: {
        const int button = event.button.button;
        const int x = toVirtualX(event.button.x);
        const int y = toVirtualY(event.button.y);
        mouseDownX = x;
        mouseDownY = y;
        onMouseDown(button, x, y);
        if (notifyObjectsOfMouse)
            forEachObject([&](DisplayableObject* o) { o->onMouseDown(button, x, y); });
        if (claimSearchFirstToLast) {
            for (std::size_t i = 0; i < objects.size(); ++i)
                if (objects[i] && objects[i]->claimMouseDown(button, x, y))
                    break;
        }
        if (claimSearchLastToFirst) {
            for (std::size_t i = objects.size(); i-- > 0;) {
                if (i >= objects.size())
                    continue;
                if (objects[i] && objects[i]->claimMouseDown(button, x, y))
                    break;
            }
        }
        return true;
    }
    case SDL_MOUSEBUTTONUP: {
        const int button = event.button.button;
        const int x = toVirtualX(event.button.x);
        const int y = toVirtualY(event.button.y);
        mouseUpX = x;
        mouseUpY = y;
        onMouseUp(button, x, y);
        if (notifyObjectsOfMouse)
            forEachObject([&](DisplayableObject* o) { o->onMouseUp(button, x, y); });
        return true;
    }
    case SDL_MOUSEWHEEL:
        onMouseWheel(event.wheel.x, event.wheel.y, static_cast<int>(event.wheel.which),
                     static_cast<int>(event.wheel.timestamp));
        return true;
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
    case SDL_FINGERMOTION:
        onTouchEvent(static_cast<int>(event.tfinger.type),
                     static_cast<int>(event.tfinger.timestamp), event.tfinger.touchId,
                     event.tfinger.fingerId, event.tfinger.x, event.tfinger.y, event.tfinger.dx,
                     event.tfinger.dy, event.tfinger.pressure);
        return true;
    case SDL_WINDOWEVENT:
        // A window shown late or uncovered would otherwise stay blank until the game next asks
        // for a frame (the start screen never does). Show the last frame again as it was: no
        // hook runs and nothing is recomposed, so the game sees no difference.
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
            event.window.event == SDL_WINDOWEVENT_SHOWN)
            presentLastFrame();
        return true;
    default:
        if (extraInput)
            extraInput->handleEvent(event);
        return true;
    }
}

void BaseEngine::presentLastFrame()
{
    if (!renderer || !texture || redrawRequested)
        return;  // nothing presented yet, or a fresh frame is on its way this iteration
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

bool BaseEngine::isKeyPressed(int keyCode) const
{
    return keyStates && keyStates[keyIndex(keyCode)] != 0;
}

void BaseEngine::pause()
{
    // Pausing twice would move the start of the pause and lose the time paused so far.
    if (pauseStart >= 0)
        return;
    pauseStart = currentTime;
}

void BaseEngine::unpause()
{
    // Unpausing a clock that is not paused would subtract a bogus span and make time jump back.
    if (pauseStart < 0)
        return;
    pausedTotal += currentTime - pauseStart;
    pauseStart = -1;
}

unsigned int BaseEngine::getColour(int index)
{
    static const unsigned int table[41] = {
        0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0xFFFFFF, 0xFFC0C0,
        0xC0FFC0, 0xC0C0FF, 0xC00000, 0x00C000, 0x0000C0, 0xC000C0, 0xC0C000, 0x00C0C0, 0xC0C0C0,
        0xFF8080, 0x80FF80, 0x8080FF, 0x800000, 0x008000, 0x000080, 0x800080, 0x808000, 0x008080,
        0x808080, 0xC08080, 0x80C080, 0x8080C0, 0x400000, 0x004000, 0x000040, 0x400040, 0x404000,
        0x004040, 0x404040, 0xC04040, 0x40C040, 0x4040C0};
    if (index < 0 || index > 40)
        return 0xCCCCCC;
    return table[index];
}

void BaseEngine::setBackgroundPixel(int x, int y, unsigned int colour)
{
    background.setPixel(x, y, colour);
}

ImageHandle BaseEngine::loadImage(std::string fileName, bool keepLoaded)
{
    return ImageManager::loadImage(std::move(fileName), keepLoaded);
}
