// Tests of the engine core: lifecycle, one main-loop iteration with a controlled clock, the 10 ms
// tick, game time across pauses, event dispatch into the hooks and the objects (key table, mouse
// positions through the foreground's filter, claim searches, quit), the redraw, the key index and
// the colour table. Events are pushed into SDL's own queue and reach the engine through its loop.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "DisplayableObject.h"
#include "TestSupport.h"

using dustreach::test::countPixels;
using dustreach::test::StdoutCapture;

namespace {

using Log = std::vector<std::string>;

template <typename... Parts>
std::string text(const Parts&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

std::string press(const std::string& what, int button, int x, int y)
{
    return text(what, button, " ", x, ",", y);
}

// Records every hook call in order, with the key state its own key has while the hook runs.
class HookEngine : public BaseEngine {
public:
    const char* held(int code) { return isKeyPressed(code) ? " held" : " free"; }
    void note(const char* what, const std::function<void()>& then)
    {
        log.push_back(what);
        if (then)
            then();
    }
    void onKeyDown(int code) override { log.push_back(text("keyDown ", code, held(code))); }
    void onKeyUp(int code) override { log.push_back(text("keyUp ", code, held(code))); }
    void onMouseMove(int x, int y) override { log.push_back(text("move ", x, ",", y)); }
    void onMouseDown(int b, int x, int y) override { log.push_back(press("down ", b, x, y)); }
    void onMouseUp(int b, int x, int y) override { log.push_back(press("up ", b, x, y)); }
    void onMouseWheel(int x, int y, int which, int timestamp) override
    {
        log.push_back(text("wheel ", x, ",", y, " ", which, " ", timestamp));
    }
    void onTouchEvent(int type, int timestamp, std::int64_t touchId, std::int64_t fingerId,
                      float x, float y, float, float, float pressure) override
    {
        log.push_back(text("touch ", type, " ", timestamp, " ", touchId, " ", fingerId, " ",
                           static_cast<int>(x * 100), ",", static_cast<int>(y * 100), " ",
                           static_cast<int>(pressure * 100)));
    }
    int initialiseContent() override
    {
        note("initialiseContent", nullptr);
        return BaseEngine::initialiseContent();
    }
    void cleanUp() override
    {
        note(keyStates ? "cleanUp with keys" : "cleanUp without keys", nullptr);
    }
    void drawStringsUnderneath() override { note("underneath", underneath); }
    void drawStringsOnTop() override { note("onTop", onTop); }
    void mainLoopStartIteration() override { note("start", nullptr); }
    void mainLoopBeforeUpdate() override { note("beforeUpdate", nullptr); }
    void mainLoopAfterUpdate() override { note("afterUpdate", nullptr); }
    void updateAllObjects(int time) override
    {
        log.push_back(text("update ", time));
        BaseEngine::updateAllObjects(time);
    }
    void drawAllObjects() override
    {
        note("drawObjects", nullptr);
        BaseEngine::drawAllObjects();
    }

    Log log;
    std::function<void()> underneath;
    std::function<void()> onTop;
};

// An object that logs the events it is handed and, when asked to, claims mouse presses.
class ListeningObject : public DisplayableObject {
public:
    ListeningObject(BaseEngine* engine, Log& log, const std::string& name, bool claims)
        : DisplayableObject(20, 20, engine, 3, 3, true), log(log), who(name + " "), claims(claims)
    {
    }
    void onKeyDown(int code) override { log.push_back(text(who, "keyDown ", code)); }
    void onKeyUp(int code) override { log.push_back(text(who, "keyUp ", code)); }
    void onMouseMove(int x, int y) override { log.push_back(text(who, "move ", x, ",", y)); }
    void onMouseDown(int b, int x, int y) override { log.push_back(press(who + "down ", b, x, y)); }
    void onMouseUp(int b, int x, int y) override { log.push_back(press(who + "up ", b, x, y)); }
    bool claimMouseDown(int b, int x, int y) override
    {
        log.push_back(press(who + "claim ", b, x, y));
        return claims;
    }
    void update(int time) override { log.push_back(text(who, "update ", time)); }

    Log& log;
    std::string who;
    bool claims;
};

// Window positions to virtual ones: halved and offset, so a missing conversion shows.
class HalvingFilter : public FilterPoints {
public:
    bool filter(PixelCanvas*, int&, int&, unsigned int&) override { return true; }
    int realToVirtualX(int x) override { return x / 2 + 5; }
    int realToVirtualY(int y) override { return y / 2 - 3; }
};

SDL_Event ofType(Uint32 type)
{
    SDL_Event event{};
    event.type = type;
    return event;
}

void push(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushKey(Uint32 type, SDL_Keycode code)
{
    SDL_Event event = ofType(type);
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = code;
    push(event);
}

void pushButton(Uint32 type, int button, int x, int y)
{
    SDL_Event event = ofType(type);
    event.button.button = static_cast<Uint8>(button);
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = x;
    event.button.y = y;
    push(event);
}

// What the renderer shows now, one RGB word per pixel.
std::vector<Uint32> shownPixels(BaseEngine& engine)
{
    std::vector<Uint32> shown(600 * 800);
    SDL_Renderer* renderer = SDL_GetRenderer(engine.getWindow());
    const int read =
        SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(), 600 * 4);
    EXPECT_EQ(read, 0) << SDL_GetError();
    for (Uint32& pixel : shown)
        pixel &= 0xFFFFFF;
    return shown;
}

// An initialised engine on a clock the test sets, with an empty event queue and no redraw due.
class EngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
        engine.setTickSource([this] { return ticks; });
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        engine.log.clear();
    }

