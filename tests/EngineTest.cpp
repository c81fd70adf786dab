// Engine core: lifecycle and its console lines, the main-loop iteration on a fake clock with its
// 10 ms tick, game time across pauses, event dispatch (key table, mouse through the foreground's
// filter, claims, quit), redraw and present, keyIndex and the colour table, displayable objects
// and the object array's passes, and the font cache. Events go through SDL's own queue.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "DisplayableObject.h"
#include "FontCache.h"
#include "TestSupport.h"

using namespace dustreach::test;

namespace {

using Log = std::vector<std::string>;
constexpr int kW = 100, kH = 80;  // unequal, so a swapped width and height shows

template <typename... Parts>
std::string text(const Parts&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

// Logs every hook in order; a key hook also says whether the table already holds its key.
class HookEngine : public BaseEngine {
public:
    template <typename... P> void add(const P&... parts) { log.push_back(text(parts...)); }
    const char* held(int code) { return isKeyPressed(code) ? " held" : " free"; }
    void onKeyDown(int code) override { add("keyDown ", code, held(code)); }
    void onKeyUp(int code) override { add("keyUp ", code, held(code)); }
    void onMouseMove(int x, int y) override { add("move ", x, ",", y); }
    void onMouseDown(int b, int x, int y) override { add("down ", b, " ", x, ",", y); }
    void onMouseUp(int b, int x, int y) override { add("up ", b, " ", x, ",", y); }
    void onMouseWheel(int x, int y, int which, int time) override { add("wheel ", x, ",", y, " ", which, " ", time); }
    void onTouchEvent(int type, int time, std::int64_t touch, std::int64_t finger, float x, float y,
                      float, float, float pressure) override
    {
        add("touch ", type, " ", time, " ", touch, " ", finger, " ", x, ",", y, " ", pressure);
    }
    int initialiseContent() override { add("initialiseContent"); return BaseEngine::initialiseContent(); }
    void cleanUp() override { add(keyStates ? "cleanUp with keys" : "cleanUp without keys"); }
    void drawStringsUnderneath() override { add("underneath"); if (underneath) underneath(); }
    void drawStringsOnTop() override { add("onTop"); if (onTop) onTop(); }
    void mainLoopStartIteration() override { add("start"); }
    void mainLoopBeforeUpdate() override { add("beforeUpdate"); }
    void mainLoopAfterUpdate() override { add("afterUpdate"); }
    void updateAllObjects(int time) override { add("update ", time); BaseEngine::updateAllObjects(time); }
    void drawAllObjects() override { add("drawObjects"); BaseEngine::drawAllObjects(); }

    Log log;
    std::function<void()> underneath, onTop;
};

// An object that logs by name what it is handed, runs optional actions inside its update and
// draw, claims presses when told to, and counts its destruction.
class Probe : public DisplayableObject {
public:
    Probe(BaseEngine* engine, Log& log, std::string name, int* destroyed = nullptr)
        : DisplayableObject(10, 10, engine, 4, 4, true), log(log), name(std::move(name)), destroyed(destroyed) {}
    ~Probe() override { if (destroyed) ++*destroyed; }
    template <typename... P> void add(const P&... parts) { log.push_back(text(name, " ", parts...)); }
    void onKeyDown(int code) override { add("keyDown ", code); }
    void onKeyUp(int code) override { add("keyUp ", code); }
    void onMouseMove(int x, int y) override { add("move ", x, ",", y); }
    void onMouseDown(int b, int x, int y) override { add("down ", b, " ", x, ",", y); }
    void onMouseUp(int b, int x, int y) override { add("up ", b, " ", x, ",", y); }
    bool claimMouseDown(int b, int x, int y) override { add("claim ", b, " ", x, ",", y); return claims; }
    void update(int time) override { add(time); if (onUpdate) onUpdate(); }
    void draw() override { add("draw"); if (onDraw) onDraw(); }
    bool deleteOnRemoval() override { return deletable; }

    Log& log;
    std::string name;
    int* destroyed;
    bool claims = false, deletable = true;
    std::function<void()> onUpdate, onDraw;
};

// Window positions to virtual ones: halved and offset, so a missing conversion shows.
class HalvingFilter : public FilterPoints {
public:
    bool filter(PixelCanvas*, int&, int&, unsigned int&) override { return true; }
    int realToVirtualX(int x) override { return x / 2 + 5; }
    int realToVirtualY(int y) override { return y / 2 - 3; }
};

SDL_Event ofType(Uint32 type, int windowEvent = 0)
{
    SDL_Event event{};
    event.type = type;
    event.window.event = static_cast<Uint8>(windowEvent);
    return event;
}
void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
void pushKey(Uint32 type, SDL_Keycode code)
{
    SDL_Event event = ofType(type);
    event.key.keysym.sym = code;
    push(event);
}
void pushButton(Uint32 type, int button, int x, int y)
{
    SDL_Event event = ofType(type);
    event.button.button = static_cast<Uint8>(button);
    event.button.x = x;
    event.button.y = y;
    push(event);
}

// What the renderer shows now at (x, y), as RGB.
Uint32 shownAt(BaseEngine& engine, int x, int y)
{
    Uint32 pixel = 0;
    SDL_Rect one{x, y, 1, 1};
    EXPECT_EQ(SDL_RenderReadPixels(SDL_GetRenderer(engine.getWindow()), &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0);
    return pixel & 0xFFFFFF;
}

// An initialised kW x kH engine on a clock the test sets, with an empty event queue.
class EngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(initialiseHeadless(engine, false, kW, kH), 0);
        engine.setTickSource([this] { return ticks; });
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        engine.log.clear();
    }
    bool iterateAt(std::uint32_t now) { ticks = now; return engine.mainLoopIteration(); }
    // The log of one iteration without its fixed start, before- and after-update steps.
    Log eventsAt(std::uint32_t now)
    {
        engine.log.clear();
        iterateAt(now);
        Log events;
        for (const std::string& line : engine.log)
            if (line != "start" && line != "beforeUpdate" && line != "afterUpdate")
                events.push_back(line);
        return events;
    }
    Probe* add(const std::string& name, int* destroyed = nullptr)
    {
        auto* probe = new Probe(&engine, engine.log, name, destroyed);
        engine.appendObjectToArray(probe);
        return probe;
    }
    // Takes an object out of the array into the test's hands.
    void take(Probe* probe) { engine.removeDisplayableObject(probe); taken.emplace_back(probe); }

    HookEngine engine;
    std::uint32_t ticks = 1000;
    std::vector<std::unique_ptr<Probe>> taken;
};

}  // namespace

