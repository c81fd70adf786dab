// Desktop entry point: seeds the random generator, runs the game's engine through its fixed
// lifecycle (construct, initialise, main loop, deinitialise, destroy) and destroys the picture
// cache last. Gamepads play beside the keyboard and the mouse while the main loop runs. Where the
// game's files live is the platform's (PlatformFiles): on Windows the pictures and the font beside
// the exe, the saves in %APPDATA%\Dustreach. On Windows, SDL's WinMain calls this main (SDL.h
// renames it), which first readies the platform's shell (PlatformShell). The browser's entry point
// is app/browser/BrowserMain.cpp.
#include <SDL.h>

#include <cstdlib>
#include <ctime>

#include "GameWindow.h"
#include "GamepadControls.h"
#include "ImageManager.h"
#include "PlatformFiles.h"
#include "PlatformShell.h"
#include "VorlanEngine.h"

int main(int, char**)
{
    preparePlatformShell();
    std::srand(static_cast<unsigned int>(std::time(nullptr)));
    // Where that fails, each picture and the font is missing, as in a folder without them.
    PlatformFiles::enterDataFolder();
    int exitCode = 0;
    {
        VorlanEngine engine(PlatformFiles::savesFolder());
        exitCode = initialiseGameWindow(engine);
        if (exitCode == 0) {
            const GamepadControls gamepads(engine);
            exitCode = engine.mainLoop();
        }
        engine.deinitialise();
    }
    ImageManager::destroyInstance();
    return exitCode;
}
