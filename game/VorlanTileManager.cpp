// VorlanTileManager: drawing of the power-up strip. Knows nothing about when the boost is picked
// up (the player does that) or where the strip is placed (the game engine sets the base).
#include "VorlanTileManager.h"

#include "ImageManager.h"
#include "PixelCanvas.h"

namespace {

constexpr unsigned int boostOffColour = 0x0000FF;
constexpr unsigned int boostOnColour = 0x0FF000;

}  // namespace

VorlanTileManager::VorlanTileManager()
{
    setMapSize(5, 1);
    speedImage = ImageManager::loadImage("speed.png", true);
    buffImage = ImageManager::loadImage("buff.png", true);
}

void VorlanTileManager::drawTileAt(BaseEngine* /*engine*/, PixelCanvas* canvas, int mapX, int mapY,
                                   int /*screenX*/, int screenY)
{
    // Every tile repaints the same strip; only its value and row position matter.
    const unsigned int colour = getMapValue(mapX, mapY) == 0 ? boostOffColour : boostOnColour;

    // An icon that failed to load draws nothing and leaves its place showing what is beneath.
    speedImage.renderImage(canvas, 0, 0, 100, 250, speedImage.getWidth(), speedImage.getHeight());
    buffImage.renderImage(canvas, 0, 0, 120, 250, buffImage.getWidth(), buffImage.getHeight());
    canvas->drawOval(140, screenY, 159, screenY + tileHeight - 1, colour);
    canvas->drawRectangle(160, screenY, 179, screenY + tileHeight - 1, colour);
    canvas->drawTriangle(180.0, 250.0, 180.0, 269.0, 199.0, 260.0, colour);
}
