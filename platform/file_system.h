// The primitives of one operating system's files, beneath the algorithms of files.cpp that
// must not lose a byte. Each primitive does one thing and says whether it did; what must
// happen in which order, and what is taken back on failure, is decided above them once.
// Paths are UTF-16 as the window holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// How a run names what it makes beside a destination: its new file
// "material.ini.~brisel<process>-<count>", and on Windows the old file while the new one
// takes its name, "material.ini.~brisel-backup<process>-<count>-<the new file's number>".
// The destination's name is shortened where the whole would be too long for a name. After
// a crash, a kill or a power loss they are what the run left, for the next one to clear.
inline constexpr std::u16string_view besideMark = u".~brisel";
inline constexpr std::u16string_view backupMark = u"-backup";

// What stands under a path.
enum class Entry {
    missing,       // nothing, in a folder that exists
    noFolder,      // nothing, and its folder does not exist either
    file,          // an ordinary file
    readOnlyFile,  // an ordinary file marked read-only (Windows) or that nobody may write (POSIX)
    folder,
    special,  // a pipe, a device or another file that is no ordinary file
    noAccess, // unknown: a folder on the way may not be entered (POSIX)
};

// Why a primitive failed, as far as the caller acts on it.
enum class FileError {
    none,
    notFound,  // nothing under the name
    inUse,     // another program holds the file, for longer than the primitives wait
    denied,    // no permission, or a file system that does not let it be written
    writeOnly, // a read from a file that the user may write but not read, opened for writing only
    failed,    // no space, an I/O error, or any other failure
};

// Tells one file from another, whatever name it has.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

// When a file's bytes last changed, as the system keeps it: read to be given back as it was.
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    bool operator==(const FileTime&) const = default;
};

class FileSystem {
public:
    using Handle = std::intptr_t;
    static constexpr Handle noHandle = -1;

    enum class Open {
        read,        // an ordinary file, shared with every other program
        writable,    // an existing file that is to be replaced: may it be written? Held
                     // alone from other conversions until it is closed
        update,      // an existing file for reading and writing, with no other writer beside
        readAppend,  // the same, created if missing
    };

    // A file made beside a destination, to take its place once complete.
    struct NewFile {
        Handle file = noHandle;
        std::u16string name;  // empty while it has no name of its own (Linux's unnamed files)
    };

    virtual ~FileSystem() = default;

    [[nodiscard]] virtual Entry lookUp(std::u16string_view path) = 0;
    // The file that writing to `path` changes: the target of a symbolic link, else `path`.
    // Fails where a link cannot be read: writing to the path would replace the link.
    [[nodiscard]] virtual FileError target(std::u16string_view path, std::u16string& file) = 0;

