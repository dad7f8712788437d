// The whole-file read, the replacement and the append, once for every system, over the
// primitives of file_system.h. What is written and what is copied within a file goes a
// piece at a time, so that no content is ever held in memory whole.
#include "platform/files.h"

#include "platform/file_system.h"
#include "platform/leftovers.h"

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brisel {
namespace {

using Handle = FileSystem::Handle;

// What a copy within the layer reads at a time.
constexpr std::size_t copyPiece = 64 * 1024;
// How many bytes are written before the system is asked to start putting them on the disk.
constexpr std::uint64_t writingStep = std::uint64_t{8} << 20;

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
        return WriteError::readOnly;
    case Entry::missing:
    case Entry::noFolder:
    case Entry::noAccess:
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
    if (entry == Entry::noAccess)
        return WriteError::noAccess;
    if (const auto refused = obstacle(entry))
        return *refused;
    if (error == FileError::denied)
        return entry == Entry::missing ? WriteError::folderDenied : WriteError::denied;
    return WriteError::cannotWrite;
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

// Bytes written one after another into a file from where it starts; the system is asked
// to start putting them on the disk every few megabytes, so that the flush at the end finds
// little left to do.
class Writing final : public ContentSink {
public:
    Writing(FileSystem& files, Handle file) noexcept : files_(files), file_(file) {}

    bool write(std::string_view bytes) override {
        if (failed(error_) || failed(error_ = files_.writeAt(file_, size_, bytes)))
            return false;
        size_ += bytes.size();
        if (size_ - started_ >= writingStep) {
            files_.startWriting(file_, started_, size_ - started_);
            started_ = size_;
        }
        return true;
    }

    FileError error() const noexcept { return error_; }
    std::uint64_t size() const noexcept { return size_; }

private:
    FileSystem& files_;
    Handle file_;
    std::uint64_t size_ = 0;
    std::uint64_t started_ = 0;
    FileError error_ = FileError::none;
};

// Copies the bytes of `from` from its start to its end, or `size` of them, to `to` from
// `at` on, a piece at a time; `copied` learns how many, and `touched` whether a write to
// `to` was begun.
FileError copyBytes(FileSystem& files, Handle from, Handle to, std::uint64_t at, std::uint64_t& copied,
                    std::uint64_t size = UINT64_MAX, bool* touched = nullptr, bool* writeFailed = nullptr) {
    std::string buffer(copyPiece, '\0');
    for (copied = 0; copied < size;) {
        std::size_t got = 0;
        const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - copied));
        if (const FileError error = files.readAt(from, copied, buffer.data(), room, got); failed(error))
            return error;
        if (got == 0)
            return size == UINT64_MAX ? FileError::none : FileError::failed;  // shorter than it was
        if (touched != nullptr)
            *touched = true;
        if (const FileError error = files.writeAt(to, at + copied, std::string_view(buffer.data(), got)); failed(error)) {
            if (writeFailed != nullptr)
                *writeFailed = true;
            return error;
        }
        copied += got;
    }
    return FileError::none;
}

