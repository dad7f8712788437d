// Loaded into a program with LD_PRELOAD, makes one of its file-changing system calls fail:
// the tests prove with it that no failed write costs a file. Every open for writing, write,
// reservation, change of size, flush to disk, change of owner or mode, link, rename and close
// of a descriptor opened for writing is one step. The environment says which step fails and
// how, and names a file that learns which call it was:
//   BRISEL_FAULT_STEP=N   the N-th step (from 1) fails
//   BRISEL_FAULT=enospc | eio | short   the error; "short" counts writes only and writes half
//   BRISEL_FAULT_LOG=path   the failed call's name is added to this file
//   BRISEL_FAULT_CALL=name   only calls of this name count as steps
//   BRISEL_FAULT_DELAY_MS=N   the failing call takes this long, as on a failing disk
// A flush of a folder (fsync of a descriptor opened on it) is a step too.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <bitset>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

template <class Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

enum class Kind { enospc, eio, shortWrite };

struct Plan {
    int step = 0;
    Kind kind = Kind::enospc;
    const char* log = nullptr;
    const char* call = nullptr;
    int delay = 0;
};

const Plan& plan() {
    static const Plan loaded = [] {
        Plan p;
        if (const char* step = std::getenv("BRISEL_FAULT_STEP"))
            p.step = std::atoi(step);
        if (const char* kind = std::getenv("BRISEL_FAULT")) {
            if (std::strcmp(kind, "eio") == 0)
                p.kind = Kind::eio;
            else if (std::strcmp(kind, "short") == 0)
                p.kind = Kind::shortWrite;
        }
        p.log = std::getenv("BRISEL_FAULT_LOG");
        p.call = std::getenv("BRISEL_FAULT_CALL");
        if (const char* delay = std::getenv("BRISEL_FAULT_DELAY_MS"))
            p.delay = std::atoi(delay);
        return p;
    }();
    return loaded;
}

std::atomic<int> steps = 0;
std::bitset<65536> writing;  // descriptors opened for writing

bool tracked(int fd) {
    return fd >= 0 && static_cast<std::size_t>(fd) < writing.size() && writing[static_cast<std::size_t>(fd)];
}

void note(const char* call) {
    if (plan().log == nullptr)
        return;
    static const auto open = real<int (*)(const char*, int, ...)>("open");
    static const auto write = real<ssize_t (*)(int, const void*, size_t)>("write");
    static const auto close = real<int (*)(int)>("close");
    const int log = open(plan().log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (log < 0)
        return;
    write(log, call, std::strlen(call));
    write(log, "\n", 1);
    close(log);
}

// Whether this step is the one to fail; errno is set for it.
bool strikes(const char* call, bool isWrite = false) {
    const Plan& p = plan();
    if (p.step <= 0 || (p.kind == Kind::shortWrite && !isWrite) || (p.call != nullptr && std::strcmp(p.call, call) != 0))
        return false;
    if (++steps != p.step)
        return false;
    note(call);
    if (p.delay > 0)
        ::usleep(static_cast<useconds_t>(p.delay) * 1000);
    errno = p.kind == Kind::eio ? EIO : ENOSPC;
    return true;
}

bool shortWrite() {
    return plan().kind == Kind::shortWrite;
}

bool opensForWriting(int flags) {
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND)) != 0;
}

int opened(int fd, int flags) {
    if (fd >= 0 && static_cast<std::size_t>(fd) < writing.size())
        writing[static_cast<std::size_t>(fd)] = opensForWriting(flags) || (flags & O_DIRECTORY) != 0;
    return fd;
}

mode_t modeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

// A descriptor's call: fails at its step when the descriptor was opened for writing.
#define BRISEL_ON_DESCRIPTOR(name, fd)           \
    if (tracked(fd) && strikes(name))           \
        return -1;

}  // namespace

