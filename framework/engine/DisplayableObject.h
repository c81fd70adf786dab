// DisplayableObject: the base of everything that is updated every tick and drawn every frame.
// Holds its position and drawn rectangle; does not own its engine. Objects are owned by the
// engine's object array once stored there (see DisplayableObjectContainer).
#pragma once

class BaseEngine;

class DisplayableObject {
public:
    // Places the object at (x, y) in virtual pixels. With topLeftPositioned the position is the
    // top-left corner of the drawn rectangle, otherwise its centre. The position is then moved so
    // that the rectangle lies inside the engine's window (clampToWindow).
    DisplayableObject(int x, int y, BaseEngine* engine, int width, int height,
                      bool topLeftPositioned);
    virtual ~DisplayableObject();

    // Draws the object on the engine's foreground canvas; default: fills the drawn rectangle
    // with colour, column by column, unless invisible.
    virtual void draw();
    // One update tick; time is the engine's game time in milliseconds. Default: nothing.
    virtual void update(int time);
    virtual int notify(int code, int a, int b);
    // True when the container deletes this object as it empties its array.
    virtual bool deleteOnRemoval();
    // True when the virtual point (x, y) lies in the drawn rectangle.
    virtual bool containsPoint(int x, int y);
    virtual void onKeyUp(int keyCode);
    virtual void onKeyDown(int keyCode);
    virtual void onMouseMove(int x, int y);
    virtual void onMouseDown(int button, int x, int y);
    virtual void onMouseUp(int button, int x, int y);
    virtual bool claimMouseDown(int button, int x, int y);

    // Moves the position so the drawn rectangle lies inside the window (one correction per axis).
    void clampToWindow();
    // Asks the engine for a redraw at the end of this main-loop iteration.
    void requestRedraw();

    int getXCentre() const { return currentX + drawOffsetX + drawWidth / 2; }
    int getYCentre() const { return currentY + drawOffsetY + drawHeight / 2; }

    BaseEngine* engine;
    int currentX;
    int currentY;
    int drawOffsetX;
    int drawOffsetY;
    int drawWidth;
    int drawHeight;
    unsigned int colour = 0xFF00FF;
    bool visible = true;
    bool actedThisPass = false;
};
