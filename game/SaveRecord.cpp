// SaveRecord: parsing and formatting of the sixteen-integer save record, and the file operations
// that keep the last good save safe: reads never touch the file, writes go to a temporary file
// beside it that replaces it only when every byte is out.
#include "SaveRecord.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <istream>
#include <sstream>

namespace {

// Formatted input: each number may be preceded by any white space (line ends of either kind
// included); a field that is not a number or does not fit an int stops the read.
bool readFields(std::istream& in, SaveRecord& record)
{
    SaveRecord parsed;
    for (int& field : parsed.fields) {
        if (!(in >> field))
            return false;
    }
    record = parsed;
    return true;
}

}  // namespace

bool SaveRecord::parse(const std::string& text, SaveRecord& record)
{
    std::istringstream in(text);
    return readFields(in, record);
}

std::string SaveRecord::format() const
{
    std::string text;
    for (int field : fields) {
        text += std::to_string(field);
        text += '\n';
    }
    return text;
}

bool SaveRecord::readFile(const std::string& fileName, SaveRecord& record)
{
    // Only a regular file can hold a save: opening a named pipe or a device would block the game
    // or read from something that is not a file.
    struct stat info;
    if (stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // Streamed rather than slurped: only the first sixteen numbers matter, however big the file.
    std::ifstream in(fileName);
    if (!in)
        return false;
    return readFields(in, record);
}

bool SaveRecord::writeFile(const std::string& fileName) const
{
    return writeFile(fileName, [](std::FILE* file, const std::string& text) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

bool SaveRecord::writeFile(const std::string& fileName, const Writer& writer) const
{
    const std::string temporary = fileName + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file)
        return false;
    bool written = writer(file, format());
    // A full disk often shows only when the buffer is flushed or the file closed.
    written = std::fflush(file) == 0 && written;
    // On the disk before it replaces the old save, so a power cut leaves one or the other whole.
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
