// Engine core: the 10 ms tick on a fake clock, pauses, events, claims, redraw and exposure,
// keyIndex, the colour table, displayable objects, the object array's passes, the font cache.
#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <filesystem>
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
constexpr int kW = 100, kH = 80;  // unequal, so a swapped width and height shows
Log said;  // what the hooks below said, in order
int gone = 0;  // probes gone

template <typename... P> std::string text(const P&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}
template <typename... P> void say(const P&... parts)
{
    said.push_back(text(parts...));
}

// Input hooks, each line led by who heard it; a key line says if the key table holds it already.
template <typename Base> struct LoggedInput : Base {
    using Base::Base;
    virtual std::string heard() { return ""; }
    virtual std::string held(int) { return ""; }
    void onKeyDown(int k) override { say(heard(), "keyDown ", k, held(k)); }
    void onKeyUp(int k) override { say(heard(), "keyUp ", k, held(k)); }
    void onMouseMove(int x, int y) override { say(heard(), "move ", x, ",", y); }
    void onMouseDown(int b, int x, int y) override { say(heard(), "down ", b, " ", x, ",", y); }
    void onMouseUp(int b, int x, int y) override { say(heard(), "up ", b, " ", x, ",", y); }
};

struct HookEngine : LoggedInput<BaseEngine> {
    std::string held(int k) override { return isKeyPressed(k) ? " held" : " free"; }
    void cleanUp() override { say(keyStates ? "cleanUp with keys" : "cleanUp without keys"); }
};

// Logs its passes and input under its name, runs `act` in update and draw, claims when told to.
struct Probe : LoggedInput<DisplayableObject> {
    Probe(BaseEngine& e, std::string id, bool append = true)
        : LoggedInput(10, 10, &e, 4, 4, true), name(id + " ")
    {
        if (append)
            e.appendObjectToArray(this);
    }
    ~Probe() override { ++gone; }
    std::string heard() override { return name; }
    bool claimMouseDown(int b, int, int) override
    {
        say(name, "claim ", b);
        return claims;
    }
    void update(int t) override
    {
        say(name, t);
        act();
    }
    void draw() override
    {
        say(name, "draw");
        act();
    }
    bool deleteOnRemoval() override { return deletable; }
    std::string name;
    bool claims = false, deletable = true;
    std::function<void()> act = [] {};
};

SDL_Event key(Uint32 type, int sym)
{
    SDL_Event e{type};
    e.key.keysym.sym = sym;
    return e;
}
SDL_Event button(Uint32 type, int b, int x, int y)
{
    SDL_Event e{type};
    e.button.button = Uint8(b);
    e.button.x = x;
    e.button.y = y;
    return e;
}

// An initialised kW x kH engine without a font, on a clock the test sets, no events queued.
struct EngineTest : testing::Test {
    void SetUp() override
    {
        said.clear();  // what an earlier test in the same process left
        StdoutCapture out;  // nothing failed, and no font was asked for
        ASSERT_EQ(initialiseHeadless(engine, false, kW, kH), 0);
        EXPECT_EQ(out.stop(), "");
        EXPECT_EQ(engine.getFontCache().getCount(), 0);
        engine.setTickSource([this] { return ticks; });
        SDL_FlushEvents(0, SDL_LASTEVENT);
    }
    // What one iteration at `now` logs, after queueing these events.
    Log iterateAt(std::uint32_t now, std::initializer_list<SDL_Event> queued = {}, bool on = true)
    {
        for (SDL_Event e : queued)
            SDL_PushEvent(&e);
        ticks = now;
        said.clear();
        EXPECT_EQ(engine.mainLoopIteration(), on) << now;
        return said;
    }
    HookEngine engine;
    std::uint32_t ticks = 1000;
};

}  // namespace

TEST_F(EngineTest, IterationStepsTheTenMillisecondTickAndQuitEndsIt)
{
    new Probe(engine, "p");  // events first, then the update, then the redraw due since start
    EXPECT_EQ(iterateAt(1000, {key(SDL_KEYDOWN, 'a')}),
              (Log{"keyDown 97 held", "p 1000", "p draw"}));
    // 1010 is exactly on time; 1047 is late and the next one is 10 ms after it, not at 1050.
    for (auto [now, updates] :
         {std::pair{1009u, false}, {1010u, true}, {1047u, true}, {1056u, false}, {1057u, true}})
        EXPECT_EQ(iterateAt(now), updates ? Log{text("p ", now)} : Log{});
    engine.requestRedraw();  // a quit ends the iteration at once: no more events, update or redraw
    EXPECT_EQ(iterateAt(1070, {key(SDL_KEYDOWN, 'x'), {SDL_QUIT}, key(SDL_KEYDOWN, 'y')}, false),
              Log{"keyDown 120 held"});
}