// Rewrites a file in place with the `size` bytes of `content`, for a folder that takes no
// new file beside it, a name that cannot be replaced, or a file whose owner, attributes or
// links a new one cannot take over. The old bytes are kept in a file of the system's
// folder for temporary files and room for the larger content is reserved first, so that a
// full disk is met while the file is untouched; any later failure writes the old bytes
// back and gives the file its modification time back, which the reservation changes too.
// Only a crash of the system during the write itself, or a failure of the write back too,
// can leave the file damaged.
WriteError rewriteInPlace(FileSystem& files, std::u16string_view path, Handle content, std::uint64_t size) {
    HeldFile held(files);
    OpenFile old(files);
    std::uint64_t oldSize = 0;
    std::optional<FileTime> modified;
    bool noScratch = false;  // the old bytes found no room in the folder for temporary files
    FileError error = inOrder([&] { return hold(files, path, FileSystem::Open::update, held); },
                              [&] {
                                  Handle scratch = FileSystem::noHandle;
                                  const FileError made = files.createScratch(scratch);
                                  old.reset(scratch);
                                  noScratch = failed(made);
                                  return made;
                              },
                              [&] { return copyBytes(files, held.file.get(), old.get(), 0, oldSize, UINT64_MAX, nullptr, &noScratch); },
                              [&] {
                                  // Where it cannot be learnt, it cannot be given back either.
                                  if (FileTime time; !failed(files.modifiedAt(held.file.get(), time)))
                                      modified = time;
                                  return files.reserve(held.file.get(), std::max(oldSize, size));
                              });
    const auto asItWas = [&] {
        if (modified)
            std::ignore = files.setModifiedAt(held.keep.isOpen() ? held.keep.get() : held.file.get(), *modified);
    };
    if (failed(error)) {
        asItWas();
        if (noScratch)
            return WriteError::noTemporaryFile;
        // The file could be written, as the caller knows; reading it is what was denied.
        if (error == FileError::denied && !held.file.isOpen())
            return WriteError::unreadable;
        return failure(files, path, error);
    }

    const Handle file = held.file.get();
    std::uint64_t copied = 0;
    bool touched = size == 0;  // an empty content begins with the truncation
    error = inOrder([&] { return copyBytes(files, content, file, 0, copied, size, &touched); },
                    [&] { return files.truncate(file, size); }, [&] { return files.flush(file); },
                    [&] { return held.file.close(); });
    if (!failed(error))
        return WriteError::none;
    if (!touched) {
        asItWas();
        return failure(files, path, error);  // failed before a byte of the file changed
    }

    // Taken back through the handle that still holds the file: the old bytes and the old
    // length, on disk. Nothing more to try where one of these fails too.
    const Handle back = held.keep.get();
    const bool restored = !failed(inOrder([&] { return copyBytes(files, old.get(), back, 0, copied, oldSize); },
                                          [&] { return files.truncate(back, oldSize); }));
    if (restored)
        asItWas();
    std::ignore = files.flush(back);
    return restored ? failure(files, path, error) : WriteError::leftChanged;
}

// Where an append's bytes went: one range, or more where the system took them in several
// calls and another program wrote in between.
struct Landed {
    std::uint64_t at = 0;
    std::uint64_t count = 0;
};

// What a take-back met: only the append's own bytes, now gone, so that the file is as it
// was; bytes of another program after them; or a failed call, and some of the append's
// bytes may still be there.
enum class TakenBack { ownOnly, othersFollowed, incomplete };

// Takes back the `count` bytes that an append put at `at`, keeping what another program
// wrote after them: that is moved down over them a piece at a time. Where nothing follows
// them they are cut off without a read. A file that may be written but not read lets
// nothing be moved: its bytes are cut off where they begin, and with them what another
// program appended after them meanwhile, which is all that can be done to remove them.
TakenBack takeBack(FileSystem& files, Handle file, const Landed& landed) {
    std::uint64_t size = 0;
    if (failed(files.size(file, size)) || size < landed.at)
        return TakenBack::incomplete;
    // A file that ends within the range ends with the part of a failed piece that landed,
    // where the system counts such a piece whole; whatever stands there is the append's own.
    if (size < landed.at + landed.count)
        return failed(files.truncate(file, landed.at)) ? TakenBack::incomplete : TakenBack::ownOnly;
    std::uint64_t moved = 0;
    if (size > landed.at + landed.count) {
        std::string buffer(copyPiece, '\0');
        for (;;) {
            std::size_t got = 0;
            const FileError read =
                files.readAt(file, landed.at + landed.count + moved, buffer.data(), buffer.size(), got);
            if (read == FileError::writeOnly && moved == 0)
                break;
            if (failed(read))
                return TakenBack::incomplete;
            if (got == 0)
                break;
            if (failed(files.writeAt(file, landed.at + moved, std::string_view(buffer.data(), got))))
                return TakenBack::incomplete;
            moved += got;
        }
    }
    if (failed(files.truncate(file, landed.at + moved)))
        return TakenBack::incomplete;
    return size == landed.at + landed.count ? TakenBack::ownOnly : TakenBack::othersFollowed;
}

