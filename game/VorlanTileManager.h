// VorlanTileManager: the game's power-up strip, a 5 x 1 map of 20 x 20 tiles that is both the
// speed pad the ship steps onto and its indicator (blue while the boost is off, green while on),
// with the "speed.png" and "buff.png" icons at its left end. Owns its two image handles; the
// pictures themselves are shared with (and kept by) the image cache.
#pragma once

#include "ImageHandle.h"
#include "TileManager.h"

class VorlanTileManager : public TileManager {
public:
    // A 5 x 1 map of zeros at base (0, 0); loads both icons, kept in the cache for the whole run.
    VorlanTileManager();

    // Paints the whole strip at its fixed place, whichever tile is asked for: the icons at
    // (100, 250) and (120, 250), then an oval, a square and a right-pointing triangle in blue when
    // the tile's value is 0, else green. The oval and square follow screenY.
    void drawTileAt(BaseEngine* engine, PixelCanvas* canvas, int mapX, int mapY, int screenX,
                    int screenY) override;

    const ImageHandle& getSpeedImage() const { return speedImage; }
    const ImageHandle& getBuffImage() const { return buffImage; }

private:
    ImageHandle speedImage;
    ImageHandle buffImage;
};
