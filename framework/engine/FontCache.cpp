// FontCache: loading fonts once per (name, size) and closing them with the cache.
#include "FontCache.h"

#include <SDL_ttf.h>

#include <cstdio>

#include "RegularFile.h"

namespace {

TTF_Font* openFont(const std::string& fileName, int size)
{
    SDL_RWops* file = RegularFile::open(fileName);
    return file ? TTF_OpenFontRW(file, 1, size) : nullptr;
}

}  // namespace

FontCache::~FontCache()
{
    for (const auto& record : records) {
        if (record->font) {
            std::printf("Free font: %d point %s\n", record->pointSize, record->fileName.c_str());
            TTF_CloseFont(record->font);
            record->font = nullptr;
        }
    }
    std::fflush(stdout);
}

GameFont* FontCache::getFont(const std::string& name, int size)
{
    for (const auto& record : records)
        if (record->pointSize == size && record->fileName == name)
            return record.get();

    if (getCount() + 1 > capacity)
        capacity += 10;
    std::printf("Loading font: %d point %s\n", size, name.c_str());
    records.push_back(std::make_unique<GameFont>(name, size));
    GameFont* record = records.back().get();
    if (fontsLoadable)
        record->font = openFont(name, size);
    if (!record->font)
        std::printf("Font loading failed.\n");
    std::fflush(stdout);
    return record;
}

void FontCache::loadFonts()
{
    fontsLoadable = true;
    for (const auto& record : records)
        if (!record->font)
            record->font = openFont(record->fileName, record->pointSize);
}
