// Files through Qt: QSaveFile for replacing, QFile with a roll-back for appending, and
// POSIX calls where Qt would write in place or leave a failure unreported.
#include "platform/files.h"

#include "platform/ordinary_file.h"
#include "platform/qt_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <string>
#include <tuple>
#include <utility>

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
bool flushToDisk(int descriptor) {
#ifdef __linux__
    return ::fdatasync(descriptor) == 0;
#else
    return ::fsync(descriptor) == 0;
#endif
}

bool flushAppendToDisk(QFileDevice& file) {
    if (flushesToFail > 0) {
        --flushesToFail;
        return false;
    }
    return flushToDisk(file.handle());
}

bool writeAll(QFileDevice& file, std::string_view bytes) {
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// Writes every byte at `offset`, however many calls the system takes for it.
bool writeAllAt(int descriptor, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t done = ::pwrite(descriptor, bytes.data(), bytes.size(), offset);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(done));
        offset += done;
    }
    return true;
}

bool readAllAt(int descriptor, std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(descriptor, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// Closes a descriptor once; the result of the close is asked for where it matters.
class Descriptor {
public:
    explicit Descriptor(int descriptor) noexcept : descriptor_(descriptor) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const noexcept { return descriptor_; }
    bool close() noexcept {
        if (descriptor_ < 0)
            return true;
        return ::close(std::exchange(descriptor_, -1)) == 0;
    }

private:
    int descriptor_;
};

// Room on the disk for `size` bytes of the file, taken before a byte of it changes. A file
// system that cannot reserve room is written without.
bool reserve(int descriptor, off_t size) {
#ifdef __linux__
    if (size == 0 || ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, size) == 0)
        return true;
    return errno == EOPNOTSUPP || errno == ENOSYS;
#else
    (void)descriptor;
    (void)size;
    return true;
#endif
}

// Rewrites a file in place, for a folder that takes no new file beside it. The old bytes
// are read first and room for the larger content is reserved, so that a full disk is met
// while the file is untouched; any later failure writes the old bytes back. Only a power
// loss during the write itself can leave the file damaged.
bool overwriteInPlace(const QByteArray& path, std::string_view bytes) {
    Descriptor file(::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    std::string old(static_cast<std::size_t>(status.st_size), '\0');
    if (!readAllAt(file.get(), old) || !reserve(file.get(), std::max(status.st_size, static_cast<off_t>(bytes.size()))))
        return false;
    const bool written = writeAllAt(file.get(), bytes, 0) &&
                         ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 && flushToDisk(file.get());
    if (written && file.close())
        return true;

    // Taken back: the old bytes and the old length, on disk. A failed close has given up
    // the descriptor already, so the file is opened once more for it.
    Descriptor again(file.get() < 0 ? ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY) : -1);
    const int back = file.get() < 0 ? again.get() : file.get();
    writeAllAt(back, old, 0);
    std::ignore = ::ftruncate(back, status.st_size);  // nothing more to try if this fails too
    flushToDisk(back);
    return false;
}

// Gives the new file the old one's owner, group and mode. Only the administrator may give
// a file away, so another user's file, or one of a group the user is not in, cannot be
// replaced by a new file of the user's own.
bool carryOver(int descriptor, const struct stat& old) {
    struct stat now {};
    if (::fstat(descriptor, &now) != 0)
        return false;
    if ((old.st_uid != now.st_uid || old.st_gid != now.st_gid) && ::fchown(descriptor, old.st_uid, old.st_gid) != 0)
        return false;
    return ::fchmod(descriptor, old.st_mode & 07777) == 0;
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
    const QByteArray local = QFile::encodeName(name);
    struct stat old {};
    const bool existed = ::stat(local.constData(), &old) == 0;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        // Some folders take no new file beside the destination, but let it be written.
        if (existed && overwriteInPlace(local, bytes))
            return WriteError::none;
        return failureAt(name);
    }
    // A file whose owner, group or mode the new one cannot take over is written in place,
    // which keeps them all.
    if (existed && !carryOver(file.handle(), old)) {
        file.cancelWriting();
        return overwriteInPlace(local, bytes) ? WriteError::none : failureAt(name);
    }
    // QSaveFile's own flush to disk reports no failure: it is done and checked here first.
    if (!writeAll(file, bytes) || !file.flush() || !flushToDisk(file.handle())) {
        file.cancelWriting();
        return failureAt(name);
    }
    if (!file.commit())
        return failureAt(name);
    return WriteError::none;
}

WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    const QString name = qtText(path);
    if (const auto refused = obstacle(QFileInfo(name)))
        return *refused;
    const bool existed = QFileInfo::exists(name);
    // Unbuffered, so that a failure is met in the write itself and Qt holds nothing back
    // that a later close would try again.
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return failureAt(name);
    const qint64 oldSize = file.size();
    const bool written = std::all_of(pieces.begin(), pieces.end(), [&](std::string_view piece) { return writeAll(file, piece); });
    if (written && flushAppendToDisk(file)) {
        file.close();
        if (file.error() == QFileDevice::NoError)
            return WriteError::none;
    }
    // Taken back: the file as it was, or no file at all. A failed close has given up the
    // descriptor already, so the file is opened once more for it.
    const QByteArray local = QFile::encodeName(name);
    if (existed) {
        Descriptor again(file.isOpen() ? -1 : ::open(local.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        const int back = file.isOpen() ? file.handle() : again.get();
        std::ignore = ::ftruncate(back, oldSize);  // nothing more to try if this fails too
        flushToDisk(back);
    } else {
        ::unlink(local.constData());
    }
    return failureAt(name);
}

void failAppendFlushes(int count) noexcept {
    flushesToFail = count;
}

void reportFileSizeLimitAsWriteError() noexcept {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace brisel