TEST(EngineLifecycleTest, ConstructInitialiseWindowFilterAndDeinitialise)
{
    HookEngine engine;
    EXPECT_TRUE(engine.redrawRequested);
    EXPECT_EQ(std::vector<int>({engine.pauseStart, engine.currentTime, engine.nextActTime, engine.getModifiedTime()}),
              std::vector<int>({-1, 0, 0, 0}));
    EXPECT_FALSE(engine.isKeyPressed('a'));  // no key table yet
    EXPECT_EQ(engine.getForegroundCanvas()->getFilter(), static_cast<FilterPoints*>(&engine));
    EXPECT_EQ(engine.getBackgroundCanvas()->getFilter(), static_cast<FilterPoints*>(&engine));

    StdoutCapture capture;
    ASSERT_EQ(initialiseHeadless(engine, false, kW, kH), 0);
    EXPECT_EQ(capture.stop(), "");  // no font named, none asked for, nothing failed
    EXPECT_EQ(engine.getDefaultFont(), nullptr);
    EXPECT_EQ(engine.getFontCache().getCount(), 0);
    EXPECT_EQ(engine.log, (Log{"initialiseContent"}));
    EXPECT_EQ(engine.initialiseObjects(), 0);
    EXPECT_EQ(engine.BaseEngine::initialiseContent(), 0);
    int width = 0, height = 0, x = 0, y = 0;
    SDL_GetWindowSize(engine.getWindow(), &width, &height);
    SDL_GetWindowPosition(engine.getWindow(), &x, &y);
    EXPECT_EQ(std::vector<int>({width, height, x, y}), std::vector<int>({kW, kH, 10, 40}));
    EXPECT_STREQ(SDL_GetWindowTitle(engine.getWindow()), "Dustreach test");
    PixelCanvas& back = *engine.getBackgroundCanvas();
    EXPECT_EQ(std::vector<int>({engine.getForegroundCanvas()->getSurfaceWidth(), engine.getForegroundCanvas()->getSurfaceHeight(),
                                back.getSurfaceWidth(), back.getSurfaceHeight()}),
              std::vector<int>({kW, kH, kW, kH}));
    EXPECT_EQ(countPixels(back, 0xFFFF00, 0, 0, kW, kH), kW * kH);  // the default background
    ASSERT_NE(engine.keyStates, nullptr);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(engine.keyStates[i], 0) << i;

    // The engine's own filter keeps exactly the points inside the window.
    for (auto [px, py, inside] : {std::tuple{0, 0, true}, {kW - 1, kH - 1, true}, {-1, 0, false},
                                  {kW, 0, false}, {0, kH, false}, {0, -1, false}}) {
        unsigned int colour = 0;
        EXPECT_EQ(engine.filter(nullptr, px, py, colour), inside) << px << "," << py;
    }

    engine.log.clear();
    engine.deinitialise();
    EXPECT_EQ(engine.log, (Log{"cleanUp with keys"}));
    EXPECT_EQ(engine.keyStates, nullptr);
}

