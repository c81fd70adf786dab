// Tests of the engine core: lifecycle, one main-loop iteration with a controlled clock, the 10 ms
// tick, game time across pauses, event dispatch into the hooks and the objects (key table, mouse
// positions through the foreground's filter, claim searches, quit), the redraw, the key index and
// the colour table. Events are pushed into SDL's own queue and reach the engine through its loop.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "BaseEngine.h"
#include "DisplayableObject.h"
#include "TestSupport.h"

using dustreach::test::countPixels;
using dustreach::test::StdoutCapture;

namespace {

using Log = std::vector<std::string>;

std::string str(int value)
{
    return std::to_string(value);
}

// Records every hook call in order, with the key state its own key has while the hook runs.
class HookEngine : public BaseEngine {
public:
    void onKeyDown(int code) override
    {
        log.push_back("keyDown " + str(code) + (isKeyPressed(code) ? " held" : " free"));
    }
    void onKeyUp(int code) override
    {
        log.push_back("keyUp " + str(code) + (isKeyPressed(code) ? " held" : " free"));
    }
    void onMouseMove(int x, int y) override { log.push_back("move " + str(x) + "," + str(y)); }
    void onMouseDown(int button, int x, int y) override
    {
        log.push_back("down " + str(button) + " " + str(x) + "," + str(y));
    }
    void onMouseUp(int button, int x, int y) override
    {
        log.push_back("up " + str(button) + " " + str(x) + "," + str(y));
    }
    void onMouseWheel(int x, int y, int which, int timestamp) override
    {
        log.push_back("wheel " + str(x) + "," + str(y) + " " + str(which) + " " + str(timestamp));
    }
    void onTouchEvent(int type, int timestamp, std::int64_t touchId, std::int64_t fingerId,
                      float x, float y, float, float, float pressure) override
    {
        log.push_back("touch " + str(type) + " " + str(timestamp) + " " +
                      std::to_string(touchId) + " " + std::to_string(fingerId) + " " +
                      str(static_cast<int>(x * 100)) + "," + str(static_cast<int>(y * 100)) +
                      " " + str(static_cast<int>(pressure * 100)));
    }
    int initialiseContent() override
    {
        log.push_back("initialiseContent");
        return BaseEngine::initialiseContent();
    }
    void cleanUp() override { log.push_back(keyStates ? "cleanUp with keys" : "cleanUp without keys"); }
    void drawStringsUnderneath() override
    {
        log.push_back("underneath");
        if (underneath)
            underneath();
    }
    void drawStringsOnTop() override
    {
        log.push_back("onTop");
        if (onTop)
            onTop();
    }
    void mainLoopStartIteration() override { log.push_back("start"); }
    void mainLoopBeforeUpdate() override { log.push_back("beforeUpdate"); }
    void mainLoopAfterUpdate() override { log.push_back("afterUpdate"); }
    void updateAllObjects(int time) override
    {
        log.push_back("update " + str(time));
        BaseEngine::updateAllObjects(time);
    }
    void drawAllObjects() override
    {
        log.push_back("drawObjects");
        BaseEngine::drawAllObjects();
    }

    Log log;
    std::function<void()> underneath;
    std::function<void()> onTop;
};

// An object that logs the events it is handed and, when asked to, claims mouse presses.
class ListeningObject : public DisplayableObject {
public:
    ListeningObject(BaseEngine* engine, Log& log, std::string name, bool claims = false)
        : DisplayableObject(20, 20, engine, 3, 3, true), log(log), name(std::move(name)),
          claims(claims)
    {
    }
    void onKeyDown(int code) override { log.push_back(name + " keyDown " + str(code)); }
    void onKeyUp(int code) override { log.push_back(name + " keyUp " + str(code)); }
    void onMouseMove(int x, int y) override
    {
        log.push_back(name + " move " + str(x) + "," + str(y));
    }
    void onMouseDown(int button, int x, int y) override
    {
        log.push_back(name + " down " + str(button) + " " + str(x) + "," + str(y));
    }
    void onMouseUp(int button, int x, int y) override
    {
        log.push_back(name + " up " + str(button) + " " + str(x) + "," + str(y));
    }
    bool claimMouseDown(int button, int x, int y) override
    {
        log.push_back(name + " claim " + str(button) + " " + str(x) + "," + str(y));
        return claims;
    }
    void update(int time) override { log.push_back(name + " update " + str(time)); }

