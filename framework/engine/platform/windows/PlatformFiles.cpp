// PlatformFiles on Windows: the wide-character API throughout (paths arrive as UTF-8, so an account
// name such as "Zoë" in a folder works), every handle checked for what it is before use, the save
// put in place by a write-through move, the scores added with append-only access, and no reparse
// point (a symbolic link, a junction) written through. The pictures and the font live beside the
// program; the save and the scores in %APPDATA%\Dustreach.
#include "PlatformFiles.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <memory>
#include <type_traits>
#include <utility>

namespace {

// The handle is closed with its owner unless released to a stream.
struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

Handle own(HANDLE handle)
{
    return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

std::wstring wide(const std::string& text)
{
    const int count = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), count, nullptr, 0);
    if (length <= 0)
        return {};  // empty or not UTF-8: no file has that name
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), count, result.data(), length);
    return result;
}

std::string utf8(const std::wstring& text)
{
    const int count = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), count, result.data(), length, nullptr, nullptr);
    return result;
}

// Whether the last part of path is one of the device names Windows keeps in every folder ("NUL",
// "con.txt", "COM1 .log", "lpt²"): opening it reaches the device, which may never answer.
bool namesDevice(const std::wstring& path)
{
    std::wstring name = path.substr(0, path.find_last_not_of(L": ") + 1);
    name = name.substr(name.find_last_of(L"\\/:") + 1);
    name = name.substr(0, name.find(L'.'));
    name = name.substr(0, name.find_last_not_of(L' ') + 1);
    for (wchar_t& letter : name)
        letter = static_cast<wchar_t>(std::towupper(letter));
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (name == device)
            return true;
    const bool numbered = name.size() == 4 &&
                          (name.compare(0, 3, L"COM") == 0 || name.compare(0, 3, L"LPT") == 0);
    return numbered && std::wstring(L"0123456789\u00B9\u00B2\u00B3").find(name[3]) != name.npos;
}

// A path the file layer may open: UTF-8 that converts, and no device name.
bool usable(const std::wstring& path)
{
    return !path.empty() && !namesDevice(path);
}

bool isLink(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether the open handle is a regular file on a disk: not a device, a pipe, a folder or (when
// opened without following it) a link. size, when given, receives its length.
bool isRegularFile(HANDLE handle, long long* size = nullptr)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info))
        return false;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    if (size)
        *size = static_cast<long long>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    return true;
}

// A C stream on the handle, which it then owns; null (the handle closed) when none can be made.
std::FILE* streamOn(Handle handle, int flags, const char* mode)
{
    const int fd =
        _open_osfhandle(reinterpret_cast<std::intptr_t>(handle.get()), flags | _O_BINARY);
    if (fd < 0)
        return nullptr;
    handle.release();  // the descriptor closes it now
    std::FILE* file = _fdopen(fd, mode);
    if (!file)
        _close(fd);
    return file;
}

}  // namespace

std::FILE* PlatformFiles::openForReading(const std::string& path, long long& size)
{
    const std::wstring name = wide(path);
    if (!usable(name))
        return nullptr;
    // A link to a file is followed, as on the desktop; a folder cannot be opened this way.
    Handle file = own(CreateFileW(name.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !isRegularFile(file.get(), &size))
        return nullptr;
    return streamOn(std::move(file), _O_RDONLY, "rb");
}

std::FILE* PlatformFiles::createFresh(const std::string& path)
{
    const std::wstring name = wide(path);
    if (!usable(name))
        return nullptr;
    // Take away a stale file or a link to one (the link itself, never what it points to). A
    // folder stays, and so does a junction or a link to a folder (removing one under Wine can
    // remove its folder): either makes the exclusive create below fail.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW(name.c_str());
    // CREATE_NEW fails on any name that exists, a link put there meanwhile included.
    Handle file = own(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return nullptr;
    if (!isRegularFile(file.get())) {
        file.reset();
        DeleteFileW(name.c_str());
        return nullptr;
    }
    std::FILE* stream = streamOn(std::move(file), _O_WRONLY, "wb");
    if (!stream)
        DeleteFileW(name.c_str());
    return stream;
}

bool PlatformFiles::closeOnDisk(std::FILE* file)
{
    bool closed = std::fflush(file) == 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    closed = FlushFileBuffers(handle) && closed;
    return std::fclose(file) == 0 && closed;
}

bool PlatformFiles::replace(const std::string& from, const std::string& to)
{
    const std::wstring source = wide(from);
    const std::wstring target = wide(to);
    if (!usable(source) || !usable(target))
        return false;
    // A read-only save is the player's to keep: Windows refuses to replace it, and so does this
    // where the system would not (Wine run by root).
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    // The move replaces a link at target itself; write-through: on the disk when it returns.
    return MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void PlatformFiles::remove(const std::string& path)
{
    const std::wstring name = wide(path);
    if (usable(name))
        DeleteFileW(name.c_str());
}

bool PlatformFiles::append(const std::string& path, const std::string& text)
{
    const std::wstring name = wide(path);
    if (!usable(name))
        return false;
    // Append-only access: every write lands at the end of the file, whatever else writes to it.
    // The link itself is opened, not followed, and then refused as no regular file.
    Handle file = own(CreateFileW(name.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !isRegularFile(file.get()) || !GetFileInformationByHandle(file.get(), &info))
        return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return false;  // as the save: refused even where the system would not
    DWORD written = 0;
    const auto size = static_cast<DWORD>(text.size());
    return WriteFile(file.get(), text.data(), size, &written, nullptr) && written == size;
}

bool PlatformFiles::makeFolder(const std::string& path)
{
    const std::wstring name = wide(path);
    if (!usable(name))
        return false;
    if (!CreateDirectoryW(name.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    // A junction or a link to a folder elsewhere is no folder of the game's own.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !isLink(attributes);
}

bool PlatformFiles::enterDataFolder()
{
    // The program's own path, however long; the folder is everything before its last part.
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0)
            return false;
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    const std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
    return SetCurrentDirectoryW(folder.c_str()) != 0;
}

std::string PlatformFiles::savesFolder()
{
    std::wstring roaming;
    PWSTR known = nullptr;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known) == S_OK)
        roaming = known;
    CoTaskMemFree(known);
    if (roaming.empty()) {
        const wchar_t* variable = _wgetenv(L"APPDATA");
        roaming = variable ? variable : L"";
    }
    // Without either, the working folder: the program's own.
    return roaming.empty() ? std::string() : utf8(roaming) + "\\Dustreach";
}
