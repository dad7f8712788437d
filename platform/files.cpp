// The whole-file read, the replacement and the append, once for every system, over the
// primitives of file_system.h.
#include "platform/files.h"

#include "platform/file_system.h"

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
    OpenFile(FileSystem& files, Handle file) noexcept : files_(files), file_(file) {}
    ~OpenFile() { std::ignore = close(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    Handle get() const noexcept { return file_; }
    bool isOpen() const noexcept { return file_ != FileSystem::noHandle; }
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
        if (opened.error = files.open(path, how, opened.file, opened.created); failed(opened.error))
            return opened;
        FileIdentity mine, named;
        if (!failed(files.identity(opened.file, mine)) && !failed(files.identityAt(path, named)) && mine == named)
            return opened;
        std::ignore = files.close(std::exchange(opened.file, FileSystem::noHandle));
    }
    opened.error = FileError::inUse;
    return opened;
}

// A failed close has given up the handle already, so a failure is taken back through the
// file opened once more: if the name still holds the same file, else nothing is touched.
Handle reopen(FileSystem& files, std::u16string_view path, const FileIdentity& identity) {
    const Opened opened = openAlone(files, path, FileSystem::Open::update);
    FileIdentity now;
    if (failed(opened.error))
        return FileSystem::noHandle;
    if (failed(files.identity(opened.file, now)) || now != identity) {
        std::ignore = files.close(opened.file);
        return FileSystem::noHandle;
    }
    return opened.file;
}

// Reads `into.size()` bytes from `from` on.
FileError readAll(FileSystem& files, Handle file, std::uint64_t from, std::string& into) {
    std::size_t done = 0;
    while (done < into.size()) {
        std::size_t got = 0;
        if (const FileError error = files.readAt(file, from + done, into.data() + done, into.size() - done, got); failed(error))
            return error;
        if (got == 0)
            return FileError::failed;  // shorter than it was a moment ago
        done += got;
    }
    return FileError::none;
}

// Rewrites a file in place, for a folder that takes no new file beside it or a file whose
// owner or group a new one cannot take over. The old bytes are read first and room for the
// larger content is reserved, so that a full disk is met while the file is untouched; any
// later failure writes the old bytes back. Only a crash of the system during the write
// itself can leave the file damaged.
WriteError rewriteInPlace(FileSystem& files, std::u16string_view path, std::string_view bytes) {
    const Opened opened = openAlone(files, path, FileSystem::Open::update);
    if (failed(opened.error))
        return failure(files, path, opened.error);
    OpenFile file(files, opened.file);
    std::uint64_t oldSize = 0;
    FileIdentity identity;
    std::string old;
    FileError error = inOrder(
        [&] { return files.size(file.get(), oldSize); },
        [&] {
            old.resize(static_cast<std::size_t>(oldSize));
            return readAll(files, file.get(), 0, old);
        },
        [&] { return files.identity(file.get(), identity); },
        [&] { return files.reserve(file.get(), std::max<std::uint64_t>(oldSize, bytes.size())); });
    if (failed(error))
        return failure(files, path, error);

    error = inOrder([&] { return files.writeAt(file.get(), 0, bytes); },
                    [&] { return files.truncate(file.get(), bytes.size()); }, [&] { return files.flush(file.get()); },
                    [&] { return file.close(); });
    if (!failed(error))
        return WriteError::none;

    // Taken back: the old bytes and the old length, on disk.
    const OpenFile reopened(files, file.isOpen() ? FileSystem::noHandle : reopen(files, path, identity));
    const Handle back = file.isOpen() ? file.get() : reopened.get();
    if (back != FileSystem::noHandle) {
        // Nothing more to try where one of these fails too.
        std::ignore = files.writeAt(back, 0, old);
        std::ignore = files.truncate(back, oldSize);
        std::ignore = files.flush(back);
    }
    return failure(files, path, error);
}

// Takes an append of the bytes [from, end) back, keeping what another program wrote
// after them where the file can be read.
void takeBack(FileSystem& files, Handle file, std::uint64_t from, std::uint64_t end) {
    std::uint64_t size = 0;
    std::string after;
    if (!failed(files.size(file, size)) && size > end) {
        after.resize(static_cast<std::size_t>(size - end));
        if (failed(readAll(files, file, end, after)) || failed(files.writeAt(file, from, after)))
            after.clear();
    }
    std::ignore = files.truncate(file, from + after.size());
    std::ignore = files.flush(file);
}

}  // namespace

FileContent readWholeFile(std::u16string_view path) {
    return readWholeFile(systemFiles(), path);
}

