// RegularFile: opening a data file (picture, font, save or score file) for reading without ever
// waiting on it. Owns nothing it returns; knows nothing about what the file holds.
#pragma once

#include <SDL.h>

#include <string>

class RegularFile {
public:
    // Opens fileName read-only when it is a regular file (or a link to one): the descriptor, or
    // -1 for anything else, so a named pipe or a device under the name cannot hold the game up.
    // size, when given, receives the file's length in bytes. The caller closes the descriptor.
    static int openForReading(const std::string& fileName, long long* size = nullptr);
    // The same as an SDL stream, or null. The caller owns it and closes it (for instance by
    // passing freesrc 1 to a loader).
    static SDL_RWops* open(const std::string& fileName);
};
