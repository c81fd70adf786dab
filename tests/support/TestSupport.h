// Test support: a headless engine set-up, standard-output capture at the file-descriptor level
// (so printf and puts are caught), a temporary working folder, paths to the repository's assets,
// a point filter that records what it is asked, and a canvas on a surface of its own.
// Shared by every test executable; owns nothing beyond the objects it returns.
#pragma once

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "FilterPoints.h"
#include "PixelCanvas.h"

class BaseEngine;

namespace dustreach::test {

// Path of a file in the repository's assets folder.
std::string assetPath(const std::string& name);

// The nine picture files the game reads from its working folder: assets/game-data.txt without
// the font.
const std::vector<std::string>& gamePictures();
// The font file the game opens.
inline const char* const kGameFont = "Cornerstone Regular.ttf";

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
    // Copies one file, or every file the game reads (its pictures and font), from the assets
    // folder into this one.
    void copyAsset(const std::string& name) const;
    void copyGameData() const;

private:
    std::string dir;
    std::string previous;
};

// The whole file as bytes ("" when missing), and the file replaced by bytes.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// A canvas's whole pixel block, pitch times height bytes.
std::string pixelBytes(const PixelCanvas& canvas);
// Counts surface pixels equal to colour (alpha byte ignored) in the rectangle [x0,x1) x [y0,y1).
int countPixels(const PixelCanvas& canvas, unsigned int colour, int x0, int y0, int x1, int y1);

// One point as a filter was asked about it: x, y and colour.
using AskedPoint = std::tuple<int, int, unsigned int>;

// A point filter that records every point it is asked about, in order, and then accepts (true)
// or refuses (false) it unchanged.
class RecordingFilter : public FilterPoints {
public:
    explicit RecordingFilter(bool accept = true) : accept(accept) {}
    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) override;

    bool accept;
    std::vector<AskedPoint> asked;
};

// A recording filter that then moves each point by (+3, -2), recolours it (colour * 5 + 1, so
// that colours pile up along a chain) and refuses it where the moved x + y is a multiple of 5.
class ShiftingFilter : public RecordingFilter {
public:
    bool filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour) override;
};

// A canvas without engine and without filter, on a surface of its own in the engine's pixel
// format (32 bits, red 0x00FF0000 ... alpha 0xFF000000), all pixels 0. Frees the surface.
class SurfaceCanvas : public PixelCanvas {
public:
    SurfaceCanvas(int width, int height);
    ~SurfaceCanvas();
    SurfaceCanvas(const SurfaceCanvas&) = delete;
    SurfaceCanvas& operator=(const SurfaceCanvas&) = delete;
};

}  // namespace dustreach::test
