// BrowserStorage: change detection by stat, one flush at a time, and the failure reports.
#include "BrowserStorage.h"

#include <sys/stat.h>

#include <utility>

bool BrowserStorage::Version::operator!=(const Version& other) const
{
    return inode != other.inode || size != other.size || modified != other.modified;
}

BrowserStorage::Version BrowserStorage::versionOf(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {};
    return {info.st_ino, info.st_size, info.st_mtime};
}

BrowserStorage::BrowserStorage(const std::string& folder, Flush flush, Notice storageLost)
    : files{{GameFile::save(folder), {}, false}, {GameFile::highScores(folder), {}, false}},
      flush(std::move(flush)),
      storageLost(std::move(storageLost))
{
    for (Watched& watched : files)
        watched.kept = versionOf(watched.file.path());
}

void BrowserStorage::keepChangedFiles()
{
    if (underWay)
        return;  // the flush under way ends by looking again
    bool changed = false;
    for (Watched& watched : files) {
        const Version now = versionOf(watched.file.path());
        watched.inFlush = now != watched.kept;
        watched.kept = now;
        changed = changed || watched.inFlush;
    }
    if (!changed)
        return;
    underWay = true;
    flush(files[0].inFlush, files[1].inFlush);
}

void BrowserStorage::flushEnded(bool ok)
{
    underWay = false;
    for (Watched& watched : files) {
        if (watched.inFlush)
            watched.file.reportWrite(ok);
        watched.inFlush = false;
    }
    // Once per run of failures: the page takes the note away when a flush works again.
    if (ok)
        lossShown = false;
    else if (!lossShown) {
        lossShown = true;
        storageLost();
    }
    keepChangedFiles();
}