    Log& log;
    std::string name;
    bool claims;
};

// Window positions to virtual ones: halved and offset, so a missing conversion shows.
class HalvingFilter : public FilterPoints {
public:
    bool filter(PixelCanvas*, int&, int&, unsigned int&) override { return true; }
    int realToVirtualX(int x) override { return x / 2 + 5; }
    int realToVirtualY(int y) override { return y / 2 - 3; }
};

void pushKey(Uint32 type, SDL_Keycode code)
{
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = code;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushButton(Uint32 type, int button, int x, int y)
{
    SDL_Event event{};
    event.type = type;
    event.button.button = static_cast<Uint8>(button);
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = x;
    event.button.y = y;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushMotion(int x, int y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = x;
    event.motion.y = y;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushQuit()
{
    SDL_Event event{};
    event.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
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

    // Runs one iteration at the given tick count; returns its result.
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
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 800);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 40);
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
    for (auto [x, y] : {std::pair{0, 0}, {599, 799}}) {
        int fx = x, fy = y;
        unsigned int colour = 0x123456;
        EXPECT_TRUE(engine.filter(nullptr, fx, fy, colour)) << x << "," << y;
        EXPECT_EQ(fx, x);
        EXPECT_EQ(fy, y);
        EXPECT_EQ(colour, 0x123456u);
    }
    for (auto [x, y] : {std::pair{-1, 0}, {600, 0}, {0, 800}, {0, -1}}) {
        unsigned int colour = 0;
        EXPECT_FALSE(engine.filter(nullptr, x, y, colour)) << x << "," << y;
    }
}

TEST_F(EngineTest, IterationRunsItsStepsInOrderAndTheFirstOnePresentsAFrame)
{
    ASSERT_TRUE(engine.redrawRequested);  // pending since construction
    EXPECT_TRUE(iterateAt(1000));
    EXPECT_EQ(engine.log, (Log{"start", "beforeUpdate", "update 1000", "afterUpdate",
                               "underneath", "drawObjects", "onTop"}));
    EXPECT_FALSE(engine.redrawRequested);
    EXPECT_EQ(engine.currentTime, 1000);

    // No tick due, no redraw requested: only the fixed steps.
    engine.log.clear();
    EXPECT_TRUE(iterateAt(1001));
    EXPECT_EQ(engine.log, (Log{"start", "beforeUpdate", "afterUpdate"}));
}

TEST_F(EngineTest, UpdatesComeAtMostOncePerTenMillisecondsWithoutMakingUpMissedTicks)
{
    auto updateAt = [&](std::uint32_t now) {
        Log events = eventsOfIterationAt(now);
        return !events.empty() && events.front() == "update " + str(static_cast<int>(now));
    };
    EXPECT_TRUE(updateAt(1000));
    EXPECT_EQ(engine.nextActTime, 1010);
    for (std::uint32_t now : {1001u, 1005u, 1009u})
        EXPECT_FALSE(updateAt(now)) << now;
    EXPECT_TRUE(updateAt(1010));  // exactly at nextActTime
    EXPECT_FALSE(updateAt(1019));
    EXPECT_TRUE(updateAt(1047));  // late: the next one is 10 ms after this one
    EXPECT_FALSE(updateAt(1050));
    EXPECT_FALSE(updateAt(1056));
    EXPECT_TRUE(updateAt(1057));
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

TEST_F(EngineTest, KeyTableIsSetBeforeTheHookRunsAndRepeatsAreFurtherPresses)
{
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_a);
    EXPECT_EQ(eventsOfIterationAt(1000)[0], "keyDown 97 held");
    EXPECT_EQ(engine.log, (Log{"start", "keyDown 97 held", "keyDown 97 held", "beforeUpdate",
                               "update 1000", "afterUpdate", "underneath", "drawObjects", "onTop"}));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_a));

