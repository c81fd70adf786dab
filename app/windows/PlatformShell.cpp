// PlatformShell on Windows. dustreach.exe is a GUI program, so Explorer opens no console window
// for it. Its console lines go where its starter points its standard output and error (a
// redirection to a file, a pipe); started from a console without one (cmd, PowerShell), it
// writes into that console; started from Explorer or a shortcut, there is no console and the
// lines are dropped.
#include "PlatformShell.h"

#include <windows.h>

#include <cstdio>

namespace {

// Whether the starter handed the program a standard handle: a GUI program started from a console
// without redirection gets none.
bool hasHandle(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void preparePlatformShell()
{
    const bool output = hasHandle(STD_OUTPUT_HANDLE);
    const bool error = hasHandle(STD_ERROR_HANDLE);
    if ((output && error) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // The console stays the starter's: its prompt may come back before the game's lines.
    if (!output)
        std::freopen("CONOUT$", "w", stdout);
    if (!error)
        std::freopen("CONOUT$", "w", stderr);
}