    bool iterateAt(std::uint32_t now)
    {
        ticks = now;
        return engine.mainLoopIteration();
    }

    // The hook calls of one iteration without its fixed frame (start, before and after update).
    Log eventsOfIterationAt(std::uint32_t now)
    {
        engine.log.clear();
        iterateAt(now);
        Log events;
        for (const std::string& line : engine.log)
            if (line != "start" && line != "beforeUpdate" && line != "afterUpdate")
                events.push_back(line);
        return events;
    }

    void append(const std::string& name, bool claims = false)
    {
        engine.appendObjectToArray(new ListeningObject(&engine, engine.log, name, claims));
    }

    HookEngine engine;
    std::uint32_t ticks = 1000;
};

}  // namespace

TEST(EngineLifecycleTest, ConstructionInitialiseAndDeinitialise)
{
    HookEngine engine;
    EXPECT_TRUE(engine.redrawRequested);
    EXPECT_EQ(engine.pauseStart, -1);
    EXPECT_EQ(engine.currentTime, 0);
    EXPECT_EQ(engine.nextActTime, 0);
    EXPECT_EQ(engine.getModifiedTime(), 0);
    EXPECT_EQ(engine.keyStates, nullptr);
    EXPECT_FALSE(engine.isKeyPressed('a'));
    EXPECT_EQ(engine.getForegroundCanvas()->getFilter(), static_cast<FilterPoints*>(&engine));
    EXPECT_EQ(engine.getBackgroundCanvas()->getFilter(), static_cast<FilterPoints*>(&engine));

    StdoutCapture capture;
    ASSERT_EQ(dustreach::test::initialiseHeadless(engine, false), 0);
    EXPECT_EQ(capture.stop(), "");  // no font named: none asked for
    EXPECT_EQ(engine.getDefaultFont(), nullptr);
    EXPECT_EQ(engine.getFontCache().getCount(), 0);
    EXPECT_EQ(engine.log, (Log{"initialiseContent"}));

    int width = 0, height = 0, x = 0, y = 0;
    SDL_GetWindowSize(engine.getWindow(), &width, &height);
    SDL_GetWindowPosition(engine.getWindow(), &x, &y);
    EXPECT_EQ(std::vector<int>({width, height, x, y}), std::vector<int>({600, 800, 10, 40}));
    EXPECT_STREQ(SDL_GetWindowTitle(engine.getWindow()), "Dustreach test");

    // Both surfaces have the window's size; the default background is yellow everywhere.
    EXPECT_EQ(engine.getForegroundCanvas()->getSurfaceWidth(), 600);
    EXPECT_EQ(engine.getBackgroundCanvas()->getSurfaceHeight(), 800);
    EXPECT_EQ(countPixels(*engine.getBackgroundCanvas(), 0xFFFF00, 0, 0, 600, 800), 600 * 800);
    ASSERT_NE(engine.keyStates, nullptr);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(engine.keyStates[i], 0) << i;

    engine.log.clear();
    engine.deinitialise();
    EXPECT_EQ(engine.log, (Log{"cleanUp with keys"}));
    EXPECT_EQ(engine.keyStates, nullptr);
}

