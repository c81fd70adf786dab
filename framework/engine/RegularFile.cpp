// RegularFile: an SDL stream on a file the platform's file layer opened as a regular file.
#include "RegularFile.h"

#include <cstdio>

#include "PlatformFiles.h"

SDL_RWops* RegularFile::open(const std::string& fileName)
{
    long long size = 0;
    std::FILE* file = PlatformFiles::openForReading(fileName, size);
    if (!file)
        return nullptr;
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    if (!stream)
        std::fclose(file);
    return stream;
}
