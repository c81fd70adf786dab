// PlatformShell: what the operating system needs around the game before it starts. The desktop
// on Linux needs nothing (app/PlatformShell.cpp); Windows gives a GUI program's console lines a
// place (app/windows/PlatformShell.cpp).
#pragma once

// Called first thing by the entry point.
void preparePlatformShell();