TEST_F(EngineTest, WindowFilterKeepsExactlyThePointsInsideTheWindow)
{
    for (auto [x, y, inside] : {std::tuple{0, 0, true}, {599, 799, true}, {-1, 0, false},
                                {600, 0, false}, {0, 800, false}, {0, -1, false}}) {
        int fx = x, fy = y;
        unsigned int colour = 0x123456;
        EXPECT_EQ(engine.filter(nullptr, fx, fy, colour), inside) << x << "," << y;
        if (inside) {
            EXPECT_EQ(std::pair(fx, fy), std::pair(x, y));
            EXPECT_EQ(colour, 0x123456u);
        }
    }
}

TEST_F(EngineTest, IterationStepsAndTheTenMillisecondTickWithoutMakingUpMissedTicks)
{
    ASSERT_TRUE(engine.redrawRequested);  // pending since construction: the first one presents
    EXPECT_TRUE(iterateAt(1000));
    EXPECT_EQ(engine.log, (Log{"start", "beforeUpdate", "update 1000", "afterUpdate",
                               "underneath", "drawObjects", "onTop"}));
    EXPECT_FALSE(engine.redrawRequested);
    EXPECT_EQ(engine.currentTime, 1000);
    EXPECT_EQ(engine.nextActTime, 1010);

    // No tick due, no redraw requested: only the fixed steps.
    engine.log.clear();
    EXPECT_TRUE(iterateAt(1001));
    EXPECT_EQ(engine.log, (Log{"start", "beforeUpdate", "afterUpdate"}));

    // 1010 is exactly on time; 1047 is late and the next one is 10 ms after it.
    for (auto [now, updates] : {std::pair{1005u, false}, {1009u, false}, {1010u, true},
                                {1019u, false}, {1047u, true}, {1050u, false}, {1056u, false},
                                {1057u, true}}) {
        const Log events = eventsOfIterationAt(now);
        EXPECT_EQ(!events.empty() && events.front() == text("update ", now), updates) << now;
    }
}

TEST_F(EngineTest, GameTimeStandsStillWhilePausedAndContinuesFromThere)
{
    EXPECT_EQ(eventsOfIterationAt(1000).front(), "update 1000");
    engine.pause();
    EXPECT_TRUE(engine.isPaused());
    // Updates still run during a pause, with the frozen time.
    EXPECT_EQ(eventsOfIterationAt(1500).front(), "update 1000");
    EXPECT_EQ(engine.getModifiedTime(), 1000);
    engine.pause();  // again while paused: the pause keeps its start
    iterateAt(1700);
    EXPECT_EQ(engine.getModifiedTime(), 1000);
    engine.unpause();
    EXPECT_FALSE(engine.isPaused());
    EXPECT_EQ(engine.getModifiedTime(), 1000);
    EXPECT_EQ(eventsOfIterationAt(1710).front(), "update 1010");

    // Unpausing while running changes nothing: time never jumps back.
    iterateAt(1800);
    engine.unpause();
    EXPECT_EQ(engine.getModifiedTime(), 1100);
    EXPECT_EQ(engine.pausedTotal, 700);

    // A second pause adds to the first.
    engine.pause();
    iterateAt(2000);
    engine.unpause();
    EXPECT_EQ(eventsOfIterationAt(2010).front(), "update 1110");
}

