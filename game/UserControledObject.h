// UserControledObject: the player's ship. Reads the key table to move, keeps inside its margin,
// picks up the speed power-up from the tile strip, and loses a life and 2 points for every object
// in range. Draws a gold direction triangle. Owns nothing; the engine and strip are not owned.
#pragma once

#include "DisplayableObject.h"

class VorlanEngine;
class VorlanTileManager;

class UserControledObject : public DisplayableObject {
public:
    // (x, y) is the top-left corner; the position is then kept inside the window.
    UserControledObject(int x, int y, VorlanEngine* engine, int width, int height,
                        VorlanTileManager* tileManager);
    ~UserControledObject() override;

    void draw() override;
    // One step: boost counter, moves, margin, power-up strip, collisions. The time is not used.
    void update(int time) override;

private:
    VorlanEngine* game() const;

    VorlanTileManager* tileManager;
};
