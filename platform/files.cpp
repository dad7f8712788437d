// Files through Qt: QSaveFile for replacing, QFile with a roll-back for appending.
#include "platform/files.h"

#include "platform/ordinary_file.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace brisel {
namespace {

std::filesystem::path nativePath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Something other than an ordinary file under the name: writing would replace a device
// or block on a pipe.
std::optional<WriteError> obstacle(const QFileInfo& info) {
    if (info.isDir())
        return WriteError::isFolder;
    if (info.exists() && !info.isFile())
        return WriteError::notAFile;
    return std::nullopt;
}

// Why a write to the path failed, as far as the path alone tells.
WriteError failureAt(const QString& path) {
    const QFileInfo info(path);
    if (!info.dir().exists())
        return WriteError::folderMissing;
    return obstacle(info).value_or(WriteError::cannotWrite);
}

bool writeAll(QFileDevice& file, std::string_view bytes) {
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

}  // namespace

bool isOrdinaryFile(const QString& path) {
    return isOrdinaryFile(nativePath(path));
}

std::optional<ByteBuffer> readWholeFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    // One more byte than the file's size tells whether it grew while it was read.
    ByteBuffer bytes(static_cast<std::size_t>(file.size()) + 1);
    std::size_t done = 0;
    while (done < bytes.capacity()) {
        const qint64 got = file.read(bytes.data() + done, static_cast<qint64>(bytes.capacity() - done));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    if (done == bytes.capacity())
        return std::nullopt;  // still growing: no consistent content to convert
    bytes.setSize(done);
    return bytes;
}

WriteError replaceFile(const QString& path, std::string_view bytes) {
    if (const auto refused = obstacle(QFileInfo(path)))
        return *refused;
    QSaveFile file(path);
    // Some folders allow no temporary file beside the destination; then it is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || !writeAll(file, bytes) || !file.commit())
        return failureAt(path);
    return WriteError::none;
}

WriteError appendToFile(const QString& path, std::string_view bytes) {
    if (const auto refused = obstacle(QFileInfo(path)))
        return *refused;
    const bool existed = QFileInfo::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return failureAt(path);
    const qint64 oldSize = file.size();
    if (writeAll(file, bytes) && file.flush()) {
        file.close();
        return WriteError::none;
    }
    if (existed)
        file.resize(oldSize);
    else
        file.remove();
    return failureAt(path);
}

}  // namespace brisel