    pushKey(SDL_KEYUP, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_UP);
    EXPECT_EQ(eventsOfIterationAt(1001),
              (Log{"keyUp 97 free", "keyDown " + str(SDLK_UP) + " held"}));
    EXPECT_FALSE(engine.isKeyPressed(SDLK_a));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_UP));
    EXPECT_EQ(engine.keyStates[128], 1);
}

TEST_F(EngineTest, UnlistedKeysShareIndexZeroAndOneReleaseClearsItForAll)
{
    pushKey(SDL_KEYDOWN, SDLK_KP_1);
    pushKey(SDL_KEYDOWN, SDLK_F13);
    iterateAt(1000);
    EXPECT_TRUE(engine.isKeyPressed(SDLK_KP_1));
    EXPECT_TRUE(engine.isKeyPressed(SDLK_F13));
    EXPECT_EQ(engine.keyStates[0], 1);

    pushKey(SDL_KEYUP, SDLK_F13);
    iterateAt(1001);
    EXPECT_FALSE(engine.isKeyPressed(SDLK_KP_1));
    EXPECT_EQ(engine.keyStates[0], 0);
}

TEST_F(EngineTest, MousePositionsAreConvertedThroughTheForegroundFilter)
{
    HalvingFilter halving;
    engine.getForegroundCanvas()->setFilter(&halving);
    auto* object = new ListeningObject(&engine, engine.log, "object");
    engine.appendObjectToArray(object);
    engine.notifyObjectsOfMouse = true;

    pushButton(SDL_MOUSEBUTTONDOWN, 3, 100, 60);
    pushMotion(40, 20);
    pushButton(SDL_MOUSEBUTTONUP, 1, 10, 10);
    const Log events = eventsOfIterationAt(1000);
    const Log expected{"down 3 55,27", "object down 3 55,27", "move 25,7", "object move 25,7",
                       "up 1 10,2", "object up 1 10,2"};
    EXPECT_EQ(Log(events.begin(), events.begin() + 6), expected);
    EXPECT_EQ(engine.mouseDownX, 55);
    EXPECT_EQ(engine.mouseDownY, 27);
    EXPECT_EQ(engine.mouseX, 25);
    EXPECT_EQ(engine.mouseY, 7);
    EXPECT_EQ(engine.mouseUpX, 10);
    EXPECT_EQ(engine.mouseUpY, 2);

    // Without a filter the window position is used as it is; objects hear nothing unless asked.
    engine.getForegroundCanvas()->setFilter(nullptr);
    engine.notifyObjectsOfMouse = false;
    pushButton(SDL_MOUSEBUTTONDOWN, 2, 100, 60);
    EXPECT_EQ(eventsOfIterationAt(1001), (Log{"down 2 100,60"}));
}

