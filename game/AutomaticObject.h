// AutomaticObject: a falling enemy. Falls 2 pixels an update (4 in level 2), costs a life at the
// bottom, and goes back to the top scoring 3 (50 in level 2) when any other object comes within
// its hit radius. Drawn as an oval of a random colour. Owns nothing.
#pragma once

#include "DisplayableObject.h"

class VorlanEngine;

class AutomaticObject : public DisplayableObject {
public:
    // (x, y) is the top-left corner; the position is then kept inside the window.
    AutomaticObject(int x, int y, VorlanEngine* engine, int width, int height);
    ~AutomaticObject() override;

    void draw() override;
    void update(int time) override;

protected:
    VorlanEngine* game() const;
};