TEST_F(EngineTest, GameTimeStandsStillWhilePausedAndContinuesFromThere)
{
    auto at = [&](std::uint32_t now) {
        iterateAt(now);
        return engine.getModifiedTime();
    };
    engine.pause();  // at time 0, before any iteration: a real start
    new Probe(engine, "p");
    EXPECT_EQ(iterateAt(1000).at(0), "p 0");  // updates still run, on the frozen time
    engine.pause();  // again while paused: the pause keeps its start
    EXPECT_EQ(at(1005), 0);
    EXPECT_TRUE(engine.isPaused());
    engine.unpause();
    engine.unpause();  // the second, while running, changes nothing
    EXPECT_FALSE(engine.isPaused());
    EXPECT_EQ(at(1010), 5);
    EXPECT_EQ(at(1100), 95);
    engine.pause();  // a second pause adds to the first
    iterateAt(1300);
    engine.unpause();
    EXPECT_EQ(engine.pausedTotal, 1205);
    EXPECT_EQ(at(1310), 105);
}

TEST_F(EngineTest, KeysAndMouseReachObjectsOnlyWhenAskedForAndClaimsStopAtTheFirst)
{
    iterateAt(1000);  // the update and redraw due, before any probe: then only events
    new Probe(engine, "a");
    engine.appendObjectToArray(nullptr);
    EXPECT_EQ(iterateAt(1000, {key(SDL_KEYDOWN, SDLK_UP), key(SDL_KEYDOWN, SDLK_KP_1)}),
              (Log{text("keyDown ", SDLK_UP, " held"), text("keyDown ", SDLK_KP_1, " held")}));
    Probe* b = new Probe(engine, "b");
    engine.notifyObjectsOfKeys = true;
    engine.notifyObjectsOfMouse = true;
    const std::string up = text("keyUp ", SDLK_F13);  // unlisted keys share index 0
    EXPECT_EQ(iterateAt(1000, {key(SDL_KEYUP, SDLK_F13), key(SDL_KEYDOWN, 's')}),
              (Log{up + " free", "a " + up, "b " + up, "keyDown 115 held", "a keyDown 115",
                   "b keyDown 115"}));
    EXPECT_FALSE(engine.isKeyPressed(SDLK_KP_1));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_UP));
    FilterPointsTranslation shift(nullptr);  // positions go through the foreground's filter
    shift.changeOffset(7, -3);
    engine.getForegroundCanvas()->setFilter(&shift);
    SDL_Event move{SDL_MOUSEMOTION};
    move.motion.x = 40;
    move.motion.y = 20;
    EXPECT_EQ(iterateAt(1000, {button(SDL_MOUSEBUTTONDOWN, 3, 100, 60), move,
                               button(SDL_MOUSEBUTTONUP, 1, 10, 10)}),
              (Log{"down 3 93,63", "a down 3 93,63", "b down 3 93,63", "move 33,23", "a move 33,23",
                   "b move 33,23", "up 1 3,13", "a up 1 3,13", "b up 1 3,13"}));
    // Without a filter the window position is used as it is; claims stop at the first taker.
    engine.getForegroundCanvas()->setFilter(nullptr);
    engine.notifyObjectsOfMouse = false;
    Probe* c = new Probe(engine, "c");
    new Probe(engine, "d");
    b->claims = true;
    c->claims = true;
    engine.claimSearchFirstToLast = true;
    engine.claimSearchLastToFirst = true;
    const std::initializer_list<SDL_Event> press = {button(SDL_MOUSEBUTTONDOWN, 2, 100, 60)};
    EXPECT_EQ(iterateAt(1000, press),
              (Log{"down 2 100,60", "a claim 2", "b claim 2", "d claim 2", "c claim 2"}));
    b->claims = false;
    c->claims = false;
    engine.claimSearchFirstToLast = false;  // backward, down to the first
    EXPECT_EQ(iterateAt(1000, press),
              (Log{"down 2 100,60", "d claim 2", "c claim 2", "b claim 2", "a claim 2"}));
}

