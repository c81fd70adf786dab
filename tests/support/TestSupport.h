// Test support: a headless engine set-up, standard-output capture at the file-descriptor level
// (so printf and puts are caught), a temporary working folder, and paths to the repository's
// assets. Shared by every test executable; owns nothing beyond the objects it returns.
#pragma once

#include <string>

class BaseEngine;
class PixelCanvas;

namespace dustreach::test {

// Path of a file in the repository's assets folder.
std::string assetPath(const std::string& name);

// Makes SDL use its dummy video driver (no display needed). Idempotent.
void useDummyVideo();

// initialise() the engine headless: dummy video, a 600 x 800 window, the game's font from the
// assets folder at 24 points (or no font when withFont is false). Returns initialise()'s result.
int initialiseHeadless(BaseEngine& engine, bool withFont = true, int width = 600, int height = 800);

// Captures everything written to standard output between construction and stop().
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    // Ends the capture and returns what was written.
    std::string stop();

private:
    bool active = true;
};

// Creates a fresh temporary folder and makes it the working directory; restores the previous
// working directory and removes the folder (recursively) on destruction.
class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;
    const std::string& path() const { return dir; }
    // Copies a file from the assets folder into this folder (same name).
    void copyAsset(const std::string& name) const;

private:
    std::string dir;
    std::string previous;
};

// Reads the whole file as bytes ("" when missing).
std::string readFile(const std::string& path);
// Writes bytes to the file, replacing it.
void writeFile(const std::string& path, const std::string& bytes);

// Counts surface pixels equal to colour (alpha byte ignored) in the rectangle [x0,x1) x [y0,y1).
int countPixels(const PixelCanvas& canvas, unsigned int colour, int x0, int y0, int x1, int y1);

}  // namespace dustreach::test
