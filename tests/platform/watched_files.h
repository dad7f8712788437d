// This system's files, watched: each primitive call can be made to fail in turn, another
// program can act between any two calls, and the calls and the changes that succeeded
// are written down, for the simulation and the crash model.
#pragma once

#include "platform/file_system.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brisel {

enum class FileFault {
    error,       // the call fails as on a full disk or a failing disk
    shortWrite,  // a write or an append writes half of what it was given, then fails; other calls fail
    countedWhole,  // as shortWrite, but an append says all of it landed, as Windows' does, which
                   // cannot tell how much of a failed write went and holds the file against others
    failing,     // as error, and every later call fails too, as on a disk that has died
};

// One change as a crash sees it: to a file's bytes, or to the names in the folder.
struct Change {
    enum class Kind { write, truncate, flush, name, unname, flushFolder } kind;
    int file = -1;         // which file (write, truncate, flush, name)
    std::u16string name{};  // name, unname: the file name in the folder
    std::uint64_t offset = 0;  // write: where; truncate: the new size
    std::string bytes{};
};

// One primitive call: what it was, on which file (0: what stood under the name at first;
// -1: none), whether that was a file made beside the destination, and whether it failed.
struct Call {
    enum class Kind { lookUp, target, open, size, identity, modifiedAt, setModifiedAt, readAt, writeAt, append,
                      truncate, reserve, flush, close, duplicate, createBeside, adopt, putInPlace, remove, flushFolder,
                      createScratch, leftoversBeside, runs, removeUnheld, move } kind;
    int file = -1;
    bool beside = false;
    bool failed = false;
};

class WatchedFiles final : public FileSystem {
public:
    // The `step`-th call from now on meets `fault`; 0 injects nothing.
    void inject(int step, FileFault fault) {
        stepsToFault_ = step;
        fault_ = fault;
        faultMet_ = false;
    }
    bool faultMet() const { return faultMet_; }
    // No new file can be made beside a destination, as in a folder where only the file
    // itself may be written.
    bool refuseNewFiles = false;
    // A file mounted under the destination's name, which no other file can replace.
    bool refuseRenames = false;
    // The destination may be written but not read, as a handle opened for writing only.
    bool writeOnly = false;
    // The most bytes one append takes, as Linux takes at most 2 GiB - 4 KiB in one call;
    // 0: all.
    std::size_t mostPerAppend = 0;
    // Called before each call with the number of calls made so far: another program's turn.
    std::function<void(int)> between;
    std::vector<Call> calls;
    // The changes so far; file 0 is what stood under a name before the first of them.
    std::vector<Change> changes;

    Entry lookUp(std::u16string_view path) override {
        // A lookup has no failure of its own: a failed one sees nothing.
        return turn(Call::Kind::lookUp) ? Entry::missing : real_.lookUp(path);
    }
    FileError target(std::u16string_view path, std::u16string& file) override {
        if (turn(Call::Kind::target)) {
            file = path;  // as a failed lookup of a link would leave it
            return FileError::failed;
        }
        return real_.target(path, file);
    }

    FileError open(std::u16string_view path, Open how, Handle& file, bool& created) override {
        if (turn(Call::Kind::open))
            return FileError::failed;
        const FileError error = real_.open(path, how, file, created);
        if (error == FileError::none) {
            files_[file] = created ? newFile() : fileNamed(nameOf(path));
            calls.back().file = files_[file];
            if (created)
                changes.push_back({Change::Kind::name, files_[file], nameOf(path)});
        }
        return error;
    }
    FileError size(Handle file, std::uint64_t& bytes) override {
        return turn(Call::Kind::size, file) ? FileError::failed : real_.size(file, bytes);
    }
    FileError identity(Handle file, FileIdentity& id) override {
        return turn(Call::Kind::identity, file) ? FileError::failed : real_.identity(file, id);
    }
    FileError identityAt(std::u16string_view path, FileIdentity& id) override {
        return turn(Call::Kind::identity) ? FileError::failed : real_.identityAt(path, id);
    }
    FileError modifiedAt(Handle file, FileTime& time) override {
        return turn(Call::Kind::modifiedAt, file) ? FileError::failed : real_.modifiedAt(file, time);
    }
    FileError setModifiedAt(Handle file, FileTime time) override {
        return turn(Call::Kind::setModifiedAt, file) ? FileError::failed : real_.setModifiedAt(file, time);
    }
    FileError readAt(Handle file, std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        if (turn(Call::Kind::readAt, file))
            return FileError::failed;
        if (writeOnly && !calls.back().beside)
            return FileError::writeOnly;
        return real_.readAt(file, offset, into, room, got);
    }

