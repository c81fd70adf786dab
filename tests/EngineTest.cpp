// Engine core: lifecycle and its console lines, the main-loop iteration on a fake clock with its
// 10 ms tick, game time across pauses, event dispatch (keys, mouse through the foreground's
// filter, claims, quit), redraw and present, keyIndex and the colour table, displayable objects
// and the object array's passes, and the font cache.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <sstream>

#include "BaseEngine.h"
#include "DisplayableObject.h"
#include "FilterPointsTranslation.h"
#include "FontCache.h"
#include "TestSupport.h"

using namespace dustreach::test;

namespace {

using Log = std::vector<std::string>;
using Ints = std::vector<int>;
constexpr int kW = 100, kH = 80;  // unequal, so a swapped width and height shows

template <typename... P> std::string text(const P&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

// Logs the input hooks of an engine or an object into `log`, each line led by `name`; a key line
// also says whether the engine's key table already holds the key.
template <typename Base> struct InputLog : Base {
    using Base::Base;
    template <typename... P> void add(const P&... parts) { log->push_back(text(name, parts...)); }
    virtual const char* held(int key) = 0;
    void onKeyDown(int key) override { add("keyDown ", key, held(key)); }
    void onKeyUp(int key) override { add("keyUp ", key, held(key)); }
    void onMouseMove(int x, int y) override { add("move ", x, ",", y); }
    void onMouseDown(int b, int x, int y) override { add("down ", b, " ", x, ",", y); }
    void onMouseUp(int b, int x, int y) override { add("up ", b, " ", x, ",", y); }
    Log* log = nullptr;
    std::string name;
};

struct HookEngine : InputLog<BaseEngine> {
    HookEngine() { log = &own; }
    const char* held(int key) override { return isKeyPressed(key) ? " held" : " free"; }
    int initialiseContent() override { add("content"); return BaseEngine::initialiseContent(); }
    void cleanUp() override { add(keyStates ? "cleanUp with keys" : "cleanUp without keys"); }
    void drawStringsUnderneath() override { add("underneath"); if (underneath) underneath(); }
    void drawStringsOnTop() override { add("onTop"); if (onTop) onTop(); }
    void mainLoopStartIteration() override { add("start"); }
    void mainLoopBeforeUpdate() override { add("beforeUpdate"); }
    void mainLoopAfterUpdate() override { add("afterUpdate"); }
    void updateAllObjects(int t) override { add("update ", t); BaseEngine::updateAllObjects(t); }
    void drawAllObjects() override { add("drawObjects"); BaseEngine::drawAllObjects(); }
    Log own;
    std::function<void()> underneath, onTop;
};

// Appends itself to the engine's array unless told not to, logs into the engine's log, runs
// optional actions in its update and draw, claims presses when told to, counts its destruction.
struct Probe : InputLog<DisplayableObject> {
    Probe(HookEngine& e, std::string id, int* gone = nullptr, bool append = true)
        : InputLog(10, 10, &e, 4, 4, true), gone(gone)
    { log = &e.own, name = id + " "; if (append) e.appendObjectToArray(this); }
    ~Probe() override { if (gone) ++*gone; }
    const char* held(int) override { return ""; }
    bool claimMouseDown(int b, int, int) override { add("claim ", b); return claims; }
    void update(int t) override { add(t); if (onUpdate) onUpdate(); }
    void draw() override { add("draw"); if (onDraw) onDraw(); }
    bool deleteOnRemoval() override { return deletable; }
    int* gone;
    bool claims = false, deletable = true;
    std::function<void()> onUpdate, onDraw;
};

SDL_Event key(Uint32 type, int sym) { SDL_Event e{type}; e.key.keysym.sym = sym; return e; }
SDL_Event mouse(Uint32 type, int button, int x, int y)  // a motion has no button
{
    SDL_Event e{type};
    if (type == SDL_MOUSEMOTION)
        e.motion.x = x, e.motion.y = y;
    else
        e.button.button = Uint8(button), e.button.x = x, e.button.y = y;
    return e;
}

// An initialised kW x kH engine on a clock the test sets, with an empty event queue.
struct EngineTest : testing::Test {
    void SetUp() override
    {
        ASSERT_EQ(initialiseHeadless(engine, false, kW, kH), 0);
        ASSERT_EQ(engine.getFontCache().getCount(), 0);  // no font named: none asked for
        engine.setTickSource([this] { return ticks; });
        SDL_PumpEvents(), SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT), engine.own.clear();
    }
    void queue(std::initializer_list<SDL_Event> es) { for (SDL_Event e : es) SDL_PushEvent(&e); }
    // What one iteration at `now` logs, after queueing these events.
    Log iterateAt(std::uint32_t now, std::initializer_list<SDL_Event> queued = {}, bool on = true)
    {
        queue(queued), ticks = now, engine.own.clear();
        EXPECT_EQ(engine.mainLoopIteration(), on) << now;
        return engine.own;
    }
    Log handle(std::initializer_list<SDL_Event> events)  // what handling these events logs
    {
        engine.own.clear();
        for (const SDL_Event& e : events)
            EXPECT_TRUE(engine.handleEvent(e));
        return engine.own;
    }
    Uint32 shownAt(int x, int y)  // what the window shows now at (x, y), as RGB
    {
        Uint32 pixel = 0;
        const SDL_Rect one{x, y, 1, 1};
        SDL_RenderReadPixels(renderer(), &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
        return pixel & 0xFFFFFF;
    }
    SDL_Renderer* renderer() { return SDL_GetRenderer(engine.getWindow()); }
    // Takes an object out of the array into the test's hands.
    void take(Probe* p) { engine.removeDisplayableObject(p); taken.emplace_back(p); }
    HookEngine engine;
    std::uint32_t ticks = 1000;
    std::vector<std::unique_ptr<Probe>> taken;
};

}  // namespace

TEST(EngineLifecycleTest, InitialiseWindowFilterDefaultFontAndDeinitialise)
{
    auto owned = std::make_unique<HookEngine>();
    HookEngine& engine = *owned;
    EXPECT_FALSE(engine.isKeyPressed('a'));  // no key table yet
    const std::string font = assetPath(kGameFont);
    StdoutCapture capture;
    ASSERT_EQ(initialiseHeadless(engine, true, kW, kH), 0);
    EXPECT_EQ(capture.stop(), "Loading font: 24 point " + font + "\n");  // and nothing failed
    EXPECT_EQ(engine.own, (Log{"content"}));
    EXPECT_EQ(engine.initialiseObjects() + engine.BaseEngine::initialiseContent(), 0);
    int w = 0, h = 0, x = 0, y = 0;
    SDL_GetWindowSize(engine.getWindow(), &w, &h);
    SDL_GetWindowPosition(engine.getWindow(), &x, &y);
    PixelCanvas &fore = *engine.getForegroundCanvas(), &back = *engine.getBackgroundCanvas();
    EXPECT_EQ(Ints({w, h, x, y, fore.getSurfaceWidth(), fore.getSurfaceHeight(),
                    back.getSurfaceWidth(), back.getSurfaceHeight()}),
              Ints({kW, kH, 10, 40, kW, kH, kW, kH}));
    unsigned int colour = 0;  // the engine's own filter keeps exactly the window's points
    for (auto [px, py, inside] : {std::tuple{0, 0, true}, {kW - 1, kH - 1, true}, {-1, 0, false},
                                  {kW, 0, false}, {0, kH, false}, {0, -1, false}})
        EXPECT_EQ(engine.filter(nullptr, px, py, colour), inside) << px << "," << py;
    engine.own.clear(), engine.deinitialise();
    EXPECT_TRUE(engine.own == Log{"cleanUp with keys"} && engine.keyStates == nullptr);
    StdoutCapture freeing;  // then the cache closes the default font
    owned.reset();
    EXPECT_EQ(freeing.stop(), "Free font: 24 point " + font + "\n");
}

TEST_F(EngineTest, IterationStepsTheTenMillisecondTickAndQuit)
{
    EXPECT_EQ(iterateAt(1000, {key(SDL_KEYDOWN, 'a')}),
              (Log{"start", "keyDown 97 held", "beforeUpdate", "update 1000", "afterUpdate",
                   "underneath", "drawObjects", "onTop"}));  // the redraw due since construction
    EXPECT_EQ(Ints({engine.redrawRequested, engine.nextActTime}), Ints({0, 1010}));
    // 1010 is exactly on time; 1047 is late and the next one is 10 ms after it, not at 1050.
    for (auto [now, updates] : {std::pair{1001u, false}, {1009u, false}, {1010u, true},
                                {1019u, false}, {1047u, true}, {1056u, false}, {1057u, true}}) {
        const Log steps{"start", "beforeUpdate", text("update ", now), "afterUpdate"};
        EXPECT_EQ(iterateAt(now), updates ? steps : Log({steps[0], steps[1], steps[3]}));
    }
    // A quit ends the iteration at once: no more events, no update, no redraw.
    engine.requestRedraw();
    EXPECT_EQ(iterateAt(1070, {key(SDL_KEYDOWN, 'x'), {SDL_QUIT}, key(SDL_KEYDOWN, 'y')}, false),
              (Log{"start", "keyDown 120 held"}));
    EXPECT_TRUE(engine.redrawRequested && !engine.isKeyPressed('y'));
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT), queue({{SDL_QUIT}}), engine.own.clear();
    EXPECT_TRUE(engine.mainLoop() == 0 && engine.own == Log{"start"});
}

