// ImageManager: the program-wide picture cache and its three console lines. Loads each file once
// for as long as anybody holds it; kept pictures stay until the cache is destroyed. Does not draw
// and does not decode pictures itself (RawImageData does).
#include "ImageManager.h"

#include <cstdio>
#include <utility>

namespace {

// The one cache of the program; empty before first use and after destroyInstance.
std::unique_ptr<ImageManager> instance;

// Prefix and file name on one line, flushed at once so the line shows up even if the program
// dies right after. fwrite keeps the name whole whatever bytes it holds.
void printLine(const char* prefix, const std::string& fileName)
{
    std::fputs(prefix, stdout);
    std::fwrite(fileName.data(), 1, fileName.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

// fileName by value: a reference could be to a key of the cache, which this may erase.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
std::shared_ptr<RawImageData> ImageManager::getImagePtrbyURL(std::string fileName,
                                                             bool loadIfMissing, bool keepLoaded)
{
    printLine("\t\t+++ Find image:", fileName);

    const auto found = loadedImages.find(fileName);
    if (found != loadedImages.end()) {
        if (std::shared_ptr<RawImageData> living = found->second.lock()) {
            // keepLoaded is not looked at here: a picture first loaded without it stays unkept.
            return living;
        }
        loadedImages.erase(found);
    }
    if (!loadIfMissing) {
        return nullptr;
    }

    printLine("\t\t+++ Load image:", fileName);
    std::shared_ptr<RawImageData> image = loadImageData(fileName);
    if (!image) {
        // No entry is made, so the next request tries the file again.
        printLine("ImageManager::getImagePtrbyURL() : Failed to load image", fileName);
        return nullptr;
    }
    loadedImages[fileName] = image;
    if (keepLoaded) {
        keptImages[fileName] = image;
    }
    return image;
}

std::shared_ptr<RawImageData> ImageManager::loadImageData(const std::string& fileName)
{
    auto image = std::make_shared<RawImageData>(fileName);
    if (!image->loadImage(fileName)) {
        return nullptr;
    }
    return image;
}

ImageHandle ImageManager::loadImage(std::string fileName, bool keepLoaded)
{
    return ImageHandle(createInstance()->getImagePtrbyURL(std::move(fileName), true, keepLoaded));
}

ImageManager* ImageManager::getInstance()
{
    return instance.get();
}

ImageManager* ImageManager::createInstance()
{
    if (!instance) {
        instance.reset(new ImageManager());
    }
    return instance.get();
}

void ImageManager::destroyInstance()
{
    instance.reset();
}

ImageManager::~ImageManager()
{
    // Kept pictures first: once their strong references are gone, the weak list can go.
    keptImages.clear();
    loadedImages.clear();
}
