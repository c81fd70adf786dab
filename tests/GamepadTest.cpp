// GamepadControls with the real game: virtual game controllers (SDL's, no device needed) plugged
// into a running GameDriver, and the key and mouse-button events they hand the game recorded as
// the game receives them. Each control, diagonals, controls held together, the dead zone, the
// right stick's repeats, and pads plugged in and pulled out.
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GameFixture.h"
#include "GamepadControls.h"

using namespace dustreach::test;
using Events = std::vector<std::string>;

namespace {

// A game controller that exists only inside SDL: plugged in at construction, pulled out by unplug
// or at destruction.
class VirtualPad {
public:
    VirtualPad()
    {
        SDL_VirtualJoystickDesc description{};
        description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        description.naxes = SDL_CONTROLLER_AXIS_MAX;
        description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        description.name = "Virtual pad";
        const int index = SDL_JoystickAttachVirtualEx(&description);
        if (index >= 0)
            joystick = SDL_JoystickOpen(index);
        if (joystick)
            id = SDL_JoystickInstanceID(joystick);
    }
    ~VirtualPad() { unplug(); }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    bool plugged() const { return joystick != nullptr; }
    SDL_JoystickID instance() const { return id; }
    void button(int button, bool down) const
    {
        SDL_JoystickSetVirtualButton(joystick, button, down ? 1 : 0);
    }
    // A stick's axis, -32768 to 32767.
    void axis(int axis, int value) const
    {
        SDL_JoystickSetVirtualAxis(joystick, axis, static_cast<Sint16>(value));
    }
    // A trigger, 0 to 32767: SDL spreads the joystick's whole range over the trigger's travel.
    void trigger(int axis, int travel) const { this->axis(axis, travel * 2 - 32768); }
    void unplug()
    {
        if (!joystick)
            return;
        for (int index = 0; index < SDL_NumJoysticks(); ++index)
            if (SDL_JoystickGetDeviceInstanceID(index) == id)
                SDL_JoystickDetachVirtual(index);
        SDL_JoystickClose(joystick);
        joystick = nullptr;
    }

private:
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID id = -1;
};

// One control as a test pushes it (a button, a stick's axis to a value, or a trigger's travel),
// and what it hands the game: a key by SDL's name, or a mouse button by number.
struct Push {
    const char* name;
    int control;
    enum Kind { Button, Stick, Trigger } kind;
    int value;
    std::string output;
};

class GamepadTest : public GameFixture {
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        // The dummy driver's window never has the focus, without which SDL hands over no pushes.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        gamepads = std::make_unique<GamepadControls>(game->engine());
        ASSERT_TRUE(gamepads->available());
        SDL_AddEventWatch(record, &events);
        pad = std::make_unique<VirtualPad>();
        ASSERT_TRUE(pad->plugged());
        step();
    }
    // Then the pads go, the controls and the game: the members' reverse order.
    void TearDown() override { SDL_DelEventWatch(record, &events); }

    // Keeps the key and mouse-button events SDL's queue is handed, as the game then receives them.
    static int SDLCALL record(void* data, SDL_Event* event)
    {
        auto* recorded = static_cast<Events*>(data);
        const bool down = event->type == SDL_KEYDOWN || event->type == SDL_MOUSEBUTTONDOWN;
        const std::string way = down ? " down" : " up";
        if (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)
            recorded->push_back(SDL_GetKeyName(event->key.keysym.sym) + way);
        if (event->type == SDL_MOUSEBUTTONDOWN || event->type == SDL_MOUSEBUTTONUP) {
            const SDL_MouseButtonEvent& button = event->button;
            recorded->push_back("button " + std::to_string(button.button) + way + " at " +
                                std::to_string(button.x) + "," + std::to_string(button.y));
        }
        return 0;
    }

    // Two iterations unless told: SDL reports the pads in one, and the keys and buttons they hand
    // the game queue up behind that iteration's events, for the next.
    void step(int iterations = 2) { ASSERT_TRUE(game->step(iterations)); }
    static void push(const VirtualPad& on, const Push& control, bool pushed)
    {
        if (control.kind == Push::Button)
            on.button(control.control, pushed);
        if (control.kind == Push::Stick)
            on.axis(control.control, pushed ? control.value : 0);
        if (control.kind == Push::Trigger)
            on.trigger(control.control, pushed ? control.value : 0);
    }
    VorlanEngine& engine() { return game->engine(); }
    int scrolledX() { return engine().getTranslationFilter().getXOffset(); }

