// SaveRecord: parsing and formatting of the sixteen-integer save record, and the file operations
// that keep the last good save safe: reads never touch the file, writes go to a temporary file
// beside it that replaces it only when every byte is out.
#include "SaveRecord.h"

#include <cstdio>
#include <istream>
#include <sstream>

#include "PlatformFiles.h"

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
    long long size = 0;
    std::FILE* file = PlatformFiles::openForReading(fileName, size);
    if (!file)
        return false;
    if (size > kMaxFileSize) {
        std::fclose(file);
        return false;
    }
    // One byte more than allowed tells a file that grew since it was opened from one that fits.
    std::string text(static_cast<std::size_t>(kMaxFileSize) + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const bool readable = !std::ferror(file) &&
                          text.size() <= static_cast<std::size_t>(kMaxFileSize);
    std::fclose(file);
    return readable && parse(text, record);
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
    // The temporary is always a fresh regular file of our own (whatever stood under its name is
    // taken away, and no link is followed), written in binary mode: the same bytes on every
    // platform. A folder under its name makes the save fail, and the old one stays.
    std::FILE* file = PlatformFiles::createFresh(temporary);
    if (!file)
        return false;
    bool written = writer(file, format());
    // A full disk often shows only when the buffer is flushed or the file closed. On the disk
    // before it replaces the old save, so a power cut leaves one or the other whole.
    written = PlatformFiles::closeOnDisk(file) && written;
    if (!written || !PlatformFiles::replace(temporary, fileName)) {
        PlatformFiles::remove(temporary);
        return false;
    }
    return true;
}
