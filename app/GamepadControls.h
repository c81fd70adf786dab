// GamepadControls: the desktop's gamepads. Opens SDL's game-controller subsystem, keeps every
// controller that is plugged in open, and turns what its buttons and sticks do into the very key
// and mouse-button events a keyboard and a mouse make (queued through BrowserInput), so the game
// cannot tell a gamepad from them:
//   left stick, d-pad        W A S D, held while pushed (a diagonal holds two)
//   A, right trigger         left click: shoot
//   Start                    SPACE
//   X / Y                    K: save / L: load
//   Back                     R: start over
//   right / left shoulder    middle / right click: zoom in / out
//   right stick              C B F V: scroll, one step a push, repeating while held
// Mouse buttons go down at the window's centre. A key or button held by several controls at once
// (the d-pad and the stick, or two pads) goes down with the first and up with the last; a pad
// pulled out lets go of everything it held, and all let go when the window loses the focus, as the
// keyboard's keys do. Owns the open controllers; hooks itself into the
// engine, which must outlive it.
#pragma once

#include <SDL.h>

#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "BaseEngine.h"
#include "ExtraInput.h"

class GamepadControls : public ExtraInput {
public:
    // A stick counts as pushed beyond a quarter of its travel, so that a worn one, resting a
    // little off centre, does not drift the ship; the right trigger beyond half of its travel.
    static constexpr int kStickDeadZone = 8192;
    static constexpr int kTriggerPressed = 16384;
    // The right stick scrolls once when pushed, again kRepeatDelayMs later while still pushed, and
    // then every kRepeatIntervalMs, on the engine's clock.
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatIntervalMs = 100;

    // Opens the game-controller subsystem and every pad already plugged in, and hooks into the
    // engine. Where SDL has no gamepad support it says so in one line and does nothing more.
    explicit GamepadControls(BaseEngine& engine);
    // Unhooks, closes the pads and the subsystem.
    ~GamepadControls() override;
    GamepadControls(const GamepadControls&) = delete;
    GamepadControls& operator=(const GamepadControls&) = delete;
    GamepadControls(GamepadControls&&) = delete;
    GamepadControls& operator=(GamepadControls&&) = delete;

    // Whether the subsystem opened: false leaves the game to the keyboard and the mouse.
    bool available() const { return opened; }
    // Controllers plugged in and out, their buttons and axes.
    void handleEvent(const SDL_Event& event) override;
    // Repeats the scroll keys the right stick holds; lets go of everything when the window has
    // lost the focus.
    void tick(int time) override;

private:
    // What the game receives from a control: a key (an SDL key code) or a mouse button (SDL's
    // number); the other is 0.
    struct Output {
        SDL_Keycode key = 0;
        int button = 0;
        bool operator<(const Output& other) const
        {
            return std::pair(key, button) < std::pair(other.key, other.button);
        }
        bool operator==(const Output& other) const
        {
            return key == other.key && button == other.button;
        }
    };
    // One control of one pad: a button (SDL_GameControllerButton), or one direction of an axis
    // (axisControl).
    using Control = std::pair<SDL_JoystickID, int>;
    struct CloseController {
        void operator()(SDL_GameController* controller) const
        {
            SDL_GameControllerClose(controller);
        }
    };
    using ControllerHandle = std::unique_ptr<SDL_GameController, CloseController>;

    static int axisControl(int axis, bool positive);
    // What a control gives the game, if anything.
    static std::optional<Output> outputOf(int control);
    // Whether the game's scroll keys repeat while held.
    static bool repeats(const Output& output);

    void open(int deviceIndex);
    void axisMoved(SDL_JoystickID pad, int axis, int value);
    // A control of a pad pushed or let go: its output goes down when the first control holding it
    // is pushed, and up when the last is let go.
    void setControl(SDL_JoystickID pad, int control, bool isPushed);
    // Lets go of everything a pad holds.
    void releasePad(SDL_JoystickID pad);
    // Whether the pads hold what they hold in vain: SDL hands the game their pushes only while its
    // window has the focus, unless told to hand them over in the background too.
    bool lostFocus() const;
    bool isHeld(const Output& output) const;
    // Queues the key or mouse-button event.
    void send(const Output& output, bool down) const;

    BaseEngine& engine;
    bool opened = false;
    std::map<SDL_JoystickID, ControllerHandle> pads;
    // The controls pushed now, and what each holds.
    std::map<Control, Output> pushed;
    // The repeating outputs held now, and the engine's time of their next repeat.
    std::map<Output, int> nextRepeat;
};