    Events events;
    std::unique_ptr<GamepadControls> gamepads;
    std::unique_ptr<VirtualPad> pad;
};

constexpr int kFull = 32767;

// What a control handing the game output records: the output going down, then up.
Events eventsOf(const std::string& output)
{
    const std::string at = output.rfind("button", 0) == 0 ? " at 300,400" : "";
    return {output + " down" + at, output + " up" + at};
}

// Pushed, each control's key or button goes down, the key held in the game's key table or the
// button pressed at the window's centre; let go, it goes up. No key repeats but the scroll keys.
// The left stick's other directions and the right stick's are the diagonal's, the dead zone's,
// the controls together's, and the pads' and repeats' tests.
TEST_F(GamepadTest, EachControlHandsTheGameItsKeyOrButtonWhileHeld)
{
    const Push controls[] = {
        {"DpadUp", SDL_CONTROLLER_BUTTON_DPAD_UP, Push::Button, 0, "W"},
        {"DpadLeft", SDL_CONTROLLER_BUTTON_DPAD_LEFT, Push::Button, 0, "A"},
        {"DpadDown", SDL_CONTROLLER_BUTTON_DPAD_DOWN, Push::Button, 0, "S"},
        {"DpadRight", SDL_CONTROLLER_BUTTON_DPAD_RIGHT, Push::Button, 0, "D"},
        {"StickDown", SDL_CONTROLLER_AXIS_LEFTY, Push::Stick, kFull, "S"},
        {"A", SDL_CONTROLLER_BUTTON_A, Push::Button, 0, "button 1"},
        {"RightTrigger", SDL_CONTROLLER_AXIS_TRIGGERRIGHT, Push::Trigger, kFull, "button 1"},
        {"Start", SDL_CONTROLLER_BUTTON_START, Push::Button, 0, "Space"},
        {"X", SDL_CONTROLLER_BUTTON_X, Push::Button, 0, "K"},
        {"Y", SDL_CONTROLLER_BUTTON_Y, Push::Button, 0, "L"},
        {"Back", SDL_CONTROLLER_BUTTON_BACK, Push::Button, 0, "R"},
        {"RightShoulder", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, Push::Button, 0, "button 2"},
        {"LeftShoulder", SDL_CONTROLLER_BUTTON_LEFTSHOULDER, Push::Button, 0, "button 3"},
        {"ScrollLeft", SDL_CONTROLLER_AXIS_RIGHTX, Push::Stick, -kFull - 1, "B"},
        {"ScrollUp", SDL_CONTROLLER_AXIS_RIGHTY, Push::Stick, -kFull - 1, "V"}};
    for (const Push& control : controls) {
        SCOPED_TRACE(control.name);
        const Events handed = eventsOf(control.output);
        const SDL_Keycode key = SDL_GetKeyFromName(control.output.c_str());
        const bool isKey = key != SDLK_UNKNOWN;
        events.clear();
        engine().mouseDownX = -1;
        push(*pad, control, true);
        step(10);
        EXPECT_EQ(events, Events{handed.front()});
        EXPECT_EQ(engine().isKeyPressed(key), isKey);
        EXPECT_EQ(engine().mouseDownX, isKey ? -1 : 300);
        push(*pad, control, false);
        step();
        EXPECT_EQ(events, handed);
        EXPECT_FALSE(engine().isKeyPressed(key));
    }
}

// B, the left trigger, the sticks' and the guide button are not the game's; a stick rests anywhere
// inside a quarter of its travel without moving anything; the right trigger shoots only beyond
// half of its travel.
TEST_F(GamepadTest, OtherControlsTheDeadZoneAndALightTriggerHandTheGameNothing)
{
    for (const int button : {SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_GUIDE,
                             SDL_CONTROLLER_BUTTON_LEFTSTICK, SDL_CONTROLLER_BUTTON_RIGHTSTICK}) {
        pad->button(button, true);
        step();
        pad->button(button, false);
        step();
    }
    pad->trigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT, kFull);
    const int inside = GamepadControls::kStickDeadZone - 1;
    for (const int axis : {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY,
                           SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY}) {
        pad->axis(axis, inside);
        step();
        pad->axis(axis, -inside);
        step();
    }
    pad->trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, GamepadControls::kTriggerPressed);
    step();
    EXPECT_EQ(events, Events{});
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, GamepadControls::kStickDeadZone);
    step();
    EXPECT_EQ(events, Events{"D down"});
}

