// Tests of the save record: what parses and what does not, the exact text written, and that the
// file operations never lose the last good save (failures are provoked in ways that work for
// root too: a folder or a full device where the temporary file must go).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <iterator>
#include <filesystem>
#include <string>

#include "SaveRecord.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using dustreach::test::ScopedTempDir;
using dustreach::test::readFile;
using dustreach::test::writeFile;

namespace {

const char* const kName = "currentSave.txt";

// The record of a game saved with every object at its start position.
SaveRecord startRecord()
{
    SaveRecord record;
    record.fields = {0, 5, 230, 610, 95, 30, 295, 30, 395, 30, 495, 30, 205, 28, 0, 1};
    return record;
}

SaveRecord sentinelRecord()
{
    SaveRecord record;
    record.fields.fill(-77);
    return record;
}

std::string sixteenLines(const std::string& lineEnd, bool finalLineEnd)
{
    std::string text;
    for (int i = 1; i <= SaveRecord::kFieldCount; ++i) {
        text += std::to_string(i * 10 - 3);
        if (i < SaveRecord::kFieldCount || finalLineEnd)
            text += lineEnd;
    }
    return text;
}

}  // namespace

TEST(SaveRecordParse, AcceptsAnyWhiteSpaceAndIgnoresWhatFollows)
{
    const std::string texts[] = {
        sixteenLines("\n", true),
        sixteenLines("\r\n", true),            // written on another system
        sixteenLines("\n", false),             // last line end missing
        "  " + sixteenLines(" \t ", false),    // the line structure is not enforced
        sixteenLines("\n", true) + "170\nnot a number\n",  // only the first sixteen count
    };
    for (const std::string& text : texts) {
        SaveRecord record = sentinelRecord();
        ASSERT_TRUE(SaveRecord::parse(text, record)) << text;
        for (int i = 0; i < SaveRecord::kFieldCount; ++i)
            EXPECT_EQ(record.fields[i], (i + 1) * 10 - 3) << "field " << i << " of " << text;
    }
}

TEST(SaveRecordParse, RejectsIncompleteOrBadRecordsAndLeavesTheRecordAlone)
{
    std::string fifteen = sixteenLines("\n", true);
    fifteen.erase(fifteen.rfind("157"));
    std::string textInside = sixteenLines("\n", true);
    textInside.replace(textInside.find("27"), 2, "x7");
    const std::string texts[] = {
        "",
        "\n\n  \n",
        fifteen,
        textInside,
        "abc\n" + sixteenLines("\n", true),
        "2147483648\n" + sixteenLines("\n", true),    // one past the largest int
        "-2147483649\n" + sixteenLines("\n", true),   // one below the smallest
        "99999999999999999999\n" + sixteenLines("\n", true),
    };
    for (const std::string& text : texts) {
        SaveRecord record = sentinelRecord();
        EXPECT_FALSE(SaveRecord::parse(text, record)) << text;
        EXPECT_EQ(record.fields, sentinelRecord().fields) << text;
    }
}

TEST(SaveRecordParse, KeepsTheExtremesOfInt)
{
    SaveRecord record;
    record.fields.fill(0);
    record.fields[0] = INT_MIN;
    record.fields[1] = INT_MAX;
    record.fields[15] = -3;
    SaveRecord back = sentinelRecord();
    ASSERT_TRUE(SaveRecord::parse(record.format(), back));
    EXPECT_EQ(back.fields, record.fields);
}

TEST(SaveRecordFormat, PlainDecimalsOnePerLine)
{
    EXPECT_EQ(startRecord().format(),
              "0\n5\n230\n610\n95\n30\n295\n30\n395\n30\n495\n30\n205\n28\n0\n1\n");
    SaveRecord negative = startRecord();
    negative.fields[0] = -3;
    negative.fields[1] = INT_MIN;
    EXPECT_EQ(negative.format().substr(0, 15), "-3\n-2147483648\n");
}

TEST(SaveRecordFile, WritesTheRecordAndASecondSaveReplacesIt)
{
    ScopedTempDir dir;
    ASSERT_TRUE(startRecord().writeFile(kName));
    SaveRecord second = startRecord();
    second.fields[0] = 42;
    second.fields[15] = 2;
    ASSERT_TRUE(second.writeFile(kName));
    EXPECT_EQ(readFile(kName), second.format());
    EXPECT_FALSE(fs::exists(std::string(kName) + ".tmp"));

    SaveRecord read = sentinelRecord();
    ASSERT_TRUE(SaveRecord::readFile(kName, read));
    EXPECT_EQ(read.fields, second.fields);
}

TEST(SaveRecordFile, ReadingNeverChangesTheFile)
{
    ScopedTempDir dir;
    SaveRecord record = sentinelRecord();
    EXPECT_FALSE(SaveRecord::readFile(kName, record));
    EXPECT_FALSE(fs::exists(kName));  // a missing file is not created

    const std::string texts[] = {"", "1\n2\nthree\n", sixteenLines("\r\n", false) + "\n\nrest"};
    for (const std::string& text : texts) {
        writeFile(kName, text);
        SaveRecord ignored;
        SaveRecord::readFile(kName, ignored);
        EXPECT_EQ(readFile(kName), text);
    }
    // Nothing was written beside it either.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(SaveRecordFile, OnlyARegularFileIsRead)
{
    ScopedTempDir dir;
    // A named pipe without a writer would block the game for good if it were opened.
    ASSERT_EQ(mkfifo(kName, 0600), 0);
    SaveRecord record = sentinelRecord();
    EXPECT_FALSE(SaveRecord::readFile(kName, record));
    EXPECT_EQ(record.fields, sentinelRecord().fields);
    fs::remove(kName);
    fs::create_directory(kName);
    EXPECT_FALSE(SaveRecord::readFile(kName, record));
}

TEST(SaveRecordFile, AFailedWriteKeepsTheOldFileByteForByte)
{
    ScopedTempDir dir;
    const std::string old = "12\n-4\n" + std::string("old save\n");
    const std::string temporary = std::string(kName) + ".tmp";
    SaveRecord record = startRecord();

    // The temporary file cannot be created.
    writeFile(kName, old);
    fs::create_directory(temporary);
    EXPECT_FALSE(record.writeFile(kName));
    EXPECT_EQ(readFile(kName), old);
    fs::remove(temporary);

    // The temporary file opens but the device is full: seen only at flush or close.
    fs::create_symlink("/dev/full", temporary);
    EXPECT_FALSE(record.writeFile(kName));
    EXPECT_EQ(readFile(kName), old);
    EXPECT_FALSE(fs::exists(fs::symlink_status(temporary)));  // the temporary is cleaned away

    // The target cannot be replaced: the temporary does not stay behind.
    fs::remove(kName);
    fs::create_directories(std::string(kName) + "/inside");
    EXPECT_FALSE(record.writeFile(kName));
    EXPECT_FALSE(fs::exists(fs::symlink_status(temporary)));
}

TEST(SaveRecordFile, AFolderWithoutWritePermissionKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root; the other failure tests cover this path";
    ScopedTempDir dir;
    writeFile(kName, "old\n");
    fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(startRecord().writeFile(kName));
    EXPECT_EQ(readFile(kName), "old\n");
}
