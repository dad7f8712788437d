// The file primitives on Linux: descriptors, pread and pwrite, appends placed by the system
// (RWF_APPEND), fdatasync, flock for the writers that must not meet, and a new file put in
// place by a link and a rename, with the old one's owner, mode and extended attributes.
#include "platform/file_system.h"

#include "base/utf.h"
#include "platform/files.h"
#include "platform/ordinary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel {
namespace {

namespace fs = std::filesystem;

// The path's bytes, as the system names the file (see utf16FromBytes); a path that no
// bytes give, or that holds a NUL, where the system's name would end early, becomes the
// empty name, which names nothing.
std::string local(std::u16string_view path) {
    std::optional<std::string> bytes = bytesFromUtf16(path);
    if (!bytes || bytes->find('\0') != std::string::npos)
        return {};
    return std::move(*bytes);
}

std::u16string fromLocal(const std::string& path) {
    return utf16FromBytes(path);
}

std::string temporaryFolderBytes() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
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

// The path of a file beside `path`: its name, shortened where the whole would pass the
// 255 bytes a name may have (never inside a character), then `suffix`.
std::string nameBeside(const std::string& path, std::string_view suffix) {
    const std::size_t nameStart = path.rfind('/') + 1;  // 0 without a folder
    std::size_t end = path.size();
    if (end - nameStart + suffix.size() > NAME_MAX) {
        end = nameStart + NAME_MAX - std::min<std::size_t>(suffix.size(), NAME_MAX);
        while (end > nameStart && (static_cast<unsigned char>(path[end]) & 0xC0) == 0x80)
            --end;
    }
    return path.substr(0, end) + std::string(suffix);
}

// A name beside `path` that nothing else uses, as far as one can tell before making it.
std::string temporaryBeside(const std::string& path) {
    static std::atomic<unsigned> counter = 0;
    const std::string mark = fs::path(std::u16string(besideMark)).native();
    return nameBeside(path, mark + std::to_string(::getpid()) + "-" + std::to_string(++counter));
}

// Tries `make` (true on success) with new temporary names while the one it chose is taken:
// a leftover of a conversion that crashed, or another one's at the same moment.
template <class Make>
bool withFreeName(Make make) {
    constexpr int attempts = 100;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (make())
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Removes a file that open() has just made, while its name still holds it and it is empty.
void removeIfStillMade(const std::string& name, int file) {
    struct stat made {};
    struct stat named {};
    if (::fstat(file, &made) == 0 && ::stat(name.c_str(), &named) == 0 && made.st_dev == named.st_dev &&
        made.st_ino == named.st_ino && named.st_size == 0)
        ::unlink(name.c_str());
}

// The names of a file's extended attributes, from `list` (listxattr or flistxattr).
template <class List>
FileError attributeNames(List list, std::vector<std::string>& names) {
    ssize_t length = list(nullptr, 0);
    if (length < 0)
        return errno == ENOTSUP ? FileError::none : errorOf(errno);
    std::string all(static_cast<std::size_t>(length), '\0');
    if ((length = list(all.data(), all.size())) < 0)
        return errorOf(errno);
    all.resize(static_cast<std::size_t>(length));
    for (std::size_t at = 0; at < all.size(); at = all.find('\0', at) + 1)
        names.emplace_back(all.c_str() + at);
    return FileError::none;
}

// Every extended attribute of the file under `from` (POSIX ACLs among them) on `to`, and
// none beside them: a new file may have taken an access list from its folder's default.
FileError copyAttributes(const std::string& from, int to) {
    std::vector<std::string> names, extra;
    FileError error = attributeNames([&](char* into, std::size_t size) { return ::listxattr(from.c_str(), into, size); }, names);
    if (error == FileError::none)
        error = attributeNames([&](char* into, std::size_t size) { return ::flistxattr(to, into, size); }, extra);
    if (error != FileError::none)
        return error;
    for (const std::string& name : extra) {
        if (std::find(names.begin(), names.end(), name) == names.end() && ::fremovexattr(to, name.c_str()) != 0)
            return errorOf(errno);
    }
    for (const std::string& name : names) {
        std::string value(64 * 1024, '\0');  // the largest value Linux keeps
        const ssize_t size = ::getxattr(from.c_str(), name.c_str(), value.data(), value.size());
        if (size < 0 || ::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0)
            return errorOf(errno);
    }
    return FileError::none;
}

// The file's own flags (chattr: no dump, no access time, compression, ...) on `to`, where
// the file system has them.
FileError copyFlags(const std::string& from, int to) {
    // A file that may be written but not read is asked through a handle for writing, which
    // changes nothing either.
    int old = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (old < 0 && errno == EACCES)
        old = ::open(from.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (old < 0)
        return errorOf(errno);
    int flags = 0;
    int now = 0;
    const bool got = ::ioctl(old, FS_IOC_GETFLAGS, &flags) == 0;
    const int error = errno;
    ::close(old);
    if (!got)
        return error == ENOTTY || error == ENOTSUP || error == EINVAL ? FileError::none : errorOf(error);
    if (::ioctl(to, FS_IOC_GETFLAGS, &now) == 0 && now == flags)
        return FileError::none;
    return ::ioctl(to, FS_IOC_SETFLAGS, &flags) == 0 ? FileError::none : errorOf(errno);
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
            // A file that nobody may write is kept even from the administrator.
            if (S_ISREG(status.st_mode))
                return status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH) ? Entry::file : Entry::readOnlyFile;
            return S_ISDIR(status.st_mode) ? Entry::folder : Entry::special;
        }
        // A folder on the way that may not be entered hides whatever stands there.
        if (!name.empty() && errno == EACCES)
            return Entry::noAccess;
        struct stat folder {};
        return ::stat(folderOf(name).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) ? Entry::missing
                                                                                          : Entry::noFolder;
    }

