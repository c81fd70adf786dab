// GameFile: the two file names, their folder, and the once-per-run report of failed writes.
#include "GameFile.h"

#include <cstdio>

#include "PlatformFiles.h"

GameFile GameFile::save(const std::string& folder)
{
    return GameFile("currentSave.txt", "Could not save the game to", folder);
}

GameFile GameFile::highScores(const std::string& folder)
{
    return GameFile("highScore.txt", "Could not record the score in", folder);
}

GameFile::GameFile(const char* fileName, const char* what, const std::string& folder)
    : fileName(fileName),
      what(what),
      folder(folder),
      filePath(folder.empty() ? fileName : folder + "/" + fileName)
{
}

bool GameFile::makeFolder()
{
    if (folder.empty() || PlatformFiles::makeFolder(folder))
        return true;
    if (!failureReported) {
        std::printf("Could not make the folder %s\n", folder.c_str());
        std::fflush(stdout);
    }
    return false;
}

void GameFile::reportWrite(bool written)
{
    if (!written && !failureReported) {
        std::printf("%s %s\n", what, fileName);
        std::fflush(stdout);
    }
    failureReported = !written;
}
