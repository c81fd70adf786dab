// TileManager: a grid of mapWidth x mapHeight int values placed on the screen at a base position,
// each drawn as one tileWidth x tileHeight tile by the overridable drawTileAt. Owns its value array;
// draws onto a canvas it is given and owns neither canvas nor engine.
#pragma once

#include <memory>

class BaseEngine;
class PixelCanvas;

class TileManager {
public:
    TileManager() = default;
    TileManager(const TileManager&) = delete;
    TileManager& operator=(const TileManager&) = delete;
    // NOTE: virtual so a derived manager is always destroyed whole, whatever pointer holds it.
    virtual ~TileManager() = default;

    // Makes a width x height map, all values 0 (an earlier map is freed).
    void setMapSize(int width, int height);
    // Screen position of the top-left corner of tile (0, 0).
    void setBaseTilesPositionOnScreen(int x, int y);
    // Value of tile (mapX, mapY); 0 outside the map.
    int getMapValue(int mapX, int mapY) const;
    // Stores the value of tile (mapX, mapY); ignored outside the map. Nothing is redrawn.
    void setMapValue(int mapX, int mapY, int value);
    // True when the screen point lies in the tile area (left/top edges in, right/bottom out).
    bool isValidTilePosition(int screenX, int screenY) const;
    // Draws tile (mapX, mapY) with its top-left at (screenX, screenY). Default: a grey square.
    virtual void drawTileAt(BaseEngine* engine, PixelCanvas* canvas, int mapX, int mapY,
                            int screenX, int screenY);
    // Draws every tile at its own screen position, columns outer and rows inner.
    void drawAllTiles(BaseEngine* engine, PixelCanvas* canvas);

    int getMapWidth() const { return mapWidth; }
    int getMapHeight() const { return mapHeight; }
    int getBaseScreenX() const { return baseScreenX; }
    int getBaseScreenY() const { return baseScreenY; }
    int getTileWidth() const { return tileWidth; }
    int getTileHeight() const { return tileHeight; }

protected:
    std::unique_ptr<int[]> tileValues;
    int mapWidth = 0;
    int mapHeight = 0;
    int baseScreenX = 0;
    int baseScreenY = 0;
    int tileHeight = 20;
    int tileWidth = 20;
};