TEST_F(EngineTest, KeyTableIsSetBeforeTheHookRunsRepeatsArePressesAndUnlistedKeysShareIndexZero)
{
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_a);
    eventsOfIterationAt(1000);
    EXPECT_EQ(engine.log, (Log{"start", "keyDown 97 held", "keyDown 97 held", "beforeUpdate",
                               "update 1000", "afterUpdate", "underneath", "drawObjects",
                               "onTop"}));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_a));

    pushKey(SDL_KEYUP, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_UP);
    EXPECT_EQ(eventsOfIterationAt(1001),
              (Log{"keyUp 97 free", text("keyDown ", SDLK_UP, " held")}));
    EXPECT_FALSE(engine.isKeyPressed(SDLK_a));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_UP));
    EXPECT_EQ(engine.keyStates[128], 1);

    pushKey(SDL_KEYDOWN, SDLK_KP_1);
    pushKey(SDL_KEYDOWN, SDLK_F13);
    iterateAt(1002);
    EXPECT_TRUE(engine.isKeyPressed(SDLK_KP_1));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_F13));
    EXPECT_EQ(engine.keyStates[0], 1);
    pushKey(SDL_KEYUP, SDLK_F13);  // one release clears it for all
    iterateAt(1003);
    EXPECT_FALSE(engine.isKeyPressed(SDLK_KP_1));
    EXPECT_EQ(engine.keyStates[0], 0);
}

TEST_F(EngineTest, MousePositionsGoThroughTheForegroundFilterWheelAndTouchDoNot)
{
    HalvingFilter halving;
    engine.getForegroundCanvas()->setFilter(&halving);
    append("object");
    engine.notifyObjectsOfMouse = true;

    pushButton(SDL_MOUSEBUTTONDOWN, 3, 100, 60);
    SDL_Event motion = ofType(SDL_MOUSEMOTION);
    motion.motion.x = 40;
    motion.motion.y = 20;
    push(motion);
    pushButton(SDL_MOUSEBUTTONUP, 1, 10, 10);
    const Log events = eventsOfIterationAt(1000);
    const Log expected{"down 3 55,27", "object down 3 55,27", "move 25,7", "object move 25,7",
                       "up 1 10,2", "object up 1 10,2"};
    ASSERT_GE(events.size(), expected.size());
    EXPECT_EQ(Log(events.begin(), events.begin() + 6), expected);
    EXPECT_EQ(std::vector<int>({engine.mouseDownX, engine.mouseDownY, engine.mouseX, engine.mouseY,
                                engine.mouseUpX, engine.mouseUpY}),
              std::vector<int>({55, 27, 25, 7, 10, 2}));

    SDL_Event wheel = ofType(SDL_MOUSEWHEEL);
    wheel.wheel.x = 40;
    wheel.wheel.y = -3;
    wheel.wheel.which = 2;
    wheel.wheel.timestamp = 777;
    SDL_Event touch = ofType(SDL_FINGERUP);
    touch.tfinger.timestamp = 55;
    touch.tfinger.touchId = 9;
    touch.tfinger.fingerId = 4;
    touch.tfinger.x = 0.5f;
    touch.tfinger.y = 0.25f;
    touch.tfinger.pressure = 0.75f;
    engine.log.clear();
    for (const SDL_Event& event : {wheel, touch, ofType(SDL_WINDOWEVENT)})
        EXPECT_TRUE(engine.handleEvent(event));
    EXPECT_EQ(engine.log,
              (Log{"wheel 40,-3 2 777", text("touch ", SDL_FINGERUP, " 55 9 4 50,25 75")}));

    // Without a filter the window position is used as it is; objects hear nothing unless asked.
    engine.getForegroundCanvas()->setFilter(nullptr);
    engine.notifyObjectsOfMouse = false;
    pushButton(SDL_MOUSEBUTTONDOWN, 2, 100, 60);
    EXPECT_EQ(eventsOfIterationAt(1001), (Log{"down 2 100,60"}));
}

