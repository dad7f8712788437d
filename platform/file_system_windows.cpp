// The file primitives on the Windows API: ReplaceFileW and MoveFileExW for putting a new
// file in place, share modes that keep a second writer and a rename out, reads that share
// the file with the program that has it open (Excel keeps its workbook open while the user
// saves the table), and a second's patience with files held for a moment.
#include "platform/file_system.h"

#include "platform/files.h"
#include "platform/ordinary_file.h"
#include "base/windows_api.h"

#include <winioctl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The two calls that put a new file in place. The tests compile this file once more with
// stand-ins for them that fail the ways Windows documents.
#ifndef BRISEL_REPLACE_FILE
#define BRISEL_REPLACE_FILE ReplaceFileW
#endif
#ifndef BRISEL_MOVE_FILE
#define BRISEL_MOVE_FILE MoveFileExW
#endif

namespace brisel {
namespace {

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A path in the device form that names a file on a drive, a share or a volume
// ("\\.\C:\dir\material.ini"), in the long form, which names the same file.
std::optional<std::wstring> fileInDeviceForm(const std::wstring& path) {
    const std::wstring_view rest = std::wstring_view(path).substr(4);
    const bool drive = rest.size() > 2 && rest[1] == L':' && rest[2] == L'\\' && (rest[0] | 0x20) >= L'a' &&
                       (rest[0] | 0x20) <= L'z';
    const auto startsWith = [&](std::wstring_view start) {
        return rest.size() > start.size() &&
               CompareStringOrdinal(rest.data(), static_cast<int>(start.size()), start.data(),
                                    static_cast<int>(start.size()), TRUE) == CSTR_EQUAL;
    };
    if (drive || startsWith(L"UNC\\") || (startsWith(L"Volume{") && rest.find(L"}\\") != std::wstring_view::npos))
        return L"\\\\?\\" + std::wstring(rest);
    return std::nullopt;
}

// The path made absolute against the working directory and written in the long form
// ("\\?\C:\..." or "\\?\UNC\server\..."), which has no limit of 260 characters. A device
// name such as "CON" or "\\.\pipe\x" comes back as it stands; a file written in the device
// form ("\\.\C:\...") is a file.
std::wstring fullPath(std::u16string_view path) {
    const std::wstring given = wide(path);
    if (given.empty() || given.starts_with(L"\\\\?\\"))
        return given;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return given;
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    if (full.starts_with(L"\\\\.\\"))
        return fileInDeviceForm(full).value_or(full);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool isDevice(const std::wstring& path) {
    return path.starts_with(L"\\\\.\\");
}

bool isInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Whether the failure that just happened met a file that another program has asked to
// delete and still holds open: ERROR_ACCESS_DENIED alone does not tell it apart.
bool deletePending() {
    using LastStatus = LONG(WINAPI*)();
    static const auto lastStatus = reinterpret_cast<LastStatus>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetLastNtStatus")));
    constexpr auto statusDeletePending = static_cast<LONG>(0xC0000056);
    return lastStatus != nullptr && lastStatus() == statusDeletePending;
}

// The error of the call that just failed; a pending delete counts as a sharing violation.
DWORD lastError() {
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED && deletePending() ? ERROR_SHARING_VIOLATION : error;
}

// Other programs hold a file for a moment: a virus scanner or the search indexer right
// after it was written, a backup while it is read. These refusals are waited out for
// about a second, in growing steps, before they count; nothing else is retried.
constexpr std::array<DWORD, 7> retryPauses{10, 20, 40, 80, 160, 320, 370};  // milliseconds, 1000 in all

bool isMomentary(DWORD error) {
    return isInUse(error) || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Runs `attempt` (true on success) until it succeeds, fails for good, or the pauses are
// used up. On failure the last error is the last attempt's.
template <class Attempt>
bool retrying(Attempt attempt) {
    for (const DWORD pause : retryPauses) {
        if (attempt())
            return true;
        const DWORD error = lastError();
        if (!isMomentary(error)) {
            SetLastError(error);
            return false;
        }
        Sleep(pause);
    }
    if (attempt())
        return true;
    SetLastError(lastError());
    return false;
}

// CreateFileW with the retries.
HANDLE openFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    retrying([&] {
        handle = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    });
    return handle;
}

// Why the call that just failed failed, for the algorithms above.
FileError errorOf(DWORD error) {
    if (isInUse(error) || error == ERROR_UNABLE_TO_REMOVE_REPLACED)
        return FileError::inUse;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return FileError::notFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return FileError::denied;
    default:
        return FileError::failed;
    }
}

FileError done(BOOL succeeded) {
    return succeeded ? FileError::none : errorOf(lastError());
}

HANDLE handleOf(FileSystem::Handle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileSystem::Handle handleFrom(HANDLE file) {
    return reinterpret_cast<FileSystem::Handle>(file);
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

// A handle that is closed when it goes out of scope.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) noexcept : handle_(handle) {}
    ~ScopedHandle() {
        if (*this)
            CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    explicit operator bool() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const noexcept { return handle_; }

private:
    HANDLE handle_;
};

// The folder that holds a full path; a drive's root keeps its backslash, as without it
// the name is the volume's.
// The folder for temporary files, ending in a backslash; empty where Windows names none.
std::wstring temporaryFolderWide() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    folder.resize(length <= folder.size() ? length : 0);
    return folder;
}

std::wstring folderOf(const std::wstring& path) {
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    if (folder.ends_with(L':'))
        folder += L'\\';
    return folder;
}

// The path of a file beside a full path: the path's own name, shortened where the whole
// would pass the 255 characters a name may have, then `suffix`.
std::wstring nameBeside(const std::wstring& path, std::wstring_view suffix) {
    constexpr std::size_t longestName = 255;
    const std::size_t nameStart = path.find_last_of(L'\\') + 1;
    std::wstring name = path.substr(nameStart, longestName - std::min(suffix.size(), longestName));
    if (!name.empty() && IS_HIGH_SURROGATE(name.back()))
        name.pop_back();
    return path.substr(0, nameStart) + name + std::wstring(suffix);
}

// A name beside a full path that nothing uses yet: the besideMark, then `mark`, the
// process's number, a count and `tail` after the path's name.
std::wstring unusedNameBeside(const std::wstring& path, std::wstring_view mark = {}, std::wstring_view tail = {}) {
    static std::atomic<unsigned> counter = 0;
    for (;;) {
        const std::wstring beside = nameBeside(path, wide(besideMark) + std::wstring(mark) +
                                                         std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                         std::to_wstring(++counter) + std::wstring(tail));
        if (GetFileAttributesW(beside.c_str()) == INVALID_FILE_ATTRIBUTES)
            return beside;
    }
}

// ReplaceFileW, with the old file under `backup` while the new one takes its name. Where
// Windows has moved the old file away but not the new one in, the new one is moved in
// here, else the old one back, so that one of them stands under the name whenever the
// system lets either be moved. Neither move replaces a file: where the name still holds
// the old file, both fail and nothing changes. After such a failure the last error is
// ReplaceFileW's, which is not waited out.
bool replaceWithBackup(const std::wstring& path, const std::wstring& replacement, const std::wstring& backup) {
    if (BRISEL_REPLACE_FILE(path.c_str(), replacement.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr))
        return true;
    const DWORD error = GetLastError();
    if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT && error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        return false;
    if (BRISEL_MOVE_FILE(replacement.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    BRISEL_MOVE_FILE(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
    SetLastError(error);
    return false;
}

// The full path of the file that a full path finally names, through every symbolic link,
// or nothing where no file can be opened under it or the system cannot name it.
std::optional<std::wstring> finalPath(const std::wstring& path) {
    // No access asked for: share modes do not stand in the way.
    const ScopedHandle file(
        CreateFileW(path.c_str(), 0, shareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file)
        return std::nullopt;
    constexpr DWORD form = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file.get(), final.data(), MAX_PATH, form);
    if (length >= final.size()) {  // the room it needs, with the terminating zero
        final.resize(length);
        length = GetFinalPathNameByHandleW(file.get(), final.data(), length, form);
    }
    if (length == 0 || length >= final.size())
        return std::nullopt;
    final.resize(length);
    return final;
}

// What a symbolic link under a full path names, as a full path: a relative one is taken
// from the link's folder. Nothing for a missing name or any other file.
std::optional<std::wstring> linkTarget(const std::wstring& path) {
    const ScopedHandle link(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!link)
        return std::nullopt;
    // The reparse data of a symbolic link, as the file system keeps it.
    struct SymbolicLink {
        ULONG tag;
        USHORT dataLength, reserved;
        USHORT substituteOffset, substituteLength, printOffset, printLength;
        ULONG flags;
    };
    std::array<char, MAXIMUM_REPARSE_DATA_BUFFER_SIZE> data{};
    DWORD got = 0;
    SymbolicLink header{};
    if (!DeviceIoControl(link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()),
                         &got, nullptr) ||
        got < sizeof header)
        return std::nullopt;
    std::memcpy(&header, data.data(), sizeof header);
    if (header.tag != IO_REPARSE_TAG_SYMLINK || sizeof header + header.substituteOffset + header.substituteLength > got)
        return std::nullopt;
    std::wstring target(header.substituteLength / sizeof(wchar_t), L'\0');
    std::memcpy(target.data(), data.data() + sizeof header + header.substituteOffset, header.substituteLength);
    if (!(header.flags & SYMLINK_FLAG_RELATIVE))
        return target.starts_with(L"\\??\\") ? L"\\\\?\\" + target.substr(4) : target;
    // Taken from the folder without the long form, so that ".." in the link is resolved.
    std::wstring beside = path.substr(0, path.find_last_of(L'\\') + 1) + target;
    if (beside.starts_with(L"\\\\?\\UNC\\"))
        beside = L"\\\\" + beside.substr(8);
    else if (beside.starts_with(L"\\\\?\\"))
        beside = beside.substr(4);
    return fullPath(utf16(beside));
}

FileIdentity identityOf(HANDLE file, bool& known) {
    BY_HANDLE_FILE_INFORMATION information{};
    known = GetFileInformationByHandle(file, &information);
    return {information.dwVolumeSerialNumber,
            (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

// The final file that a path names, its links followed; the path itself where it names
// no link or nothing that can be followed.
std::u16string followed(std::u16string_view given) {
    constexpr int mostLinks = 63;  // as many as Windows follows in one path
    std::wstring path = fullPath(given);
    if (isDevice(path))
        return std::u16string(given);
    for (int link = 0; link <= mostLinks; ++link) {
        if (const auto final = finalPath(path))
            return utf16(*final);
        const auto next = linkTarget(path);
        if (!next)
            return link == 0 ? std::u16string(given) : utf16(path);
        path = *next;
    }
    return std::u16string(given);
}

class WindowsFiles final : public FileSystem {
public:
    Entry lookUp(std::u16string_view given) override {
        const std::wstring path = fullPath(given);
        if (isDevice(path))
            return Entry::special;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return GetLastError() == ERROR_PATH_NOT_FOUND ? Entry::noFolder : Entry::missing;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return Entry::folder;
        if (attributes & FILE_ATTRIBUTE_DEVICE)
            return Entry::special;
        // Asked for explicitly: Wine run as root lets a read-only file be opened for writing.
        return attributes & FILE_ATTRIBUTE_READONLY ? Entry::readOnlyFile : Entry::file;
    }

    // Through every symbolic link, as on Linux. A link whose target does not exist yet
    // names that target, made by the write.
    FileError target(std::u16string_view given, std::u16string& file) override {
        file = followed(given);
        return FileError::none;
    }

    FileError open(std::u16string_view given, Open how, Handle& file, bool& created) override {
        const std::wstring path = fullPath(given);
        created = false;
        if (isDevice(path))
            return FileError::failed;
        HANDLE opened = INVALID_HANDLE_VALUE;
        switch (how) {
        case Open::read:
            opened = openFile(path, GENERIC_READ, shareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
            break;
        case Open::writable:
            // Opened for deleting too where that is allowed, as the replacement deletes it:
            // so a program that holds it without sharing its deletion is waited for here,
            // not in ReplaceFileW. Shared with no program that would rename or remove it
            // meanwhile.
            for (const DWORD access : {DWORD{GENERIC_WRITE | DELETE}, DWORD{GENERIC_WRITE}}) {
                opened = openFile(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
                if (opened != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED)
                    break;
            }
            break;
        case Open::update:
            opened = openAlone(path, OPEN_EXISTING);
            break;
        case Open::readAppend:
            opened = openAlone(path, OPEN_ALWAYS);
            created = opened != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
            if (created)
                holdMade(opened);
            break;
        }
        if (opened == INVALID_HANDLE_VALUE)
            return errorOf(lastError());
        if (GetFileType(opened) != FILE_TYPE_DISK) {
            letGo(opened);
            CloseHandle(opened);
            created = false;
            return FileError::failed;
        }
        file = handleFrom(opened);
        return FileError::none;
    }

    FileError size(Handle file, std::uint64_t& bytes) override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(handleOf(file), &size))
            return errorOf(lastError());
        bytes = static_cast<std::uint64_t>(size.QuadPart);
        return FileError::none;
    }

    FileError identity(Handle file, FileIdentity& id) override {
        bool known = false;
        id = identityOf(handleOf(file), known);
        return known ? FileError::none : errorOf(lastError());
    }

    FileError identityAt(std::u16string_view path, FileIdentity& id) override {
        // No access asked for: share modes do not stand in the way.
        const HANDLE file = CreateFileW(fullPath(path).c_str(), 0, shareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return errorOf(lastError());
        bool known = false;
        id = identityOf(file, known);
        const DWORD error = GetLastError();
        CloseHandle(file);
        return known ? FileError::none : errorOf(error);
    }

    // A FILETIME counts 100 nanoseconds.
    FileError modifiedAt(Handle file, FileTime& time) override {
        FILETIME written{};
        if (!GetFileTime(handleOf(file), nullptr, nullptr, &written))
            return errorOf(lastError());
        const std::uint64_t ticks = (std::uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
        time = {static_cast<std::int64_t>(ticks / 10'000'000), static_cast<std::int64_t>(ticks % 10'000'000) * 100};
        return FileError::none;
    }

    FileError setModifiedAt(Handle file, FileTime time) override {
        const auto ticks = static_cast<std::uint64_t>(time.seconds) * 10'000'000 +
                           static_cast<std::uint64_t>(time.nanoseconds / 100);
        const FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        return done(SetFileTime(handleOf(file), nullptr, nullptr, &written));
    }

    FileError readAt(Handle file, std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        OVERLAPPED position = at(offset);
        DWORD read = 0;
        got = 0;
        if (!ReadFile(handleOf(file), into, static_cast<DWORD>(std::min(room, ioChunk)), &read, &position)) {
            const DWORD error = lastError();
            if (error == ERROR_ACCESS_DENIED)
                return FileError::writeOnly;  // opened for writing only
            return error == ERROR_HANDLE_EOF ? FileError::none : errorOf(error);
        }
        got = read;
        return FileError::none;
    }

    FileError writeAt(Handle file, std::uint64_t offset, std::string_view bytes) override {
        while (!bytes.empty()) {
            OVERLAPPED position = at(offset);
            DWORD written = 0;
            const auto size = static_cast<DWORD>(std::min(bytes.size(), ioChunk));
            if (!WriteFile(handleOf(file), bytes.data(), size, &written, &position))
                return errorOf(lastError());
            if (written == 0)
                return FileError::failed;
            bytes.remove_prefix(written);
            offset += written;
        }
        return FileError::none;
    }

    // Nobody else writes the file while it is held (its share modes), so its end is where
    // the pieces go, one after another.
    FileError append(Handle file, std::span<const std::string_view> pieces, std::uint64_t& at,
                     std::uint64_t& landed) override {
        at = landed = 0;
        if (const FileError error = size(file, at); error != FileError::none)
            return error;
        for (const std::string_view piece : pieces) {
            // A piece written in part counts whole: nothing but this append stands after it.
            landed += piece.size();
            if (const FileError error = writeAt(file, at + landed - piece.size(), piece); error != FileError::none)
                return error;
        }
        return FileError::none;
    }

    FileError truncate(Handle file, std::uint64_t size) override {
        FILE_END_OF_FILE_INFO end{};
        end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
        return done(SetFileInformationByHandle(handleOf(file), FileEndOfFileInfo, &end, sizeof end));
    }

    FileError reserve(Handle file, std::uint64_t size) override {
        FILE_ALLOCATION_INFO allocation{};
        allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
        if (SetFileInformationByHandle(handleOf(file), FileAllocationInfo, &allocation, sizeof allocation))
            return FileError::none;
        const DWORD error = GetLastError();
        const bool unsupported = error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                                 error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;  // Wine
        return unsupported ? FileError::none : errorOf(error);
    }

    FileError flush(Handle file) override {
        return done(FlushFileBuffers(handleOf(file)));
    }

    // Windows writes a file's cached bytes by itself and has no call to start it early.
    void startWriting(Handle, std::uint64_t, std::uint64_t) override {}

    FileError close(Handle file) override {
        const std::optional<Unwanted> unwanted = letGo(handleOf(file));
        const FileError error = done(CloseHandle(handleOf(file)));
        if (unwanted)
            removeIfEmpty(*unwanted);
        return error;
    }

    FileError duplicate(Handle file, Handle& copy) override {
        HANDLE duplicated = nullptr;
        const HANDLE process = GetCurrentProcess();
        if (!DuplicateHandle(process, handleOf(file), process, &duplicated, 0, FALSE, DUPLICATE_SAME_ACCESS))
            return errorOf(lastError());
        if (isMade(handleOf(file)))
            holdMade(duplicated);
        copy = handleFrom(duplicated);
        return FileError::none;
    }

    FileError createBeside(std::u16string_view path, NewFile& made) override {
        // Another name where one was taken in the moment since it was chosen.
        std::wstring temporary;
        HANDLE file = INVALID_HANDLE_VALUE;
        for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
            temporary = unusedNameBeside(fullPath(path));
            file = openFile(temporary, GENERIC_WRITE, 0, CREATE_NEW);
            if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
        if (file == INVALID_HANDLE_VALUE)
            return errorOf(lastError());
        made = {handleFrom(file), utf16(temporary)};
        return FileError::none;
    }

    FileError adopt(const NewFile&, std::u16string_view) override {
        return FileError::none;  // ReplaceFileW gives the new file the old one's attributes and security
    }

    // Windows replaces no file that is held open: the old one is let go first.
    FileError putInPlace(NewFile& made, std::u16string_view given, Handle old) override {
        if (old != noHandle)
            CloseHandle(handleOf(old));
        const std::wstring path = fullPath(given);
        const std::wstring temporary = wide(made.name);
        bool known = false;
        const std::uint64_t newFileNumber = identityOf(handleOf(made.file), known).file;
        if (!CloseHandle(handleOf(std::exchange(made.file, noHandle)))) {
            const FileError error = errorOf(lastError());
            discard(made);
            return error;
        }
        const bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        // The old file stands under the backup name until the new one has taken its name.
        // The name carries the new file's number, so that a run that finds the backup after
        // a crash can tell whether the new file took the name before it.
        const std::wstring backup =
            exists ? unusedNameBeside(path, wide(backupMark), L"-" + std::to_wstring(newFileNumber)) : std::wstring();
        const bool replaced = retrying([&] {
            constexpr DWORD moveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
            return exists ? replaceWithBackup(path, temporary, backup)
                          : BRISEL_MOVE_FILE(temporary.c_str(), path.c_str(), moveFlags);
        });
        if (replaced) {
            made.name.clear();
            // A backup that cannot be removed stays beside the file; the replacement is done.
            if (exists)
                DeleteFileW(backup.c_str());
            return FileError::none;
        }
        // The backup name holds nothing now, or the old content where it could not be
        // moved back: that is kept.
        const FileError error = errorOf(GetLastError());
        discard(made);
        return error;
    }

    FileError createScratch(Handle& file) override {
        const std::wstring folder = temporaryFolderWide();
        if (folder.empty())
            return errorOf(lastError());
        static std::atomic<unsigned> counter = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::wstring name = folder + L"brisel-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(++counter) + L".tmp";
            const HANDLE made = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (made != INVALID_HANDLE_VALUE) {
                file = handleFrom(made);
                return FileError::none;
            }
            if (GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
        return errorOf(lastError());
    }

    void discard(NewFile& made) override {
        if (made.file != noHandle)
            CloseHandle(handleOf(std::exchange(made.file, noHandle)));
        if (!made.name.empty())
            DeleteFileW(wide(std::exchange(made.name, {})).c_str());
    }

    // A file that an append made and still holds, sharing its deletion with nobody, is
    // removed once the append lets go of it, if nothing was written to it meanwhile.
    FileError remove(std::u16string_view given) override {
        const std::wstring path = fullPath(given);
        if (removeWhenLetGo(path))
            return FileError::none;
        return done(DeleteFileW(path.c_str()));
    }

    // ReplaceFileW is not written through, and no call documented for programs flushes a
    // folder's names. The folder, opened with the right to add a file to it, gets the
    // flush a file gets, which writes the data and metadata the system holds for it and
    // has the disk flush its cache; the kernel's flush documents folder handles, but
    // nothing documents that this keeps a new name through a power loss. Where a file
    // system refuses it, the name reaches the disk in the system's own time.
    FileError flushFolder(std::u16string_view path) override {
        const ScopedHandle folder(CreateFileW(folderOf(fullPath(path)).c_str(), FILE_ADD_FILE, shareAll, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!folder)
            return errorOf(lastError());
        return done(FlushFileBuffers(folder.get()));
    }

    FileError leftoversBeside(std::u16string_view given, std::vector<std::u16string>& found) override {
        const std::wstring path = fullPath(given);
        if (isDevice(path))
            return FileError::none;
        const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
        WIN32_FIND_DATAW entry{};
        const HANDLE search = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                               nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_FILE_NOT_FOUND ? FileError::none : errorOf(lastError());
        const std::wstring mark = wide(besideMark);
        do {
            const std::wstring_view name = entry.cFileName;
            const std::size_t at = name.rfind(mark);
            if (at == std::wstring_view::npos || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            // Named for this path, as Windows compares names: without regard to case.
            const std::wstring beside = nameBeside(path, name.substr(at));
            const std::wstring_view expected = std::wstring_view(beside).substr(folder.size());
            if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), expected.data(),
                                     static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL)
                found.push_back(utf16(folder + std::wstring(name)));
        } while (FindNextFileW(search, &entry));
        const DWORD error = GetLastError();
        FindClose(search);
        return error == ERROR_NO_MORE_FILES ? FileError::none : errorOf(error);
    }

    bool runs(std::uint64_t process) override {
        if (process == GetCurrentProcessId() || process > MAXDWORD)
            return false;
        const HANDLE opened = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
        if (opened == nullptr)
            return GetLastError() != ERROR_INVALID_PARAMETER;  // else it runs, but not for this user
        DWORD exitCode = 0;
        const bool running = !GetExitCodeProcess(opened, &exitCode) || exitCode == STILL_ACTIVE;
        CloseHandle(opened);
        return running;
    }

    // Opened sharing nothing, which fails while any program has it open: a run holds its
    // new file so until the moment it puts it in place.
    FileError removeUnheld(std::u16string_view path) override {
        const ScopedHandle file(CreateFileW(fullPath(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file)
            return errorOf(lastError());
        FILE_DISPOSITION_INFO disposition{TRUE};
        return done(SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition));
    }

    FileError move(std::u16string_view from, std::u16string_view to) override {
        return done(BRISEL_MOVE_FILE(fullPath(from).c_str(), fullPath(to).c_str(), MOVEFILE_WRITE_THROUGH));
    }

private:
    // Opens (or with OPEN_ALWAYS makes) a file for changing it with no other writer beside,
    // and shared with no program that would rename or remove it (which needs the right to
    // delete): so what is written stays under the name. A file the user may write but not
    // read is opened for writing only.
    static HANDLE openAlone(const std::wstring& path, DWORD disposition) {
        HANDLE opened = INVALID_HANDLE_VALUE;
        for (const DWORD access : {DWORD{GENERIC_READ | GENERIC_WRITE}, DWORD{GENERIC_WRITE}}) {
            opened = openFile(path, access, FILE_SHARE_READ, disposition);
            if (opened != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED)
                break;
        }
        return opened;
    }

    // A file to remove once its last handle is let go.
    struct Unwanted {
        FileIdentity id;
        std::wstring path;
    };

    // Removes the file under the path where it is still the one that was let go, and empty:
    // opened sharing nothing, it cannot be written meanwhile. A virus scanner that looks at
    // it when it is let go is waited for, as any file held for a moment.
    static void removeIfEmpty(const Unwanted& unwanted) {
        const ScopedHandle file(
            openFile(unwanted.path, DELETE | FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT));
        bool known = false;
        LARGE_INTEGER size{};
        if (!file || identityOf(file.get(), known) != unwanted.id || !known || !GetFileSizeEx(file.get(), &size) ||
            size.QuadPart != 0)
            return;
        FILE_DISPOSITION_INFO disposition{TRUE};
        SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
    }

    // Files that an append made, held by it. Nobody shares their deletion, so one is removed
    // only once the last of its handles is let go.
    struct Made {
        HANDLE handle;
        FileIdentity id;
    };
    void holdMade(HANDLE file) {
        bool known = false;
        const FileIdentity id = identityOf(file, known);
        const std::lock_guard lock(mutex_);
        if (known)
            made_.push_back({file, id});
    }
    bool isMade(HANDLE file) {
        const std::lock_guard lock(mutex_);
        return std::any_of(made_.begin(), made_.end(), [&](const Made& made) { return made.handle == file; });
    }
    // Whether the file under `path` is one that this process made and holds: it is then
    // removed once let go.
    bool removeWhenLetGo(const std::wstring& path) {
        FileIdentity named;
        if (identityAt(utf16(path), named) != FileError::none)
            return false;
        const std::lock_guard lock(mutex_);
        if (std::none_of(made_.begin(), made_.end(), [&](const Made& made) { return made.id == named; }))
            return false;
        unwanted_.push_back({named, path});
        return true;
    }
    // Forgets a handle; what to remove where that was the last one of an unwanted file.
    std::optional<Unwanted> letGo(HANDLE file) {
        const std::lock_guard lock(mutex_);
        const auto at = std::find_if(made_.begin(), made_.end(), [&](const Made& made) { return made.handle == file; });
        if (at == made_.end())
            return std::nullopt;
        const FileIdentity id = at->id;
        made_.erase(at);
        const auto unwanted =
            std::find_if(unwanted_.begin(), unwanted_.end(), [&](const Unwanted& entry) { return entry.id == id; });
        if (unwanted == unwanted_.end() ||
            std::any_of(made_.begin(), made_.end(), [&](const Made& made) { return made.id == id; }))
            return std::nullopt;
        Unwanted last = std::move(*unwanted);
        unwanted_.erase(unwanted);
        return last;
    }

    std::mutex mutex_;
    std::vector<Made> made_;
    std::vector<Unwanted> unwanted_;
};

}  // namespace

FileSystem& systemFiles() {
    static WindowsFiles files;
    return files;
}

bool isOrdinaryFile(std::u16string_view path) {
    const std::wstring full = fullPath(path);
    return !isDevice(full) && isOrdinaryFile(full.c_str());
}

bool namesAFile(std::u16string_view path) {
    return !path.empty() && path.find(u'\0') == std::u16string_view::npos;
}

std::u16string temporaryFolder() {
    std::u16string folder = utf16(temporaryFolderWide());
    if (folder.size() > 3 && folder.back() == u'\\')
        folder.pop_back();  // a drive's root, "C:\", keeps its backslash
    return folder;
}

bool isForeignPath(std::u16string_view) {
    return false;
}

// A path in the long form stands as Windows reads it: a "/" in it is no separator there,
// and a message that showed it as one would hide why the path was refused.
std::u16string nativeSeparators(std::u16string_view path) {
    std::u16string native(path);
    if (native.starts_with(u"\\\\?\\"))
        return native;
    std::replace(native.begin(), native.end(), u'/', u'\\');
    return native;
}

void reportFileSizeLimitAsWriteError() noexcept {}

}  // namespace brisel