FileContent readWholeFile(FileSystem& files, std::u16string_view path) {
    FileContent content{std::nullopt, ReadError::cannotRead};
    Handle handle = FileSystem::noHandle;
    bool created = false;
    if (const FileError error = files.open(path, FileSystem::Open::read, handle, created); failed(error)) {
        if (error == FileError::inUse)
            content.error = ReadError::inUse;
        return content;
    }
    const OpenFile file(files, handle);
    std::uint64_t size = 0;
    if (failed(files.size(file.get(), size)))
        return content;
    // One more byte than the file's size tells whether it grew while it was read.
    ByteBuffer bytes(static_cast<std::size_t>(size) + 1);
    std::size_t done = 0;
    while (done < bytes.capacity()) {
        std::size_t got = 0;
        if (const FileError error = files.readAt(file.get(), done, bytes.data() + done, bytes.capacity() - done, got);
            failed(error)) {
            if (error == FileError::inUse)
                content.error = ReadError::inUse;
            return content;
        }
        if (got == 0)
            break;
        done += got;
    }
    if (done == bytes.capacity())
        return content;  // still growing: no consistent content to convert
    bytes.setSize(done);
    return {std::move(bytes), ReadError::none};
}

WriteError replaceFile(std::u16string_view path, std::string_view bytes) {
    return replaceFile(systemFiles(), path, bytes);
}

WriteError replaceFile(FileSystem& files, std::u16string_view given, std::string_view bytes) {
    // A symbolic link stays one: the file it names gets the new content.
    const std::u16string path = files.target(given);
    if (const auto refused = obstacle(files.lookUp(path)))
        return *refused;
    // A file that may not be written is not replaced either. On Windows this also waits
    // for a program that holds the file for a moment.
    Handle check = FileSystem::noHandle;
    bool created = false;
    const FileError writable = files.open(path, FileSystem::Open::writable, check, created);
    if (failed(writable) && writable != FileError::notFound)
        return failure(files, path, writable);
    const bool existed = !failed(writable);
    if (existed && failed(files.close(check)))
        return failure(files, path, FileError::failed);

    // The new content goes into a file beside the old one and takes its place only once
    // it is complete and on disk.
    FileSystem::NewFile made;
    if (const FileError error = files.createBeside(path, made); failed(error)) {
        // Some folders take no new file beside the destination, but let it be written.
        if (existed && error == FileError::denied)
            return rewriteInPlace(files, path, bytes);
        return failure(files, path, error);
    }
    // A file whose owner, group or mode the new one cannot take over is written in place,
    // which keeps them all.
    if (existed && failed(files.adopt(made, path))) {
        files.discard(made);
        return rewriteInPlace(files, path, bytes);
    }
    FileError error =
        inOrder([&] { return files.writeAt(made.file, 0, bytes); }, [&] { return files.flush(made.file); });
    if (failed(error)) {
        files.discard(made);
        return failure(files, path, error);
    }
    if (failed(error = files.putInPlace(made, path)))
        return failure(files, path, error);
    // The new content is complete and under the name. A folder that cannot be flushed
    // (some network file systems have no such call) changes nothing of that: only the
    // new name may not survive a power loss in the next seconds, so the replacement
    // counts as done.
    std::ignore = files.flushFolder(path);
    return WriteError::none;
}

WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    return appendToFile(systemFiles(), path, pieces);
}

WriteError appendToFile(FileSystem& files, std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    if (const auto refused = obstacle(files.lookUp(path)))
        return *refused;
    const Opened opened = openAlone(files, path, FileSystem::Open::readAppend);
    if (failed(opened.error))
        return failure(files, path, opened.error);
    OpenFile file(files, opened.file);
    const bool created = opened.created;
    std::uint64_t oldSize = 0;
    FileIdentity identity;
    // The pieces go at explicit offsets, so that this append's bytes are known exactly.
    std::uint64_t end = 0;
    const auto write = [&] {
        FileError error = FileError::none;
        for (auto piece = pieces.begin(); !failed(error) && piece != pieces.end(); ++piece) {
            error = files.writeAt(file.get(), end, *piece);
            end += piece->size();
        }
        return error;
    };
    const FileError error = inOrder(
        [&] {
            const FileError sized = files.size(file.get(), oldSize);
            end = oldSize;
            return sized;
        },
        [&] { return files.identity(file.get(), identity); }, write, [&] { return files.flush(file.get()); },
        [&] { return file.close(); });
    if (!failed(error)) {
        // A file made here has a new name, which the folder keeps through a power loss only
        // once it is flushed; where it cannot be, the records are still complete and in place.
        if (created)
            std::ignore = files.flushFolder(path);
        return WriteError::none;
    }

    // Taken back: the file as it was, or no file at all where this append made it and
    // nothing else was written to it.
    const OpenFile reopened(files, file.isOpen() ? FileSystem::noHandle : reopen(files, path, identity));
    const Handle back = file.isOpen() ? file.get() : reopened.get();
    if (back != FileSystem::noHandle) {
        std::uint64_t size = 0;
        if (created && oldSize == 0 && !failed(files.size(back, size)) && size <= end) {
            // Removed while it is still held, so that no other conversion opens it meanwhile.
            if (failed(files.remove(path)))
                takeBack(files, back, oldSize, end);
        } else {
            takeBack(files, back, oldSize, end);
        }
    }
    return failure(files, path, error);
}

}  // namespace brisel
