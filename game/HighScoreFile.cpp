// HighScoreFile: the append of one score line, without blocking and only to a regular file.
#include "HighScoreFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RegularFile.h"

namespace {

// Whether the file ends in something other than a line end. A missing, empty, unreadable or
// irregular file needs nothing.
bool lastLineIsOpen(const std::string& fileName)
{
    long long size = 0;
    const int fd = RegularFile::openForReading(fileName, &size);
    if (fd < 0)
        return false;
    char last = '\n';
    if (size > 0 && pread(fd, &last, 1, size - 1) != 1)
        last = '\n';
    close(fd);
    return last != '\n';
}

}  // namespace

bool HighScoreFile::append(const std::string& fileName, int score)
{
    std::string line = lastLineIsOpen(fileName) ? "\n" : "";
    line += std::to_string(score);
    line += '\n';
    // A link to a regular file is followed: players link their score file elsewhere. A named pipe
    // without a reader fails here at once (ENXIO) instead of waiting for one.
    const int fd =
        open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat info {};
    bool written = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    // One write with O_APPEND: the line lands whole at the end or the failure is seen.
    written = written && write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    written = close(fd) == 0 && written;
    return written;
}
