// DisplayableObject: default behaviour of the object base: placement inside the window, a
// filled-rectangle draw and empty hooks.
#include "DisplayableObject.h"

#include "BaseEngine.h"

DisplayableObject::DisplayableObject(int x, int y, BaseEngine* engine, int width, int height,
                                     bool topLeftPositioned)
    : engine(engine),
      currentX(x),
      currentY(y),
      drawOffsetX(topLeftPositioned ? 0 : -(width / 2)),
      drawOffsetY(topLeftPositioned ? 0 : -(height / 2)),
      drawWidth(width),
      drawHeight(height)
{
    clampToWindow();
}

DisplayableObject::~DisplayableObject() = default;

void DisplayableObject::draw()
{
    if (!visible)
        return;
    PixelCanvas* canvas = engine->getForegroundCanvas();
    const int left = currentX + drawOffsetX;
    const int top = currentY + drawOffsetY;
    for (int x = left; x < left + drawWidth; ++x)
        for (int y = top; y < top + drawHeight; ++y)
            canvas->setPixel(x, y, colour);
}

void DisplayableObject::update(int)
{
}
int DisplayableObject::notify(int, int, int)
{
    return 0;
}
bool DisplayableObject::deleteOnRemoval()
{
    return true;
}

bool DisplayableObject::containsPoint(int x, int y)
{
    const int left = currentX + drawOffsetX;
    const int top = currentY + drawOffsetY;
    return x >= left && x < left + drawWidth && y >= top && y < top + drawHeight;
}

void DisplayableObject::onKeyUp(int)
{
}
void DisplayableObject::onKeyDown(int)
{
}
void DisplayableObject::onMouseMove(int, int)
{
}
void DisplayableObject::onMouseDown(int, int, int)
{
}
void DisplayableObject::onMouseUp(int, int, int)
{
}
bool DisplayableObject::claimMouseDown(int, int, int)
{
    return false;
}

void DisplayableObject::clampToWindow()
{
    const int width = engine->getWindowWidth();
    const int height = engine->getWindowHeight();
    // One correction per axis, the left (top) test first.
    if (currentX + drawOffsetX < 0)
        currentX = -drawOffsetX;
    else if (currentX + drawOffsetX + drawWidth >= width)
        currentX = width - drawWidth - drawOffsetX;
    if (currentY + drawOffsetY < 0)
        currentY = -drawOffsetY;
    else if (currentY + drawOffsetY + drawHeight >= height)
        currentY = height - drawHeight - drawOffsetY;
}

void DisplayableObject::requestRedraw()
{
    engine->requestRedraw();
}
