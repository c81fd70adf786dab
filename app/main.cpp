// Entry point: seeds the random generator, runs the game's engine through its fixed lifecycle
// (construct, initialise, main loop, deinitialise, destroy) and destroys the picture cache last.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ImageManager.h"
#include "VorlanEngine.h"

int main(int, char**)
{
    std::srand(static_cast<unsigned int>(std::time(nullptr)));
    int exitCode = 0;
    {
        VorlanEngine engine;
        char title[1024];
        std::snprintf(title, sizeof title, "Dustreach : Size %d x %d", 600, 800);
        exitCode = engine.initialise(title, 600, 800, "Cornerstone Regular.ttf", 24);
        if (exitCode == 0)
            exitCode = engine.mainLoop();
        engine.deinitialise();
    }
    ImageManager::destroyInstance();
    return exitCode;
}
