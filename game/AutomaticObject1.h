// AutomaticObject1: the player's shot. Starts exactly where it is made (even outside the window),
// rises 3 pixels an update and takes itself out of the object array at the top, handing itself to
// the engine to be freed after the update pass. Drawn as a white oval. Owns nothing.
#pragma once

#include "AutomaticObject.h"

class AutomaticObject1 : public AutomaticObject {
public:
    // width and height are ignored: a shot is always 10 x 20.
    AutomaticObject1(int x, int y, VorlanEngine* engine, int width, int height);
    ~AutomaticObject1() override;

    void draw() override;
    void update(int time) override;
};
