// This system's files, watched: each call that changes a file can be made to fail in turn,
// and the changes that succeeded are written down for the crash model.
#pragma once

#include "platform/file_system.h"

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brisel {

enum class FileFault {
    error,       // the call fails as on a full disk
    shortWrite,  // a write writes half of what it was given, then fails; other calls fail
};

// One change as a crash sees it: to a file's bytes, or to the names in the folder.
struct Change {
    enum class Kind { write, truncate, flush, name, unname, flushFolder } kind;
    int file = -1;         // which file (write, truncate, flush, name)
    std::u16string name{};  // name, unname: the file name in the folder
    std::uint64_t offset = 0;  // write: where; truncate: the new size
    std::string bytes{};
};

class WatchedFiles final : public FileSystem {
public:
    // The `step`-th changing call from now on meets `fault`; 0 injects nothing.
    void inject(int step, FileFault fault) {
        stepsToFault_ = step;
        fault_ = fault;
        faultMet_ = false;
    }
    bool faultMet() const { return faultMet_; }
    // No new file can be made beside a destination, as in a folder where only the file
    // itself may be written.
    bool refuseNewFiles = false;
    // The changes so far; file 0 is what stood under a name before the first of them.
    std::vector<Change> changes;

    Entry lookUp(std::u16string_view path) override { return real_.lookUp(path); }
    std::u16string target(std::u16string_view path) override { return real_.target(path); }

    FileError open(std::u16string_view path, Open how, Handle& file, bool& created) override {
        if (how != Open::read && strikes())
            return FileError::failed;
        const FileError error = real_.open(path, how, file, created);
        if (error == FileError::none) {
            files_[file] = created ? newFile() : fileNamed(nameOf(path));
            if (created)
                changes.push_back({Change::Kind::name, files_[file], nameOf(path)});
        }
        return error;
    }
    FileError size(Handle file, std::uint64_t& bytes) override { return real_.size(file, bytes); }
    FileError identity(Handle file, FileIdentity& id) override { return real_.identity(file, id); }
    FileError identityAt(std::u16string_view path, FileIdentity& id) override { return real_.identityAt(path, id); }
    FileError readAt(Handle file, std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        return real_.readAt(file, offset, into, room, got);
    }

    FileError writeAt(Handle file, std::uint64_t offset, std::string_view bytes) override {
        if (strikes()) {
            if (fault_ == FileFault::shortWrite && bytes.size() > 1)
                std::ignore = real_.writeAt(file, offset, bytes.substr(0, bytes.size() / 2));
            return FileError::failed;
        }
        return noted(real_.writeAt(file, offset, bytes), {Change::Kind::write, files_[file], {}, offset, std::string(bytes)});
    }
    FileError truncate(Handle file, std::uint64_t size) override {
        return strikes() ? FileError::failed
                         : noted(real_.truncate(file, size), {Change::Kind::truncate, files_[file], {}, size});
    }
    FileError reserve(Handle file, std::uint64_t size) override {
        return strikes() ? FileError::failed : real_.reserve(file, size);
    }
    FileError flush(Handle file) override {
        return strikes() ? FileError::failed : noted(real_.flush(file), {Change::Kind::flush, files_[file]});
    }
    FileError close(Handle file) override {
        const FileError error = real_.close(file);  // a failed close has given up the file all the same
        return strikes() ? FileError::failed : error;
    }

    FileError createBeside(std::u16string_view path, NewFile& made) override {
        if (refuseNewFiles)
            return FileError::denied;
        if (strikes())
            return FileError::failed;
        const FileError error = real_.createBeside(path, made);
        if (error == FileError::none) {
            files_[made.file] = newFile();
            if (!made.name.empty())
                changes.push_back({Change::Kind::name, files_[made.file], nameOf(made.name)});
        }
        return error;
    }
    FileError adopt(const NewFile& made, std::u16string_view path) override {
        return strikes() ? FileError::failed : real_.adopt(made, path);
    }
    FileError putInPlace(NewFile& made, std::u16string_view path) override {
        const int file = files_[made.file];
        const std::u16string temporary = made.name;
        if (strikes()) {
            real_.discard(made);
            return FileError::failed;
        }
        const FileError error = real_.putInPlace(made, path);
        if (error == FileError::none) {
            // A rename: the new name and the old one's end are one change of the folder.
            if (!temporary.empty())
                changes.push_back({Change::Kind::unname, file, nameOf(temporary)});
            changes.push_back({Change::Kind::name, file, nameOf(path)});
        }
        return error;
    }
    void discard(NewFile& made) override {
        if (!made.name.empty())
            changes.push_back({Change::Kind::unname, files_[made.file], nameOf(made.name)});
        real_.discard(made);
    }
    FileError remove(std::u16string_view path) override {
        return strikes() ? FileError::failed : noted(real_.remove(path), {Change::Kind::unname, -1, nameOf(path)});
    }
    FileError flushFolder(std::u16string_view path) override {
        return strikes() ? FileError::failed : noted(real_.flushFolder(path), {Change::Kind::flushFolder});
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
    bool strikes() {
        if (stepsToFault_ <= 0 || --stepsToFault_ > 0)
            return false;
        faultMet_ = true;
        return true;
    }

    FileSystem& real_ = systemFiles();
    std::map<Handle, int> files_;
    int lastFile_ = 0;
    int stepsToFault_ = 0;
    FileFault fault_ = FileFault::error;
    bool faultMet_ = false;
};

}  // namespace brisel