TEST_F(EngineTest, IterationStepsAndTheTenMillisecondTickWithoutMakingUpMissedTicks)
{
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_a);  // a repeat is a press like any other
    EXPECT_TRUE(iterateAt(1000));  // the redraw pending since construction runs too
    EXPECT_EQ(engine.log, (Log{"start", "keyDown 97 held", "keyDown 97 held", "beforeUpdate", "update 1000",
                               "afterUpdate", "underneath", "drawObjects", "onTop"}));
    EXPECT_FALSE(engine.redrawRequested);
    EXPECT_EQ(std::pair(engine.currentTime, engine.nextActTime), std::pair(1000, 1010));
    engine.log.clear();
    EXPECT_TRUE(iterateAt(1001));
    EXPECT_EQ(engine.log, (Log{"start", "beforeUpdate", "afterUpdate"}));

    // 1010 is exactly on time; 1047 is late and the next one is 10 ms after it.
    for (auto [now, updates] : {std::pair{1005u, false}, {1009u, false}, {1010u, true}, {1019u, false},
                                {1047u, true}, {1050u, false}, {1056u, false}, {1057u, true}})
        EXPECT_EQ(eventsAt(now) == Log{text("update ", now)}, updates) << now;
}

TEST_F(EngineTest, GameTimeStandsStillWhilePausedAndContinuesFromThere)
{
    engine.pause();  // at time 0, before the first iteration: 0 is a real start
    EXPECT_EQ(eventsAt(1000).front(), "update 0");  // updates still run, on the frozen time
    engine.pause();  // again while paused: the pause keeps its start
    iterateAt(1005);
    EXPECT_EQ(engine.getModifiedTime(), 0);
    engine.unpause();
    EXPECT_FALSE(engine.isPaused());
    EXPECT_EQ(engine.getModifiedTime(), 0);
    EXPECT_EQ(eventsAt(1010), (Log{"update 5"}));

    iterateAt(1100);
    engine.unpause();  // while running: nothing changes, time never jumps back
    EXPECT_EQ(engine.getModifiedTime(), 95);
    engine.pause();
    EXPECT_TRUE(engine.isPaused());
    iterateAt(1300);
    engine.unpause();  // a second pause adds to the first
    EXPECT_EQ(engine.pausedTotal, 1205);
    EXPECT_EQ(eventsAt(1310), (Log{"update 105"}));
}

TEST_F(EngineTest, KeyTableAndKeysReachingObjectsOnlyWhenAskedFor)
{
    iterateAt(1000);
    add("one");
    engine.appendObjectToArray(nullptr);
    add("two");
    pushKey(SDL_KEYDOWN, SDLK_UP);
    pushKey(SDL_KEYDOWN, SDLK_KP_1);  // unlisted keys share index 0
    EXPECT_EQ(eventsAt(1001), (Log{text("keyDown ", SDLK_UP, " held"), text("keyDown ", SDLK_KP_1, " held")}));
    EXPECT_EQ(engine.keyStates[128], 1);
    EXPECT_EQ(engine.keyStates[0], 1);
    EXPECT_TRUE(engine.isKeyPressed(SDLK_F13));

    engine.notifyObjectsOfKeys = true;
    pushKey(SDL_KEYUP, SDLK_F13);  // one release clears index 0 for all of them
    EXPECT_EQ(eventsAt(1002), (Log{text("keyUp ", SDLK_F13, " free"), text("one keyUp ", SDLK_F13),
                                   text("two keyUp ", SDLK_F13)}));
    EXPECT_FALSE(engine.isKeyPressed(SDLK_KP_1));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_UP));
}

