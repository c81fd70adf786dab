// PlatformFiles on POSIX systems (the Linux desktop, and the browser's file system, which
// emscripten gives the same calls): descriptors opened without blocking, fstat checks, fsync and
// rename. The game's files live in the working folder the launcher or the page chose.
#include "PlatformFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A stream on fd, or null with fd closed.
std::FILE* streamOn(int fd, const char* mode)
{
    std::FILE* file = fdopen(fd, mode);
    if (!file)
        close(fd);
    return file;
}

}  // namespace

std::FILE* PlatformFiles::openForReading(const std::string& path, long long& size)
{
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    size = info.st_size;
    return streamOn(fd, "rb");
}

std::FILE* PlatformFiles::createFresh(const std::string& path)
{
    // A folder cannot be unlinked and makes the exclusive create fail.
    unlink(path.c_str());
    const int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* file = streamOn(fd, "wb");
    if (!file)
        unlink(path.c_str());
    return file;
}

bool PlatformFiles::closeOnDisk(std::FILE* file)
{
    bool closed = std::fflush(file) == 0;
    closed = fsync(fileno(file)) == 0 && closed;
    return std::fclose(file) == 0 && closed;
}

bool PlatformFiles::replace(const std::string& from, const std::string& to)
{
    // rename replaces a link at to itself, never the file it points to.
    return rename(from.c_str(), to.c_str()) == 0;
}

void PlatformFiles::remove(const std::string& path)
{
    unlink(path.c_str());
}

bool PlatformFiles::append(const std::string& path, const std::string& text)
{
    // A link to a regular file is followed: players link their score file elsewhere. A named pipe
    // without a reader fails here at once (ENXIO) instead of waiting for one.
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat info {};
    bool written = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    // One write with O_APPEND: the text lands whole at the end or the failure is seen.
    written = written && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

bool PlatformFiles::makeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0777) == 0)
        return true;
    struct stat info {};
    return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PlatformFiles::enterDataFolder()
{
    return true;
}

std::string PlatformFiles::savesFolder()
{
    return {};
}