TEST_F(EngineTest, GameTimeStandsStillWhilePausedAndContinuesFromThere)
{
    auto at = [&](std::uint32_t now) { iterateAt(now); return engine.getModifiedTime(); };
    engine.pause();  // at time 0, before the first iteration: 0 is a real start
    EXPECT_EQ(iterateAt(1000).at(2), "update 0");  // updates still run, on the frozen time
    engine.pause();  // again while paused: the pause keeps its start
    EXPECT_TRUE(at(1005) == 0 && engine.isPaused());
    engine.unpause();
    EXPECT_EQ(Ints({engine.isPaused(), engine.getModifiedTime(), at(1010), at(1100)}),
              Ints({0, 0, 5, 95}));
    engine.unpause();  // while running: nothing changes, time never jumps back
    EXPECT_EQ(engine.getModifiedTime(), 95);
    engine.pause();
    EXPECT_EQ(at(1300), 95);
    engine.unpause();  // a second pause adds to the first
    EXPECT_EQ(Ints({engine.pausedTotal, at(1310)}), Ints({1205, 105}));
}

TEST_F(EngineTest, KeysAndMouseReachObjectsOnlyWhenAskedForAndClaimsStopAtTheFirst)
{
    new Probe(engine, "a");
    engine.appendObjectToArray(nullptr);
    EXPECT_EQ(handle({key(SDL_KEYDOWN, SDLK_UP), key(SDL_KEYDOWN, SDLK_KP_1)}),
              (Log{text("keyDown ", SDLK_UP, " held"), text("keyDown ", SDLK_KP_1, " held")}));
    EXPECT_EQ(Ints({engine.keyStates[128], engine.keyStates[0]}), Ints({1, 1}));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_F13));  // unlisted keys share index 0
    Probe* b = new Probe(engine, "b");
    engine.notifyObjectsOfKeys = engine.notifyObjectsOfMouse = true;
    const std::string up = text("keyUp ", SDLK_F13);
    EXPECT_EQ(handle({key(SDL_KEYUP, SDLK_F13), key(SDL_KEYDOWN, 's')}),
              (Log{up + " free", "a " + up, "b " + up, "keyDown 115 held", "a keyDown 115",
                   "b keyDown 115"}));
    EXPECT_TRUE(!engine.isKeyPressed(SDLK_KP_1) && engine.isKeyPressed(SDLK_UP));
    // Positions go through the foreground's filter.
    FilterPointsTranslation shift(nullptr);
    shift.changeOffset(7, -3);
    engine.getForegroundCanvas()->setFilter(&shift);
    EXPECT_EQ(handle({mouse(SDL_MOUSEBUTTONDOWN, 3, 100, 60), mouse(SDL_MOUSEMOTION, 0, 40, 20),
                      mouse(SDL_MOUSEBUTTONUP, 1, 10, 10)}),
              (Log{"down 3 93,63", "a down 3 93,63", "b down 3 93,63", "move 33,23", "a move 33,23",
                   "b move 33,23", "up 1 3,13", "a up 1 3,13", "b up 1 3,13"}));
    EXPECT_EQ(Ints({engine.mouseDownX, engine.mouseDownY, engine.mouseX, engine.mouseY,
                    engine.mouseUpX, engine.mouseUpY}), Ints({93, 63, 33, 23, 3, 13}));
    // Without a filter the window position is used as it is.
    engine.getForegroundCanvas()->setFilter(nullptr);
    engine.notifyObjectsOfMouse = false;
    Probe* c = new Probe(engine, "c");
    new Probe(engine, "d");
    b->claims = c->claims = true;
    engine.claimSearchFirstToLast = engine.claimSearchLastToFirst = true;
    const SDL_Event press = mouse(SDL_MOUSEBUTTONDOWN, 2, 100, 60);
    const std::string down = "down 2 100,60";
    EXPECT_EQ(handle({press}), (Log{down, "a claim 2", "b claim 2", "d claim 2", "c claim 2"}));
    b->claims = c->claims = false;  // unclaimed, the backward search runs down to the first entry
    engine.claimSearchFirstToLast = false;
    EXPECT_EQ(handle({press}), (Log{down, "d claim 2", "c claim 2", "b claim 2", "a claim 2"}));
}

