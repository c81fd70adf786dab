// ExtraInput: the interface of an input device beyond the keyboard and the mouse (a gamepad), which
// the engine offers the events it does not dispatch itself and its clock once per iteration. Such a
// device speaks to the game by queueing key and mouse events, so the engine's own dispatch stays
// as it is. Owns nothing; whoever made the device hooks it into the engine and unhooks it.
#pragma once

#include <SDL.h>

class ExtraInput {
public:
    virtual ~ExtraInput() = default;

    // An event of a type the engine's handleEvent does not dispatch itself.
    virtual void handleEvent(const SDL_Event& event) = 0;
    // Once per main-loop iteration, after the events, with the engine's tick count in ms.
    virtual void tick(int time) = 0;
};
