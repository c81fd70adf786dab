// TileManager: the geometry of a tile grid, its value array and the visit of every tile. What a
// tile looks like is drawTileAt's business; the default is a grey square. Owns only its values.
#include "TileManager.h"

#include <cstddef>
#include <new>

#include "PixelCanvas.h"

void TileManager::setMapSize(int width, int height)
{
    tileValues.reset();
    mapWidth = 0;
    mapHeight = 0;
    if (width <= 0 || height <= 0) {
        return;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // Value-initialised: every tile starts at 0. A size that cannot be allocated leaves no map.
    tileValues.reset(new (std::nothrow) int[count]());
    if (tileValues) {
        mapWidth = width;
        mapHeight = height;
    }
}

void TileManager::setBaseTilesPositionOnScreen(int x, int y)
{
    baseScreenX = x;
    baseScreenY = y;
}

int TileManager::getMapValue(int mapX, int mapY) const
{
    if (mapX < 0 || mapY < 0 || mapX >= mapWidth || mapY >= mapHeight) {
        return 0;
    }
    return tileValues[static_cast<std::size_t>(mapY) * static_cast<std::size_t>(mapWidth) +
                      static_cast<std::size_t>(mapX)];
}

void TileManager::setMapValue(int mapX, int mapY, int value)
{
    if (mapX < 0 || mapY < 0 || mapX >= mapWidth || mapY >= mapHeight) {
        return;
    }
    tileValues[static_cast<std::size_t>(mapY) * static_cast<std::size_t>(mapWidth) +
               static_cast<std::size_t>(mapX)] = value;
}

bool TileManager::isValidTilePosition(int screenX, int screenY) const
{
    // Wide arithmetic: the right and bottom edges of a large map at a far position overflow int.
    const long long right =
        static_cast<long long>(baseScreenX) + static_cast<long long>(mapWidth) * tileWidth;
    const long long bottom =
        static_cast<long long>(baseScreenY) + static_cast<long long>(mapHeight) * tileHeight;
    return screenX >= baseScreenX && screenY >= baseScreenY && screenX < right && screenY < bottom;
}

void TileManager::drawTileAt(BaseEngine* /*engine*/, PixelCanvas* canvas, int mapX, int mapY,
                             int screenX, int screenY)
{
    // The remainder is taken non-negative so that the shade stays a grey from 0x000000 to
    // 0xF0F0F0 for negative values too.
    long long shade = (static_cast<long long>(getMapValue(mapX, mapY)) + mapX + mapY) % 16;
    if (shade < 0) {
        shade += 16;
    }
    canvas->drawRectangle(screenX, screenY, screenX + tileWidth - 1, screenY + tileHeight - 1,
                          static_cast<unsigned int>(shade) * 0x101010u);
}

void TileManager::drawAllTiles(BaseEngine* engine, PixelCanvas* canvas)
{
    for (int mapX = 0; mapX < mapWidth; ++mapX) {
        for (int mapY = 0; mapY < mapHeight; ++mapY) {
            drawTileAt(engine, canvas, mapX, mapY, baseScreenX + tileWidth * mapX,
                       baseScreenY + tileHeight * mapY);
        }
    }
}
