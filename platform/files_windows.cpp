// Files through the Windows API: ReplaceFileW for replacing, a taken-back append, reads
// that share the file with the program that has it open (Excel keeps its workbook open
// while the user saves the table), and a second's patience with files held for a moment.
#include "platform/files.h"

#include "platform/file_faults.h"
#include "platform/ordinary_file.h"
#include "platform/windows_api.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <string>
#include <utility>

namespace brisel {
namespace {

// Closes a file handle when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const noexcept { return handle_; }
    bool close() noexcept { return !valid() || CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)); }

private:
    HANDLE handle_;
};

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The path made absolute against the working directory and written in the long form
// ("\\?\C:\..." or "\\?\UNC\server\..."), which has no limit of 260 characters. A device
// name such as "CON" or "\\.\pipe\x" comes back as it stands.
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
        return full;
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

// Fault injection: every file-changing call below is one step, and the chosen one fails
// as a full disk would.
std::atomic<int> stepsToFault = 0;
std::atomic<bool> faultMet = false;
std::atomic<bool> shortWrites = false;
std::atomic<bool> temporariesRefused = false;

bool faultHere() {
    if (stepsToFault <= 0 || --stepsToFault > 0)
        return false;
    faultMet = true;
    SetLastError(ERROR_DISK_FULL);
    return true;
}

// CreateFileW for writing, as one step.
HANDLE openForWriting(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
    if (faultHere())
        return INVALID_HANDLE_VALUE;
    return openFile(path, access, share, disposition);
}

// writeAll as one step; an injected short write writes half, then the rest.
bool writeWhole(HANDLE file, std::string_view bytes) {
    if (!faultHere())
        return writeAll(file, bytes);
    if (!shortWrites || bytes.size() < 2)
        return false;
    const std::size_t half = bytes.size() / 2;
    return writeAll(file, bytes.substr(0, half)) && writeAll(file, bytes.substr(half));
}

std::atomic<int> flushesToFail = 0;

bool flushToDisk(HANDLE file) {
    if (faultHere())
        return false;
    return FlushFileBuffers(file);
}

bool flushAppendToDisk(HANDLE file) {
    if (flushesToFail > 0) {
        --flushesToFail;
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return flushToDisk(file);
}

bool cutAt(HANDLE file, LARGE_INTEGER size) {
    return !faultHere() && SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool closeWritten(FileHandle& file) {
    if (faultHere()) {
        file.close();
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return file.close();
}

// Room on the disk for `size` bytes, taken before a byte of the file changes. A file
// system that cannot reserve room is written without.
bool reserve(HANDLE file, LONGLONG size) {
    if (faultHere())
        return false;
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = size;
    if (SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_CALL_NOT_IMPLEMENTED;  // Wine
}

// Reads `bytes.size()` bytes from the file's start.
bool readFromStart(HANDLE file, std::string& bytes) {
    const LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN))
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(bytes.size() - done, ioChunk));
        if (!ReadFile(file, bytes.data() + done, want, &got, nullptr) || got == 0)
            return false;
        done += got;
    }
    return true;
}

// Something other than an ordinary writable file under the name, or nothing in the way.
std::optional<WriteError> obstacle(const std::wstring& path) {
    if (isDevice(path))
        return WriteError::notAFile;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return WriteError::isFolder;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return WriteError::notAFile;
    // Asked for explicitly: Wine run as root lets a read-only file be opened for writing.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return WriteError::cannotWrite;
    return std::nullopt;
}

// Why a write failed with `error`, as far as the error and the path tell.
WriteError failure(const std::wstring& path, DWORD error) {
    if (isInUse(error))
        return WriteError::inUse;
    if (error == ERROR_PATH_NOT_FOUND)
        return WriteError::folderMissing;
    return obstacle(path).value_or(WriteError::cannotWrite);
}

