// Whole-file reads and writes, so that no file stays open between commands. Paths are
// UTF-16 as the window holds them; relative ones resolve against the working directory.
// Each algorithm is written once, over the primitives of file_system.h; the overloads
// without a FileSystem use this system's.
#pragma once

#include "base/byte_buffer.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class FileSystem;

// The existence test (see ordinary_file.h) for a path as the window holds it.
[[nodiscard]] bool isOrdinaryFile(std::u16string_view path);

// Whether the path can name a file at all: not where it holds a NUL, at which the system
// would end the name early, nor on Linux where no bytes give the text (see bytesFromUtf16).
[[nodiscard]] bool namesAFile(std::u16string_view path);

// The path as the system writes it, for messages: backslashes between folders on Windows.
[[nodiscard]] std::u16string nativeSeparators(std::u16string_view path);

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
    cannotWrite,    // no permission, no space, or another failure of the system
};

// Makes `bytes` the whole content of the file, creating it if missing. The old content
// stays intact until the new one is completely on disk, and the new one is on disk, under
// its name, when it returns. Special files are never written; a symbolic link stays one,
// and one whose target is missing gets it made. A file whose extended attributes or hard
// links a new file would lose is rewritten in place. Waits for another conversion's
// append or replacement of the same file.
[[nodiscard]] WriteError replaceFile(std::u16string_view path, std::string_view bytes);
[[nodiscard]] WriteError replaceFile(FileSystem& files, std::u16string_view path, std::string_view bytes);

// What an append adds, chosen once the file is held and nothing else can change it: from
// `content`, every byte the file holds then (nothing where it may be written but not read).
// The pieces must stay valid until the append returns. No pieces at all: nothing is added,
// and the append reports success, for the caller knows why it declined.
using AppendChoice =
    std::function<std::optional<std::vector<std::string_view>>(std::optional<std::string_view> content)>;

// Adds the chosen pieces, one after another, after the file's last byte, creating the file
// if missing. The added bytes are on disk when it returns. A failed append, its flush to
// disk included, is taken back, so the file never holds part of it; what another program
// added before or after them stays. Another conversion's append or replacement waits for
// this one. Nothing is written where the file's size or content cannot be learnt.
[[nodiscard]] WriteError appendToFile(std::u16string_view path, const AppendChoice& choose);
[[nodiscard]] WriteError appendToFile(FileSystem& files, std::u16string_view path, const AppendChoice& choose);
// The same with pieces that do not depend on what the file holds.
[[nodiscard]] WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces);
[[nodiscard]] WriteError appendToFile(FileSystem& files, std::u16string_view path,
                                      std::initializer_list<std::string_view> pieces);

// Called once at a program's start: a write past the process's file-size limit then fails
// like any other and is taken back, instead of ending the program (SIGXFSZ on Linux).
void reportFileSizeLimitAsWriteError() noexcept;

}  // namespace brisel
