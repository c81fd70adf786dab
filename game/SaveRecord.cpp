// SaveRecord: parsing and formatting of the sixteen-integer save record, and the file operations
// that keep the last good save safe: reads never touch the file, writes go to a temporary file
// beside it that replaces it only when every byte is out.
#include "SaveRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <istream>
#include <sstream>

#include "RegularFile.h"

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
    const int fd = RegularFile::openForReading(fileName, &size);
    std::FILE* file = fd >= 0 && size <= kMaxFileSize ? fdopen(fd, "rb") : nullptr;
    if (!file) {
        if (fd >= 0)
            close(fd);
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
    // The temporary is always a fresh regular file of our own: whatever stands under its name (a
    // stale temporary, a link to another file, a named pipe) is taken away first, and the new one
    // is created exclusively, so no link is followed and no open waits on a pipe. A folder there
    // cannot be unlinked and makes the exclusive create fail: the save fails, the old one stays.
    unlink(temporary.c_str());
    const int fd = open(temporary.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    std::FILE* file = fdopen(fd, "w");
    if (!file) {
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    bool written = writer(file, format());
    // A full disk often shows only when the buffer is flushed or the file closed.
    written = std::fflush(file) == 0 && written;
    // On the disk before it replaces the old save, so a power cut leaves one or the other whole.
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    // rename replaces a link at fileName itself, never the file it points to.
    if (!written || std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
