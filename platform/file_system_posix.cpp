// The file primitives on POSIX: descriptors, pread and pwrite, fdatasync, flock for the
// writers that must not meet, and a new file put in place by a link and a rename.
#include "platform/file_system.h"

#include "platform/files.h"
#include "platform/ordinary_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <utility>

namespace brisel {
namespace {

namespace fs = std::filesystem;

// The path in the system's encoding (UTF-8); a path that has none (a lone surrogate)
// becomes one that names nothing.
std::string local(std::u16string_view path) {
    try {
        return fs::path(std::u16string(path)).native();
    } catch (const std::exception&) {
        return {};
    }
}

std::u16string fromLocal(const std::string& path) {
    try {
        return fs::path(path).u16string();
    } catch (const std::exception&) {
        return {};
    }
}

std::string folderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().native();
    return folder.empty() ? std::string(".") : folder;
}

FileError errorOf(int error) {
    switch (error) {
    case ENOENT:
        return FileError::notFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileError::denied;
    case EWOULDBLOCK:
        return FileError::inUse;
    default:
        return FileError::failed;
    }
}

FileError done(bool succeeded) {
    return succeeded ? FileError::none : errorOf(errno);
}

int descriptor(FileSystem::Handle file) {
    return static_cast<int>(file);
}

// Another conversion writing the same file holds it for as long as its write takes: waited
// for about a second, in growing steps, as Windows waits for a file held for a moment.
constexpr std::array<useconds_t, 7> lockPauses{10, 20, 40, 80, 160, 320, 370};  // milliseconds, 1000 in all

FileError lockAlone(int file) {
    for (std::size_t attempt = 0;; ++attempt) {
        if (::flock(file, LOCK_EX | LOCK_NB) == 0)
            return FileError::none;
        if (errno == EINTR)
            continue;
        // A file system without locks (some network shares) is written unlocked.
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL)
            return FileError::none;
        if (errno != EWOULDBLOCK)
            return errorOf(errno);
        if (attempt == lockPauses.size())
            return FileError::inUse;
        ::usleep(lockPauses[attempt] * 1000);
    }
}

