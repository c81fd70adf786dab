// HighScoreFile: appending one final score to "highScore.txt" safely. Knows nothing about engines
// or game state; the engine decides when a score is recorded and reports a failure.
#pragma once

#include <string>

class HighScoreFile {
public:
    // Appends score in decimal and "\n" to fileName, creating it when missing; a last line left
    // without its end gets one first, so no earlier score is damaged. Only a regular file is
    // written (on the desktop a link to one as well, see PlatformFiles::append); a named pipe or
    // anything else is left alone, and no call ever waits on a file. True when the line was
    // written whole.
    static bool append(const std::string& fileName, int score);
};
