// PlatformShell on Linux: the game's lines already go to the standard output and error it was
// started with.
#include "PlatformShell.h"

void preparePlatformShell()
{
}