TEST_F(EngineTest, RedrawComposesAndPresentsAndExposureShowsTheLastFrameAgain)
{
    SDL_Renderer* window = SDL_GetRenderer(engine.getWindow());
    auto shownAt = [&](int at) {  // what the window shows now at (at, at), as RGB
        Uint32 pixel = 0;
        const SDL_Rect one{at, at, 1, 1};
        SDL_RenderReadPixels(window, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
        return pixel & 0xFFFFFF;
    };
    auto* object = new DisplayableObject(5, 5, &engine, 3, 3, true);  // 5..7 x 5..7
    object->colour = 0x00FF00;
    engine.appendObjectToArray(object);
    (new Probe(engine, "asker"))->act = [&] { engine.requestRedraw(); };  // while composing
    said.clear();
    engine.redrawDisplay();
    EXPECT_EQ(said, Log{"asker draw"});
    EXPECT_FALSE(engine.redrawRequested);  // the request went with the frame
    for (auto [at, colour] :
         {std::pair{4, 0xFFFF00u}, {5, 0x00FF00u}, {7, 0x00FF00u}, {8, 0xFFFF00u}})
        EXPECT_EQ(shownAt(at), colour) << at;
    // Exposing or showing presents the last frame again, no hook; not other events nor a due frame.
    for (auto [what, due, shown] : {std::tuple{SDL_WINDOWEVENT_EXPOSED, false, true},
                                    {SDL_WINDOWEVENT_SHOWN, false, true},
                                    {SDL_WINDOWEVENT_MOVED, false, false},
                                    {SDL_WINDOWEVENT_EXPOSED, true, false}}) {
        SCOPED_TRACE(testing::Message() << what << " " << due);
        SDL_SetRenderDrawColor(window, 0, 0, 0, 255);
        SDL_RenderClear(window);
        SDL_Event e{SDL_WINDOWEVENT};
        e.window.event = Uint8(what);
        engine.redrawRequested = due;
        said.clear();
        EXPECT_TRUE(engine.handleEvent(e));
        EXPECT_EQ(said, Log{});
        EXPECT_EQ(shownAt(6), shown ? 0x00FF00u : 0u);
    }
}

TEST(EngineTablesTest, KeyIndexAndColours)
{
    // Every listed key by runs of consecutive indexes from 128; SDL numbers each run's keys
    // consecutively too.
    for (auto [first, last, index] : {std::tuple{SDLK_UP, SDLK_UP, 128},
                                      {SDLK_DOWN, SDLK_DOWN, 129},
                                      {SDLK_LEFT, SDLK_LEFT, 130},
                                      {SDLK_RIGHT, SDLK_RIGHT, 131},
                                      {SDLK_F1, SDLK_F12, 132},
                                      {SDLK_PRINTSCREEN, SDLK_PAGEUP, 144},
                                      {SDLK_END, SDLK_PAGEDOWN, 151},
                                      {SDLK_CAPSLOCK, SDLK_CAPSLOCK, 158},
                                      {SDLK_NUMLOCKCLEAR, SDLK_KP_ENTER, 159},
                                      {SDLK_LCTRL, SDLK_RGUI, 165}})
        for (int code = first; code <= last; ++code)
            EXPECT_EQ(keyIndex(code), index + code - first) << code;
    for (auto [code, index] : {std::pair{0, 0},
                               {SDLK_ESCAPE, 27},
                               {SDLK_DELETE, 127},
                               {128, 0},
                               {-1, 0},
                               {SDLK_F13, 0},
                               {SDLK_KP_1, 0},
                               {0x4000004C, 0}})
        EXPECT_EQ(keyIndex(code), index) << code;
    const unsigned int colours[] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0xFFFF00,
                                    0x00FFFF, 0xFFFFFF, 0xFFC0C0, 0xC0FFC0, 0xC0C0FF, 0xC00000,
                                    0x00C000, 0x0000C0, 0xC000C0, 0xC0C000, 0x00C0C0, 0xC0C0C0,
                                    0xFF8080, 0x80FF80, 0x8080FF, 0x800000, 0x008000, 0x000080,
                                    0x800080, 0x808000, 0x008080, 0x808080, 0xC08080, 0x80C080,
                                    0x8080C0, 0x400000, 0x004000, 0x000040, 0x400040, 0x404000,
                                    0x004040, 0x404040, 0xC04040, 0x40C040, 0x4040C0, 0xCCCCCC};
    for (int i = -1; i <= 41; ++i)  // and past both ends
        EXPECT_EQ(BaseEngine::getColour(i), colours[i < 0 ? 41 : i]) << i;
}

