// ImageManager: the program-wide picture cache. Finds or loads a picture by file name, remembers
// every loaded picture by a weak reference and keeps the ones asked for with keepLoaded by a strong
// one. There is one instance, created on first use and destroyed by the entry point after the
// engine (destroyInstance). Does not draw.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "ImageHandle.h"
#include "RawImageData.h"

class ImageManager {
public:
    // Finds fileName in the cache or (with loadIfMissing) loads it. Prints the find line, and the
    // load and failure lines when it loads. Empty result when there is no image.
    std::shared_ptr<RawImageData> getImagePtrbyURL(std::string fileName, bool loadIfMissing,
                                                   bool keepLoaded);
    // Loads fileName into a new RawImageData; empty when it cannot be read.
    static std::shared_ptr<RawImageData> loadImageData(const std::string& fileName);

    // Handle on fileName through the program-wide cache (created on first use).
    static ImageHandle loadImage(std::string fileName, bool keepLoaded);

    // The program-wide cache, or nullptr before first use / after destroyInstance.
    static ImageManager* getInstance();
    // Creates the program-wide cache when it does not exist yet.
    static ImageManager* createInstance();
    // Releases kept images, then the weak list, then the cache itself.
    static void destroyInstance();

    // For tests: whether fileName is currently held by the kept list.
    bool isKept(const std::string& fileName) const { return keptImages.count(fileName) != 0; }

    ~ImageManager();

private:
    ImageManager() = default;

    std::map<std::string, std::weak_ptr<RawImageData>> loadedImages;
    std::map<std::string, std::shared_ptr<RawImageData>> keptImages;
};