TEST_F(EngineTest, KeysReachObjectsOnlyWhenAskedFor)
{
    append("one");
    engine.appendObjectToArray(nullptr);
    append("two");
    engine.requestRedraw();
    iterateAt(1000);  // the first frame and update out of the way

    pushKey(SDL_KEYDOWN, SDLK_s);
    EXPECT_EQ(eventsOfIterationAt(1001), (Log{"keyDown 115 held"}));
    engine.notifyObjectsOfKeys = true;
    pushKey(SDL_KEYUP, SDLK_s);
    EXPECT_EQ(eventsOfIterationAt(1002),
              (Log{"keyUp 115 free", "one keyUp 115", "two keyUp 115"}));
}

TEST_F(EngineTest, ClaimSearchesStopAtTheFirstClaimInTheirDirection)
{
    iterateAt(1000);
    append("a");
    append("b", true);
    engine.appendObjectToArray(nullptr);
    append("c", true);
    append("d");

    pushButton(SDL_MOUSEBUTTONDOWN, 1, 8, 9);
    EXPECT_EQ(eventsOfIterationAt(1001), (Log{"down 1 8,9"}));
    engine.claimSearchFirstToLast = true;
    engine.claimSearchLastToFirst = true;
    pushButton(SDL_MOUSEBUTTONDOWN, 1, 8, 9);
    EXPECT_EQ(eventsOfIterationAt(1002), (Log{"down 1 8,9", "a claim 1 8,9", "b claim 1 8,9",
                                              "d claim 1 8,9", "c claim 1 8,9"}));
}

TEST_F(EngineTest, QuitEndsTheIterationBeforeUpdateAndRedraw)
{
    append("object");
    ASSERT_TRUE(engine.redrawRequested);
    pushKey(SDL_KEYDOWN, SDLK_x);
    push(ofType(SDL_QUIT));
    pushKey(SDL_KEYDOWN, SDLK_y);
    EXPECT_FALSE(iterateAt(1000));
    EXPECT_EQ(engine.log, (Log{"start", "keyDown 120 held"}));
    EXPECT_TRUE(engine.redrawRequested);
    EXPECT_FALSE(engine.isKeyPressed(SDLK_y));

    // The whole loop returns 0 on a quit.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    push(ofType(SDL_QUIT));
    engine.log.clear();
    EXPECT_EQ(engine.mainLoop(), 0);
    EXPECT_EQ(engine.log, (Log{"start"}));
}

