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
    struct Binding {
        int control = 0;
        Output output;
    };
    const auto key = [](SDL_Keycode code) { return Output{code, 0}; };
    const auto click = [](int button) { return Output{0, button}; };
    const auto stick = [](SDL_GameControllerAxis axis, bool positive) {
        return axisControl(axis, positive);
    };
    // The scroll keys move what is drawn: C right, B left, F down, V up.
    const Binding bindings[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, key(SDLK_w)},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, key(SDLK_a)},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, key(SDLK_s)},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, key(SDLK_d)},
        {stick(SDL_CONTROLLER_AXIS_LEFTY, false), key(SDLK_w)},
        {stick(SDL_CONTROLLER_AXIS_LEFTX, false), key(SDLK_a)},
        {stick(SDL_CONTROLLER_AXIS_LEFTY, true), key(SDLK_s)},
        {stick(SDL_CONTROLLER_AXIS_LEFTX, true), key(SDLK_d)},
        {SDL_CONTROLLER_BUTTON_A, click(SDL_BUTTON_LEFT)},
        {stick(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, true), click(SDL_BUTTON_LEFT)},
        {SDL_CONTROLLER_BUTTON_START, key(SDLK_SPACE)},
        {SDL_CONTROLLER_BUTTON_X, key(SDLK_k)},
        {SDL_CONTROLLER_BUTTON_Y, key(SDLK_l)},
        {SDL_CONTROLLER_BUTTON_BACK, key(SDLK_r)},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, click(SDL_BUTTON_MIDDLE)},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, click(SDL_BUTTON_RIGHT)},
        {stick(SDL_CONTROLLER_AXIS_RIGHTX, true), key(SDLK_c)},
        {stick(SDL_CONTROLLER_AXIS_RIGHTX, false), key(SDLK_b)},
        {stick(SDL_CONTROLLER_AXIS_RIGHTY, true), key(SDLK_f)},
        {stick(SDL_CONTROLLER_AXIS_RIGHTY, false), key(SDLK_v)},
    };
    for (const Binding& binding : bindings)
        if (binding.control == control)
            return binding.output;
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
