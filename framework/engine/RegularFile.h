// RegularFile: opening a data file (picture or font) for SDL without ever waiting on it. Owns
// nothing it returns; knows nothing about what the file holds.
#pragma once

#include <SDL.h>

#include <string>

class RegularFile {
public:
    // Opens fileName for reading when it is a regular file (or a link to one). Null for anything
    // else, so a named pipe or a device under a data file's name cannot hold the game up. The
    // caller owns the result and closes it (for instance by passing freesrc 1 to a loader).
    static SDL_RWops* open(const std::string& fileName);
};