    FileError writeAt(Handle file, std::uint64_t offset, std::string_view bytes) override {
        if (turn(Call::Kind::writeAt, file)) {
            if (fault_ != FileFault::error && bytes.size() > 1)
                std::ignore = real_.writeAt(file, offset, bytes.substr(0, bytes.size() / 2));
            return FileError::failed;
        }
        return noted(real_.writeAt(file, offset, bytes), {Change::Kind::write, files_[file], {}, offset, std::string(bytes)});
    }
    FileError append(Handle file, std::span<const std::string_view> pieces, std::uint64_t& at,
                     std::uint64_t& landed) override {
        std::string all;
        for (const std::string_view piece : pieces)
            all += piece;
        if (turn(Call::Kind::append, file)) {
            at = landed = 0;
            if (fault_ != FileFault::error && all.size() > 1) {
                const std::string_view half = std::string_view(all).substr(0, all.size() / 2);
                std::ignore = real_.append(file, std::span(&half, 1), at, landed);
                if (fault_ == FileFault::countedWhole)
                    landed = all.size();
            }
            return FileError::failed;
        }
        if (mostPerAppend != 0 && all.size() > mostPerAppend) {
            const std::string_view taken = std::string_view(all).substr(0, mostPerAppend);
            const FileError error = real_.append(file, std::span(&taken, 1), at, landed);
            return noted(error, {Change::Kind::write, files_[file], {}, at, all.substr(0, landed)});
        }
        const FileError error = real_.append(file, pieces, at, landed);
        return noted(error, {Change::Kind::write, files_[file], {}, at, all.substr(0, landed)});
    }
    FileError truncate(Handle file, std::uint64_t size) override {
        return turn(Call::Kind::truncate, file)
                   ? FileError::failed
                   : noted(real_.truncate(file, size), {Change::Kind::truncate, files_[file], {}, size});
    }
    FileError reserve(Handle file, std::uint64_t size) override {
        return turn(Call::Kind::reserve, file) ? FileError::failed : real_.reserve(file, size);
    }
    FileError flush(Handle file) override {
        return turn(Call::Kind::flush, file) ? FileError::failed
                                             : noted(real_.flush(file), {Change::Kind::flush, files_[file]});
    }
    // A hint that changes nothing and cannot fail.
    void startWriting(Handle file, std::uint64_t offset, std::uint64_t size) override {
        real_.startWriting(file, offset, size);
    }
    FileError close(Handle file) override {
        const bool strikes = turn(Call::Kind::close, file);
        const FileError error = real_.close(file);  // a failed close has given up the file all the same
        return strikes ? FileError::failed : error;
    }
    FileError duplicate(Handle file, Handle& copy) override {
        if (turn(Call::Kind::duplicate, file))
            return FileError::failed;
        const FileError error = real_.duplicate(file, copy);
        if (error == FileError::none)
            files_[copy] = files_[file];
        return error;
    }

