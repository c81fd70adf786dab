// BrowserStorage: keeps the game's two files in the browser's storage. The working folder is an
// IndexedDB-backed folder (Emscripten's IDBFS, mounted and loaded by storage.js before main
// runs); writes land in memory, and this class hands every finished write to IndexedDB at once.
// When the browser's storage is unavailable or full, the game plays on: the failed file's usual
// line is printed (once per run of failures, as on the desktop) and the page says, once, that
// saves will not outlast it. Browser only.
#pragma once

#include <sys/types.h>

#include <ctime>

#include "GameFile.h"

class BrowserStorage {
public:
    // Takes the files as they are now (just loaded) as kept.
    BrowserStorage();
    BrowserStorage(const BrowserStorage&) = delete;
    BrowserStorage& operator=(const BrowserStorage&) = delete;

    // Called after every frame: starts a flush to IndexedDB when either file was written since
    // it was last kept, or when a flush was asked for while the previous one was under way.
    void keepChangedFiles();
    // The end of a flush, from the page: ok is false when IndexedDB refused it.
    void flushEnded(bool ok);

private:
    // What tells one version of a file from the next: a save replaces the file (a new inode),
    // an appended score makes it longer, and any write moves its time.
    struct Version {
        ino_t inode = 0;
        off_t size = -1;
        std::time_t modified = 0;
        bool operator!=(const Version& other) const;
    };
    struct Watched {
        GameFile file;
        Version kept;
        bool inFlush = false;
    };
    static Version versionOf(const char* fileName);

    Watched files[2] = {{GameFile::save(), {}, false}, {GameFile::highScores(), {}, false}};
    bool flushing = false;
    bool lossShown = false;
};