TEST_F(EngineTest, MousePositionsGoThroughTheForegroundFilterWheelAndTouchDoNot)
{
    iterateAt(1000);
    HalvingFilter halving;
    engine.getForegroundCanvas()->setFilter(&halving);
    add("object");
    engine.notifyObjectsOfMouse = true;
    pushButton(SDL_MOUSEBUTTONDOWN, 3, 100, 60);
    SDL_Event motion = ofType(SDL_MOUSEMOTION);
    motion.motion.x = 40;
    motion.motion.y = 20;
    push(motion);
    pushButton(SDL_MOUSEBUTTONUP, 1, 10, 10);
    EXPECT_EQ(eventsAt(1001), (Log{"down 3 55,27", "object down 3 55,27", "move 25,7", "object move 25,7",
                                   "up 1 10,2", "object up 1 10,2"}));
    EXPECT_EQ(std::vector<int>({engine.mouseDownX, engine.mouseDownY, engine.mouseX, engine.mouseY, engine.mouseUpX,
                                engine.mouseUpY}),
              std::vector<int>({55, 27, 25, 7, 10, 2}));

    SDL_Event wheel = ofType(SDL_MOUSEWHEEL), touch = ofType(SDL_FINGERUP);
    std::tie(wheel.wheel.x, wheel.wheel.y, wheel.wheel.which, wheel.wheel.timestamp) = std::tuple(40, -3, 2, 777);
    std::tie(touch.tfinger.timestamp, touch.tfinger.touchId, touch.tfinger.fingerId) = std::tuple(55, 9, 4);
    std::tie(touch.tfinger.x, touch.tfinger.y, touch.tfinger.pressure) = std::tuple(0.5f, 0.25f, 0.75f);
    engine.log.clear();
    for (const SDL_Event& event : {wheel, touch})
        EXPECT_TRUE(engine.handleEvent(event));
    EXPECT_EQ(engine.log, (Log{"wheel 40,-3 2 777", text("touch ", SDL_FINGERUP, " 55 9 4 0.5,0.25 0.75")}));

    // Without a filter the window position is used as it is; objects hear nothing unless asked.
    engine.getForegroundCanvas()->setFilter(nullptr);
    engine.notifyObjectsOfMouse = false;
    pushButton(SDL_MOUSEBUTTONDOWN, 2, 100, 60);
    EXPECT_EQ(eventsAt(1002), (Log{"down 2 100,60"}));
}

TEST_F(EngineTest, ClaimSearchesStopAtTheFirstClaimInTheirDirection)
{
    iterateAt(1000);
    add("a");
    Probe* b = add("b");
    engine.appendObjectToArray(nullptr);
    Probe* c = add("c");
    add("d");
    b->claims = c->claims = true;
    pushButton(SDL_MOUSEBUTTONDOWN, 1, 8, 9);
    EXPECT_EQ(eventsAt(1001), (Log{"down 1 8,9"}));  // no search unless asked for
    engine.claimSearchFirstToLast = engine.claimSearchLastToFirst = true;
    pushButton(SDL_MOUSEBUTTONDOWN, 1, 8, 9);
    EXPECT_EQ(eventsAt(1002), (Log{"down 1 8,9", "a claim 1 8,9", "b claim 1 8,9", "d claim 1 8,9", "c claim 1 8,9"}));
    // Unclaimed, the backward search runs down to the first entry.
    b->claims = c->claims = false;
    engine.claimSearchFirstToLast = false;
    pushButton(SDL_MOUSEBUTTONDOWN, 2, 1, 1);
    EXPECT_EQ(eventsAt(1003), (Log{"down 2 1,1", "d claim 2 1,1", "c claim 2 1,1", "b claim 2 1,1", "a claim 2 1,1"}));
}

TEST_F(EngineTest, QuitEndsTheIterationBeforeUpdateAndRedraw)
{
    add("object");
    pushKey(SDL_KEYDOWN, SDLK_x);
    push(ofType(SDL_QUIT));
    pushKey(SDL_KEYDOWN, SDLK_y);
    EXPECT_FALSE(iterateAt(1000));
    EXPECT_EQ(engine.log, (Log{"start", "keyDown 120 held"}));
    EXPECT_TRUE(engine.redrawRequested);
    EXPECT_FALSE(engine.isKeyPressed(SDLK_y));

    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    push(ofType(SDL_QUIT));
    engine.log.clear();
    EXPECT_EQ(engine.mainLoop(), 0);  // the whole loop returns 0 on a quit
    EXPECT_EQ(engine.log, (Log{"start"}));
}