    FileError createBeside(std::u16string_view path, NewFile& made) override {
        if (turn(Call::Kind::createBeside))
            return FileError::failed;
        if (refuseNewFiles)
            return FileError::denied;
        const FileError error = real_.createBeside(path, made);
        if (error == FileError::none) {
            files_[made.file] = newFile();
            beside_.insert(files_[made.file]);
            if (!made.name.empty())
                changes.push_back({Change::Kind::name, files_[made.file], nameOf(made.name)});
        }
        return error;
    }
    FileError adopt(const NewFile& made, std::u16string_view path) override {
        return turn(Call::Kind::adopt, made.file) ? FileError::failed : real_.adopt(made, path);
    }
    FileError putInPlace(NewFile& made, std::u16string_view path, Handle old) override {
        const int file = files_[made.file];
        const std::u16string temporary = made.name;
        if (turn(Call::Kind::putInPlace, made.file) || refuseRenames) {
            discard(made);
            if (old != noHandle)
                std::ignore = real_.close(old);
            return FileError::failed;
        }
        const FileError error = real_.putInPlace(made, path, old);
        if (error == FileError::none) {
            // A rename: the new name and the old one's end are one change of the folder.
            if (!temporary.empty())
                changes.push_back({Change::Kind::unname, file, nameOf(temporary)});
            changes.push_back({Change::Kind::name, file, nameOf(path)});
            beside_.erase(file);
        }
        return error;
    }
    void discard(NewFile& made) override {
        if (!made.name.empty())
            changes.push_back({Change::Kind::unname, files_[made.file], nameOf(made.name)});
        real_.discard(made);
    }
    // A file of the system's folder for temporary files: none of the destination's folder.
    FileError createScratch(Handle& file) override {
        if (turn(Call::Kind::createScratch))
            return FileError::failed;
        const FileError error = real_.createScratch(file);
        if (error == FileError::none) {
            files_[file] = newFile();
            beside_.insert(files_[file]);
        }
        return error;
    }
    FileError remove(std::u16string_view path) override {
        return turn(Call::Kind::remove) ? FileError::failed
                                        : noted(real_.remove(path), {Change::Kind::unname, -1, nameOf(path)});
    }
    FileError flushFolder(std::u16string_view path) override {
        return turn(Call::Kind::flushFolder) ? FileError::failed
                                             : noted(real_.flushFolder(path), {Change::Kind::flushFolder});
    }
    FileError leftoversBeside(std::u16string_view path, std::vector<std::u16string>& found) override {
        return turn(Call::Kind::leftoversBeside) ? FileError::failed : real_.leftoversBeside(path, found);
    }
    bool runs(std::uint64_t process) override {
        return turn(Call::Kind::runs) || real_.runs(process);  // a failed look counts as running
    }
    FileError removeUnheld(std::u16string_view path) override {
        return turn(Call::Kind::removeUnheld)
                   ? FileError::failed
                   : noted(real_.removeUnheld(path), {Change::Kind::unname, -1, nameOf(path)});
    }
    FileError move(std::u16string_view from, std::u16string_view to) override {
        if (turn(Call::Kind::move))
            return FileError::failed;
        const FileError error = real_.move(from, to);
        if (error == FileError::none) {
            // A file that no change named before is one that stood beside the destination.
            const bool named = std::any_of(changes.begin(), changes.end(), [&](const Change& change) {
                return change.kind == Change::Kind::name && change.name == nameOf(from);
            });
            const int file = named ? fileNamed(nameOf(from)) : newFile();
            changes.push_back({Change::Kind::unname, file, nameOf(from)});
            changes.push_back({Change::Kind::name, file, nameOf(to)});
        }
        return error;
    }

private:
    static std::u16string nameOf(std::u16string_view path) {
        return std::filesystem::path(std::u16string(path)).filename().u16string();
    }
    int newFile() { return ++lastFile_; }
    // The file under a name: the one a change named it for, else the one there before.
    int fileNamed(const std::u16string& name) const {
        int file = 0;
        for (const Change& change : changes) {
            if (change.kind == Change::Kind::name && change.name == name)
                file = change.file;
        }
        return file;
    }
    FileError noted(FileError error, Change change) {
        if (error == FileError::none)
            changes.push_back(std::move(change));
        return error;
    }
    // Another program's turn, then the call: written down, and whether the fault strikes it.
    bool turn(Call::Kind kind, Handle file = noHandle) {
        if (between)
            between(static_cast<int>(calls.size()));
        const auto known = files_.find(file);
        const int number = known == files_.end() ? -1 : known->second;
        calls.push_back({kind, number, beside_.count(number) != 0});
        const bool stillFailing = faultMet_ && fault_ == FileFault::failing;
        if (!stillFailing && (stepsToFault_ <= 0 || --stepsToFault_ > 0))
            return false;
        faultMet_ = true;
        calls.back().failed = true;
        return true;
    }

    FileSystem& real_ = systemFiles();
    std::map<Handle, int> files_;
    std::set<int> beside_;
    int lastFile_ = 0;
    int stepsToFault_ = 0;
    FileFault fault_ = FileFault::error;
    bool faultMet_ = false;
};

}  // namespace brisel
