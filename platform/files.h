// Whole-file reads and writes, so that no file stays open between commands. Paths are
// UTF-16 as the window holds them; relative ones resolve against the working directory.
// Each algorithm is written once, over the primitives of file_system.h; the overloads
// without a FileSystem use this system's.
#pragma once

#include "base/byte_buffer.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class FileSystem;
struct Leftovers;

// The existence test (see ordinary_file.h) for a path as the window holds it.
[[nodiscard]] bool isOrdinaryFile(std::u16string_view path);

// Whether the path can name a file at all: not where it holds a NUL, at which the system
// would end the name early, nor on Linux where no bytes give the text (see bytesFromUtf16).
[[nodiscard]] bool namesAFile(std::u16string_view path);

// Whether the path is written as Windows writes one, off Windows: with a drive ("C:\…") or
// a server's share ("\\server\…"), as a brisel.conf copied from Windows gives it. Such a
// path names no file here; taken as it stands, it would name a new file in the working
// folder.
[[nodiscard]] bool isForeignPath(std::u16string_view path);

// The path as the system writes it, for messages: backslashes between folders on Windows.
[[nodiscard]] std::u16string nativeSeparators(std::u16string_view path);

// The system's folder for temporary files, where nameless scratch files go: TMPDIR or /tmp,
// or Windows' TEMP; empty where the system names none.
[[nodiscard]] std::u16string temporaryFolder();

enum class ReadError {
    none,
    cannotRead,  // missing, not an ordinary file, no permission, or a failure of the system
    inUse,       // another program holds the file and shares it with no reader
};

struct FileContent {
    std::optional<ByteBuffer> bytes;  // every byte of the file, or nothing on failure
    ReadError error = ReadError::none;
};

// Reads the whole file. Only ordinary files are read: a pipe or a device under the name
// could block or never end. A file that another program has open for writing is read
// all the same wherever the system lets it be shared; one that keeps changing while it is
// read is read again a few times, then reported as in use.
[[nodiscard]] FileContent readWholeFile(std::u16string_view path);
[[nodiscard]] FileContent readWholeFile(FileSystem& files, std::u16string_view path);

enum class WriteError {
    none,
    folderMissing,  // the file's folder does not exist
    isFolder,       // a folder stands where the file should be
    notAFile,       // a pipe, a device or another special file stands there
    inUse,          // another program holds the file open and shares it with no writer
    readOnly,       // the file is marked read-only (Windows), or nobody may write it (POSIX)
    noAccess,       // a folder on the path may not be entered (POSIX)
    denied,         // the system lets this user not write the file
    folderDenied,   // the system lets this user make no file in the folder, where the file is missing
    unreadable,     // only a rewrite in place can change the file, which needs its old bytes, and it may not be read
    noTemporaryFile,  // a rewrite in place found no room in the system's folder for temporary files
    leftChanged,    // the write failed, and so did giving the file back what it held
    cannotWrite,    // no space, or another failure of the system
};

// Where the pieces of a new content or of an append go, one after another.
class ContentSink {
public:
    virtual ~ContentSink() = default;
    // False where the bytes could not be written: nothing more is to be given then, and the
    // write is taken back.
    [[nodiscard]] virtual bool write(std::string_view bytes) = 0;
};

// Hands a file's new content to `sink` a piece at a time: true once it is complete, false
// to decline, which changes nothing. It may be asked more than once (where the content
// must go another way after all), and then gives the same content again.
using ContentProducer = std::function<bool(ContentSink& sink)>;

// Makes the produced content the whole content of the file, creating it if missing. The
// old content stays intact until the new one is completely on disk, and the new one is on
// disk, under its name, when it returns; nothing of the old file changes while the content
// is produced. Special files are never written; a symbolic link stays one, and one whose
// target is missing gets it made. A file whose extended attributes or hard links a new
// file would lose is rewritten in place; a failed rewrite in place gives the file its old
// bytes and its modification time back. Waits for another conversion's append or
// replacement of the same file. A content that the producer declined reports none. What a
// conversion that ended early left beside the file is cleared first (see leftovers.h);
// `cleared` learns what that was.
[[nodiscard]] WriteError replaceFile(std::u16string_view path, const ContentProducer& produce,
                                     Leftovers* cleared = nullptr);