TEST_F(EngineTest, RedrawComposesAndPresentsAndExposureShowsTheLastFrameAgain)
{
    auto* object = new DisplayableObject(5, 5, &engine, 3, 3, true);  // 5..7 x 5..7
    object->colour = 0x00FF00;
    engine.appendObjectToArray(object);
    PixelCanvas& fore = *engine.getForegroundCanvas();
    engine.underneath = [&] { fore.setPixel(1, 1, 0xFF0000); fore.setPixel(5, 5, 0xFF0000); };
    engine.onTop = [&] {
        fore.setPixel(6, 6, 0x0000FF);
        engine.requestRedraw();  // a request made while composing is cleared with the frame
    };
    fore.fillSurface(0x777777);  // a stale picture, to be replaced
    engine.redrawDisplay();
    EXPECT_EQ(engine.log, (Log{"underneath", "drawObjects", "onTop"}));
    EXPECT_FALSE(engine.redrawRequested);
    for (auto [at, colour] : {std::pair{0, 0xFFFF00u}, {1, 0xFF0000u}, {5, 0x00FF00u}, {6, 0x0000FFu}, {7, 0x00FF00u}}) {
        EXPECT_EQ(fore.rawGetPixel(at, at) & 0xFFFFFF, colour) << at;
        EXPECT_EQ(shownAt(engine, at, at), colour) << at;  // what was presented is that frame
    }
    EXPECT_EQ(countPixels(fore, 0xFFFF00, 0, 0, kW, kH), kW * kH - 10);

    // The window system lost the picture: exposing or showing the window presents the last frame
    // again without any hook; other window events, or one while a fresh frame is due, do not.
    SDL_Renderer* renderer = SDL_GetRenderer(engine.getWindow());
    engine.log.clear();
    for (auto [event, due, shown] : {std::tuple{SDL_WINDOWEVENT_EXPOSED, false, true}, {SDL_WINDOWEVENT_SHOWN, false, true},
                                     {SDL_WINDOWEVENT_MOVED, false, false}, {SDL_WINDOWEVENT_EXPOSED, true, false}}) {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        engine.redrawRequested = due;
        EXPECT_TRUE(engine.handleEvent(ofType(SDL_WINDOWEVENT, event)));
        EXPECT_EQ(shownAt(engine, 6, 6), shown ? 0x0000FFu : 0u) << event << " " << due;
        EXPECT_EQ(shownAt(engine, kW - 1, kH - 1), shown ? 0xFFFF00u : 0u) << event << " " << due;
    }
    EXPECT_TRUE(engine.log.empty());

    // Without a request nothing is composed again.
    engine.redrawRequested = false;
    fore.rawSetPixel(0, 0, 0x123456);
    engine.redrawDisplay();
    EXPECT_TRUE(engine.log.empty());
    EXPECT_EQ(fore.rawGetPixel(0, 0), 0x123456u);
}

TEST(EngineTablesTest, KeyIndexAndColours)
{
    // Every listed key in index order from 128; 0 marks an index no key has.
    const SDL_Keycode listed[] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4,
        SDLK_F5, SDLK_F6, SDLK_F7, SDLK_F8, SDLK_F9, SDLK_F10, SDLK_F11, SDLK_F12, SDLK_PRINTSCREEN,
        SDLK_SCROLLLOCK, SDLK_PAUSE, SDLK_INSERT, SDLK_HOME, SDLK_PAGEUP, 0, SDLK_END, SDLK_PAGEDOWN, 0, 0, 0, 0, 0,
        SDLK_CAPSLOCK, SDLK_NUMLOCKCLEAR, SDLK_KP_DIVIDE, SDLK_KP_MULTIPLY, SDLK_KP_MINUS, SDLK_KP_PLUS,
        SDLK_KP_ENTER, SDLK_LCTRL, SDLK_LSHIFT, SDLK_LALT, SDLK_LGUI, SDLK_RCTRL, SDLK_RSHIFT, SDLK_RALT, SDLK_RGUI};
    for (int i = 0; i < static_cast<int>(std::size(listed)); ++i) {
        if (listed[i] != 0)
            EXPECT_EQ(keyIndex(listed[i]), 128 + i) << listed[i];
    }
    for (auto [code, index] : {std::pair{0, 0}, {SDLK_ESCAPE, 27}, {SDLK_DELETE, 127}, {128, 0}, {-1, 0},
                               {SDLK_F13, 0}, {SDLK_KP_1, 0}, {SDLK_KP_0, 0}, {0x4000004C, 0}})
        EXPECT_EQ(keyIndex(code), index) << code;

    for (auto [index, colour] : {std::pair{0, 0x000000u}, {1, 0xFF0000u}, {4, 0xFF00FFu}, {7, 0xFFFFFFu},
                                 {8, 0xFFC0C0u}, {10, 0xC0C0FFu}, {11, 0xC00000u}, {17, 0xC0C0C0u}, {20, 0x8080FFu},
                                 {21, 0x800000u}, {27, 0x808080u}, {30, 0x8080C0u}, {31, 0x400000u}, {37, 0x404040u},
                                 {40, 0x4040C0u}, {41, 0xCCCCCCu}, {-1, 0xCCCCCCu}, {INT_MIN, 0xCCCCCCu},
                                 {INT_MAX, 0xCCCCCCu}})
        EXPECT_EQ(BaseEngine::getColour(index), colour) << index;
}

