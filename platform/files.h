// Whole-file reads and writes, so that no file stays open between commands.
#pragma once

#include "platform/byte_buffer.h"

#include <QString>

#include <optional>
#include <string_view>

namespace brisel {

// The existence test (see ordinary_file.h) for a path as the window holds it.
[[nodiscard]] bool isOrdinaryFile(const QString& path);

// Every byte of the file, or nothing when it cannot be opened or read. Only ordinary files
// are read: a pipe or a device under the name could block or never end.
[[nodiscard]] std::optional<ByteBuffer> readWholeFile(const QString& path);

enum class WriteError {
    none,
    folderMissing,  // the file's folder does not exist
    isFolder,       // a folder stands where the file should be
    notAFile,       // a pipe, a device or another special file stands there
    cannotWrite,    // no permission, no space, or another failure of the system
};

// Makes `bytes` the whole content of the file, creating it if missing. The old content
// stays intact until the new one is completely on disk. Special files are never written.
[[nodiscard]] WriteError replaceFile(const QString& path, std::string_view bytes);

// Adds `bytes` after the file's last byte, creating it if missing. A failed append is
// taken back, so the file never holds part of it.
[[nodiscard]] WriteError appendToFile(const QString& path, std::string_view bytes);

}  // namespace brisel
