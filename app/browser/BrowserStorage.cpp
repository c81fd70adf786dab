// BrowserStorage: change detection by stat, one flush at a time, and the failure reports.
#include "BrowserStorage.h"

#include <emscripten.h>
#include <sys/stat.h>

// clang-format off: the bodies of EM_JS are JavaScript.
// Starts FS.syncfs towards IndexedDB; its end calls dustreach_storage_flushed(storage, ok).
EM_JS(void, startFlush, (void* storage), {
    FS.syncfs(
        false, function(error) {
            if (error)
                console.error("IndexedDB refused the files:", error);
            _dustreach_storage_flushed(storage, error ? 0 : 1);
        });
});

// Tells the page, once, that the files live only as long as it does.
EM_JS(void, showStorageLoss, (), {
    if (Module["onStorageLost"])
        Module["onStorageLost"]();
});
// clang-format on

extern "C" EMSCRIPTEN_KEEPALIVE void dustreach_storage_flushed(void* storage, int ok)
{
    static_cast<BrowserStorage*>(storage)->flushEnded(ok != 0);
}

bool BrowserStorage::Version::operator!=(const Version& other) const
{
    return inode != other.inode || size != other.size || modified != other.modified;
}

BrowserStorage::Version BrowserStorage::versionOf(const char* fileName)
{
    struct stat info {};
    if (stat(fileName, &info) != 0)
        return {};
    return {info.st_ino, info.st_size, info.st_mtime};
}

BrowserStorage::BrowserStorage()
{
    for (Watched& watched : files)
        watched.kept = versionOf(watched.file.name());
}

void BrowserStorage::keepChangedFiles()
{
    if (flushing)
        return;  // the flush under way ends by looking again
    bool changed = false;
    for (Watched& watched : files) {
        const Version now = versionOf(watched.file.name());
        watched.inFlush = now != watched.kept;
        watched.kept = now;
        changed = changed || watched.inFlush;
    }
    if (!changed)
        return;
    flushing = true;
    startFlush(this);
}

void BrowserStorage::flushEnded(bool ok)
{
    flushing = false;
    for (Watched& watched : files) {
        if (watched.inFlush)
            watched.file.reportWrite(ok);
        watched.inFlush = false;
    }
    if (!ok && !lossShown) {
        lossShown = true;
        showStorageLoss();
    }
    keepChangedFiles();
}