TEST_F(EngineTest, ObjectDefaultsCentredOffsetsRoundTowardsZeroAndContainsPointEdges)
{
    DisplayableObject object(50, 40, &engine, 11, 7, false);
    DisplayableObject topLeft(50, 40, &engine, 11, 7, true);
    EXPECT_EQ(std::vector<int>({object.drawOffsetX, object.drawOffsetY, object.currentX, object.currentY,
                                topLeft.drawOffsetX, topLeft.drawOffsetY}),
              std::vector<int>({-5, -3, 50, 40, 0, 0}));
    EXPECT_EQ(object.colour, 0xFF00FFu);
    EXPECT_TRUE(object.visible);
    EXPECT_TRUE(object.deleteOnRemoval());
    EXPECT_EQ(object.notify(1, 2, 3), 0);
    EXPECT_FALSE(object.claimMouseDown(1, 50, 40));
    engine.redrawRequested = false;
    object.requestRedraw();
    EXPECT_TRUE(engine.redrawRequested);

    DisplayableObject box(30, 20, &engine, 10, 6, false);  // columns 25..34, rows 17..22
    for (auto [x, y, inside] : {std::tuple{25, 17, true}, {34, 22, true}, {24, 17, false}, {35, 20, false},
                                {30, 16, false}, {30, 23, false}})
        EXPECT_EQ(box.containsPoint(x, y), inside) << x << "," << y;
}

TEST_F(EngineTest, ClampToWindowMovesTheRectangleInsideWithOneCorrectionPerAxis)
{
    struct Case { int x, y, width, height; bool topLeft; int wantX, wantY; };
    for (const Case& c : {Case{0, 0, 20, 20, false, 10, 10}, {95, 75, 20, 20, false, 90, 70},
                          {80, 60, 20, 20, false, 80, 60}, {-3, -4, 6, 6, true, 0, 0},
                          {79, 59, 20, 20, true, 79, 59}, {81, 61, 20, 20, true, 80, 60},
                          // Wider than the window: left edge to 0 if it started left of 0, else right edge to W.
                          {-5, -5, kW + 10, kH + 10, true, 0, 0}, {0, 0, kW + 10, kH + 10, true, -10, -10}}) {
        DisplayableObject object(c.x, c.y, &engine, c.width, c.height, c.topLeft);
        EXPECT_EQ(std::pair(object.currentX, object.currentY), std::pair(c.wantX, c.wantY)) << c.x << "," << c.y;
    }
}

TEST_F(EngineTest, DefaultDrawFillsTheRectangleColumnByColumnThroughTheFiltersUnlessInvisible)
{
    DisplayableObject object(10, 20, &engine, 3, 2, true);
    object.colour = 0x123456;
    RecordingFilter recorder(true);
    PixelCanvas& canvas = *engine.getForegroundCanvas();
    canvas.setFilter(&recorder);
    canvas.fillSurface(0);
    object.visible = false;
    object.draw();
    EXPECT_TRUE(recorder.asked.empty());
    object.visible = true;
    object.draw();
    const unsigned int c = 0x123456;
    EXPECT_EQ(recorder.asked, (std::vector<AskedPoint>{{10, 20, c}, {10, 21, c}, {11, 20, c}, {11, 21, c}, {12, 20, c}, {12, 21, c}}));
    EXPECT_EQ(countPixels(canvas, c, 0, 0, kW, kH), 6);
}

