// SaveRecord: the sixteen integers of a saved game ("currentSave.txt"), their text form, and the
// safe reading and writing of the file. Knows nothing about objects or engines.
#pragma once

#include <array>
#include <cstdio>
#include <functional>
#include <string>

class SaveRecord {
public:
    static constexpr int kFieldCount = 16;
    // A complete record is a few hundred bytes; a file beyond this is refused unread, so a huge
    // file cannot stall the game.
    static constexpr long kMaxFileSize = 64L * 1024;

    // Field order: score, lives, the six objects' centres (x then y, index 0 to 5),
    // speedBoostActive, level.
    std::array<int, kFieldCount> fields{};

    // Parses the first sixteen whitespace-separated decimal ints of text (anything after them is
    // ignored). False when fewer than sixteen could be read, one is not a number, or one is out
    // of int range; record is then unchanged.
    static bool parse(const std::string& text, SaveRecord& record);
    // Sixteen lines, each a plain decimal int and "\n".
    std::string format() const;

    // Reads and parses the file; false (record unchanged) when it is missing, unreadable, not a
    // regular file, larger than kMaxFileSize or incomplete. Never blocks, never modifies the file.
    static bool readFile(const std::string& fileName, SaveRecord& record);
    // Puts text into an open file; false when it could not. The plain one writes it all at once;
    // tests hand in one that stops part-way.
    using Writer = std::function<bool(std::FILE* file, const std::string& text)>;

    // Writes the record to a fresh temporary file, fileName + ".tmp", and renames it over fileName
    // only when everything was written; on any failure the old file stays as it was and nothing
    // else is written. True on success.
    bool writeFile(const std::string& fileName) const;
    bool writeFile(const std::string& fileName, const Writer& writer) const;
};