TEST_F(EngineTest, KeysReachObjectsOnlyWhenAskedFor)
{
    engine.appendObjectToArray(new ListeningObject(&engine, engine.log, "one"));
    engine.appendObjectToArray(nullptr);
    engine.appendObjectToArray(new ListeningObject(&engine, engine.log, "two"));
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
    engine.appendObjectToArray(new ListeningObject(&engine, engine.log, "a"));
    engine.appendObjectToArray(new ListeningObject(&engine, engine.log, "b", true));
    engine.appendObjectToArray(nullptr);
    engine.appendObjectToArray(new ListeningObject(&engine, engine.log, "c", true));
    engine.appendObjectToArray(new ListeningObject(&engine, engine.log, "d"));

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
    engine.appendObjectToArray(new ListeningObject(&engine, engine.log, "object"));
    ASSERT_TRUE(engine.redrawRequested);
    pushKey(SDL_KEYDOWN, SDLK_x);
    pushQuit();
    pushKey(SDL_KEYDOWN, SDLK_y);
    EXPECT_FALSE(iterateAt(1000));
    EXPECT_EQ(engine.log, (Log{"start", "keyDown 120 held"}));
    EXPECT_TRUE(engine.redrawRequested);
    EXPECT_FALSE(engine.isKeyPressed(SDLK_y));

    // The whole loop returns 0 on a quit.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    pushQuit();
    engine.log.clear();
    EXPECT_EQ(engine.mainLoop(), 0);
    EXPECT_EQ(engine.log, (Log{"start"}));
}

TEST_F(EngineTest, RedrawComposesBackgroundStringsObjectsStringsAndPresentsThem)
{
    auto* object = new DisplayableObject(5, 5, &engine, 3, 3, true);  // 5..7 x 5..7
    object->colour = 0x00FF00;
    engine.appendObjectToArray(object);
    engine.underneath = [&] {
        engine.getForegroundCanvas()->setPixel(1, 1, 0xFF0000);
        engine.getForegroundCanvas()->setPixel(5, 5, 0xFF0000);
    };
    engine.onTop = [&] {
        engine.getForegroundCanvas()->setPixel(6, 6, 0x0000FF);
        engine.requestRedraw();  // a request made while composing is cleared with the frame
    };
    engine.getForegroundCanvas()->fillSurface(0x777777);  // stale picture, to be replaced

    engine.redrawDisplay();
    EXPECT_EQ(engine.log, (Log{"underneath", "drawObjects", "onTop"}));
    EXPECT_FALSE(engine.redrawRequested);
    const PixelCanvas& foreground = *engine.getForegroundCanvas();
    EXPECT_EQ(foreground.rawGetPixel(0, 0), 0xFFFF00u);
    EXPECT_EQ(foreground.rawGetPixel(1, 1), 0xFF0000u);
    EXPECT_EQ(foreground.rawGetPixel(5, 5), 0x00FF00u);
    EXPECT_EQ(foreground.rawGetPixel(6, 6), 0x0000FFu);
    EXPECT_EQ(foreground.rawGetPixel(7, 7), 0x00FF00u);
    EXPECT_EQ(countPixels(foreground, 0xFFFF00, 0, 0, 600, 800), 600 * 800 - 10);

    // What was presented is the composed foreground.
    SDL_Renderer* renderer = SDL_GetRenderer(engine.getWindow());
    ASSERT_NE(renderer, nullptr);
    std::vector<Uint32> shown(600 * 800);
    ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(),
                                   600 * 4),
              0)
        << SDL_GetError();
    EXPECT_EQ(shown[1 * 600 + 1] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown[6 * 600 + 6] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(shown[7 * 600 + 7] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(shown[0] & 0xFFFFFF, 0xFFFF00u);

    // Without a request nothing is composed again.
    engine.log.clear();
    engine.getForegroundCanvas()->rawSetPixel(0, 0, 0x123456);
    engine.redrawDisplay();
    EXPECT_TRUE(engine.log.empty());
    EXPECT_EQ(foreground.rawGetPixel(0, 0), 0x123456u);
}

TEST_F(EngineTest, AnExposedWindowShowsTheLastFrameAgainWithoutComposing)
{
    engine.redrawDisplay();
    SDL_Renderer* renderer = SDL_GetRenderer(engine.getWindow());
    ASSERT_NE(renderer, nullptr);
    // The window system lost the picture (the window was covered, or shown late).
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    engine.log.clear();

    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    EXPECT_TRUE(engine.handleEvent(exposed));

    std::vector<Uint32> shown(600 * 800);
    ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(),
                                   600 * 4),
              0)
        << SDL_GetError();
    EXPECT_EQ(shown[0] & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(shown[799 * 600 + 599] & 0xFFFFFF, 0xFFFF00u);
    EXPECT_TRUE(engine.log.empty());  // no hook ran: the game sees nothing of it
    EXPECT_FALSE(engine.redrawRequested);
}