    // Followed link by link, so that a link whose target is missing yet names where it
    // is to be made.
    FileError target(std::u16string_view path, std::u16string& file) override {
        constexpr int mostLinks = 40;  // as the system follows them
        fs::path name = local(path);
        file = path;
        for (int link = 0; link < mostLinks; ++link) {
            std::error_code error;
            const fs::file_status status = fs::symlink_status(name, error);
            if (error && error != std::errc::no_such_file_or_directory)
                return errorOf(error.value());
            if (!fs::is_symlink(status))
                return FileError::none;
            const fs::path next = fs::read_symlink(name, error);
            if (error)
                return errorOf(error.value());
            name = next.is_absolute() ? next : name.parent_path() / next;
            file = fromLocal(name.native());
        }
        return FileError::none;  // a loop: opening it says so
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
            // A file the user may write but not read is appended to all the same; one that
            // another program made in the moment between the two calls is opened after all.
            for (int attempt = 0; attempt < 3; ++attempt) {
                opened = ::open(name.c_str(), O_RDWR | always);
                if (opened < 0 && errno == EACCES)
                    opened = ::open(name.c_str(), O_WRONLY | always);
                if (opened >= 0 || errno != ENOENT)
                    break;
                opened = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | always, 0666);
                created = opened >= 0;
                if (opened >= 0 || errno != EEXIST)
                    break;
            }
            break;
        }
        if (opened < 0)
            return errorOf(errno);
        struct stat status {};
        FileError error = ::fstat(opened, &status) == 0 && S_ISREG(status.st_mode) ? FileError::none : FileError::failed;
        if (error == FileError::none && how != Open::read)
            error = lockAlone(opened);
        if (error != FileError::none) {
            if (created)
                removeIfStillMade(name, opened);
            ::close(opened);
            created = false;
            return error;
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

    FileError modifiedAt(Handle file, FileTime& time) override {
        struct stat status {};
        if (::fstat(descriptor(file), &status) != 0)
            return errorOf(errno);
        time = {static_cast<std::int64_t>(status.st_mtim.tv_sec), static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
        return FileError::none;
    }

    // The access time stays as it is.
    FileError setModifiedAt(Handle file, FileTime time) override {
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {static_cast<time_t>(time.seconds), static_cast<long>(time.nanoseconds)}};
        return done(::futimens(descriptor(file), times) == 0);
    }

    FileError readAt(Handle file, std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        for (;;) {
            const ssize_t read = ::pread(descriptor(file), into, room, static_cast<off_t>(offset));
            if (read < 0 && errno == EINTR)
                continue;
            if (read < 0)
                return errno == EBADF ? FileError::writeOnly : errorOf(errno);
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

    FileError append(Handle file, std::span<const std::string_view> pieces, std::uint64_t& at,
                     std::uint64_t& landed) override {
        at = landed = 0;
        std::vector<iovec> parts;
        std::size_t total = 0;
        for (const std::string_view piece : pieces) {
            if (!piece.empty())
                parts.push_back({const_cast<char*>(piece.data()), piece.size()});
            total += piece.size();
        }
        if (total == 0)
            return FileError::none;
        // An append for this one call (RWF_APPEND) on a descriptor that stays as it is, so
        // that the take-back writes where it is told; from the offset it leaves, where the
        // bytes went.
        // Where the offset cannot be asked for afterwards, the end before is where they went,
        // as long as nobody appended in the moment between.
        const int fd = descriptor(file);
        struct stat before {};
        if (::fstat(fd, &before) != 0)
            return errorOf(errno);
        ssize_t written = 0;
        do
            written = ::pwritev2(fd, parts.data(), static_cast<int>(parts.size()), -1, RWF_APPEND);
        while (written < 0 && errno == EINTR);
        if (written < 0)
            return errorOf(errno);
        const off_t end = ::lseek(fd, 0, SEEK_CUR);
        at = static_cast<std::uint64_t>(end >= written ? end - written : before.st_size);
        landed = static_cast<std::uint64_t>(written);
        return FileError::none;  // a short append (Linux takes at most 2 GiB at a time) is the caller's to go on with
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

    void startWriting(Handle file, std::uint64_t offset, std::uint64_t size) override {
#ifdef __linux__
        ::sync_file_range(descriptor(file), static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
#else
        (void)file;
        (void)offset;
        (void)size;
#endif
    }

    FileError close(Handle file) override {
        return done(::close(descriptor(file)) == 0);
    }

    FileError duplicate(Handle file, Handle& copy) override {
        const int duplicated = ::fcntl(descriptor(file), F_DUPFD_CLOEXEC, 0);
        if (duplicated < 0)
            return errorOf(errno);
        copy = duplicated;
        return FileError::none;
    }

    FileError createBeside(std::u16string_view path, NewFile& made) override {
        const std::string name = local(path);
        // The mode of a new file, less the umask; adopt() gives it an old file's mode.
        // Locked while it is written, so that a run that finds it under a name (see
        // removeUnheld) tells it from what a run that ended early left.
        if (unnamedFilesLinkable()) {
            const int file = ::open(folderOf(name).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
            if (file >= 0) {
                ::flock(file, LOCK_EX | LOCK_NB);
                made = {file, {}};
                return FileError::none;
            }
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errorOf(errno);
        }
        std::string temporary;
        int file = -1;
        if (!withFreeName([&] {
                temporary = temporaryBeside(name);
                file = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
                return file >= 0;
            }))
            return errorOf(errno);
        ::flock(file, LOCK_EX | LOCK_NB);
        made = {file, fromLocal(temporary)};
        return FileError::none;
    }

    // Only the administrator may give a file away, so another user's file, or one of a
    // group the user is not in, cannot be replaced by a new file of the user's own. The
    // attributes go on after the mode, which an access list would change.
    FileError adopt(const NewFile& made, std::u16string_view path) override {
        const std::string name = local(path);
        struct stat old {};
        struct stat now {};
        if (::stat(name.c_str(), &old) != 0 || ::fstat(descriptor(made.file), &now) != 0)
            return errorOf(errno);
        if (old.st_nlink > 1)
            return FileError::failed;  // its other names would keep the old content
        if ((old.st_uid != now.st_uid || old.st_gid != now.st_gid) &&
            ::fchown(descriptor(made.file), old.st_uid, old.st_gid) != 0)
            return errorOf(errno);
        if (::fchmod(descriptor(made.file), old.st_mode & 07777) != 0)
            return errorOf(errno);
        if (const FileError error = copyAttributes(name, descriptor(made.file)); error != FileError::none)
            return error;
        return copyFlags(name, descriptor(made.file));
    }

    // The old file is held until its name is the new one's.
    FileError putInPlace(NewFile& made, std::u16string_view path, Handle old) override {
        const FileError error = moveIn(made, path);
        if (old != noHandle)
            ::close(descriptor(old));
        return error;
    }

    void discard(NewFile& made) override {
        if (made.file != noHandle)
            ::close(descriptor(std::exchange(made.file, noHandle)));
        if (!made.name.empty())
            ::unlink(local(std::exchange(made.name, {})).c_str());
    }

    FileError createScratch(Handle& file) override {
        const std::string temporary = temporaryFolderBytes();
        int made = ::open(temporary.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (made < 0) {
            // A file system without unnamed files: a name for as long as it takes to remove it.
            std::string name = temporary + "/brisel-XXXXXX";
            made = ::mkstemp(name.data());
            if (made < 0)
                return errorOf(errno);
            ::unlink(name.c_str());
            ::fcntl(made, F_SETFD, FD_CLOEXEC);
        }
        file = made;
        return FileError::none;
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

    FileError leftoversBeside(std::u16string_view path, std::vector<std::u16string>& found) override {
        const std::string name = local(path);
        const std::string folder = folderOf(name);
        DIR* const listing = ::opendir(folder.c_str());
        if (listing == nullptr)
            return errorOf(errno);
        const std::string mark = fs::path(std::u16string(besideMark)).native();
        const std::string start = name.substr(0, name.rfind('/') + 1);  // as nameBeside() keeps it
        errno = 0;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string_view entryName = entry->d_name;
            const std::size_t at = entryName.rfind(mark);
            if (at != std::string_view::npos && nameBeside(name, entryName.substr(at)) == start + std::string(entryName))
                found.push_back(fromLocal(start + std::string(entryName)));
            errno = 0;
        }
        const int error = errno;
        ::closedir(listing);
        return error == 0 ? FileError::none : errorOf(error);
    }

    bool runs(std::uint64_t process) override {
        if (process == 0 || process > static_cast<std::uint64_t>(INT_MAX) ||
            process == static_cast<std::uint64_t>(::getpid()))
            return false;
        return ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
    }

    // Locked alone while it is removed: a run holds the lock on its new file until the
    // moment it puts it in place. Where the file system has no locks, it is removed.
    FileError removeUnheld(std::u16string_view path) override {
        const std::string name = local(path);
        constexpr int always = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
        int file = ::open(name.c_str(), O_RDONLY | always);
        if (file < 0 && errno == EACCES)
            file = ::open(name.c_str(), O_WRONLY | always);
        if (file < 0)
            return errorOf(errno);
        struct stat opened {};
        struct stat named {};
        FileError error = FileError::none;
        if (::fstat(file, &opened) != 0 || !S_ISREG(opened.st_mode))
            error = FileError::failed;
        else if (::flock(file, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
            error = FileError::inUse;
        else if (::lstat(name.c_str(), &named) != 0 || named.st_dev != opened.st_dev || named.st_ino != opened.st_ino)
            error = FileError::notFound;  // another file took the name meanwhile
        else
            error = done(::unlink(name.c_str()) == 0);
        ::close(file);
        return error;
    }

    // A rename that replaces nothing; where the file system has none, a link and the old
    // name's removal, which fail on an existing name as well.
    FileError move(std::u16string_view from, std::u16string_view to) override {
        const std::string source = local(from);
        const std::string target = local(to);
        if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return FileError::none;
        if (errno != EINVAL && errno != ENOSYS)
            return errorOf(errno);
        if (::link(source.c_str(), target.c_str()) != 0)
            return errorOf(errno);
        ::unlink(source.c_str());
        return FileError::none;
    }

private:
    // Gives the new file a name beside `path` where it has none, and renames it to `path`.
    FileError moveIn(NewFile& made, std::u16string_view path) {
        const std::string name = local(path);
        std::string temporary = local(made.name);
        if (made.name.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(descriptor(made.file));
            if (!withFreeName([&] {
                    temporary = temporaryBeside(name);
                    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0;
                })) {
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
};

}  // namespace

FileSystem& systemFiles() {
    static PosixFiles files;
    return files;
}

bool isOrdinaryFile(std::u16string_view path) {
    return isOrdinaryFile(fs::path(local(path)));
}

bool namesAFile(std::u16string_view path) {
    return !local(path).empty();
}

bool isForeignPath(std::u16string_view path) {
    const auto letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    const bool drive = path.size() >= 3 && letter(path[0]) && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
    return drive || path.starts_with(u"\\\\");
}

std::u16string nativeSeparators(std::u16string_view path) {
    return std::u16string(path);
}

std::u16string temporaryFolder() {
    return fromLocal(temporaryFolderBytes());
}

void reportFileSizeLimitAsWriteError() noexcept {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace brisel