TEST_F(EngineTest, PassesActOnEveryObjectOnceWhileObjectsComeAndGoAndSkipEmptyEntries)
{
    Probe* a = add("a");
    Probe* b = add("b");
    Probe* c = add("c");
    add("d");
    b->onUpdate = [&] { take(b); };
    engine.updateAllObjects(70);
    EXPECT_EQ(engine.log, (Log{"update 70", "a 70", "b 70", "c 70", "d 70"}));
    EXPECT_EQ(engine.getContentCount(), 3);
    // Removing an earlier one moves the running object and those after it down by one.
    engine.log.clear();
    c->onUpdate = [&] { take(a); };
    engine.updateAllObjects(80);
    EXPECT_EQ(engine.log, (Log{"update 80", "a 80", "c 80", "d 80"}));
    EXPECT_EQ(engine.getDisplayableObject(0), c);

    // Added mid-pass, at the end or in front of the running one: they act in that pass.
    engine.createObjectArray(3);
    engine.storeObjectInArray(1, new Probe(&engine, engine.log, "first"));
    static_cast<Probe*>(engine.getDisplayableObject(1))->onUpdate = [&] {
        if (engine.getContentCount() > 3)
            return;
        add("appended");
        engine.storeObjectInArray(0, new Probe(&engine, engine.log, "stored"));
    };
    engine.log.clear();
    engine.updateAllObjects(3);
    EXPECT_EQ(engine.log, (Log{"update 3", "first 3", "stored 3", "appended 3"}));
    EXPECT_EQ(engine.getContentCount(), 4);
    engine.setAllObjectsVisible(false);
    EXPECT_FALSE(engine.getDisplayableObject(0)->visible || engine.getDisplayableObject(3)->visible);
    engine.log.clear();
    engine.drawAllObjects();  // the empty entry 2 is passed over
    EXPECT_EQ(engine.log, (Log{"drawObjects", "stored draw", "first draw", "appended draw"}));

    // The draw pass survives the same changes.
    engine.createObjectArray(0);
    a = add("a");
    add("b");
    a->onDraw = [&] { if (taken.size() < 3) { take(a); add("c"); } };
    engine.log.clear();
    engine.drawAllObjects();
    EXPECT_EQ(engine.log, (Log{"drawObjects", "a draw", "b draw", "c draw"}));
}

TEST_F(EngineTest, DestroyOldObjectsDeletesOnlyWhenAskedAndOnlyObjectsThatAskForIt)
{
    int destroyed = 0;
    std::vector<std::unique_ptr<Probe>> kept;
    for (const char* name : {"a", "b", "c"})
        kept.emplace_back(add(name, &destroyed));
    engine.objectsChanged = false;
    engine.destroyOldObjects(false);
    EXPECT_TRUE(engine.objectsChanged);
    EXPECT_EQ(destroyed, 0);
    ASSERT_EQ(engine.getContentCount(), 3);  // the length stays
    for (int i = -1; i <= 3; ++i)
        EXPECT_EQ(engine.getDisplayableObject(i), nullptr) << i;
    kept.clear();

    destroyed = 0;
    engine.createObjectArray(0);
    add("owned", &destroyed);
    Probe* notOwned = add("kept", &destroyed);
    notOwned->deletable = false;
    engine.destroyOldObjects(true);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(notOwned->name, "kept");  // still alive
    // createObjectArray empties the old array the same way, then resizes.
    engine.storeObjectInArray(0, new Probe(&engine, engine.log, "again", &destroyed));
    engine.createObjectArray(7);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(engine.getContentCount(), 7);

    // The engine's destruction deletes the objects it still owns, and only those.
    {
        BaseEngine other;
        ASSERT_EQ(initialiseHeadless(other, false, kW, kH), 0);
        for (const char* name : {"x", "y", "z"})
            other.appendObjectToArray(new Probe(&other, engine.log, name, &destroyed));
        taken.emplace_back(static_cast<Probe*>(other.getDisplayableObject(1)));
        other.removeDisplayableObject(taken.back().get());
        other.appendObjectToArray(notOwned);
        Probe stranger(&other, engine.log, "stranger");
        other.removeDisplayableObject(&stranger);  // not there: nothing changes
        EXPECT_EQ(other.getContentCount(), 3);
        other.deinitialise();
    }
    EXPECT_EQ(destroyed, 4);
    delete notOwned;
}

namespace {

const std::string kFont = kGameFont;
const std::string kFailed = "Font loading failed.\n";
std::string loading(int size, const std::string& name) { return text("Loading font: ", size, " point ", name, "\n"); }

// The font library up, and a working folder holding the game's font under its plain name.
class FontCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
        folder.copyAsset(kFont);
    }
    void TearDown() override { TTF_Quit(); }  // every cache of a test is gone by then
    ScopedTempDir folder;
};

}  // namespace

