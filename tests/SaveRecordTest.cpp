// Tests of the save record: what parses and what does not, the exact text written, that reading
// never touches the file, and that a failed write keeps the last good save (failures are provoked
// in ways that work for root too: a folder where the temporary file must go, a file size limit).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <iterator>
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

TEST(SaveRecordParse, AcceptsAnyWhiteSpaceIgnoresWhatFollowsAndRejectsTheRest)
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

    std::string fifteen = sixteenLines("\n", true);
    fifteen.erase(fifteen.rfind("157"));
    std::string textInside = sixteenLines("\n", true);
    textInside.replace(textInside.find("27"), 2, "x7");
    const std::string bad[] = {
        "", "\n\n  \n", fifteen, textInside, "abc\n" + sixteenLines("\n", true),
        "2147483648\n" + sixteenLines("\n", true),    // one past the largest int
        "-2147483649\n" + sixteenLines("\n", true),   // one below the smallest
        "99999999999999999999\n" + sixteenLines("\n", true),
    };
    for (const std::string& text : bad) {
        SaveRecord record = sentinelRecord();
        EXPECT_FALSE(SaveRecord::parse(text, record)) << text;
        EXPECT_EQ(record.fields, sentinelRecord().fields) << text;
    }
}

TEST(SaveRecordFormat, PlainDecimalsOnePerLineThatParseBackAtTheEndsOfInt)
{
    EXPECT_EQ(startRecord().format(),
              "0\n5\n230\n610\n95\n30\n295\n30\n395\n30\n495\n30\n205\n28\n0\n1\n");
    SaveRecord extreme = startRecord();
    extreme.fields[0] = -3;
    extreme.fields[1] = INT_MIN;
    extreme.fields[2] = INT_MAX;
    EXPECT_EQ(extreme.format().substr(0, 26), "-3\n-2147483648\n2147483647\n");
    SaveRecord back = sentinelRecord();
    ASSERT_TRUE(SaveRecord::parse(extreme.format(), back));
    EXPECT_EQ(back.fields, extreme.fields);
}

// Writing and replacing are followed byte by byte in SaveFaultsTest and through the game.
TEST(SaveRecordFile, ReadingNeverChangesTheFileAndOpensOnlyARegularOne)
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

    // A named pipe without a writer would block the game for good if it were opened.
    fs::remove(kName);
    ASSERT_EQ(mkfifo(kName, 0600), 0);
    EXPECT_FALSE(SaveRecord::readFile(kName, record));
    EXPECT_EQ(record.fields, sentinelRecord().fields);
    fs::remove(kName);
    fs::create_directory(kName);
    EXPECT_FALSE(SaveRecord::readFile(kName, record));
}

// A target that is a folder, and a folder without write permission, are tried through the game
// (SaveFaultsTest, FaultsTest).
TEST(SaveRecordFile, AFailedWriteKeepsTheOldFileByteForByte)
{
    ScopedTempDir dir;
    const std::string old = "12\n-4\nold save\n";
    const std::string temporary = std::string(kName) + ".tmp";
    writeFile(kName, old);

    // The temporary file cannot be created.
    fs::create_directory(temporary);
    EXPECT_FALSE(startRecord().writeFile(kName));
    EXPECT_EQ(readFile(kName), old);
    fs::remove(temporary);

    // The disk fills up: the buffered bytes fail only at flush (a file size limit stands in).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{8, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &full);
    const bool saved = startRecord().writeFile(kName);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(kName), old);
    EXPECT_FALSE(fs::exists(fs::symlink_status(temporary)));  // the temporary is cleaned away
}
