// The save and score files' Windows-only faults: device names, links and junctions, folders named
// outside ASCII, read-only files and folders, and where the files live (FilesTest, run under Wine
// too, has those every system shares: a save replaced, line ends, folders in the way). Built for
// Windows only (tests/CMakeLists.txt); run under Wine by the cross-build's tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include "GameFile.h"
#include "HighScoreFile.h"
#include "PlatformFiles.h"
#include "SaveRecord.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using dustreach::test::readFile;
using dustreach::test::writeFile;

namespace {

const std::string kSave = "currentSave.txt";
const std::string kTemporary = "currentSave.txt.tmp";
const std::string kHighScores = "highScore.txt";

SaveRecord record(int score)
{
    return {{score, 5, 230, 610, 95, 30, 295, 30, 395, 30, 495, 30, 205, 28, 0, 1}};
}

DWORD attributes(const fs::path& path)
{
    return GetFileAttributesW(path.wstring().c_str());
}

bool isReparsePoint(const fs::path& path)
{
    const DWORD found = attributes(path);
    return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Runs a command line and waits for it: its exit code, or -1 when it could not start.
int run(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(code);
}

bool underWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// A junction at link to the folder target, as a player makes one (mklink /J). Wine 8 makes none,
// but shows a POSIX link to a folder as a junction: under Wine the link is made that way, by a
// POSIX program Wine starts without a handle to wait on, so its link is waited for. False when the
// system can make neither.
bool makeJunction(const std::string& target, const std::string& link)
{
    const std::wstring to = fs::u8path(target).wstring();
    const std::wstring at = fs::u8path(link).wstring();
    run(L"cmd.exe /c mklink /J \"" + at + L"\" \"" + to + L"\"");
    if (isReparsePoint(at) || !underWine())
        return isReparsePoint(at);
    run(L"Z:\\bin\\ln -s \"" + to + L"\" \"" + at + L"\"");
    for (int waited = 0; waited < 600 && !isReparsePoint(at); ++waited)
        Sleep(100);
    return isReparsePoint(at);
}

// A symbolic link at link to the file target (Windows needs developer mode or an administrator;
// Wine 8 reports success and makes none). False when none was made.
bool makeFileLink(const std::string& target, const std::string& link)
{
    const std::wstring at = fs::u8path(link).wstring();
    CreateSymbolicLinkW(at.c_str(), fs::u8path(target).wstring().c_str(),
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    return isReparsePoint(at);
}

// Sets or clears the read-only attribute.
void setReadOnly(const fs::path& path, bool readOnly)
{
    const DWORD found = attributes(path) & ~FILE_ATTRIBUTE_READONLY;
    SetFileAttributesW(path.wstring().c_str(), readOnly ? found | FILE_ATTRIBUTE_READONLY : found);
}

// Denies everyone the making of files and folders in folder, as a folder a player may only read
// (a folder's read-only attribute does not do that on Windows). True when the list was set.
bool denyWrites(const fs::path& folder)
{
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD;
    deny.grfAccessMode = DENY_ACCESS;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL list = nullptr;
    bool set = SetEntriesInAclW(1, &deny, nullptr, &list) == ERROR_SUCCESS;
    std::wstring name = folder.wstring();
    set = set && SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
    LocalFree(list);
    FreeSid(everyone);
    return set;
}

// Gives the folder an empty list of its own again, inheriting its parent's.
void allowWrites(const fs::path& folder)
{
    std::wstring name = folder.wstring();
    SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                          nullptr, nullptr, nullptr, nullptr);
}

// Standard output while a save is made as the game makes it: the folder, then the file, then
// the report.
std::string saveAsTheGameDoes(GameFile& file, int score)
{
    testing::internal::CaptureStdout();
    file.reportWrite(file.makeFolder() && record(score).writeFile(file.path()));
    return testing::internal::GetCapturedStdout();
}

// Each test in a fresh working folder of its own, its links removed before the folder: removing
// the folders would otherwise stop at (or go through) them.
class WindowsFiles : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const auto& entry : fs::directory_iterator(".")) {
            const std::wstring name = entry.path().wstring();
            if (isReparsePoint(name) && !RemoveDirectoryW(name.c_str()))
                DeleteFileW(name.c_str());
        }
    }

    dustreach::test::ScopedTempDir folder;
};

}  // namespace