TEST_F(FontCacheTest, RecordsByExactNameAndSizeOneLoadingLineEachFreedInTheOrderFirstAskedFor)
{
    auto cache = std::make_unique<FontCache>();
    cache->loadFonts();
    StdoutCapture capture;
    GameFont* first = cache->getFont(kFont, 24);
    EXPECT_EQ(cache->getFont(kFont, 24), first);
    GameFont* small = cache->getFont(kFont, 12);
    GameFont* otherCase = cache->getFont("cornerstone regular.ttf", 24);  // names compare byte for byte
    GameFont* otherPath = cache->getFont("./" + kFont, 24);
    EXPECT_EQ(capture.stop(), loading(24, kFont) + loading(12, kFont) + loading(24, "cornerstone regular.ttf") +
                                  kFailed + loading(24, "./" + kFont));
    EXPECT_EQ(std::tuple(first->getName(), first->getSize()), std::tuple(kFont, 24));
    for (GameFont* other : {small, otherCase, otherPath})
        EXPECT_NE(other, first);
    EXPECT_EQ(std::vector<bool>({first->getTTFFont() != nullptr, small->getTTFFont() != nullptr,
                                 otherCase->getTTFFont() != nullptr, otherPath->getTTFFont() != nullptr}),
              std::vector<bool>({true, true, false, true}));  // a file that does not open keeps a record
    EXPECT_EQ(cache->getCount(), 4);

    StdoutCapture quiet;  // asked again, every record comes back as it is, with no new attempt
    EXPECT_EQ(std::vector<GameFont*>({cache->getFont(kFont, 12), cache->getFont("cornerstone regular.ttf", 24)}),
              std::vector<GameFont*>({small, otherCase}));
    EXPECT_EQ(quiet.stop(), "");
    StdoutCapture freeing;
    cache.reset();
    EXPECT_EQ(freeing.stop(), "Free font: 24 point " + kFont + "\nFree font: 12 point " + kFont +
                                  "\nFree font: 24 point ./" + kFont + "\n");
}

TEST_F(FontCacheTest, FontsAskedForBeforeLoadFontsOpenLaterSilently)
{
    FontCache cache;
    EXPECT_FALSE(cache.areFontsLoadable());
    StdoutCapture capture;
    GameFont* early = cache.getFont(kFont, 24);
    GameFont* missing = cache.getFont("missing.ttf", 10);
    EXPECT_EQ(capture.stop(), loading(24, kFont) + kFailed + loading(10, "missing.ttf") + kFailed);
    EXPECT_EQ(early->getTTFFont(), nullptr);
    StdoutCapture silent;
    cache.loadFonts();
    EXPECT_EQ(silent.stop(), "");
    EXPECT_TRUE(cache.areFontsLoadable());
    EXPECT_NE(early->getTTFFont(), nullptr);
    EXPECT_EQ(missing->getTTFFont(), nullptr);
    StdoutCapture later;
    EXPECT_EQ(cache.getFont(kFont, 24), early);
    EXPECT_NE(cache.getFont(kFont, 30)->getTTFFont(), nullptr);
    EXPECT_EQ(later.stop(), loading(30, kFont));
}

TEST_F(FontCacheTest, TwentyFirstRecordGrowsCapacityByTenAndRecordsStayPut)
{
    FontCache cache;  // not loadable: no file is opened, the records are what counts
    EXPECT_EQ(cache.getCapacity(), 20);
    std::vector<GameFont*> records;
    StdoutCapture capture;
    for (int size = 1; size <= 31; ++size) {
        records.push_back(cache.getFont("f.ttf", size));
        EXPECT_EQ(cache.getCapacity(), size <= 20 ? 20 : size <= 30 ? 30 : 40) << size;
    }
    capture.stop();
    StdoutCapture quiet;
    for (int size = 1; size <= 31; ++size) {
        EXPECT_EQ(cache.getFont("f.ttf", size), records[static_cast<std::size_t>(size - 1)]) << size;
        EXPECT_EQ(records[static_cast<std::size_t>(size - 1)]->getSize(), size);
    }
    EXPECT_EQ(quiet.stop(), "");
}

TEST_F(FontCacheTest, EngineOpensItsDefaultFontAtInitialiseFreesItAtDestructionOrRunsOnWithout)
{
    useDummyVideo();
    const std::string good = loading(24, kFont) + "Free font: 24 point " + kFont + "\n";
    for (auto [name, output] : {std::pair{kFont, good}, {std::string("nowhere.ttf"), loading(24, "nowhere.ttf") + kFailed}}) {
        StdoutCapture capture;
        {
            BaseEngine engine;
            ASSERT_EQ(engine.initialise("fonts", 60, 40, name.c_str(), 24), 0);
            GameFont* font = engine.getDefaultFont();
            ASSERT_NE(font, nullptr);
            EXPECT_EQ(font->getTTFFont() != nullptr, name == kFont);
            EXPECT_EQ(engine.getFontCache().getFont(name, 24), font);
            engine.deinitialise();
        }
        EXPECT_EQ(capture.stop(), output) << name;
    }
}
