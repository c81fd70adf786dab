// BrowserStorage: keeps the game's two files in the browser's storage. The game writes them in a
// folder of their own in memory (storage.js fills it from IndexedDB before main runs); after every
// frame this class looks for a finished write and hands the written files to the page, which
// stores them (storage.js). When the browser's storage is unavailable or full, the game plays on:
// the failed file's usual line is printed and the page is told that saves will not outlast it,
// each once per run of failures (as on the desktop). Plain C++: the page's side comes in as two
// functions, so the desktop tests drive it.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <string>

#include "GameFile.h"

class BrowserStorage {
public:
    // Starts storing the files written (the save, the high scores, or both); the page answers
    // later through flushEnded.
    using Flush = std::function<void(bool save, bool highScores)>;
    // Tells the page that the files will not outlast it.
    using Notice = std::function<void()>;

    // Watches the two files in folder, taking them as they are now (just loaded) as kept.
    BrowserStorage(const std::string& folder, Flush flush, Notice storageLost);
    BrowserStorage(const BrowserStorage&) = delete;
    BrowserStorage& operator=(const BrowserStorage&) = delete;

    // Called after every frame: starts a flush when either file was written since it was last
    // handed over. While a flush is under way it waits; the flush's end looks again.
    void keepChangedFiles();
    // The end of a flush, from the page: ok is false when the browser refused the files.
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
    static Version versionOf(const std::string& path);

    Watched files[2];
    Flush flush;
    Notice storageLost;
    bool underWay = false;
    bool lossShown = false;
};