TEST_F(EngineTest, RedrawComposesAndPresentsAndAnExposedWindowShowsTheLastFrameAgain)
{
    auto* object = new DisplayableObject(5, 5, &engine, 3, 3, true);  // 5..7 x 5..7
    object->colour = 0x00FF00;
    engine.appendObjectToArray(object);
    PixelCanvas& foreground = *engine.getForegroundCanvas();
    engine.underneath = [&] {
        foreground.setPixel(1, 1, 0xFF0000);
        foreground.setPixel(5, 5, 0xFF0000);
    };
    engine.onTop = [&] {
        foreground.setPixel(6, 6, 0x0000FF);
        engine.requestRedraw();  // a request made while composing is cleared with the frame
    };
    foreground.fillSurface(0x777777);  // stale picture, to be replaced

    engine.redrawDisplay();
    EXPECT_EQ(engine.log, (Log{"underneath", "drawObjects", "onTop"}));
    EXPECT_FALSE(engine.redrawRequested);
    const std::pair<int, unsigned int> spots[] = {
        {0, 0xFFFF00}, {1, 0xFF0000}, {5, 0x00FF00}, {6, 0x0000FF}, {7, 0x00FF00}};
    for (auto [at, colour] : spots)
        EXPECT_EQ(foreground.rawGetPixel(at, at), colour) << at;
    EXPECT_EQ(countPixels(foreground, 0xFFFF00, 0, 0, 600, 800), 600 * 800 - 10);
    std::vector<Uint32> shown = shownPixels(engine);
    for (auto [at, colour] : spots)  // what was presented is the composed foreground
        EXPECT_EQ(shown[at * 600 + at], colour) << at;

    // The window system lost the picture: an exposure shows the last frame again, no hook runs.
    SDL_Renderer* renderer = SDL_GetRenderer(engine.getWindow());
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    engine.log.clear();
    SDL_Event exposed = ofType(SDL_WINDOWEVENT);
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    EXPECT_TRUE(engine.handleEvent(exposed));
    shown = shownPixels(engine);
    EXPECT_EQ(shown[0], 0xFFFF00u);
    EXPECT_EQ(shown[799 * 600 + 599], 0xFFFF00u);
    EXPECT_EQ(shown[6 * 600 + 6], 0x0000FFu);
    EXPECT_TRUE(engine.log.empty());
    EXPECT_FALSE(engine.redrawRequested);

    // Without a request nothing is composed again.
    foreground.rawSetPixel(0, 0, 0x123456);
    engine.redrawDisplay();
    EXPECT_TRUE(engine.log.empty());
    EXPECT_EQ(foreground.rawGetPixel(0, 0), 0x123456u);
}

TEST(EngineKeyIndexTest, MapsCodesToTheirTableIndices)
{
    const std::pair<SDL_Keycode, int> keys[] = {
        {SDLK_ESCAPE, 27},   {SDLK_SPACE, 32},       {SDLK_a, 97},          {SDLK_DELETE, 127},
        {0, 0},              {128, 0},               {-1, 0},               {SDLK_UP, 128},
        {SDLK_DOWN, 129},    {SDLK_LEFT, 130},       {SDLK_RIGHT, 131},     {SDLK_F13, 0},
        {SDLK_HOME, 148},    {SDLK_PRINTSCREEN, 144}, {SDLK_PAGEUP, 149},   {SDLK_END, 151},
        {SDLK_PAGEDOWN, 152}, {SDLK_CAPSLOCK, 158},  {SDLK_NUMLOCKCLEAR, 159},
        {SDLK_KP_ENTER, 164}, {SDLK_LCTRL, 165},     {SDLK_RGUI, 172},      {SDLK_KP_1, 0},
        {SDLK_KP_0, 0},      {0x4000004C, 0},  // the last would be index 150, never produced
    };
    for (auto [code, index] : keys)
        EXPECT_EQ(keyIndex(code), index) << code;
    const SDL_Keycode functionKeys[] = {SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4,  SDLK_F5,  SDLK_F6,
                                        SDLK_F7, SDLK_F8, SDLK_F9, SDLK_F10, SDLK_F11, SDLK_F12};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(keyIndex(functionKeys[i]), 132 + i) << "F" << i + 1;
}

TEST(EngineColourTest, FixedTableAndGreyOutsideIt)
{
    const std::pair<int, unsigned int> spots[] = {
        {0, 0x000000}, {1, 0xFF0000},  {4, 0xFF00FF},  {7, 0xFFFFFF},  {8, 0xFFC0C0},
        {10, 0xC0C0FF}, {11, 0xC00000}, {17, 0xC0C0C0}, {20, 0x8080FF}, {21, 0x800000},
        {27, 0x808080}, {30, 0x8080C0}, {31, 0x400000}, {37, 0x404040}, {40, 0x4040C0}};
    for (auto [index, colour] : spots)
        EXPECT_EQ(BaseEngine::getColour(index), colour) << index;
    for (int index : {41, -1, INT_MIN, INT_MAX})
        EXPECT_EQ(BaseEngine::getColour(index), 0xCCCCCCu) << index;
}