TEST_F(EngineTest, RedrawComposesAndPresentsAndExposureShowsTheLastFrameAgain)
{
    auto* object = new DisplayableObject(5, 5, &engine, 3, 3, true);  // 5..7 x 5..7
    object->colour = 0x00FF00;
    engine.appendObjectToArray(object);
    PixelCanvas& fore = *engine.getForegroundCanvas();
    engine.underneath = [&] { fore.setPixel(1, 1, 0xFF0000); fore.setPixel(5, 5, 0xFF0000); };
    engine.onTop = [&] { fore.setPixel(6, 6, 0x0000FF); engine.requestRedraw(); };
    fore.fillSurface(0x777777);  // a stale picture, to be replaced
    engine.redrawDisplay();  // and a request made while composing is cleared with the frame
    EXPECT_EQ(engine.own, (Log{"underneath", "drawObjects", "onTop"}));
    EXPECT_FALSE(engine.redrawRequested);
    for (auto [at, colour] : {std::pair{0, 0xFFFF00u}, {1, 0xFF0000u}, {5, 0x00FF00u},
                              {6, 0x0000FFu}, {7, 0x00FF00u}, {8, 0xFFFF00u}})
        EXPECT_EQ(shownAt(at, at), colour) << at;
    // The window lost its picture: exposing or showing it presents the last frame again without
    // any hook; other window events do not, nor does one while a fresh frame is due.
    for (auto [what, due, shown] : {std::tuple{SDL_WINDOWEVENT_EXPOSED, false, true},
             {SDL_WINDOWEVENT_SHOWN, false, true}, {SDL_WINDOWEVENT_MOVED, false, false},
             {SDL_WINDOWEVENT_EXPOSED, true, false}}) {
        SDL_SetRenderDrawColor(renderer(), 0, 0, 0, 255), SDL_RenderClear(renderer());
        SDL_Event e{SDL_WINDOWEVENT};
        e.window.event = Uint8(what), engine.redrawRequested = due;
        EXPECT_EQ(handle({e}), Log{});
        EXPECT_EQ(shownAt(6, 6), shown ? 0x0000FFu : 0u) << what << " " << due;
    }
}

