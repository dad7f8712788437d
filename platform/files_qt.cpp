// Files through Qt: QSaveFile for replacing, QFile with a roll-back for appending.
#include "platform/files.h"

#include "platform/ordinary_file.h"
#include "platform/qt_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace brisel {
namespace {

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

std::atomic<int> flushesToFail = 0;

// The file's data on the disk, not only in the system's cache.
bool flushToDisk(QFileDevice& file) {
    if (flushesToFail > 0) {
        --flushesToFail;
        return false;
    }
#ifdef __linux__
    return ::fdatasync(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool writeAll(QFileDevice& file, std::string_view bytes) {
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

}  // namespace

bool isOrdinaryFile(std::u16string_view path) {
    return isOrdinaryFile(std::filesystem::path(QFile::encodeName(qtText(path)).toStdString()));
}

std::u16string nativeSeparators(std::u16string_view path) {
    return QDir::toNativeSeparators(qtText(path)).toStdU16String();
}

FileContent readWholeFile(std::u16string_view path) {
    const QString name = qtText(path);
    FileContent content{std::nullopt, ReadError::cannotRead};
    if (!QFileInfo(name).isFile())
        return content;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return content;
    // One more byte than the file's size tells whether it grew while it was read.
    ByteBuffer bytes(static_cast<std::size_t>(file.size()) + 1);
    std::size_t done = 0;
    while (done < bytes.capacity()) {
        const qint64 got = file.read(bytes.data() + done, static_cast<qint64>(bytes.capacity() - done));
        if (got < 0)
            return content;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    if (done == bytes.capacity())
        return content;  // still growing: no consistent content to convert
    bytes.setSize(done);
    return {std::move(bytes), ReadError::none};
}

WriteError replaceFile(std::u16string_view path, std::string_view bytes) {
    const QString name = qtText(path);
    if (const auto refused = obstacle(QFileInfo(name)))
        return *refused;
    QSaveFile file(name);
    // Some folders allow no temporary file beside the destination; then it is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || !writeAll(file, bytes) || !file.commit())
        return failureAt(name);
    return WriteError::none;
}

WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    const QString name = qtText(path);
    if (const auto refused = obstacle(QFileInfo(name)))
        return *refused;
    const bool existed = QFileInfo::exists(name);
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return failureAt(name);
    const qint64 oldSize = file.size();
    const bool written = std::all_of(pieces.begin(), pieces.end(), [&](std::string_view piece) { return writeAll(file, piece); });
    if (written && file.flush() && flushToDisk(file)) {
        file.close();
        return WriteError::none;
    }
    if (existed)
        file.resize(oldSize);
    else
        file.remove();
    return failureAt(name);
}

void failAppendFlushes(int count) noexcept {
    flushesToFail = count;
}

}  // namespace brisel
