// Whole-file reads and writes, so that no file stays open between commands.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>

namespace brisel {

// The existence test (see ordinary_file.h) for a path as the window holds it.
[[nodiscard]] bool isOrdinaryFile(const QString& path);

// Every byte of the file, or nothing when it cannot be opened or read.
[[nodiscard]] std::optional<QByteArray> readWholeFile(const QString& path);

enum class WriteError {
    none,
    folderMissing,  // the file's folder does not exist
    isFolder,       // a folder stands where the file should be
    cannotWrite,    // no permission, no space, or another failure of the system
};

// Makes `bytes` the whole content of the file, creating it if missing. The old content
// stays intact until the new one is completely on disk.
[[nodiscard]] WriteError replaceFile(const QString& path, std::string_view bytes);

// Adds `bytes` after the file's last byte, creating it if missing. A failed append is
// taken back, so the file never holds part of it.
[[nodiscard]] WriteError appendToFile(const QString& path, std::string_view bytes);

}  // namespace brisel
