// GamepadControls: the pads' lifecycle, the table of what each control gives the game, and the
// keys and buttons held on behalf of the controls pushed.
#include "GamepadControls.h"

#include <cstdio>
#include <vector>

#include "BrowserInput.h"

namespace {

// Axis directions are numbered after every button.
constexpr int kFirstAxisControl = 64;

}  // namespace

GamepadControls::GamepadControls(BaseEngine& engine) : engine(engine)
{
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) < 0) {
        std::printf("No gamepads: %s\n", SDL_GetError());
        return;
    }
    opened = true;
    // SDL announces the pads plugged in before it started too, but the announcements of an
    // earlier start may have been taken off the queue: open them now, the announcements then
    // find them open.
    for (int index = 0; index < SDL_NumJoysticks(); ++index)
        open(index);
    engine.setExtraInput(this);
}

GamepadControls::~GamepadControls()
{
    if (!opened)
        return;
    engine.setExtraInput(nullptr);
    pads.clear();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void GamepadControls::handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED: open(event.cdevice.which); break;
    case SDL_CONTROLLERDEVICEREMOVED:
        releasePad(event.cdevice.which);
        pads.erase(event.cdevice.which);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        setControl(event.cbutton.which, event.cbutton.button,
                   event.type == SDL_CONTROLLERBUTTONDOWN);
        break;
    case SDL_CONTROLLERAXISMOTION:
        axisMoved(event.caxis.which, event.caxis.axis, event.caxis.value);
        break;
    default: break;
    }
}

void GamepadControls::tick(int time)
{
    if (!pushed.empty() && lostFocus())
        for (const auto& [id, controller] : pads)
            releasePad(id);
    for (auto& [output, due] : nextRepeat) {
        if (time < due)
            continue;
        send(output, true);
        due = time + kRepeatIntervalMs;
    }
}

int GamepadControls::axisControl(int axis, bool positive)
{
    return kFirstAxisControl + 2 * axis + (positive ? 1 : 0);
}

std::optional<GamepadControls::Output> GamepadControls::outputOf(int control)
{
    const auto key = [](SDL_Keycode code) { return Output{code, 0}; };
    const auto click = [](int button) { return Output{0, button}; };
    switch (control) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return key(SDLK_w);
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return key(SDLK_a);
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return key(SDLK_s);
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return key(SDLK_d);
    case SDL_CONTROLLER_BUTTON_A: return click(SDL_BUTTON_LEFT);
    case SDL_CONTROLLER_BUTTON_START: return key(SDLK_SPACE);
    case SDL_CONTROLLER_BUTTON_X: return key(SDLK_k);
    case SDL_CONTROLLER_BUTTON_Y: return key(SDLK_l);
    case SDL_CONTROLLER_BUTTON_BACK: return key(SDLK_r);
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return click(SDL_BUTTON_MIDDLE);
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return click(SDL_BUTTON_RIGHT);
    default: break;
    }
    if (control == axisControl(SDL_CONTROLLER_AXIS_LEFTX, false))
        return key(SDLK_a);
    if (control == axisControl(SDL_CONTROLLER_AXIS_LEFTX, true))
        return key(SDLK_d);
    if (control == axisControl(SDL_CONTROLLER_AXIS_LEFTY, false))
        return key(SDLK_w);
    if (control == axisControl(SDL_CONTROLLER_AXIS_LEFTY, true))
        return key(SDLK_s);
    // The scroll keys move what is drawn: C right, B left, F down, V up.
    if (control == axisControl(SDL_CONTROLLER_AXIS_RIGHTX, true))
        return key(SDLK_c);
    if (control == axisControl(SDL_CONTROLLER_AXIS_RIGHTX, false))
        return key(SDLK_b);
    if (control == axisControl(SDL_CONTROLLER_AXIS_RIGHTY, true))
        return key(SDLK_f);
    if (control == axisControl(SDL_CONTROLLER_AXIS_RIGHTY, false))
        return key(SDLK_v);
    if (control == axisControl(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, true))
        return click(SDL_BUTTON_LEFT);
    return std::nullopt;
}

bool GamepadControls::repeats(const Output& output)
{
    return output.key == SDLK_c || output.key == SDLK_b || output.key == SDLK_f ||
           output.key == SDLK_v;
}

void GamepadControls::open(int deviceIndex)
{
    if (!SDL_IsGameController(deviceIndex))
        return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || pads.count(id) != 0)
        return;
    if (SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex))
        pads.emplace(id, ControllerHandle(controller));
}

void GamepadControls::axisMoved(SDL_JoystickID pad, int axis, int value)
{
    if (axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT)
        return;
    if (axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
        setControl(pad, axisControl(axis, true), value > kTriggerPressed);
        return;
    }
    // Let go of one side before pushing the other, as a stick passes through its centre.
    const bool negative = value <= -kStickDeadZone;
    const bool positive = value >= kStickDeadZone;
    setControl(pad, axisControl(axis, false), negative);
    setControl(pad, axisControl(axis, true), positive);
}

void GamepadControls::setControl(SDL_JoystickID pad, int control, bool isPushed)
{
    const std::optional<Output> output = outputOf(control);
    if (!output)
        return;
    const Control which{pad, control};
    if (isPushed) {
        if (pushed.count(which) != 0)
            return;
        const bool first = !isHeld(*output);
        pushed.emplace(which, *output);
        if (!first)
            return;
        send(*output, true);
        if (repeats(*output))
            nextRepeat[*output] = engine.currentTime + kRepeatDelayMs;
        return;
    }
    if (pushed.erase(which) == 0 || isHeld(*output))
        return;
    nextRepeat.erase(*output);
    send(*output, false);
}

void GamepadControls::releasePad(SDL_JoystickID pad)
{
    std::vector<int> controls;
    for (const auto& [which, output] : pushed)
        if (which.first == pad)
            controls.push_back(which.second);
    for (int control : controls)
        setControl(pad, control, false);
}

bool GamepadControls::lostFocus() const
{
    // SDL still passes on the releases then, but a stick held as the player turns to another
    // window would keep the ship moving.
    return SDL_GetKeyboardFocus() != engine.getWindow() &&
           !SDL_GetHintBoolean(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, SDL_FALSE);
}

bool GamepadControls::isHeld(const Output& output) const
{
    for (const auto& [which, held] : pushed)
        if (held == output)
            return true;
    return false;
}

void GamepadControls::send(const Output& output, bool down) const
{
    const BrowserInput input(engine.getWindow());
    if (output.key != 0)
        input.key(output.key, down);
    else
        input.mouseButton(output.button, down, engine.getWindowWidth() / 2,
                          engine.getWindowHeight() / 2);
}
