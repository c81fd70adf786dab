// SmartObject: the UFO. Chases the player's centre while within 150 pixels of it on either axis,
// wanders at random otherwise, and animates through its pictures on a 16-draw cycle shared by all
// UFOs. Holds shared references to its three frames; owns nothing else.
#pragma once

#include "DisplayableObject.h"
#include "ImageHandle.h"

class VorlanEngine;

class SmartObject : public DisplayableObject {
public:
    // (x, y) is the top-left corner; loads "ufo.png", "ufo1.png" and "ufo2.png" (not kept).
    SmartObject(int x, int y, VorlanEngine* engine, int width, int height);
    ~SmartObject() override;

    void draw() override;
    void update(int time) override;

private:
    VorlanEngine* game() const;

    ImageHandle ufoFrame0;
    ImageHandle ufoFrame1;
    ImageHandle ufoFrame2;
};
