// FontCache: every font the program asked for, opened once per (file name, point size) and kept
// until the cache is destroyed. Owns the GameFont records and their open fonts; records never move,
// so pointers to them stay valid for the cache's life.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "GameFont.h"

class FontCache {
public:
    FontCache() = default;
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;
    // Closes every open font ("Free font: ..." for each) and frees the records.
    ~FontCache();

    // The record for (name, size), created (and opened when fonts are loadable) on first request.
    // Never null; its font is null when opening failed. Prints "Loading font: ..." on creation and
    // "Font loading failed." when the record has no open font afterwards.
    GameFont* getFont(const std::string& name, int size);
    // Opens every recorded font not yet open (silently) and lets later getFont calls open at once.
    void loadFonts();

    int getCount() const { return static_cast<int>(records.size()); }
    // Slots reserved: starts at 20 and grows by 10 whenever a new record would not fit.
    int getCapacity() const { return capacity; }
    bool areFontsLoadable() const { return fontsLoadable; }

private:
    std::vector<std::unique_ptr<GameFont>> records;
    int capacity = 20;
    bool fontsLoadable = false;
};