extern "C" {

#define BRISEL_OPEN(name)                                                           \
    int name(const char* path, int flags, ...) {                                    \
        static const auto call = real<int (*)(const char*, int, ...)>(#name);        \
        va_list arguments;                                                          \
        va_start(arguments, flags);                                                 \
        const mode_t mode = modeOf(flags, arguments);                               \
        va_end(arguments);                                                          \
        if (opensForWriting(flags) && strikes(#name))                               \
            return -1;                                                              \
        return opened(call(path, flags, mode), flags);                              \
    }
BRISEL_OPEN(open)
BRISEL_OPEN(open64)

#define BRISEL_OPENAT(name)                                                         \
    int name(int dir, const char* path, int flags, ...) {                           \
        static const auto call = real<int (*)(int, const char*, int, ...)>(#name);   \
        va_list arguments;                                                          \
        va_start(arguments, flags);                                                 \
        const mode_t mode = modeOf(flags, arguments);                               \
        va_end(arguments);                                                          \
        if (opensForWriting(flags) && strikes(#name))                               \
            return -1;                                                              \
        return opened(call(dir, path, flags, mode), flags);                         \
    }
BRISEL_OPENAT(openat)
BRISEL_OPENAT(openat64)

int creat(const char* path, mode_t mode) {
    return open(path, O_WRONLY | O_CREAT | O_TRUNC, mode);
}
int creat64(const char* path, mode_t mode) {
    return open(path, O_WRONLY | O_CREAT | O_TRUNC, mode);
}

ssize_t write(int fd, const void* bytes, size_t count) {
    static const auto call = real<ssize_t (*)(int, const void*, size_t)>("write");
    if (tracked(fd) && strikes("write", true))
        return shortWrite() && count > 1 ? call(fd, bytes, count / 2) : -1;
    return call(fd, bytes, count);
}

#define BRISEL_PWRITE(name)                                                         \
    ssize_t name(int fd, const void* bytes, size_t count, off_t offset) {            \
        static const auto call = real<ssize_t (*)(int, const void*, size_t, off_t)>(#name); \
        if (tracked(fd) && strikes(#name, true))                                    \
            return shortWrite() && count > 1 ? call(fd, bytes, count / 2, offset) : -1; \
        return call(fd, bytes, count, offset);                                      \
    }
BRISEL_PWRITE(pwrite)
BRISEL_PWRITE(pwrite64)

ssize_t writev(int fd, const struct iovec* pieces, int count) {
    static const auto call = real<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (tracked(fd) && strikes("writev", true)) {
        if (!shortWrite() || count == 0 || pieces[0].iov_len < 2)
            return -1;
        static const auto plain = real<ssize_t (*)(int, const void*, size_t)>("write");
        return plain(fd, pieces[0].iov_base, pieces[0].iov_len / 2);
    }
    return call(fd, pieces, count);
}

#define BRISEL_FD_CALL(name, signature, arguments)                      \
    int name signature {                                               \
        static const auto call = real<decltype(&::name)>(#name);        \
        BRISEL_ON_DESCRIPTOR(#name, fd)                                 \
        return call arguments;                                          \
    }
BRISEL_FD_CALL(fsync, (int fd), (fd))
BRISEL_FD_CALL(fdatasync, (int fd), (fd))
BRISEL_FD_CALL(ftruncate, (int fd, off_t size), (fd, size))
BRISEL_FD_CALL(ftruncate64, (int fd, off64_t size), (fd, size))
BRISEL_FD_CALL(fallocate, (int fd, int mode, off_t offset, off_t size), (fd, mode, offset, size))
BRISEL_FD_CALL(fallocate64, (int fd, int mode, off64_t offset, off64_t size), (fd, mode, offset, size))
BRISEL_FD_CALL(fchmod, (int fd, mode_t mode), (fd, mode))
BRISEL_FD_CALL(fchown, (int fd, uid_t owner, gid_t group), (fd, owner, group))

// posix_fallocate returns the error instead of setting errno.
#define BRISEL_POSIX_FALLOCATE(name, offset_t)                   \
    int name(int fd, offset_t offset, offset_t size) {           \
        static const auto call = real<decltype(&::name)>(#name);  \
        if (tracked(fd) && strikes(#name))                       \
            return errno;                                        \
        return call(fd, offset, size);                           \
    }
BRISEL_POSIX_FALLOCATE(posix_fallocate, off_t)
BRISEL_POSIX_FALLOCATE(posix_fallocate64, off64_t)

// A failed close has given up the descriptor all the same.
int close(int fd) {
    static const auto call = real<int (*)(int)>("close");
    const bool wasWriting = tracked(fd);
    if (wasWriting)
        writing[static_cast<std::size_t>(fd)] = false;
    if (wasWriting && strikes("close")) {
        const int error = errno;
        call(fd);
        errno = error;
        return -1;
    }
    return call(fd);
}

int rename(const char* from, const char* to) {
    static const auto call = real<decltype(&::rename)>("rename");
    return strikes("rename") ? -1 : call(from, to);
}
int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static const auto call = real<decltype(&::renameat)>("renameat");
    return strikes("renameat") ? -1 : call(fromDir, from, toDir, to);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    static const auto call = real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return strikes("renameat2") ? -1 : call(fromDir, from, toDir, to, flags);
}
int link(const char* from, const char* to) {
    static const auto call = real<decltype(&::link)>("link");
    return strikes("link") ? -1 : call(from, to);
}
int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    static const auto call = real<decltype(&::linkat)>("linkat");
    return strikes("linkat") ? -1 : call(fromDir, from, toDir, to, flags);
}

}  // extern "C"
