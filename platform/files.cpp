// The whole-file read, the replacement and the append, once for every system, over the
// primitives of file_system.h.
#include "platform/files.h"

#include "platform/file_system.h"
#include "platform/leftovers.h"

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace brisel {
namespace {

using Handle = FileSystem::Handle;

// Closes a file when it goes out of scope; where the result matters, close() asks for it.
class OpenFile {
public:
    explicit OpenFile(FileSystem& files, Handle file = FileSystem::noHandle) noexcept : files_(files), file_(file) {}
    ~OpenFile() { std::ignore = close(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    Handle get() const noexcept { return file_; }
    Handle release() noexcept { return std::exchange(file_, FileSystem::noHandle); }
    bool isOpen() const noexcept { return file_ != FileSystem::noHandle; }
    void reset(Handle file) {
        std::ignore = close();
        file_ = file;
    }
    [[nodiscard]] FileError close() {
        return isOpen() ? files_.close(std::exchange(file_, FileSystem::noHandle)) : FileError::none;
    }

private:
    FileSystem& files_;
    Handle file_;
};

// Something other than an ordinary writable file under the name.
std::optional<WriteError> obstacle(Entry entry) {
    switch (entry) {
    case Entry::folder:
        return WriteError::isFolder;
    case Entry::special:
        return WriteError::notAFile;
    case Entry::readOnlyFile:
        return WriteError::cannotWrite;
    case Entry::missing:
    case Entry::noFolder:
    case Entry::file:
        break;
    }
    return std::nullopt;
}

// Why a write to the path failed with `error`, as far as the error and the path tell.
WriteError failure(FileSystem& files, std::u16string_view path, FileError error) {
    if (error == FileError::inUse)
        return WriteError::inUse;
    const Entry entry = files.lookUp(path);
    if (entry == Entry::noFolder)
        return WriteError::folderMissing;
    return obstacle(entry).value_or(WriteError::cannotWrite);
}

bool failed(FileError error) {
    return error != FileError::none;
}

// Runs the steps in order until one fails: that failure, or none.
template <class... Step>
FileError inOrder(Step&&... steps) {
    FileError error = FileError::none;
    static_cast<void>(((error = steps(), !failed(error)) && ...));
    return error;
}

struct Opened {
    FileError error = FileError::none;
    Handle file = FileSystem::noHandle;
    bool created = false;
};

// Opens the file under `path` for changing it alone, once any other conversion that
// changes it is done. One that waited may find that another "ersetzen" has put a new
// file under the name meanwhile: that one is the file to change, so it is opened anew.
Opened openAlone(FileSystem& files, std::u16string_view path, FileSystem::Open how) {
    constexpr int attempts = 3;
    Opened opened;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        // A file made by an attempt whose check failed is still this run's to remove.
        bool created = false;
        opened.error = files.open(path, how, opened.file, created);
        opened.created = opened.created || created;
        if (failed(opened.error))
            return opened;
        FileIdentity mine, named;
        if (!failed(files.identity(opened.file, mine)) && !failed(files.identityAt(path, named)) && mine == named)
            return opened;
        std::ignore = files.close(std::exchange(opened.file, FileSystem::noHandle));
    }
    opened.error = FileError::inUse;
    return opened;
}

// The file opened alone, with a second handle that keeps it held until whatever must be
// taken back is taken back: a failed close of the first gives up nothing to another
// conversion meanwhile.
struct HeldFile {
    explicit HeldFile(FileSystem& files) : file(files), keep(files) {}
    OpenFile file;
    OpenFile keep;
    bool created = false;
};

FileError hold(FileSystem& files, std::u16string_view path, FileSystem::Open how, HeldFile& held) {
    const Opened opened = openAlone(files, path, how);
    if (failed(opened.error))
        return opened.error;
    held.file.reset(opened.file);
    held.created = opened.created;
    Handle copy = FileSystem::noHandle;
    const FileError error = files.duplicate(held.file.get(), copy);
    held.keep.reset(copy);
    return error;
}

// Every byte from `from` to the end, however long the file is by now.
FileError readRest(FileSystem& files, Handle file, std::uint64_t from, std::string& into) {
    constexpr std::size_t piece = 64 * 1024;
    for (;;) {
        const std::size_t done = into.size();
        into.resize(done + piece);
        std::size_t got = 0;
        const FileError error = files.readAt(file, from + done, into.data() + done, piece, got);
        into.resize(done + got);
        if (failed(error) || got == 0)
            return error;
    }
}

// Every byte of an open file. A file that changes while it is read (another program
// writes it without waiting) is read again; one that keeps changing counts as in use.
FileError readWhole(FileSystem& files, Handle file, ByteBuffer& bytes) {
    constexpr int attempts = 3;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        std::uint64_t size = 0;
        if (const FileError error = files.size(file, size); failed(error))
            return error;
        // One more byte than the file's size tells whether it grew while it was read.
        ByteBuffer read(static_cast<std::size_t>(size) + 1);
        std::size_t done = 0;
        while (done < read.capacity()) {
            std::size_t got = 0;
            if (const FileError error = files.readAt(file, done, read.data() + done, read.capacity() - done, got);
                failed(error))
                return error;
            if (got == 0)
                break;
            done += got;
        }
        if (done == size) {
            read.setSize(done);
            bytes = std::move(read);
            return FileError::none;
        }
    }
    return FileError::inUse;
}

// Rewrites a file in place, for a folder that takes no new file beside it, a name that
// cannot be replaced, or a file whose owner, attributes or links a new one cannot take
// over. The old bytes are read first and room for the larger content is reserved, so that
// a full disk is met while the file is untouched; any later failure writes the old bytes
// back. Only a crash of the system during the write itself can leave the file damaged.
WriteError rewriteInPlace(FileSystem& files, std::u16string_view path, std::string_view bytes) {
    HeldFile held(files);
    ByteBuffer old;
    FileError error = inOrder([&] { return hold(files, path, FileSystem::Open::update, held); },
                              [&] { return readWhole(files, held.file.get(), old); },
                              [&] {
                                  return files.reserve(held.file.get(), std::max<std::uint64_t>(old.size(), bytes.size()));
                              });
    if (failed(error))
        return failure(files, path, error);

    const Handle file = held.file.get();
    error = inOrder([&] { return files.writeAt(file, 0, bytes); }, [&] { return files.truncate(file, bytes.size()); },
                    [&] { return files.flush(file); }, [&] { return held.file.close(); });
    if (!failed(error))
        return WriteError::none;

    // Taken back through the handle that still holds the file: the old bytes and the old
    // length, on disk. Nothing more to try where one of these fails too.
    const Handle back = held.keep.get();
    std::ignore = files.writeAt(back, 0, old.view());
    std::ignore = files.truncate(back, old.size());
    std::ignore = files.flush(back);
    return failure(files, path, error);
}

// Takes back the `count` bytes that an append put at `from`, keeping what another program
// wrote after them. Where that cannot be read, the bytes stay: nothing that is not this
// append's own is cut.
void takeBack(FileSystem& files, Handle file, std::uint64_t from, std::uint64_t count) {
    if (count == 0)
        return;
    std::string after;
    if (failed(readRest(files, file, from + count, after)) ||
        (!after.empty() && failed(files.writeAt(file, from, after))))
        return;
    std::ignore = files.truncate(file, from + after.size());
    std::ignore = files.flush(file);
}

// Removes a file that this append made, where nothing else was written to it and the name
// still holds it. Removed while it is still held, so that no other conversion opens it
// meanwhile.
void removeIfOwnAndEmpty(FileSystem& files, std::u16string_view path, Handle file) {
    std::uint64_t size = 0;
    FileIdentity mine, named;
    if (failed(files.size(file, size)) || size != 0 || failed(files.identity(file, mine)) ||
        failed(files.identityAt(path, named)) || mine != named)
        return;
    std::ignore = files.remove(path);
}

}  // namespace

FileContent readWholeFile(std::u16string_view path) {
    return readWholeFile(systemFiles(), path);
}

FileContent readWholeFile(FileSystem& files, std::u16string_view path) {
    Handle handle = FileSystem::noHandle;
    bool created = false;
    FileError error = files.open(path, FileSystem::Open::read, handle, created);
    if (!failed(error)) {
        const OpenFile file(files, handle);
        ByteBuffer bytes;
        if (error = readWhole(files, file.get(), bytes); !failed(error))
            return {std::move(bytes), ReadError::none};
    }
    return {std::nullopt, error == FileError::inUse ? ReadError::inUse : ReadError::cannotRead};
}

WriteError replaceFile(std::u16string_view path, std::string_view bytes) {
    return replaceFile(systemFiles(), path, bytes);
}

WriteError replaceFile(FileSystem& files, std::u16string_view given, std::string_view bytes) {
    // A symbolic link stays one: the file it names gets the new content.
    std::u16string path;
    if (const FileError error = files.target(given, path); failed(error))
        return failure(files, given, error);
    if (const auto refused = obstacle(files.lookUp(path)))
        return *refused;
    std::ignore = clearLeftovers(files, path);
    // A file that may not be written is not replaced either. It is held until it is
    // replaced, so that a conversion appending to it finishes or takes its append back
    // first, and none starts meanwhile. On Windows this also waits for a program that holds
    // the file for a moment.
    Handle check = FileSystem::noHandle;
    bool created = false;
    const FileError writable = files.open(path, FileSystem::Open::writable, check, created);
    if (failed(writable) && writable != FileError::notFound)
        return failure(files, path, writable);
    const bool existed = !failed(writable);
    OpenFile held(files, existed ? check : FileSystem::noHandle);
    const auto inPlace = [&] {
        std::ignore = held.close();
        return rewriteInPlace(files, path, bytes);
    };

    // The new content goes into a file beside the old one and takes its place only once
    // it is complete and on disk.
    FileSystem::NewFile made;
    if (const FileError error = files.createBeside(path, made); failed(error)) {
        // Some folders take no new file beside the destination, but let it be written.
        if (existed && error == FileError::denied)
            return inPlace();
        return failure(files, path, error);
    }
    // A file whose owner, group, mode, attributes or links the new one cannot take over is
    // written in place, which keeps them all.
    if (existed && failed(files.adopt(made, path))) {
        files.discard(made);
        return inPlace();
    }
    FileError error =
        inOrder([&] { return files.writeAt(made.file, 0, bytes); }, [&] { return files.flush(made.file); });
    if (failed(error)) {
        files.discard(made);
        return failure(files, path, error);
    }
    if (failed(error = files.putInPlace(made, path, held.release()))) {
        // A name that cannot change (a file mounted there, a file system without links)
        // can still get its new content in place.
        if (existed && error != FileError::inUse)
            return inPlace();
        return failure(files, path, error);
    }
    // The new content is complete and under the name. A folder that cannot be flushed
    // (some network file systems have no such call) changes nothing of that: only the
    // new name may not survive a power loss in the next seconds, so the replacement
    // counts as done.
    std::ignore = files.flushFolder(path);
    return WriteError::none;
}

WriteError appendToFile(std::u16string_view path, const AppendChoice& choose) {
    return appendToFile(systemFiles(), path, choose);
}

WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    return appendToFile(systemFiles(), path, pieces);
}