TEST(EngineTablesTest, KeyIndexAndColours)
{
    // Every listed key in index order from 128; 0 marks an index no key has.
    const SDL_Keycode listed[] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_F1, SDLK_F2,
        SDLK_F3, SDLK_F4, SDLK_F5, SDLK_F6, SDLK_F7, SDLK_F8, SDLK_F9, SDLK_F10, SDLK_F11, SDLK_F12,
        SDLK_PRINTSCREEN, SDLK_SCROLLLOCK, SDLK_PAUSE, SDLK_INSERT, SDLK_HOME, SDLK_PAGEUP, 0,
        SDLK_END, SDLK_PAGEDOWN, 0, 0, 0, 0, 0, SDLK_CAPSLOCK, SDLK_NUMLOCKCLEAR, SDLK_KP_DIVIDE,
        SDLK_KP_MULTIPLY, SDLK_KP_MINUS, SDLK_KP_PLUS, SDLK_KP_ENTER, SDLK_LCTRL, SDLK_LSHIFT,
        SDLK_LALT, SDLK_LGUI, SDLK_RCTRL, SDLK_RSHIFT, SDLK_RALT, SDLK_RGUI};
    for (int i = 0; i < static_cast<int>(std::size(listed)); ++i)
        EXPECT_TRUE(listed[i] == 0 || keyIndex(listed[i]) == 128 + i) << 128 + i;
    for (auto [code, index] : {std::pair{0, 0}, {SDLK_ESCAPE, 27}, {SDLK_DELETE, 127}, {128, 0},
                               {-1, 0}, {SDLK_F13, 0}, {SDLK_KP_1, 0}, {0x4000004C, 0}})
        EXPECT_EQ(keyIndex(code), index) << code;
    for (auto [index, colour] : {std::pair{0, 0x000000u}, {1, 0xFF0000u}, {7, 0xFFFFFFu},
             {10, 0xC0C0FFu}, {21, 0x800000u}, {30, 0x8080C0u}, {37, 0x404040u}, {40, 0x4040C0u},
             {41, 0xCCCCCCu}, {-1, 0xCCCCCCu}, {INT_MIN, 0xCCCCCCu}, {INT_MAX, 0xCCCCCCu}})
        EXPECT_EQ(BaseEngine::getColour(index), colour) << index;
}

