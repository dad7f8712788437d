// Loaded into a program with LD_PRELOAD, makes one of its system calls fail: the tests
// prove with it that no failed call costs a file. Every open for writing, write,
// reservation, change of size, flush to disk, change of owner, mode or attribute, link,
// rename and close of a descriptor opened for writing is one step. The environment says
// which step fails and how, and names a file that learns which call it was:
//   BRISEL_FAULT_STEP=N   the N-th step (from 1) fails
//   BRISEL_FAULT=enospc | eio | short | none | kill   the error; "short" counts writes only
//       and writes half; "none" lets the call succeed (for BRISEL_FAULT_RUN, or to learn
//       which call the N-th step is); "kill" ends the program there with SIGKILL, before
//       the call, as a crash or a kill would
//   BRISEL_FAULT_LOG=path   the failed call's name is added to this file
//   BRISEL_FAULT_CALL=name   only calls of this name count as steps
//   BRISEL_FAULT_DELAY_MS=N   the failing call takes this long, as on a failing disk
//   BRISEL_FAULT_READS=1   the calls that change nothing count as steps too: a size or status
//       query (fstat, stat, lstat), a read (read, pread), a lock (flock), a seek, fcntl's
//       F_SETFL and F_DUPFD, the look-ups (access, readlink, listxattr, getxattr), an open
//       for reading and the close of a descriptor opened only for reading ("close-read")
//   BRISEL_FAULT_RUN=command   at the chosen step, before its call, /bin/sh runs the command
//       to its end, without this library: another program acting at that very moment
// A flush of a folder (fsync of a descriptor opened on it) is a step too. The calls that
// change nothing count only on descriptors this program opened, not on its standard streams.
// glibc 2.33 and later export fstat, stat and lstat themselves; nothing in the programs
// tested calls the older __fxstat family, so that is left alone.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <bitset>
#include <csignal>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

template <class Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

enum class Kind { enospc, eio, shortWrite, none, kill };

struct Plan {
    int step = 0;
    Kind kind = Kind::enospc;
    const char* log = nullptr;
    const char* call = nullptr;
    int delay = 0;
    bool reads = false;
    const char* run = nullptr;
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
            else if (std::strcmp(kind, "none") == 0)
                p.kind = Kind::none;
            else if (std::strcmp(kind, "kill") == 0)
                p.kind = Kind::kill;
        }
        p.log = std::getenv("BRISEL_FAULT_LOG");
        p.call = std::getenv("BRISEL_FAULT_CALL");
        if (const char* delay = std::getenv("BRISEL_FAULT_DELAY_MS"))
            p.delay = std::atoi(delay);
        if (const char* reads = std::getenv("BRISEL_FAULT_READS"))
            p.reads = std::strcmp(reads, "1") == 0;
        p.run = std::getenv("BRISEL_FAULT_RUN");
        return p;
    }();
    return loaded;
}

std::atomic<int> steps = 0;
std::bitset<65536> writing;  // descriptors opened for writing
std::bitset<65536> ours;     // descriptors this program opened, in any mode

bool tracked(int fd) {
    return fd >= 0 && static_cast<std::size_t>(fd) < writing.size() && writing[static_cast<std::size_t>(fd)];
}

