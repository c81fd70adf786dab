// RegularFile: a non-blocking open, a check that it is a regular file, and an SDL stream on it.
#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

int RegularFile::openForReading(const std::string& fileName, long long* size)
{
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    if (size)
        *size = info.st_size;
    return fd;
}

SDL_RWops* RegularFile::open(const std::string& fileName)
{
    const int fd = openForReading(fileName);
    std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "rb");
    if (!file) {
        if (fd >= 0)
            close(fd);
        return nullptr;
    }
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    if (!stream)
        std::fclose(file);
    return stream;
}