TEST_F(EngineTest, ObjectDefaultsOffsetsClampingContainsPointAndTheDefaultDraw)
{
    DisplayableObject centred(50, 40, &engine, 11, 7, false), topLeft(50, 40, &engine, 11, 7, true);
    EXPECT_EQ(Ints({centred.drawOffsetX, centred.drawOffsetY, centred.currentX, centred.currentY,
                    topLeft.drawOffsetX, topLeft.drawOffsetY, int(centred.colour),
                    centred.notify(1, 2, 3)}), Ints({-5, -3, 50, 40, 0, 0, 0xFF00FF, 0}));
    EXPECT_TRUE(centred.visible && centred.deleteOnRemoval() && !centred.claimMouseDown(1, 50, 40));
    // Larger than the window: to 0 if it started before 0, else its far edge to the window's end.
    for (auto [x, y, size, topLeft, wantX, wantY] : {std::tuple{0, 0, 20, false, 10, 10},
             {95, 75, 20, false, 90, 70}, {80, 60, 20, false, 80, 60}, {-3, -4, 6, true, 0, 0},
             {79, 59, 20, true, 79, 59}, {81, 61, 20, true, 80, 60}, {-5, -5, kW + 10, true, 0, 0},
             {0, 0, kW + 10, true, -10, -30}}) {
        DisplayableObject object(x, y, &engine, size, size, topLeft);
        EXPECT_EQ(Ints({object.currentX, object.currentY}), Ints({wantX, wantY})) << x;
    }
    DisplayableObject box(30, 20, &engine, 10, 6, false);  // columns 25..34, rows 17..22
    for (auto [x, y, inside] : {std::tuple{25, 17, true}, {34, 22, true}, {24, 17, false},
                                {35, 20, false}, {30, 16, false}, {30, 23, false}})
        EXPECT_EQ(box.containsPoint(x, y), inside) << x << "," << y;
    // The default draw fills the rectangle column by column through the filters, if visible.
    DisplayableObject small(10, 20, &engine, 3, 2, true);
    const unsigned int c = small.colour = 0x123456;
    RecordingFilter recorder(true);
    engine.getForegroundCanvas()->setFilter(&recorder);
    for (bool visible : {false, true})
        small.visible = visible, small.draw();
    EXPECT_EQ(recorder.asked, (std::vector<AskedPoint>{{10, 20, c}, {10, 21, c}, {11, 20, c},
                                                       {11, 21, c}, {12, 20, c}, {12, 21, c}}));
    EXPECT_EQ(countPixels(*engine.getForegroundCanvas(), c, 0, 0, kW, kH), 6);
}