TEST_F(EngineTest, WindowFilterDeinitialiseObjectDefaultsClampingContainsPointAndDefaultDraw)
{
    EXPECT_EQ(engine.initialiseObjects(), 0);
    EXPECT_EQ(engine.BaseEngine::initialiseContent(), 0);
    int w = 0, h = 0, x = 0, y = 0;
    SDL_GetWindowSize(engine.getWindow(), &w, &h);
    SDL_GetWindowPosition(engine.getWindow(), &x, &y);
    EXPECT_EQ(w, kW);
    EXPECT_EQ(h, kH);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 40);
    unsigned int colour = 0;  // the engine's own filter keeps exactly the window's points
    for (auto [px, py, inside] : {std::tuple{0, 0, true},
                                  {kW - 1, kH - 1, true},
                                  {-1, 0, false},
                                  {kW, 0, false},
                                  {0, kH, false},
                                  {0, -1, false}})
        EXPECT_EQ(engine.filter(nullptr, px, py, colour), inside) << px << "," << py;
    DisplayableObject centred(50, 40, &engine, 11, 7, false), topLeft(50, 40, &engine, 11, 7, true);
    EXPECT_EQ(centred.drawOffsetX, -5);
    EXPECT_EQ(centred.drawOffsetY, -3);
    EXPECT_EQ(centred.currentX, 50);
    EXPECT_EQ(centred.currentY, 40);
    EXPECT_EQ(topLeft.drawOffsetX, 0);
    EXPECT_EQ(topLeft.drawOffsetY, 0);
    EXPECT_EQ(centred.colour, 0xFF00FFu);
    EXPECT_EQ(centred.notify(1, 2, 3), 0);
    // Larger than the window: to 0 if it started before 0, else its far edge to the window's end.
    for (auto [x, y, size, topLeft, wantX, wantY] : {std::tuple{0, 0, 20, false, 10, 10},
                                                     {95, 75, 20, false, 90, 70},
                                                     {80, 60, 20, false, 80, 60},
                                                     {-3, -4, 6, true, 0, 0},
                                                     {79, 59, 20, true, 79, 59},
                                                     {81, 61, 20, true, 80, 60},
                                                     {-5, -5, kW + 10, true, 0, 0},
                                                     {0, 0, kW + 10, true, -10, -30}}) {
        DisplayableObject object(x, y, &engine, size, size, topLeft);
        EXPECT_EQ(object.currentX, wantX) << x;
        EXPECT_EQ(object.currentY, wantY) << y;
    }
    DisplayableObject box(30, 20, &engine, 10, 6, false);  // columns 25..34, rows 17..22
    for (auto [x, y, inside] : {std::tuple{25, 17, true},
                                {34, 22, true},
                                {24, 17, false},
                                {35, 20, false},
                                {30, 16, false},
                                {30, 23, false}})
        EXPECT_EQ(box.containsPoint(x, y), inside) << x << "," << y;
    box.colour = 0x123456;
    box.visible = false;
    box.draw();  // nothing while hidden, then exactly its rectangle
    box.visible = true;
    box.draw();
    const PixelCanvas& fore = *engine.getForegroundCanvas();
    EXPECT_EQ(countPixels(fore, 0x123456, 25, 17, 35, 23), 60);
    EXPECT_EQ(countPixels(fore, 0x123456, 0, 0, kW, kH), 60);
    said.clear();
    engine.deinitialise();
    EXPECT_EQ(said, Log{"cleanUp with keys"});
    EXPECT_EQ(engine.keyStates, nullptr);
}