[[nodiscard]] WriteError replaceFile(FileSystem& files, std::u16string_view path, const ContentProducer& produce,
                                     Leftovers* cleared = nullptr);
// The same with a content given whole.
[[nodiscard]] WriteError replaceFile(std::u16string_view path, std::string_view bytes);
[[nodiscard]] WriteError replaceFile(FileSystem& files, std::u16string_view path, std::string_view bytes);

// What an append may learn of the file it holds, read where it is needed: no more of it is
// read than the producer asks for.
class ExistingContent {
public:
    virtual ~ExistingContent() = default;
    // The file's size once it is held, or nothing where it may be written but not read.
    [[nodiscard]] virtual std::optional<std::uint64_t> size() const noexcept = 0;
    // Reads at most `room` bytes at `offset`; `got` is 0 at the end. False where the read
    // failed, which fails the append.
    [[nodiscard]] virtual bool read(std::uint64_t offset, char* into, std::size_t room, std::size_t& got) = 0;
};

// Chooses an append once the file is held and nothing else can change it, from what it
// holds, and hands its pieces to `sink`: true once all are given (none at all leaves the
// file as it is), false to decline. It may be asked again where another program that takes
// no lock wrote meanwhile, once its first pieces are taken back.
using AppendProducer = std::function<bool(ExistingContent& existing, ContentSink& sink)>;

// Adds the produced pieces after the file's last byte, creating the file if missing, in as
// many calls of the system as it takes, under the one hold. The added bytes are on disk
// when it returns. A failed append, its flush to disk included, is taken back, so the file
// never holds part of it; what another program added before or after them stays, except in
// a file that may be written but not read, where what was added after them cannot be read
// to be moved and is cut off with them. A file that holds exactly its old bytes again gets
// its modification time back where nobody else wrote to it. Another conversion's append or
// replacement waits for this one. A file that this append made is removed again where the
// producer declines or the append fails. Leftovers are cleared first, as for replaceFile.
[[nodiscard]] WriteError appendToFile(std::u16string_view path, const AppendProducer& produce,
                                      Leftovers* cleared = nullptr);
[[nodiscard]] WriteError appendToFile(FileSystem& files, std::u16string_view path, const AppendProducer& produce,
                                      Leftovers* cleared = nullptr);
// The same with pieces that do not depend on what the file holds.
[[nodiscard]] WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces);
[[nodiscard]] WriteError appendToFile(FileSystem& files, std::u16string_view path,
                                      std::initializer_list<std::string_view> pieces);

// An ordinary file opened for reading, a piece at a time, shared with every other program
// (Excel keeps a workbook open while the user saves it). Closed when it goes.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(FileReader&& other) noexcept;
    FileReader& operator=(FileReader&& other) noexcept;

    // Opens `path`; only ordinary files are read, so a pipe or a device never blocks.
    [[nodiscard]] static ReadError open(std::u16string_view path, FileReader& file);
    [[nodiscard]] static ReadError open(FileSystem& files, std::u16string_view path, FileReader& file);
    // A file of the system's folder for temporary files, with no name, for bytes that are to
    // be read more than once (a table from standard input). Gone once closed.
    [[nodiscard]] static ReadError scratch(FileReader& file);

    // Reads at most `room` bytes at `offset`; `got` is 0 at the end.
    [[nodiscard]] ReadError read(std::uint64_t offset, char* into, std::size_t room, std::size_t& got);
    // Adds bytes at the end of a scratch file.
    [[nodiscard]] bool append(std::string_view bytes);
    // The file's size now, where the system tells it.
    [[nodiscard]] std::optional<std::uint64_t> size();

private:
    FileSystem* files_ = nullptr;
    std::intptr_t handle_ = -1;
    std::uint64_t size_ = 0;  // a scratch file's bytes
};

// Called once at a program's start: a write past the process's file-size limit then fails
// like any other and is taken back, instead of ending the program (SIGXFSZ on Linux).
void reportFileSizeLimitAsWriteError() noexcept;

}  // namespace brisel