// The later ranges first, so that the earlier ones stay where they were written. An append
// that failed before a byte landed has nothing to take back, and the file is as it was
// where it still ends at `end`, where it ended before.
TakenBack takeBack(FileSystem& files, Handle file, const std::vector<Landed>& ranges, std::uint64_t end) {
    TakenBack left = TakenBack::ownOnly;
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        left = std::max(left, takeBack(files, file, *range));
    if (std::uint64_t size = 0; ranges.empty())
        left = failed(files.size(file, size)) ? TakenBack::incomplete
                                              : (size == end ? TakenBack::ownOnly : TakenBack::othersFollowed);
    return left;
}

// The pieces of an append, each put where the system puts an append, which is where the
// last one ended, and where the file ended when it was held for the first: anywhere else,
// a program that takes no lock wrote meanwhile, and what was chosen may not fit what now
// stands before it.
class Appending final : public ContentSink {
public:
    Appending(FileSystem& files, Handle file, std::uint64_t end) noexcept
        : files_(files), file_(file), end_(end), started_(end) {}

    bool write(std::string_view bytes) override {
        while (!bytes.empty() && !moved_ && !failed(error_)) {
            std::uint64_t at = 0;
            std::uint64_t landed = 0;
            tried_ = true;
            error_ = files_.append(file_, std::span(&bytes, 1), at, landed);
            if (landed > 0) {
                if (!ranges_.empty() && at == ranges_.back().at + ranges_.back().count)
                    ranges_.back().count += landed;
                else
                    ranges_.push_back({at, landed});
            }
            moved_ = landed > 0 && at != end_;
            if (!failed(error_) && landed == 0)
                error_ = FileError::failed;  // the system took nothing, and would not later
            end_ = at + landed;
            bytes.remove_prefix(static_cast<std::size_t>(landed));
            if (!moved_ && end_ - started_ >= writingStep) {
                files_.startWriting(file_, started_, end_ - started_);
                started_ = end_;
            }
        }
        return !moved_ && !failed(error_);
    }

    const std::vector<Landed>& ranges() const noexcept { return ranges_; }
    // Whether an append was begun: a write that fails changes the file's modification
    // time even where not a byte lands.
    bool tried() const noexcept { return tried_; }
    bool moved() const noexcept { return moved_; }
    FileError error() const noexcept { return error_; }

private:
    FileSystem& files_;
    Handle file_;
    std::uint64_t end_;
    std::uint64_t started_;  // where the bytes begin that the system was not yet asked to write
    std::vector<Landed> ranges_;
    bool tried_ = false;
    bool moved_ = false;
    FileError error_ = FileError::none;
};

// The held file as the producer of an append sees it.
class HeldContent final : public ExistingContent {
public:
    HeldContent(FileSystem& files, Handle file, std::uint64_t size) : files_(files), file_(file), size_(size) {
        // A file that may be written but not read shows nothing of itself.
        char first = 0;
        std::size_t got = 0;
        error_ = files.readAt(file, 0, &first, 1, got);
        readable_ = error_ != FileError::writeOnly;
        if (!readable_)
            error_ = FileError::none;
    }

    std::optional<std::uint64_t> size() const noexcept override {
        return readable_ ? std::optional(size_) : std::nullopt;
    }
    bool read(std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        got = 0;
        if (!failed(error_) && readable_)
            error_ = files_.readAt(file_, offset, into, room, got);
        return readable_ && !failed(error_);
    }
    FileError error() const noexcept { return error_; }

private:
    FileSystem& files_;
    Handle file_;
    std::uint64_t size_;
    bool readable_ = true;
    FileError error_ = FileError::none;
};

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

