// BenchFolder: creating, filling, entering and removing the temporary working folder.
#include "BenchFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

BenchFolder::BenchFolder(const std::string& assetDir)
{
    previous = fs::current_path().string();
    std::string pattern = (fs::temp_directory_path() / "dustreach-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    dir = pattern;
    for (const auto& entry : fs::directory_iterator(assetDir)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() &&
            (extension == ".png" || extension == ".jpg" || extension == ".ttf"))
            fs::copy_file(entry.path(), fs::path(dir) / entry.path().filename());
    }
    fs::current_path(dir);
}

BenchFolder::~BenchFolder()
{
    std::error_code error;
    fs::current_path(previous, error);
    fs::remove_all(dir, error);
}
