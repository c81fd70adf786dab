// HighScoreFile: the append of one score line, without blocking and only to a regular file.
#include "HighScoreFile.h"

#include <cstdio>

#include "PlatformFiles.h"

namespace {

// Whether the file ends in something other than a line end. A missing, empty, unreadable or
// irregular file needs nothing.
bool lastLineIsOpen(const std::string& fileName)
{
    long long size = 0;
    std::FILE* file = PlatformFiles::openForReading(fileName, size);
    if (!file)
        return false;
    int last = '\n';
    if (size > 0 && std::fseek(file, -1, SEEK_END) == 0)
        last = std::fgetc(file);
    std::fclose(file);
    return last != '\n' && last != EOF;
}

}  // namespace

bool HighScoreFile::append(const std::string& fileName, int score)
{
    std::string line = lastLineIsOpen(fileName) ? "\n" : "";
    line += std::to_string(score);
    line += '\n';
    // One append of the whole line: it lands at the end or the failure is seen.
    return PlatformFiles::append(fileName, line);
}