TEST_F(GamepadTest, ADiagonalHoldsTwoKeys)
{
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, -20000);
    pad->axis(SDL_CONTROLLER_AXIS_LEFTY, -20000);
    step();
    EXPECT_TRUE(engine().isKeyPressed(SDLK_a));
    EXPECT_TRUE(engine().isKeyPressed(SDLK_w));
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    pad->axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
    step();
    EXPECT_EQ(events, (Events{"A down", "W down", "A up", "W up"}));
}

// Shooting while moving: both reach the game. And one key held by two controls (the d-pad and the
// stick) goes up only when the last of them lets go.
TEST_F(GamepadTest, ControlsHeldTogether)
{
    pad->button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    pad->button(SDL_CONTROLLER_BUTTON_A, true);
    step();
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, kFull);
    step();
    pad->button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false);
    step();
    EXPECT_TRUE(engine().isKeyPressed(SDLK_d));
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    step();
    EXPECT_FALSE(engine().isKeyPressed(SDLK_d));
    pad->button(SDL_CONTROLLER_BUTTON_A, false);
    step();
    // SDL reports a pad's buttons in their order, A first.
    EXPECT_EQ(events,
              (Events{"button 1 down at 300,400", "D down", "D up", "button 1 up at 300,400"}));
}

// The right stick scrolls once when pushed, again after the repeat delay, then at every interval,
// on the game's clock (10 ms an iteration); let go, it stops.
TEST_F(GamepadTest, TheRightStickHeldRepeatsItsScroll)
{
    const int before = scrolledX();
    const int delay = GamepadControls::kRepeatDelayMs / 10;
    const int interval = GamepadControls::kRepeatIntervalMs / 10;
    pad->axis(SDL_CONTROLLER_AXIS_RIGHTX, kFull);
    step(2);
    EXPECT_EQ(scrolledX(), before + 15);
    step(delay - 3);
    EXPECT_EQ(scrolledX(), before + 15);
    step(3);
    EXPECT_EQ(scrolledX(), before + 30);
    step(3 * interval);
    EXPECT_EQ(scrolledX(), before + 75);
    pad->axis(SDL_CONTROLLER_AXIS_RIGHTX, 0);
    step();
    step(delay + interval);
    EXPECT_EQ(scrolledX(), before + 75);
    EXPECT_EQ(events.back(), "C up");
}

// A pad plugged in during play works at once, beside the first; a pad pulled out mid-hold lets go
// of everything it held, but not of a key another pad still holds. The removal alone lets go too,
// where the device's own releases never came, and ends the scroll's repeats.
TEST_F(GamepadTest, PadsPluggedInAndPulledOut)
{
    ASSERT_TRUE(GameDriver::tap(SDLK_SPACE));
    step();
    ASSERT_EQ(game->state().playState, Running);
    events.clear();
    VirtualPad second;
    ASSERT_TRUE(second.plugged());
    step();
    second.button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    step();
    EXPECT_EQ(events, Events{"A down"});
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, -kFull - 1);
    pad->axis(SDL_CONTROLLER_AXIS_RIGHTY, kFull);
    pad->button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    step();
    pad->unplug();
    step();
    EXPECT_TRUE(engine().isKeyPressed(SDLK_a));
    EXPECT_FALSE(engine().isKeyPressed(SDLK_f));
    EXPECT_EQ(events, (Events{"A down", "F down", "button 2 down at 300,400", "F up",
                              "button 2 up at 300,400"}));
    second.axis(SDL_CONTROLLER_AXIS_RIGHTX, kFull);
    step();
    SDL_Event removed{};
    removed.cdevice.type = SDL_CONTROLLERDEVICEREMOVED;
    removed.cdevice.which = second.instance();
    ASSERT_EQ(SDL_PushEvent(&removed), 1);
    step();
    EXPECT_FALSE(engine().isKeyPressed(SDLK_a));
    const int scrolled = scrolledX();
    step(GamepadControls::kRepeatDelayMs / 10 + 1);
    EXPECT_EQ(scrolledX(), scrolled);
}

TEST_F(GamepadTest, LosingTheFocusLetsGo)
{
    pad->button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    pad->button(SDL_CONTROLLER_BUTTON_A, true);
    step();
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "0");
    step();
    EXPECT_EQ(events,
              (Events{"button 1 down at 300,400", "W down", "button 1 up at 300,400", "W up"}));
}

}  // namespace
