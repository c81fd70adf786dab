// FIXME: a stand-in so the file layer's POSIX calls compile with mingw-w64, until the Windows file
// layer (its own system calls, where files live) replaces it; then delete this file and its
// -include in app/windows/CMakeLists.txt. It keeps the POSIX code's meaning where Windows has an
// equivalent and drops what Windows has not (non-blocking opens, not following links).
#pragma once

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/types.h>

// Every open of the file layer asks for O_NONBLOCK: binary mode rides on it, or pictures and fonts
// would be read with their line ends translated.
#define O_NONBLOCK _O_BINARY
#define O_CLOEXEC _O_NOINHERIT
#define O_NOFOLLOW 0
#define fsync _commit

inline ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    if (_lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    return _read(fd, buffer, static_cast<unsigned int>(count));
}