    // Opens only ordinary files. `writable`, `update` and `readAppend` wait about a second
    // for another writer, as for a file that another program holds for a moment, then say
    // inUse. `created` learns whether `readAppend` made the file; one that another program
    // made in the same moment is opened instead.
    [[nodiscard]] virtual FileError open(std::u16string_view path, Open how, Handle& file, bool& created) = 0;
    [[nodiscard]] virtual FileError size(Handle file, std::uint64_t& bytes) = 0;
    [[nodiscard]] virtual FileError identity(Handle file, FileIdentity& id) = 0;
    [[nodiscard]] virtual FileError identityAt(std::u16string_view path, FileIdentity& id) = 0;
    // When the file's bytes last changed, and that time set again, so that a file whose
    // change was taken back looks unchanged to a backup or to make. Setting fails where the
    // system lets only the file's owner do it.
    [[nodiscard]] virtual FileError modifiedAt(Handle file, FileTime& time) = 0;
    [[nodiscard]] virtual FileError setModifiedAt(Handle file, FileTime time) = 0;
    // Reads at most `room` bytes at `offset`; `got` is 0 at the end of the file.
    [[nodiscard]] virtual FileError readAt(Handle file, std::uint64_t offset, char* into, std::size_t room,
                                           std::size_t& got) = 0;
    // Writes every byte at `offset`, however many calls the system takes for it.
    [[nodiscard]] virtual FileError writeAt(Handle file, std::uint64_t offset, std::string_view bytes) = 0;
    // Adds `pieces` after the file's last byte as it is at that moment, even where another
    // program appended meanwhile, in one call of the system where it can. `at` learns where
    // the first byte went and `landed` how many went there, on failure too; fewer than given
    // without a failure where the system takes no more at a time.
    [[nodiscard]] virtual FileError append(Handle file, std::span<const std::string_view> pieces, std::uint64_t& at,
                                           std::uint64_t& landed) = 0;
    [[nodiscard]] virtual FileError truncate(Handle file, std::uint64_t size) = 0;
    // Room on the disk for `size` bytes, so that a full disk is met before a byte changes;
    // succeeds without where the file system cannot reserve room.
    [[nodiscard]] virtual FileError reserve(Handle file, std::uint64_t size) = 0;
    // The file's data on the disk, not only in the system's cache.
    [[nodiscard]] virtual FileError flush(Handle file) = 0;
    // Lets the system start writing the bytes from `offset` to the disk now rather than at
    // the flush, so that the disk works while more bytes are made; a hint, nothing fails.
    virtual void startWriting(Handle file, std::uint64_t offset, std::uint64_t size) = 0;
    // A failed close has given up the handle all the same.
    [[nodiscard]] virtual FileError close(Handle file) = 0;
    // A second handle to the same open file: the file stays held (locked, shared with no
    // other writer) until both are closed.
    [[nodiscard]] virtual FileError duplicate(Handle file, Handle& copy) = 0;

    // A new, empty file in the folder of `path`, for `path`'s content; denied in a folder
    // that takes no new file.
    [[nodiscard]] virtual FileError createBeside(std::u16string_view path, NewFile& made) = 0;
    // Gives the new file all that the file under `path` keeps beside its bytes: owner, group,
    // mode and extended attributes, POSIX ACLs among them. Fails where one of them cannot be
    // carried over, or where a new file would split the old one's hard links: that file is
    // then rewritten in place.
    [[nodiscard]] virtual FileError adopt(const NewFile& made, std::u16string_view path) = 0;
    // Closes the new file, checked, and puts it in `path`'s place in one step. On failure
    // the new file is removed and `path` holds its old file. `old`, a handle that holds the
    // file replaced meanwhile (or noHandle), is closed: after the replacement, or before it
    // where the system replaces no file that is held open (Windows).
    [[nodiscard]] virtual FileError putInPlace(NewFile& made, std::u16string_view path, Handle old) = 0;
    // Closes and removes a new file that is not wanted after all.
    virtual void discard(NewFile& made) = 0;
    // A new, empty file for reading and writing in the system's folder for temporary files,
    // with no name where the system allows: bytes that must be kept for a moment without
    // being kept in memory. Removed when it is closed.
    [[nodiscard]] virtual FileError createScratch(Handle& file) = 0;
    [[nodiscard]] virtual FileError remove(std::u16string_view path) = 0;
    // The names in `path`'s folder on the disk: a file just made, renamed or removed there
    // keeps that change through a power loss.
    [[nodiscard]] virtual FileError flushFolder(std::u16string_view path) = 0;

    // What runs that ended early left: the files in `path`'s folder named as createBeside and
    // putInPlace name theirs for `path` (see besideMark), whoever made them, as full paths.
    [[nodiscard]] virtual FileError leftoversBeside(std::u16string_view path, std::vector<std::u16string>& found) = 0;
    // Whether a process other than this one runs under that number on this computer; where
    // the system does not tell, it counts as running.
    [[nodiscard]] virtual bool runs(std::uint64_t process) = 0;
    // Removes the file under `path` unless a program holds it as a run holds its new file
    // (open, on Windows; locked, on Linux): inUse then.
    [[nodiscard]] virtual FileError removeUnheld(std::u16string_view path) = 0;
    // Gives the file under `from` the name `to` where nothing stands under `to`, and fails
    // where something does; written through to the disk where the system can.
    [[nodiscard]] virtual FileError move(std::u16string_view from, std::u16string_view to) = 0;
};

// This operating system's files.
[[nodiscard]] FileSystem& systemFiles();

}  // namespace brisel