TEST_F(EngineTest, PassesActOnEveryObjectOnceWhileObjectsComeAndGoAndDestroyOldObjects)
{
    Probe *a = new Probe(engine, "a"), *b = new Probe(engine, "b"), *c = new Probe(engine, "c");
    new Probe(engine, "d");
    b->onUpdate = [&] { take(b); };
    engine.updateAllObjects(70);
    c->onUpdate = [&] { take(a); };  // moves the running object and those after it down by one
    engine.updateAllObjects(80);
    EXPECT_EQ(engine.own, (Log{"update 70", "a 70", "b 70", "c 70", "d 70", "update 80", "a 80",
                               "c 80", "d 80"}));
    EXPECT_TRUE(engine.getContentCount() == 2 && engine.getDisplayableObject(0) == c &&
                !engine.getDisplayableObject(2));  // past the end, where a stale entry lingers
    // Added mid-pass, at the end or in front of the running one: they act in that pass.
    engine.createObjectArray(3);
    Probe* first = new Probe(engine, "first", nullptr, false);
    engine.storeObjectInArray(1, first);
    first->onUpdate = [&] {
        if (engine.getContentCount() == 3 && new Probe(engine, "appended"))
            engine.storeObjectInArray(0, new Probe(engine, "stored", nullptr, false));
    };
    engine.setAllObjectsVisible(false);
    EXPECT_FALSE(first->visible);
    engine.own.clear(), engine.updateAllObjects(3), engine.drawAllObjects();  // entry 2 is empty
    EXPECT_EQ(engine.own, (Log{"update 3", "first 3", "stored 3", "appended 3", "drawObjects",
                               "stored draw", "first draw", "appended draw"}));
    // destroyOldObjects empties every entry, deleting only when asked and what asks for it.
    int destroyed = 0;
    engine.createObjectArray(0);
    a = new Probe(engine, "a", &destroyed), b = new Probe(engine, "b", &destroyed);
    engine.objectsChanged = false;
    engine.destroyOldObjects(false);
    EXPECT_EQ(Ints({engine.objectsChanged, destroyed, engine.getContentCount()}), Ints({1, 0, 2}));
    for (int i = -1; i <= 2; ++i)
        EXPECT_EQ(engine.getDisplayableObject(i), nullptr) << i;
    delete a;  // and b stays, to be kept from deletion
    b->deletable = false;
    engine.storeObjectInArray(0, new Probe(engine, "owned", &destroyed, false));
    engine.storeObjectInArray(1, b);
    engine.destroyOldObjects(true);
    EXPECT_EQ(Ints({destroyed, engine.getContentCount()}), Ints({2, 2}));
    engine.storeObjectInArray(0, new Probe(engine, "again", &destroyed, false));
    engine.createObjectArray(7);  // empties the old array the same way, then resizes
    EXPECT_EQ(Ints({destroyed, engine.getContentCount()}), Ints({3, 7}));
    delete b;
}

// One cache with fonts loadable from the start, one that is told so only later.
TEST(FontCacheTest, RecordsByExactNameAndSizeLoadingLinesCapacityAndFreeOrder)
{
    ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    ScopedTempDir folder;  // holds the game's font under its plain name
    folder.copyAsset(kGameFont);
    const std::string font = kGameFont, lower = "cornerstone regular.ttf";
    const std::string fail = "Font loading failed.\n";
    auto loading = [](int size, const std::string& name) {
        return text("Loading font: ", size, " point ", name, "\n");
    };
    auto cache = std::make_unique<FontCache>();
    cache->loadFonts();
    StdoutCapture capture;
    GameFont *big = cache->getFont(font, 24), *small = cache->getFont(font, 12);
    GameFont* otherCase = cache->getFont(lower, 24);  // names match byte for byte
    cache->getFont("./" + font, 24);
    EXPECT_EQ(capture.stop(), loading(24, font) + loading(12, font) + loading(24, lower) + fail +
                                  loading(24, "./" + font));
    StdoutCapture quiet;  // asked again, a record comes back as it is, with no new attempt
    EXPECT_TRUE(cache->getFont(font, 24) == big && cache->getFont(font, 12) == small &&
                cache->getFont(lower, 24) == otherCase);
    EXPECT_EQ(quiet.stop(), "");
    StdoutCapture freeing;  // only fonts that opened, in the order first asked for
    cache.reset();
    EXPECT_EQ(freeing.stop(), "Free font: 24 point " + font + "\nFree font: 12 point " + font +
                                  "\nFree font: 24 point ./" + font + "\n");
    cache = std::make_unique<FontCache>();
    StdoutCapture early;
    GameFont *asked = cache->getFont(font, 24), *missing = cache->getFont("missing.ttf", 10);
    EXPECT_EQ(early.stop(), loading(24, font) + fail + loading(10, "missing.ttf") + fail);
    for (int count = 3; count <= 31; ++count) {
        cache->getFont("f.ttf", count);
        EXPECT_EQ(cache->getCapacity(), count <= 20 ? 20 : count <= 30 ? 30 : 40) << count;
    }
    StdoutCapture silent;
    EXPECT_EQ(cache->getFont(font, 24), asked);  // records stay put as the capacity grows
    cache->loadFonts();
    EXPECT_TRUE(silent.stop().empty() && asked->getTTFFont() && !missing->getTTFFont());
    cache.reset(), TTF_Quit();
}