bool known(int fd) {
    return fd >= 0 && static_cast<std::size_t>(fd) < ours.size() && ours[static_cast<std::size_t>(fd)];
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

// The other program, run to its end with an environment of its own: no fault reaches it.
void runOther() {
    const char* command = plan().run;
    if (command == nullptr)
        return;
    const int error = errno;
    char shell[] = "sh", option[] = "-c", path[] = "PATH=/usr/bin:/bin";
    char* argv[] = {shell, option, const_cast<char*>(command), nullptr};
    char* envp[] = {path, nullptr};
    pid_t other = 0;
    if (::posix_spawn(&other, "/bin/sh", nullptr, nullptr, argv, envp) == 0) {
        int status = 0;
        while (::waitpid(other, &status, 0) < 0 && errno == EINTR)
            ;
    }
    errno = error;
}

// What a call does to a file, for which steps it counts.
enum class Effect {
    change,   // changes a file: always a step
    write,    // writes bytes: a step for "short" too
    nothing,  // changes nothing: a step with BRISEL_FAULT_READS
};

// Whether this step is the one to fail; errno is set for it.
bool strikes(const char* call, Effect effect = Effect::change) {
    const Plan& p = plan();
    if (p.step <= 0 || (p.kind == Kind::shortWrite && effect != Effect::write) || (effect == Effect::nothing && !p.reads) ||
        (p.call != nullptr && std::strcmp(p.call, call) != 0))
        return false;
    if (++steps != p.step)
        return false;
    note(call);
    runOther();
    if (p.kind == Kind::kill)
        ::kill(::getpid(), SIGKILL);
    if (p.kind == Kind::none)
        return false;
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
    if (fd >= 0 && static_cast<std::size_t>(fd) < writing.size()) {
        writing[static_cast<std::size_t>(fd)] = opensForWriting(flags) || (flags & O_DIRECTORY) != 0;
        ours[static_cast<std::size_t>(fd)] = true;
    }
    return fd;
}

// A second descriptor of the same open file is used as the first.
int copied(int from, int fd) {
    if (fd >= 0 && static_cast<std::size_t>(fd) < writing.size()) {
        writing[static_cast<std::size_t>(fd)] = tracked(from);
        ours[static_cast<std::size_t>(fd)] = known(from);
    }
    return fd;
}

// What a call that changes nothing does on a descriptor this program opened.
bool strikesKnown(const char* call, int fd) {
    return known(fd) && strikes(call, Effect::nothing);
}

mode_t modeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

// A descriptor's call: fails at its step when the descriptor was opened for writing.
#define BRISEL_ON_DESCRIPTOR(name, fd)           \
    if (tracked(fd) && strikes(name))           \
        return -1;
// A call that changes nothing: fails at its step when this program opened the descriptor.
#define BRISEL_ON_KNOWN(name, fd)                \
    if (strikesKnown(name, fd))                  \
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
        if (strikes(#name, opensForWriting(flags) ? Effect::change : Effect::nothing)) \
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
        if (strikes(#name, opensForWriting(flags) ? Effect::change : Effect::nothing)) \
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
    if (tracked(fd) && strikes("write", Effect::write))
        return shortWrite() && count > 1 ? call(fd, bytes, count / 2) : -1;
    return call(fd, bytes, count);
}

#define BRISEL_PWRITE(name)                                                         \
    ssize_t name(int fd, const void* bytes, size_t count, off_t offset) {            \
        static const auto call = real<ssize_t (*)(int, const void*, size_t, off_t)>(#name); \
        if (tracked(fd) && strikes(#name, Effect::write))                                    \
            return shortWrite() && count > 1 ? call(fd, bytes, count / 2, offset) : -1; \
        return call(fd, bytes, count, offset);                                      \
    }
BRISEL_PWRITE(pwrite)
BRISEL_PWRITE(pwrite64)

// An append (RWF_APPEND) or a write at an offset of several pieces.
ssize_t pwritev2(int fd, const struct iovec* pieces, int count, off_t offset, int flags) {
    static const auto call = real<ssize_t (*)(int, const struct iovec*, int, off_t, int)>("pwritev2");
    if (tracked(fd) && strikes("pwritev2", Effect::write)) {
        if (!shortWrite() || count == 0 || pieces[0].iov_len < 2)
            return -1;
        const iovec half{pieces[0].iov_base, pieces[0].iov_len / 2};
        return call(fd, &half, 1, offset, flags);
    }
    return call(fd, pieces, count, offset, flags);
}

ssize_t writev(int fd, const struct iovec* pieces, int count) {
    static const auto call = real<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (tracked(fd) && strikes("writev", Effect::write)) {
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

// A failed close has given up the descriptor all the same. The close of one only read from
// is "close-read".
int close(int fd) {
    static const auto call = real<int (*)(int)>("close");
    const bool wasWriting = tracked(fd);
    const bool wasReading = !wasWriting && known(fd);
    if (known(fd)) {
        writing[static_cast<std::size_t>(fd)] = false;
        ours[static_cast<std::size_t>(fd)] = false;
    }
    if ((wasWriting && strikes("close")) || (wasReading && strikes("close-read", Effect::nothing))) {
        const int error = errno;
        call(fd);
        errno = error;
        return -1;
    }
    return call(fd);
}

// The calls that change nothing, on a descriptor.
#define BRISEL_KNOWN_CALL(name, signature, arguments)                   \
    int name signature {                                               \
        static const auto call = real<decltype(&::name)>(#name);        \
        BRISEL_ON_KNOWN(#name, fd)                                      \
        return call arguments;                                          \
    }
BRISEL_KNOWN_CALL(fstat, (int fd, struct stat* status), (fd, status))
BRISEL_KNOWN_CALL(fstat64, (int fd, struct stat64* status), (fd, status))
BRISEL_KNOWN_CALL(flock, (int fd, int operation), (fd, operation))

#define BRISEL_READ_CALL(name, result, signature, arguments)            \
    result name signature {                                            \
        static const auto call = real<decltype(&::name)>(#name);        \
        BRISEL_ON_KNOWN(#name, fd)                                      \
        return call arguments;                                          \
    }
BRISEL_READ_CALL(read, ssize_t, (int fd, void* into, size_t room), (fd, into, room))
BRISEL_READ_CALL(pread, ssize_t, (int fd, void* into, size_t room, off_t offset), (fd, into, room, offset))
BRISEL_READ_CALL(pread64, ssize_t, (int fd, void* into, size_t room, off64_t offset), (fd, into, room, offset))
BRISEL_READ_CALL(lseek, off_t, (int fd, off_t offset, int whence), (fd, offset, whence))
BRISEL_READ_CALL(lseek64, off64_t, (int fd, off64_t offset, int whence), (fd, offset, whence))

// Of fcntl only what the file layer relies on: the file status flags it sets (append mode)
// and the second descriptor it makes, which is then used as the first.
#define BRISEL_FCNTL(name)                                                              \
    int name(int fd, int command, ...) {                                                \
        static const auto call = real<int (*)(int, int, ...)>(#name);                    \
        va_list arguments;                                                              \
        va_start(arguments, command);                                                   \
        void* argument = va_arg(arguments, void*);                                      \
        va_end(arguments);                                                              \
        const bool copies = command == F_DUPFD || command == F_DUPFD_CLOEXEC;           \
        if ((copies || command == F_SETFL) && strikesKnown(#name, fd))                  \
            return -1;                                                                  \
        const int result = call(fd, command, argument);                                 \
        return copies ? copied(fd, result) : result;                                    \
    }
BRISEL_FCNTL(fcntl)
BRISEL_FCNTL(fcntl64)

// The look-ups by name: a step each with BRISEL_FAULT_READS, whatever the name.
#define BRISEL_LOOKUP(name, result, signature, arguments)               \
    result name signature {                                            \
        static const auto call = real<decltype(&::name)>(#name);        \
        if (strikes(#name, Effect::nothing))                            \
            return -1;                                                  \
        return call arguments;                                          \
    }
BRISEL_LOOKUP(stat, int, (const char* path, struct stat* status), (path, status))
BRISEL_LOOKUP(stat64, int, (const char* path, struct stat64* status), (path, status))
BRISEL_LOOKUP(lstat, int, (const char* path, struct stat* status), (path, status))
BRISEL_LOOKUP(lstat64, int, (const char* path, struct stat64* status), (path, status))
BRISEL_LOOKUP(access, int, (const char* path, int how), (path, how))
BRISEL_LOOKUP(readlink, ssize_t, (const char* path, char* into, size_t room), (path, into, room))
BRISEL_LOOKUP(listxattr, ssize_t, (const char* path, char* names, size_t room), (path, names, room))
BRISEL_LOOKUP(getxattr, ssize_t, (const char* path, const char* name, void* value, size_t room),
              (path, name, value, room))

// An attribute given to a file changes it.
int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags) {
    static const auto call = real<decltype(&::fsetxattr)>("fsetxattr");
    BRISEL_ON_DESCRIPTOR("fsetxattr", fd)
    return call(fd, name, value, size, flags);
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
