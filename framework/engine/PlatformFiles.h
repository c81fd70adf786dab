// PlatformFiles: every system call of the game's file layer, and where the game's files live,
// behind one interface. The build compiles one implementation: platform/posix/PlatformFiles.cpp
// (the Linux desktop and the browser) or platform/windows/PlatformFiles.cpp. Paths are UTF-8
// text. Knows nothing about what the files hold; owns nothing it returns.
#pragma once

#include <cstdio>
#include <string>

class PlatformFiles {
public:
    // ---- The file layer -------------------------------------------------------------------------
    // Opens path for reading, in binary mode, when it is a regular file (a link to one is
    // followed): null for anything else (missing, a folder, a named pipe, a device), without ever
    // waiting on it. size receives the file's length in bytes. The caller closes the stream.
    static std::FILE* openForReading(const std::string& path, long long& size);
    // Creates path afresh as an empty regular file and opens it for writing in binary mode. What
    // stands under the name and is no folder (a stale file, a link, a named pipe) is removed
    // first, and the new file is created exclusively, so no link is followed and nothing waits.
    // Null when it cannot be made: a folder there, a device name, no rights.
    static std::FILE* createFresh(const std::string& path);
    // Flushes file, waits until its bytes are on the disk and closes it: false when any step
    // failed (a full disk often shows only here). The stream is closed either way.
    static bool closeOnDisk(std::FILE* file);
    // Puts the file at from in the place of to in one step, whether or not to exists: a reader
    // finds the old file or the new one, whole. A link at to is replaced, not written through.
    // False, and nothing changed, when it cannot be done.
    static bool replace(const std::string& from, const std::string& to);
    // Removes the file or link at path, if there is one; never a folder.
    static void remove(const std::string& path);
    // Adds text at the end of path, creating the file when missing, in one write: only to a
    // regular file, never waiting on a pipe or a device. A link to a regular file is followed on
    // POSIX systems (players link their score file elsewhere) and refused on Windows, where only
    // an administrator makes one. True when all of text was written.
    static bool append(const std::string& path, const std::string& text);
    // Makes the folder path when it is missing (its parent must exist). True when path is then a
    // folder the game may write in; false when it cannot be made or something else stands there.
    static bool makeFolder(const std::string& path);

    // ---- Where the files live -------------------------------------------------------------------
    // Makes the folder of the running program the working folder when the platform ships the
    // pictures and the font beside the program, since the game opens them by plain names; false
    // when that folder cannot be entered. Where the working folder is already the data folder (the
    // desktop's run folder and its launcher, the browser's site folder), changes nothing.
    static bool enterDataFolder();
    // The folder the game keeps its save and high scores in, made by the first write (see
    // makeFolder); "" for the working folder.
    static std::string savesFolder();
};
