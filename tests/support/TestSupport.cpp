// Test support implementation (see TestSupport.h).
#include "TestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "BaseEngine.h"

namespace fs = std::filesystem;

namespace dustreach::test {

std::string assetPath(const std::string& name)
{
    return DUSTREACH_ASSET_DIR "/" + name;
}

void useDummyVideo()
{
    // SDL's own setenv: the C runtime's differs between Linux and Windows.
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
}

int initialiseHeadless(BaseEngine& engine, bool withFont, int width, int height)
{
    useDummyVideo();
    const std::string font = withFont ? assetPath(kGameFont) : std::string();
    return engine.initialise("Dustreach test", width, height, font.c_str(), 24);
}

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
}

StdoutCapture::~StdoutCapture()
{
    if (active)
        stop();
}

std::string StdoutCapture::stop()
{
    std::fflush(stdout);
    active = false;
    return testing::internal::GetCapturedStdout();
}

ScopedTempDir::ScopedTempDir() : previous(fs::current_path().string())
{
    // A name no other test process holds: create_directory makes only a folder that did not exist.
    // (Not rand(): the tests seed it, and a name must not change what they draw from it.)
    const std::string stamp = std::to_string(SDL_GetPerformanceCounter());
    for (int attempt = 0; dir.empty(); ++attempt) {
        if (attempt == 100)
            throw std::runtime_error("cannot create a temporary folder");
        const fs::path candidate =
            fs::temp_directory_path() / ("dustreach-test-" + stamp + "-" + std::to_string(attempt));
        if (fs::create_directory(candidate))
            dir = candidate.string();
    }
    fs::current_path(dir);
}

ScopedTempDir::~ScopedTempDir()
{
    std::error_code error;
    fs::current_path(previous, error);
    // A test may have taken away its own write permission; give it back so removal works.
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(dir, error);
}

void ScopedTempDir::copyAsset(const std::string& name) const
{
    fs::copy_file(assetPath(name), fs::path(dir) / name, fs::copy_options::overwrite_existing);
}

void ScopedTempDir::copyGameData() const
{
    copyAsset(kGameFont);
    for (const std::string& name : gamePictures())
        copyAsset(name);
}

const std::vector<std::string>& gamePictures()
{
    static const std::vector<std::string> pictures = [] {
        std::vector<std::string> names;
        std::istringstream list(readFile(assetPath("game-data.txt")));
        for (std::string name; std::getline(list, name);) {
            if (!name.empty() && name[0] != '#' && name != kGameFont)
                names.push_back(name);
        }
        if (names.empty())
            throw std::runtime_error("no pictures listed in assets/game-data.txt");
        return names;
    }();
    return pictures;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

int countPixels(const PixelCanvas& canvas, unsigned int colour, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            count += (canvas.rawGetPixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

bool RecordingFilter::filter(PixelCanvas*, int& x, int& y, unsigned int& colour)
{
    asked.emplace_back(x, y, colour);
    return accept;
}

bool ShiftingFilter::filter(PixelCanvas* canvas, int& x, int& y, unsigned int& colour)
{
    RecordingFilter::filter(canvas, x, y, colour);
    x += 3;
    y -= 2;
    colour = colour * 5 + 1;
    return (x + y) % 5 != 0;
}

SurfaceCanvas::SurfaceCanvas(int width, int height) : PixelCanvas(nullptr)
{
    setSurface(
        SDL_CreateRGBSurface(0, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000));
    if (!getSurface())
        throw std::runtime_error(std::string("cannot create a surface: ") + SDL_GetError());
}

SurfaceCanvas::~SurfaceCanvas()
{
    SDL_FreeSurface(getSurface());
}

std::string pixelBytes(const PixelCanvas& canvas)
{
    const SDL_Surface* surface = canvas.getSurface();
    return std::string(static_cast<const char*>(surface->pixels),
                       static_cast<std::size_t>(surface->pitch) * surface->h);
}

}  // namespace dustreach::test
