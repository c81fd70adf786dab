// Desktop entry point: seeds the random generator, runs the game's engine through its fixed
// lifecycle (construct, initialise, main loop, deinitialise, destroy) and destroys the picture
// cache last. Gamepads play beside the keyboard and the mouse while the main loop runs. The
// browser's entry point is app/browser/BrowserMain.cpp.
#include <SDL.h>

#include <cstdlib>
#include <ctime>

#include "GameWindow.h"
#include "GamepadControls.h"
#include "ImageManager.h"
#include "VorlanEngine.h"

int main(int, char**)
{
    std::srand(static_cast<unsigned int>(std::time(nullptr)));
    int exitCode = 0;
    {
        VorlanEngine engine;
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