// A device name reaches a device, not a file: nothing is written to one, read from one or waited
// on, whatever its case or extension, and no file of that name is left behind.
TEST_F(WindowsFiles, DeviceNamesAreNeitherWrittenNorReadNorWaitedOn)
{
    for (const std::string name :
         {"NUL", "nul.txt", "CON", "COM1", "Com1.log", "LPT1 .txt", "AUX"}) {
        SCOPED_TRACE(name);
        SaveRecord loaded = record(-77);
        EXPECT_FALSE(record(5).writeFile(name));
        EXPECT_FALSE(HighScoreFile::append(name, 5));
        EXPECT_FALSE(SaveRecord::readFile(name, loaded));
        EXPECT_EQ(loaded.format(), record(-77).format());
        EXPECT_FALSE(PlatformFiles::makeFolder(name));
    }
    EXPECT_TRUE(fs::is_empty("."));
    // Names that merely begin like one are files.
    for (const std::string name : {"NULL.txt", "COM10", "console"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(record(5).writeFile(name));
        EXPECT_TRUE(HighScoreFile::append(name + ".scores", 5));
    }
}

// A junction where the saves folder or the temporary should be is no folder or file of the
// game's: nothing is written through it or removed, the old save stays, and the lines say so.
TEST_F(WindowsFiles, AJunctionIsNeverWrittenThroughNorRemoved)
{
    fs::create_directory("elsewhere");
    if (!makeJunction("elsewhere", "Dustreach"))
        GTEST_SKIP() << "this system makes no junction (nor a link Wine shows as one)";
    GameFile save = GameFile::save("Dustreach");
    EXPECT_EQ(saveAsTheGameDoes(save, 4),
              "Could not make the folder Dustreach\nCould not save the game to currentSave.txt\n");
    EXPECT_TRUE(fs::is_empty("elsewhere"));
    writeFile(kSave, record(1).format());
    ASSERT_TRUE(makeJunction("elsewhere", kTemporary));
    EXPECT_FALSE(record(5).writeFile(kSave));
    EXPECT_EQ(readFile(kSave), record(1).format());
    EXPECT_TRUE(isReparsePoint(kTemporary));
    EXPECT_TRUE(fs::is_empty("elsewhere"));
}

// A symbolic link as the score file is not appended through; as the temporary it is taken away;
// as the save it is replaced by the save, its file kept.
TEST_F(WindowsFiles, ASymbolicLinkWhereAFileShouldBeIsNeverWrittenThrough)
{
    writeFile("victim.txt", "keep me\n");
    if (!makeFileLink("victim.txt", kHighScores))
        GTEST_SKIP() << "this system makes no symbolic link to a file (Wine 8 says it did and "
                        "makes none; Windows needs developer mode or an administrator)";
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 9));
    ASSERT_TRUE(makeFileLink("victim.txt", kTemporary));
    ASSERT_TRUE(makeFileLink("victim.txt", kSave));
    EXPECT_TRUE(record(6).writeFile(kSave));
    EXPECT_FALSE(isReparsePoint(kSave));
    EXPECT_EQ(readFile(kSave), record(6).format());
    EXPECT_EQ(readFile("victim.txt"), "keep me\n");
}

// Folders named outside ASCII (an account name in %APPDATA%) hold the files under their own
// names: a narrow-character call would make or miss a folder of mangled letters.
TEST_F(WindowsFiles, FoldersNamedOutsideAsciiHoldTheFiles)
{
    for (const std::string name :
         {"Zo\xC3\xAB", "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9"}) {
        SCOPED_TRACE(name);
        GameFile save = GameFile::save(name);
        GameFile scores = GameFile::highScores(name);
        EXPECT_EQ(saveAsTheGameDoes(save, 8), "");
        EXPECT_TRUE(scores.makeFolder());
        EXPECT_TRUE(HighScoreFile::append(scores.path(), 8));
        EXPECT_EQ(readFile(fs::u8path(name) / kSave), record(8).format());
        EXPECT_EQ(readFile(fs::u8path(name) / kHighScores), "8\n");
        SaveRecord loaded;
        EXPECT_TRUE(SaveRecord::readFile(save.path(), loaded));
        EXPECT_EQ(loaded.format(), record(8).format());
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
}

TEST_F(WindowsFiles, AReadOnlyFileIsKeptAndTheLineSaysSo)
{
    writeFile(kSave, record(1).format());
    writeFile(kHighScores, "1\n");
    setReadOnly(kSave, true);
    setReadOnly(kHighScores, true);
    GameFile save = GameFile::save();
    EXPECT_EQ(saveAsTheGameDoes(save, 2), "Could not save the game to currentSave.txt\n");
    EXPECT_FALSE(HighScoreFile::append(kHighScores, 2));
    EXPECT_EQ(readFile(kSave), record(1).format());
    EXPECT_EQ(readFile(kHighScores), "1\n");
    EXPECT_FALSE(fs::exists(kTemporary));
    setReadOnly(kSave, false);
    setReadOnly(kHighScores, false);
    EXPECT_EQ(saveAsTheGameDoes(save, 3), "");
}

TEST_F(WindowsFiles, AReadOnlyFolderFailsTheWritesWithTheLines)
{
    fs::create_directory("locked");
    writeFile("locked/" + kSave, record(1).format());
    const bool denied = denyWrites("locked");
    const bool binds = denied && !PlatformFiles::makeFolder("locked/probe");
    if (!binds) {
        allowWrites("locked");
        GTEST_SKIP() << "this system does not enforce a folder's access list (Wine does not)";
    }
    GameFile save = GameFile::save("locked");
    EXPECT_EQ(saveAsTheGameDoes(save, 2), "Could not save the game to currentSave.txt\n");
    EXPECT_FALSE(HighScoreFile::append("locked/" + kHighScores, 2));
    allowWrites("locked");
    EXPECT_EQ(readFile("locked/" + kSave), record(1).format());
}

// The pictures and the font are read from the program's folder whatever the working folder; the
// saves folder is %APPDATA%\Dustreach.
TEST_F(WindowsFiles, TheDataFolderIsTheProgramsTheSavesFolderIsInAppData)
{
    wchar_t program[MAX_PATH] = {};
    const fs::path working = fs::current_path();
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0U);
    ASSERT_TRUE(PlatformFiles::enterDataFolder());
    EXPECT_EQ(fs::current_path(), fs::path(program).parent_path());
    fs::current_path(working);
    const std::string saves = PlatformFiles::savesFolder();
    const fs::path savesPath = fs::u8path(saves);
    EXPECT_EQ(savesPath.filename(), "Dustreach");
    EXPECT_TRUE(fs::is_directory(savesPath.parent_path()));
    EXPECT_TRUE(fs::equivalent(savesPath.parent_path(), fs::path(_wgetenv(L"APPDATA"))));
}