WriteError appendToFile(FileSystem& files, std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    const std::vector<std::string_view> fixed(pieces);
    return appendToFile(files, path, [&](std::optional<std::string_view>) { return std::optional(fixed); });
}

WriteError appendToFile(FileSystem& files, std::u16string_view given, const AppendChoice& choose) {
    std::u16string path;
    if (const FileError error = files.target(given, path); failed(error))
        return failure(files, given, error);
    if (const auto refused = obstacle(files.lookUp(path)))
        return *refused;
    std::ignore = clearLeftovers(files, path);
    HeldFile held(files);
    // A file that this append made is removed again where it fails or adds nothing.
    const auto leaveNoTrace = [&] {
        if (held.created)
            removeIfOwnAndEmpty(files, path, held.keep.isOpen() ? held.keep.get() : held.file.get());
    };
    const auto fail = [&](FileError error) {
        leaveNoTrace();
        return failure(files, path, error);
    };
    if (const FileError error = hold(files, path, FileSystem::Open::readAppend, held); failed(error))
        return fail(error);

    // Nothing is written before the file's content is known; a file that may be written
    // but not read is appended to knowing nothing of it.
    constexpr int attempts = 3;
    for (int attempt = 1;; ++attempt) {
        ByteBuffer content;
        const FileError read = readWhole(files, held.file.get(), content);
        if (failed(read) && read != FileError::writeOnly)
            return fail(read);
        const std::optional<std::vector<std::string_view>> pieces =
            choose(failed(read) ? std::nullopt : std::optional(content.view()));
        if (!pieces) {
            leaveNoTrace();
            return WriteError::none;
        }

        // The system puts the pieces at the end as it is then, and says where. Where that is
        // not where the content read ended, a program that takes no lock wrote meanwhile, and
        // what was chosen may not fit what now stands before it: taken back and chosen anew.
        std::uint64_t at = 0;
        std::uint64_t landed = 0;
        const Handle file = held.file.get();
        FileError error = files.append(file, *pieces, at, landed);
        const bool moved = !failed(error) && !failed(read) && at != content.size();
        if (!failed(error) && !moved)
            error = inOrder([&] { return files.flush(file); }, [&] { return held.file.close(); });
        if (!failed(error) && !moved) {
            // A file made here has a new name, which the folder keeps through a power loss
            // only once it is flushed; where it cannot be, the records are still in place.
            if (held.created)
                std::ignore = files.flushFolder(path);
            return WriteError::none;
        }
        takeBack(files, held.keep.get(), at, landed);
        if (!moved || attempt == attempts)
            return fail(moved ? FileError::inUse : error);
    }
}

}  // namespace brisel