WriteError replaceFile(std::u16string_view path, const ContentProducer& produce, Leftovers* cleared) {
    return replaceFile(systemFiles(), path, produce, cleared);
}

WriteError replaceFile(std::u16string_view path, std::string_view bytes) {
    return replaceFile(systemFiles(), path, bytes);
}

WriteError replaceFile(FileSystem& files, std::u16string_view path, std::string_view bytes) {
    return replaceFile(files, path, [&](ContentSink& sink) { return sink.write(bytes); });
}

WriteError replaceFile(FileSystem& files, std::u16string_view given, const ContentProducer& produce,
                       Leftovers* cleared) {
    // A symbolic link stays one: the file it names gets the new content.
    std::u16string path;
    if (const FileError error = files.target(given, path); failed(error))
        return failure(files, given, error);
    if (const auto refused = obstacle(files.lookUp(path)))
        return *refused;
    if (Leftovers found = clearLeftovers(files, path); cleared != nullptr)
        *cleared = std::move(found);
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
    // In place, the new content is made first, in a file of its own, so that nothing of the
    // old file changes before it is complete.
    const auto inPlace = [&] {
        std::ignore = held.close();
        Handle scratch = FileSystem::noHandle;
        if (const FileError error = files.createScratch(scratch); failed(error))
            return WriteError::noTemporaryFile;
        const OpenFile content(files, scratch);
        Writing into(files, scratch);
        const bool complete = produce(into);
        if (failed(into.error()))
            return WriteError::noTemporaryFile;
        return complete ? rewriteInPlace(files, path, scratch, into.size()) : WriteError::none;
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
    Writing into(files, made.file);
    const bool complete = produce(into);
    FileError error = into.error();
    if (complete && !failed(error))
        error = files.flush(made.file);
    if (!complete || failed(error)) {
        files.discard(made);
        return failed(error) ? failure(files, path, error) : WriteError::none;
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

WriteError appendToFile(std::u16string_view path, const AppendProducer& produce, Leftovers* cleared) {
    return appendToFile(systemFiles(), path, produce, cleared);
}

WriteError appendToFile(std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    return appendToFile(systemFiles(), path, pieces);
}

WriteError appendToFile(FileSystem& files, std::u16string_view path, std::initializer_list<std::string_view> pieces) {
    const std::vector<std::string_view> fixed(pieces);
    return appendToFile(files, path, [&](ExistingContent&, ContentSink& sink) {
        return std::all_of(fixed.begin(), fixed.end(), [&](std::string_view piece) { return sink.write(piece); });
    });
}

WriteError appendToFile(FileSystem& files, std::u16string_view given, const AppendProducer& produce,
                        Leftovers* cleared) {
    std::u16string path;
    if (const FileError error = files.target(given, path); failed(error))
        return failure(files, given, error);
    if (const auto refused = obstacle(files.lookUp(path)))
        return *refused;
    if (Leftovers found = clearLeftovers(files, path); cleared != nullptr)
        *cleared = std::move(found);
    HeldFile held(files);
    // A file that this append made is removed again where it fails or is declined.
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

    // Nothing is written before the file's size is known, and nothing of the file is read
    // but what the producer asks for.
    constexpr int attempts = 3;
    std::optional<FileTime> modified;  // the file's own, while nobody else has written to it
    for (int attempt = 1;; ++attempt) {
        const Handle file = held.file.get();
        std::uint64_t size = 0;
        if (const FileError error = files.size(file, size); failed(error))
            return fail(error);
        // Learnt after the size: whoever appends from now on moves the append. Where it
        // cannot be learnt, it is not given back either.
        if (FileTime time; attempt == 1 && !held.created && !failed(files.modifiedAt(file, time)))
            modified = time;
        HeldContent existing(files, file, size);
        if (failed(existing.error()))
            return fail(existing.error());
        Appending sink(files, file, size);
        const bool complete = produce(existing, sink);
        FileError error = failed(existing.error()) ? existing.error() : sink.error();
        if (complete && !failed(error) && !sink.moved() && !sink.ranges().empty())
            error = files.flush(file);
        if (complete && !failed(error) && !sink.moved())
            error = held.file.close();
        if (complete && !failed(error) && !sink.moved()) {
            // A file made here has a new name, which the folder keeps through a power loss
            // only once it is flushed; where it cannot be, the records are still in place.
            if (held.created)
                std::ignore = files.flushFolder(path);
            return WriteError::none;
        }
        if (sink.moved())
            modified.reset();  // another program has changed the file
        if (sink.tried()) {
            // A file that holds again exactly what it held is given its time back too.
            const Handle keep = held.keep.get();
            const TakenBack taken = takeBack(files, keep, sink.ranges(), size);
            if (taken == TakenBack::ownOnly && modified)
                std::ignore = files.setModifiedAt(keep, *modified);
            if (!sink.ranges().empty())
                std::ignore = files.flush(keep);
            if (taken == TakenBack::incomplete && !sink.ranges().empty())
                return WriteError::leftChanged;  // some of the append may still be there
        }
        if (failed(error))
            return fail(error);
        if (!sink.moved()) {
            leaveNoTrace();  // declined
            return WriteError::none;
        }
        if (attempt == attempts)
            return fail(FileError::inUse);
    }
}

FileReader::~FileReader() {
    if (files_ != nullptr && handle_ != FileSystem::noHandle)
        std::ignore = files_->close(handle_);
}

FileReader::FileReader(FileReader&& other) noexcept
    : files_(std::exchange(other.files_, nullptr)),
      handle_(std::exchange(other.handle_, FileSystem::noHandle)),
      size_(std::exchange(other.size_, 0)) {}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
    if (this != &other) {
        FileReader gone(std::move(*this));
        files_ = std::exchange(other.files_, nullptr);
        handle_ = std::exchange(other.handle_, FileSystem::noHandle);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

ReadError FileReader::open(std::u16string_view path, FileReader& file) {
    return open(systemFiles(), path, file);
}

ReadError FileReader::open(FileSystem& files, std::u16string_view path, FileReader& file) {
    Handle handle = FileSystem::noHandle;
    bool created = false;
    const FileError error = files.open(path, FileSystem::Open::read, handle, created);
    if (failed(error))
        return error == FileError::inUse ? ReadError::inUse : ReadError::cannotRead;
    file = FileReader();
    file.files_ = &files;
    file.handle_ = handle;
    return ReadError::none;
}

ReadError FileReader::scratch(FileReader& file) {
    FileSystem& files = systemFiles();
    Handle handle = FileSystem::noHandle;
    if (failed(files.createScratch(handle)))
        return ReadError::cannotRead;
    file = FileReader();
    file.files_ = &files;
    file.handle_ = handle;
    return ReadError::none;
}

ReadError FileReader::read(std::uint64_t offset, char* into, std::size_t room, std::size_t& got) {
    got = 0;
    const FileError error = files_->readAt(handle_, offset, into, room, got);
    return failed(error) ? (error == FileError::inUse ? ReadError::inUse : ReadError::cannotRead) : ReadError::none;
}

std::optional<std::uint64_t> FileReader::size() {
    std::uint64_t bytes = 0;
    if (files_ == nullptr || failed(files_->size(handle_, bytes)))
        return std::nullopt;
    return bytes;
}

bool FileReader::append(std::string_view bytes) {
    if (failed(files_->writeAt(handle_, size_, bytes)))
        return false;
    size_ += bytes.size();
    return true;
}

}  // namespace brisel
