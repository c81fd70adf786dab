// RegularFile: opening a data file (a picture or the font) as an SDL stream without ever waiting on
// it. Owns nothing it returns; knows nothing about what the file holds.
#pragma once

#include <SDL.h>

#include <string>

class RegularFile {
public:
    // An SDL stream on fileName when it is a regular file (or a link to one), or null for anything
    // else, so a named pipe or a device under the name cannot hold the game up. The caller owns
    // the stream and closes it (for instance by passing freesrc 1 to a loader).
    static SDL_RWops* open(const std::string& fileName);
};