// Opens an existing file for writing, sharing everything: tells whether another program
// holds it, or whether it is read-only, before anything else is touched. It is opened for
// deleting too where that is allowed, as the replacement deletes it: so a program that
// holds it without sharing its deletion is waited for here, not in ReplaceFileW.
std::optional<WriteError> refusesWriting(const std::wstring& path) {
    DWORD error = ERROR_SUCCESS;
    for (const DWORD access : {DWORD{GENERIC_WRITE | DELETE}, DWORD{GENERIC_WRITE}}) {
        const FileHandle file(openFile(path, access, shareAll, OPEN_EXISTING));
        error = GetLastError();
        if (file.valid() || error == ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        if (error != ERROR_ACCESS_DENIED)
            break;
    }
    return failure(path, error);
}

// A name beside the destination that nothing else uses.
std::wstring temporaryBeside(const std::wstring& path) {
    static unsigned counter = 0;
    return path + L".~brisel" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

// Rewrites a file in place, for a folder that takes no new file beside it. The old bytes
// are read first and room for the larger content is reserved, so that a full disk is met
// while the file is untouched; any later failure writes the old bytes back. Only a power
// loss during the write itself can leave the file damaged.
WriteError overwriteInPlace(const std::wstring& path, std::string_view bytes) {
    FileHandle file(openForWriting(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
    LARGE_INTEGER oldSize{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &oldSize))
        return failure(path, GetLastError());
    std::string old(static_cast<std::size_t>(oldSize.QuadPart), '\0');
    if (!readFromStart(file.get(), old) ||
        !reserve(file.get(), std::max<LONGLONG>(oldSize.QuadPart, static_cast<LONGLONG>(bytes.size()))))
        return failure(path, GetLastError());

    LARGE_INTEGER newSize{};
    newSize.QuadPart = static_cast<LONGLONG>(bytes.size());
    const LARGE_INTEGER zero{};
    const bool written = SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN) && writeWhole(file.get(), bytes) &&
                         cutAt(file.get(), newSize) && flushToDisk(file.get());
    DWORD error = GetLastError();
    if (written && closeWritten(file))
        return WriteError::none;
    error = written ? GetLastError() : error;

    // Taken back: the old bytes and the old length, on disk. A failed close has given up
    // the handle already, so the file is opened once more for it.
    FileHandle again(file.valid() ? INVALID_HANDLE_VALUE : openFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
    const HANDLE back = file.valid() ? file.get() : again.get();
    SetFilePointerEx(back, zero, nullptr, FILE_BEGIN);
    writeAll(back, old);
    SetFilePointerEx(back, oldSize, nullptr, FILE_BEGIN);
    SetEndOfFile(back);
    FlushFileBuffers(back);
    return failure(path, error);
}

}  // namespace

bool isOrdinaryFile(std::u16string_view path) {
    const std::wstring full = fullPath(path);
    return !isDevice(full) && isOrdinaryFile(std::filesystem::path(full));
}

std::u16string nativeSeparators(std::u16string_view path) {
    std::u16string native(path);
    std::replace(native.begin(), native.end(), u'/', u'\\');
    return native;
}

FileContent readWholeFile(std::u16string_view path) {
    const std::wstring full = fullPath(path);
    FileContent content{std::nullopt, ReadError::cannotRead};
    if (isDevice(full))
        return content;
    FileHandle file(openFile(full, GENERIC_READ, shareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file.valid()) {
        if (isInUse(GetLastError()))
            content.error = ReadError::inUse;
        return content;
    }
    LARGE_INTEGER size{};
    if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size))
        return content;
    // One more byte than the file's size tells whether it grew while it was read.
    ByteBuffer bytes(static_cast<std::size_t>(size.QuadPart) + 1);
    std::size_t done = 0;
    while (done < bytes.capacity()) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(bytes.capacity() - done, ioChunk));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) {
            if (isInUse(GetLastError()))
                content.error = ReadError::inUse;
            return content;
        }
        if (got == 0)
            break;
        done += got;
    }
    if (done == bytes.capacity())
        return content;  // still growing: no consistent content to convert
    bytes.setSize(done);
    return {std::move(bytes), ReadError::none};
}

WriteError replaceFile(std::u16string_view path, std::string_view bytes) {
    const std::wstring full = fullPath(path);
    if (const auto refused = obstacle(full))
        return *refused;
    if (const auto refused = refusesWriting(full))
        return *refused;

    // The new content goes into a file beside the old one and takes its place only once
    // it is complete and on disk.
    const std::wstring temporary = temporaryBeside(full);
    FileHandle file(temporariesRefused ? INVALID_HANDLE_VALUE : openForWriting(temporary, GENERIC_WRITE, 0, CREATE_NEW));
    if (!file.valid()) {
        const DWORD error = temporariesRefused ? ERROR_ACCESS_DENIED : GetLastError();
        if (error == ERROR_ACCESS_DENIED && GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES)
            return overwriteInPlace(full, bytes);
        return failure(full, error);
    }
    const bool written = writeWhole(file.get(), bytes) && flushToDisk(file.get());
    DWORD error = GetLastError();
    if (closeWritten(file) && written) {
        const bool exists = GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES;
        const bool replaced = !faultHere() && retrying([&] {
            return exists ? ReplaceFileW(full.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                         nullptr)
                          : MoveFileExW(temporary.c_str(), full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        });
        if (replaced)
            return WriteError::none;
        error = GetLastError();
    }
    DeleteFileW(temporary.c_str());
    if (error == ERROR_UNABLE_TO_REMOVE_REPLACED)
        return WriteError::inUse;
    return failure(full, error);
}

WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    const std::wstring full = fullPath(path);
    if (const auto refused = obstacle(full))
        return *refused;
    FileHandle file(openForWriting(full, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS));
    if (!file.valid())
        return failure(full, GetLastError());
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    LARGE_INTEGER oldSize{};
    const LARGE_INTEGER zero{};
    const auto written = [&] {
        return std::all_of(pieces.begin(), pieces.end(), [&](std::string_view piece) { return writeWhole(file.get(), piece); });
    };
    const bool appended = GetFileSizeEx(file.get(), &oldSize) && SetFilePointerEx(file.get(), zero, nullptr, FILE_END) &&
                          written() && flushAppendToDisk(file.get());
    DWORD error = GetLastError();
    if (appended && closeWritten(file))
        return WriteError::none;
    error = appended ? GetLastError() : error;

    // Taken back: the file as it was, or no file at all. A failed close has given up the
    // handle already, so the file is opened once more for it.
    if (existed) {
        FileHandle again(file.valid() ? INVALID_HANDLE_VALUE : openFile(full, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
        const HANDLE back = file.valid() ? file.get() : again.get();
        SetFilePointerEx(back, oldSize, nullptr, FILE_BEGIN);
        SetEndOfFile(back);
        FlushFileBuffers(back);
    } else {
        file.close();
        DeleteFileW(full.c_str());
    }
    return failure(full, error);
}

void failAppendFlushes(int count) noexcept {
    flushesToFail = count;
}

void reportFileSizeLimitAsWriteError() noexcept {}

void injectFileFault(int step, FileFault fault) noexcept {
    stepsToFault = step;
    faultMet = false;
    shortWrites = fault == FileFault::shortWrite;
}

bool fileFaultMet() noexcept {
    return faultMet;
}

void refuseTemporaryFiles(bool refused) noexcept {
    temporariesRefused = refused;
}

}  // namespace brisel