TEST_F(EngineTest, PassesActOnEveryObjectOnceWhileObjectsComeAndGoAndDestroyOldObjects)
{
    std::vector<std::unique_ptr<Probe>> taken;  // out of the array into the test's hands
    auto take = [&](Probe* p) {
        engine.removeDisplayableObject(p);
        taken.emplace_back(p);
    };
    Probe* a = new Probe(engine, "a");
    Probe* b = new Probe(engine, "b");
    Probe* c = new Probe(engine, "c");
    new Probe(engine, "d");
    b->act = [&] { take(b); };
    engine.updateAllObjects(70);
    c->act = [&] { take(a); };
    engine.updateAllObjects(80);  // moves c and d down by one
    EXPECT_EQ(said, (Log{"a 70", "b 70", "c 70", "d 70", "a 80", "c 80", "d 80"}));
    EXPECT_EQ(engine.getContentCount(), 2);
    EXPECT_EQ(engine.getDisplayableObject(0), c);
    EXPECT_EQ(engine.getDisplayableObject(2), nullptr);  // past the end: a stale entry lingers
    // Added mid-pass, at the end or in front of the running one: they act in that pass.
    Probe* first = new Probe(engine, "first", false);  // alone, in the middle of three entries
    engine.createObjectArray(3);
    engine.storeObjectInArray(1, first);
    first->act = [&] {
        if (engine.getContentCount() != 3)
            return;
        new Probe(engine, "appended");
        engine.storeObjectInArray(0, new Probe(engine, "stored", false));
    };
    said.clear();
    engine.updateAllObjects(3);
    engine.drawAllObjects();  // entry 2 is empty
    EXPECT_EQ(said, (Log{"first 3", "stored 3", "appended 3", "stored draw", "first draw",
                         "appended draw"}));
    // destroyOldObjects empties every entry, deleting only when asked and what asks for it.
    engine.createObjectArray(0);
    gone = 0;
    a = new Probe(engine, "a");
    b = new Probe(engine, "b");
    engine.objectsChanged = false;
    engine.destroyOldObjects(false);
    EXPECT_TRUE(engine.objectsChanged);
    EXPECT_EQ(gone, 0);
    EXPECT_EQ(engine.getContentCount(), 2);
    for (int entry : {-1, 0, 1})
        EXPECT_EQ(engine.getDisplayableObject(entry), nullptr) << entry;
    delete a;
    b->deletable = false;  // and b stays, to be kept from deletion
    engine.storeObjectInArray(0, new Probe(engine, "o", false));
    engine.storeObjectInArray(1, b);
    engine.destroyOldObjects(true);
    EXPECT_EQ(gone, 2);
    EXPECT_EQ(engine.getContentCount(), 2);
    engine.storeObjectInArray(0, new Probe(engine, "again", false));
    engine.createObjectArray(7);  // empties the old array the same way, then resizes
    EXPECT_EQ(gone, 3);
    EXPECT_EQ(engine.getContentCount(), 7);
    delete b;
}

// One cache with fonts loadable from the start, one told so only after its first requests.
TEST(FontCacheTest, RecordsByExactNameAndSizeLoadingLinesCapacityAndFreeOrder)
{
    ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    ScopedTempDir folder;  // holds the game's font under its plain name
    folder.copyAsset(kGameFont);
    const std::string f = kGameFont, lower = "cornerstone regular.ttf";
    const std::string no = "Font loading failed.\n";
    // Where the file system ignores case (Windows), the other case's name opens the same file.
    const bool caseBlind = std::filesystem::exists(lower);
    auto load = [](int pt, auto n) { return text("Loading font: ", pt, " point ", n, "\n"); };
    auto cache = std::make_unique<FontCache>();
    cache->loadFonts();
    StdoutCapture out;  // asked again, a record comes back as it is, with no new attempt
    GameFont* big = cache->getFont(f, 24);
    GameFont* small = cache->getFont(f, 12);
    GameFont* otherCase = cache->getFont(lower, 24);  // names match byte for byte
    cache->getFont("./" + f, 24);
    EXPECT_EQ(cache->getFont(f, 24), big);
    EXPECT_EQ(cache->getFont(f, 12), small);
    EXPECT_EQ(cache->getFont(lower, 24), otherCase);
    cache.reset();  // frees only the fonts that opened, in the order first asked for
    const std::string otherCaseFreed = caseBlind ? "Free font: 24 point " + lower + "\n" : "";
    EXPECT_EQ(out.stop(), load(24, f) + load(12, f) + load(24, lower) + (caseBlind ? "" : no) +
                              load(24, "./" + f) + "Free font: 24 point " + f +
                              "\nFree font: 12 point " + f + "\n" + otherCaseFreed +
                              "Free font: 24 point ./" + f + "\n");
    cache = std::make_unique<FontCache>();
    StdoutCapture early;
    GameFont* asked = cache->getFont(f, 24);
    EXPECT_EQ(early.stop(), load(24, f) + no);
    // Fonts 2 to 20 fit the first 20 records, 21 to 30 the next ten, the 31st ten more.
    for (auto [from, to, capacity] : {std::tuple{2, 20, 20}, {21, 30, 30}, {31, 31, 40}})
        for (int count = from; count <= to; ++count) {
            cache->getFont("f.ttf", count);
            EXPECT_EQ(cache->getCapacity(), capacity) << count;
        }
    EXPECT_EQ(cache->getFont(f, 24), asked);  // records stay put as the capacity grows
    cache->loadFonts();
    EXPECT_TRUE(asked->getTTFFont());
    cache.reset();
    TTF_Quit();
}
