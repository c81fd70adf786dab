// BenchFolder: a fresh temporary folder holding copies of the game's pictures and font, made the
// working directory for the life of the object (the game opens its files by plain relative names).
// Owns the folder: it is removed, with whatever the game wrote there, on destruction.
#pragma once

#include <string>

class BenchFolder {
public:
    // assetDir: the folder whose pictures and font are copied.
    explicit BenchFolder(const std::string& assetDir);
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& path() const { return dir; }

private:
    std::string dir;
    std::string previous;
};
