// GameFile: the two file names, their folder, and the once-per-run report of failed writes.
#include "GameFile.h"

#include <cstdio>

GameFile GameFile::save(const std::string& folder)
{
    return GameFile("currentSave.txt", "Could not save the game to", folder);
}

GameFile GameFile::highScores(const std::string& folder)
{
    return GameFile("highScore.txt", "Could not record the score in", folder);
}

GameFile::GameFile(const char* fileName, const char* what, const std::string& folder)
    : fileName(fileName), what(what), filePath(folder.empty() ? fileName : folder + "/" + fileName)
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
