// GameFont: one font of the font cache, keyed by (file name, point size). Owns its open SDL_ttf
// handle until the FontCache closes it; the cache owns the GameFont.
#pragma once

#include <SDL_ttf.h>

#include <string>

class GameFont {
public:
    GameFont(std::string fileName, int pointSize)
        : fileName(std::move(fileName)), pointSize(pointSize)
    {
    }
    GameFont(const GameFont&) = delete;
    GameFont& operator=(const GameFont&) = delete;

    // The open font, or nullptr when it has not been (or could not be) opened.
    TTF_Font* getTTFFont() const { return font; }
    const std::string& getName() const { return fileName; }
    int getSize() const { return pointSize; }

    TTF_Font* font = nullptr;
    std::string fileName;
    int pointSize;
};
