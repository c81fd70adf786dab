// QuietOutput: swapping descriptor 1 for /dev/null and back, flushing both C and C++ streams.
#include "QuietOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

QuietOutput::QuietOutput()
{
    std::cout.flush();
    std::fflush(stdout);
    const int sink = open("/dev/null", O_WRONLY);
    if (sink < 0)
        return;
    saved = dup(STDOUT_FILENO);
    dup2(sink, STDOUT_FILENO);
    close(sink);
}

QuietOutput::~QuietOutput()
{
    if (saved < 0)
        return;
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
}