// A name beside `path` that nothing else uses.
std::string temporaryBeside(const std::string& path) {
    static std::atomic<unsigned> counter = 0;
    return path + ".~brisel" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// Unnamed files (O_TMPFILE) leave nothing behind after a crash; they are given a name
// through /proc, so only where that is there.
bool unnamedFilesLinkable() {
    static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
    return linkable;
}

class PosixFiles final : public FileSystem {
public:
    Entry lookUp(std::u16string_view path) override {
        const std::string name = local(path);
        struct stat status {};
        if (!name.empty() && ::stat(name.c_str(), &status) == 0) {
            if (S_ISREG(status.st_mode))
                return Entry::file;
            return S_ISDIR(status.st_mode) ? Entry::folder : Entry::special;
        }
        struct stat folder {};
        return ::stat(folderOf(name).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) ? Entry::missing
                                                                                          : Entry::noFolder;
    }

    std::u16string target(std::u16string_view path) override {
        const std::string name = local(path);
        struct stat status {};
        if (::lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return std::u16string(path);
        std::error_code error;
        const fs::path resolved = fs::weakly_canonical(name, error);
        return error ? std::u16string(path) : fromLocal(resolved.native());
    }

    FileError open(std::u16string_view path, Open how, Handle& file, bool& created) override {
        const std::string name = local(path);
        created = false;
        // Never blocks on a pipe; only ordinary files are taken.
        constexpr int always = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        int opened = -1;
        switch (how) {
        case Open::read:
            opened = ::open(name.c_str(), O_RDONLY | always);
            break;
        case Open::writable:
            opened = ::open(name.c_str(), O_WRONLY | always);
            break;
        case Open::update:
            opened = ::open(name.c_str(), O_RDWR | always);
            break;
        case Open::readAppend:
            // A file the user may write but not read is appended to all the same.
            opened = ::open(name.c_str(), O_RDWR | always);
            if (opened < 0 && errno == EACCES)
                opened = ::open(name.c_str(), O_WRONLY | always);
            if (opened < 0 && errno == ENOENT) {
                opened = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | always, 0666);
                created = opened >= 0;
            }
            break;
        }
        if (opened < 0)
            return errorOf(errno);
        struct stat status {};
        if (::fstat(opened, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(opened);
            return FileError::failed;
        }
        if (how == Open::update || how == Open::readAppend) {
            if (const FileError error = lockAlone(opened); error != FileError::none) {
                ::close(opened);
                return error;
            }
        }
        file = opened;
        return FileError::none;
    }

    FileError size(Handle file, std::uint64_t& bytes) override {
        struct stat status {};
        if (::fstat(descriptor(file), &status) != 0)
            return errorOf(errno);
        bytes = static_cast<std::uint64_t>(status.st_size);
        return FileError::none;
    }

    FileError identity(Handle file, FileIdentity& id) override {
        struct stat status {};
        if (::fstat(descriptor(file), &status) != 0)
            return errorOf(errno);
        id = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
        return FileError::none;
    }

    FileError identityAt(std::u16string_view path, FileIdentity& id) override {
        struct stat status {};
        if (::stat(local(path).c_str(), &status) != 0)
            return errorOf(errno);
        id = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
        return FileError::none;
    }

    FileError readAt(Handle file, std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        for (;;) {
            const ssize_t read = ::pread(descriptor(file), into, room, static_cast<off_t>(offset));
            if (read < 0 && errno == EINTR)
                continue;
            if (read < 0)
                return errorOf(errno);
            got = static_cast<std::size_t>(read);
            return FileError::none;
        }
    }

    FileError writeAt(Handle file, std::uint64_t offset, std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = ::pwrite(descriptor(file), bytes.data(), bytes.size(), static_cast<off_t>(offset));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return written == 0 ? FileError::failed : errorOf(errno);
            bytes.remove_prefix(static_cast<std::size_t>(written));
            offset += static_cast<std::uint64_t>(written);
        }
        return FileError::none;
    }

    FileError truncate(Handle file, std::uint64_t size) override {
        return done(::ftruncate(descriptor(file), static_cast<off_t>(size)) == 0);
    }

    FileError reserve(Handle file, std::uint64_t size) override {
#ifdef __linux__
        if (size == 0 || ::fallocate(descriptor(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
            return FileError::none;
        return errno == EOPNOTSUPP || errno == ENOSYS ? FileError::none : errorOf(errno);
#else
        (void)file;
        (void)size;
        return FileError::none;
#endif
    }

    FileError flush(Handle file) override {
#ifdef __linux__
        return done(::fdatasync(descriptor(file)) == 0);
#else
        return done(::fsync(descriptor(file)) == 0);
#endif
    }

    FileError close(Handle file) override {
        return done(::close(descriptor(file)) == 0);
    }

    FileError createBeside(std::u16string_view path, NewFile& made) override {
        const std::string name = local(path);
        // The mode of a new file, less the umask; adopt() gives it an old file's mode.
        if (unnamedFilesLinkable()) {
            const int file = ::open(folderOf(name).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
            if (file >= 0) {
                made = {file, {}};
                return FileError::none;
            }
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errorOf(errno);
        }
        const std::string temporary = temporaryBeside(name);
        const int file = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (file < 0)
            return errorOf(errno);
        made = {file, fromLocal(temporary)};
        return FileError::none;
    }

    // Only the administrator may give a file away, so another user's file, or one of a
    // group the user is not in, cannot be replaced by a new file of the user's own.
    FileError adopt(const NewFile& made, std::u16string_view path) override {
        struct stat old {};
        struct stat now {};
        if (::stat(local(path).c_str(), &old) != 0 || ::fstat(descriptor(made.file), &now) != 0)
            return errorOf(errno);
        if ((old.st_uid != now.st_uid || old.st_gid != now.st_gid) &&
            ::fchown(descriptor(made.file), old.st_uid, old.st_gid) != 0)
            return errorOf(errno);
        return done(::fchmod(descriptor(made.file), old.st_mode & 07777) == 0);
    }

    FileError putInPlace(NewFile& made, std::u16string_view path) override {
        const std::string name = local(path);
        std::string temporary = local(made.name);
        if (made.name.empty()) {
            temporary = temporaryBeside(name);
            const std::string self = "/proc/self/fd/" + std::to_string(descriptor(made.file));
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                const FileError error = errorOf(errno);
                discard(made);
                return error;
            }
            made.name = fromLocal(temporary);
        }
        const bool closed = ::close(descriptor(std::exchange(made.file, noHandle))) == 0;
        if (closed && ::rename(temporary.c_str(), name.c_str()) == 0) {
            made.name.clear();
            return FileError::none;
        }
        const FileError error = errorOf(errno);
        discard(made);
        return error;
    }

    void discard(NewFile& made) override {
        if (made.file != noHandle)
            ::close(descriptor(std::exchange(made.file, noHandle)));
        if (!made.name.empty())
            ::unlink(local(std::exchange(made.name, {})).c_str());
    }

    FileError remove(std::u16string_view path) override {
        return done(::unlink(local(path).c_str()) == 0);
    }

    FileError flushFolder(std::u16string_view path) override {
        const int folder = ::open(folderOf(local(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            return errorOf(errno);
        const bool flushed = ::fsync(folder) == 0;
        const int error = errno;
        ::close(folder);
        errno = error;
        return done(flushed);
    }
};

}  // namespace

FileSystem& systemFiles() {
    static PosixFiles files;
    return files;
}

bool isOrdinaryFile(std::u16string_view path) {
    return isOrdinaryFile(fs::path(local(path)));
}

std::u16string nativeSeparators(std::u16string_view path) {
    return std::u16string(path);
}

void reportFileSizeLimitAsWriteError() noexcept {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace brisel