TEST_F(EngineTest, WheelAndTouchValuesArePassedUnconverted)
{
    HalvingFilter halving;
    engine.getForegroundCanvas()->setFilter(&halving);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.x = 40;
    wheel.wheel.y = -3;
    wheel.wheel.which = 2;
    wheel.wheel.timestamp = 777;
    EXPECT_TRUE(engine.handleEvent(wheel));

    SDL_Event touch{};
    touch.type = SDL_FINGERUP;
    touch.tfinger.timestamp = 55;
    touch.tfinger.touchId = 9;
    touch.tfinger.fingerId = 4;
    touch.tfinger.x = 0.5f;
    touch.tfinger.y = 0.25f;
    touch.tfinger.pressure = 0.75f;
    EXPECT_TRUE(engine.handleEvent(touch));

    SDL_Event other{};
    other.type = SDL_WINDOWEVENT;
    EXPECT_TRUE(engine.handleEvent(other));
    EXPECT_EQ(engine.log, (Log{"wheel 40,-3 2 777",
                               "touch " + str(SDL_FINGERUP) + " 55 9 4 50,25 75"}));
}

TEST(EngineKeyIndexTest, MapsCodesToTheirTableIndices)
{
    EXPECT_EQ(keyIndex(SDLK_ESCAPE), 27);
    EXPECT_EQ(keyIndex(SDLK_SPACE), 32);
    EXPECT_EQ(keyIndex(SDLK_a), 97);
    EXPECT_EQ(keyIndex(SDLK_DELETE), 127);
    EXPECT_EQ(keyIndex(0), 0);
    EXPECT_EQ(keyIndex(128), 0);
    EXPECT_EQ(keyIndex(-1), 0);
    EXPECT_EQ(keyIndex(SDLK_UP), 128);
    EXPECT_EQ(keyIndex(SDLK_DOWN), 129);
    EXPECT_EQ(keyIndex(SDLK_LEFT), 130);
    EXPECT_EQ(keyIndex(SDLK_RIGHT), 131);
    const SDL_Keycode functionKeys[] = {SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4,  SDLK_F5,  SDLK_F6,
                                        SDLK_F7, SDLK_F8, SDLK_F9, SDLK_F10, SDLK_F11, SDLK_F12};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(keyIndex(functionKeys[i]), 132 + i) << "F" << i + 1;
    EXPECT_EQ(keyIndex(SDLK_F13), 0);
    EXPECT_EQ(keyIndex(SDLK_PRINTSCREEN), 144);
    EXPECT_EQ(keyIndex(SDLK_HOME), 148);
    EXPECT_EQ(keyIndex(SDLK_PAGEUP), 149);
    EXPECT_EQ(keyIndex(SDLK_END), 151);
    EXPECT_EQ(keyIndex(SDLK_PAGEDOWN), 152);
    EXPECT_EQ(keyIndex(SDLK_CAPSLOCK), 158);
    EXPECT_EQ(keyIndex(SDLK_NUMLOCKCLEAR), 159);
    EXPECT_EQ(keyIndex(SDLK_KP_ENTER), 164);
    EXPECT_EQ(keyIndex(SDLK_LCTRL), 165);
    EXPECT_EQ(keyIndex(SDLK_RGUI), 172);
    EXPECT_EQ(keyIndex(SDLK_KP_1), 0);
    EXPECT_EQ(keyIndex(SDLK_KP_0), 0);
    EXPECT_EQ(keyIndex(0x4000004C), 0);  // would be index 150, which is never produced
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
