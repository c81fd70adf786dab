// GameFile: the two file names and the once-per-run report of failed writes.
#include "GameFile.h"

#include <cstdio>

GameFile GameFile::save()
{
    return GameFile("currentSave.txt", "Could not save the game to");
}

GameFile GameFile::highScores()
{
    return GameFile("highScore.txt", "Could not record the score in");
}

GameFile::GameFile(const char* fileName, const char* what) : fileName(fileName), what(what)
{
}

void GameFile::reportWrite(bool written)
{
    if (!written && !failureReported) {
        std::printf("%s %s\n", what, fileName);
        std::fflush(stdout);
    }
    failureReported = !written;
}
