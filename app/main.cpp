// Desktop entry point: seeds the random generator, runs the game's engine through its fixed
// lifecycle (construct, initialise, main loop, deinitialise, destroy) and destroys the picture
// cache last. The browser's entry point is app/browser/BrowserMain.cpp. On Windows, SDL's WinMain
// calls this main (SDL.h renames it), which first readies the platform's shell (PlatformShell).
#include <SDL.h>

#include <cstdlib>
#include <ctime>

#include "GameWindow.h"
#include "ImageManager.h"
#include "PlatformShell.h"
#include "VorlanEngine.h"

int main(int, char**)
{
    preparePlatformShell();
    std::srand(static_cast<unsigned int>(std::time(nullptr)));
    int exitCode = 0;
    {
        VorlanEngine engine;
        exitCode = initialiseGameWindow(engine);
        if (exitCode == 0)
            exitCode = engine.mainLoop();
        engine.deinitialise();
    }
    ImageManager::destroyInstance();
    return exitCode;
}
