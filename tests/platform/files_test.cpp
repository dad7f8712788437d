// Whole-file reads and writes on real files: what a failure leaves behind.
#include "platform/files.h"

#include "platform/leftovers.h"
#include "platform/watched_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <thread>
#else
#include "file_size_limit.h"
#include "unprivileged.h"

#include <fcntl.h>
#include <sys/file.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace brisel {
namespace {

const std::string oldContent = "MAT=1,alt\r\n-XHATCH=1, 2, 3\r\n-KG_P_L=1.0";
const std::string newContent(20000, 'n');

std::size_t entries(const TempFolder& folder) {
    const std::filesystem::directory_iterator all(folder.file({}));
    return static_cast<std::size_t>(std::distance(begin(all), end(all)));
}

TEST(ReplaceFile, CreatesOrReplacesWholly) {
    TempFolder folder;
    EXPECT_EQ(replaceFile(folder.path(u"neu.ini"), "abc"), WriteError::none);
    EXPECT_EQ(folder.read(u"neu.ini"), "abc");
    EXPECT_EQ(replaceFile(folder.path(u"neu.ini"), ""), WriteError::none);
    EXPECT_EQ(folder.read(u"neu.ini"), "");
    EXPECT_EQ(entries(folder), 1u);
}

TEST(AppendToFile, AddsAfterTheLastByteOrCreates) {
    TempFolder folder;
    EXPECT_EQ(appendToFile(folder.path(u"neu.ini"), {"abc"}), WriteError::none);
    folder.write(u"alt.ini", oldContent);
    EXPECT_EQ(appendToFile(folder.path(u"alt.ini"), {"MAT=", "2"}), WriteError::none);
    EXPECT_EQ(folder.read(u"neu.ini"), "abc");
    EXPECT_EQ(folder.read(u"alt.ini"), oldContent + "MAT=2");
}

TEST(Writes, NameWhyThePathCannotBeWritten) {
    TempFolder folder;
    folder.makeFolder(u"Ordner.ini");
    EXPECT_EQ(replaceFile(folder.path(u"fehlt/material.ini"), "x"), WriteError::folderMissing);
    EXPECT_EQ(appendToFile(folder.path(u"fehlt/material.ini"), {"x"}), WriteError::folderMissing);
    EXPECT_EQ(replaceFile(folder.path(u"Ordner.ini"), "x"), WriteError::isFolder);
    EXPECT_EQ(appendToFile(folder.path(u"Ordner.ini"), {"x"}), WriteError::isFolder);
    EXPECT_FALSE(folder.exists(u"fehlt"));
}

TEST(ReadWholeFile, ReadsEveryByteOrNothing) {
    TempFolder folder;
    const std::string bytes("K\r\n\0\xFF\x80;\r\r\n", 10);
    folder.write(u"tabelle.csv", bytes);
    EXPECT_EQ(readWholeFile(folder.path(u"tabelle.csv")).bytes.value().view(), bytes);
    EXPECT_EQ(readWholeFile(folder.path(u"fehlt.csv")).error, ReadError::cannotRead);
    EXPECT_EQ(readWholeFile(folder.path({})).error, ReadError::cannotRead);
}

// Another program's hand on a file: whether a conversion holds it now (so that another
// one would wait for it), and an append as a program makes it that takes no lock.
bool heldByAConversion(const TempFolder& folder) {
#ifdef _WIN32
    const HANDLE file = CreateFileW(folder.file(u"material.ini").c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
#else
    const int file = ::open(folder.file(u"material.ini").c_str(), O_RDONLY | O_NONBLOCK);
    const bool held = file >= 0 && ::flock(file, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (file >= 0)
        ::close(file);
    return held;
#endif
}

bool appendWithoutLock(const TempFolder& folder, std::string_view bytes) {
#ifdef _WIN32
    const HANDLE file = CreateFileW(folder.file(u"material.ini").c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool wrote = file != INVALID_HANDLE_VALUE &&
                       WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return wrote;
#else
    const int file = ::open(folder.file(u"material.ini").c_str(), O_WRONLY | O_APPEND | O_CREAT, 0666);
    const bool wrote = file >= 0 && ::write(file, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (file >= 0)
        ::close(file);
    return wrote;
#endif
}

// An editor's save: a new file written beside and renamed over the old one, with no lock
// (which Windows refuses while the old one is open).
bool saveAnewWithoutLock(const TempFolder& folder, std::string_view bytes) {
    folder.write(u"gespeichert.tmp", bytes);
#ifdef _WIN32
    const bool saved = MoveFileExW(folder.file(u"gespeichert.tmp").c_str(), folder.file(u"material.ini").c_str(),
                                   MOVEFILE_REPLACE_EXISTING);
#else
    const bool saved = ::rename(folder.file(u"gespeichert.tmp").c_str(), folder.file(u"material.ini").c_str()) == 0;
#endif
    std::error_code ignored;
    if (!saved)
        std::filesystem::remove(folder.file(u"gespeichert.tmp"), ignored);
    return saved;
}

// What a conversion appends to a material.ini as it stands: nothing to a UTF-16 file;
// else a line break first after an open last line, then its records, marked with the
// encoding they are in.
std::optional<std::string> additionTo(std::string_view content, std::string_view records) {
    if (content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF"))
        return std::nullopt;
    const std::string lead = !content.empty() && content.back() != '\n' ? "\r\n" : "";
    return lead + (content.starts_with("\xEF\xBB\xBF") ? "UTF-8 " : "ANSI ") + std::string(records);
}

const std::string utf16Content("\xFF\xFEM\0A\0T\0", 8);
// The states a material.ini can be in, and how it is written.
struct Start {
    const char* name;
    std::optional<std::string> content;
    bool writeOnly = false;  // the user may write it but not read it
};
const Start starts[] = {
    {"missing", std::nullopt},
    {"empty", ""},
    {"ending in a line break", oldContent + "\r\n"},
    {"with an open last line", oldContent},
    {"UTF-8 with its mark", "\xEF\xBB\xBFMAT=1,Gr\xC3\xBCn\r\n"},
    {"UTF-16", utf16Content},
    {"that may be written but not read", oldContent, true},
};
enum class Mode { ersetzen, ersetzenInPlace, ersetzenMounted, erweitern, erweiternBeyondOneCall, erweiternNothing };
const std::pair<const char*, Mode> modes[] = {
    {"ersetzen", Mode::ersetzen},
    {"ersetzen in a folder that takes no new file", Mode::ersetzenInPlace},
    {"ersetzen of a file mounted under its name", Mode::ersetzenMounted},
    {"erweitern", Mode::erweitern},
    {"erweitern with more than the system takes in one call", Mode::erweiternBeyondOneCall},
    {"erweitern with no records", Mode::erweiternNothing},
};
bool appends(Mode mode) {
    return mode == Mode::erweitern || mode == Mode::erweiternBeyondOneCall || mode == Mode::erweiternNothing;
}
// Who else acts on material.ini: another conversion (through this layer, waiting while
// the file is held), and programs that take no lock: one that appends a line, one that
// appends more than the file layer reads at a time, one that keeps appending, one that
// saves the file anew.
enum class Actor { none, ersetzen, erweitern, appender, longAppender, grower, saver };
const std::pair<const char*, Actor> actors[] = {
    {"another ersetzen", Actor::ersetzen},
    {"another erweitern", Actor::erweitern},
    {"a program appending without a lock", Actor::appender},
    {"a program appending more than 64 KiB without a lock", Actor::longAppender},
    {"a program that keeps appending", Actor::grower},
    {"a program saving anew without a lock", Actor::saver},
};

const std::string records = "MAT=1,Neu\r\n-XHATCH=1, 2, 3\r\n-KG_P_L=1.0\r\n";
const std::string otherRecords = "MAT=2,Anderer\r\n-XHATCH=4, 5, 6\r\n-KG_P_L=2.0\r\n";
const std::string foreignLine = "MAT=3,Fremd ohne Zeilenende";
const std::string longTail = [] {
    std::string lines;
    for (int line = 0; lines.size() <= 70000; ++line)
        lines += "MAT=" + std::to_string(line) + ",Fremd\r\n";
    return lines;
}();

using Content = std::optional<std::string>;  // none: no material.ini

// What an append sees of the file, read whole: no content where it may be written but not
// read; `failed` where a read failed.
struct Seen {
    Content content;
    bool failed = false;
};

Seen readAll(ExistingContent& existing) {
    if (!existing.size())
        return {};
    std::string all;
    std::array<char, 4096> buffer{};
    for (;;) {
        std::size_t got = 0;
        if (!existing.read(all.size(), buffer.data(), buffer.size(), got))
            return {std::nullopt, true};
        if (got == 0)
            return {all};
        all.append(buffer.data(), got);
    }
}

// Bytes given to a sink in two pieces, as a conversion gives its records a piece at a time.
bool inTwoPieces(ContentSink& sink, std::string_view bytes) {
    return sink.write(bytes.substr(0, bytes.size() / 2)) && sink.write(bytes.substr(bytes.size() / 2));
}

// One run of the simulation: a conversion over the watched files, from one state, with
// one call failing (step 0: none) and another program acting before call `turn` (-1:
// never). Afterwards material.ini must hold exactly what every party that reported
// success, or that wrote without a lock, put there, in the order they did; nothing of a
// conversion that failed, and where nobody else wrote, not even its modification time;
// and nothing may be left beside it.
struct Simulation {
    const Start& from;
    Mode mode;
    Actor actor = Actor::none;
    int turn = -1;
    int step = 0;
    FileFault fault = FileFault::error;

    // Returns whether the fault was met.
    bool run() const {
        const Content& start = from.content;
        TempFolder folder;
        // A time long past, so that a change of it cannot go unseen.
        const auto longAgo = std::chrono::floor<std::chrono::seconds>(std::filesystem::file_time_type::clock::now()) -
                             std::chrono::hours(24 * 365);
        if (start) {
            folder.write(u"material.ini", *start);
            std::filesystem::last_write_time(folder.file(u"material.ini"), longAgo);
        }
        const std::u16string path = folder.path(u"material.ini");
        WatchedFiles files;
        files.inject(step, fault);
        files.refuseNewFiles = mode == Mode::ersetzenInPlace;
        files.refuseRenames = mode == Mode::ersetzenMounted && start;
        files.writeOnly = from.writeOnly;
        files.mostPerAppend = mode == Mode::erweiternBeyondOneCall ? 10 : 0;

        // Each party's effect on the content, at the call before which it happened.
        std::multimap<double, std::function<void(Content&)>> effects;
        using Effect = std::function<void(Content&)>;
        const auto appended = [](std::string bytes) -> Effect {
            return [bytes](Content& content) { content = content.value_or("") + bytes; };
        };
        const auto replaced = [](std::string bytes) -> Effect { return [bytes](Content& content) { content = bytes; }; };
        // When a program without a lock acted while this conversion held the file.
        std::vector<int> unlocked;
        bool deferred = false;
        const auto act = [&](int at) {
            switch (actor) {
            case Actor::none:
                break;
            case Actor::ersetzen:
                if (replaceFile(path, otherRecords) == WriteError::none)
                    effects.emplace(at - 0.5, replaced(otherRecords));
                break;
            case Actor::erweitern: {
                Content added;
                const WriteError error = appendToFile(path, [&](ExistingContent& existing, ContentSink& sink) {
                    const Seen now = readAll(existing);
                    added = now.failed ? std::nullopt : additionTo(now.content.value_or(""), otherRecords);
                    return added && sink.write(*added);
                });
                if (error == WriteError::none && added)
                    effects.emplace(at - 0.5, appended(*added));
                break;
            }
            case Actor::appender:
            case Actor::longAppender:
            case Actor::grower:
            case Actor::saver: {
                const std::string& bytes = actor == Actor::longAppender ? longTail : foreignLine;
                if (const bool held = heldByAConversion(folder);
                    actor == Actor::saver ? saveAnewWithoutLock(folder, bytes) : appendWithoutLock(folder, bytes)) {
                    effects.emplace(at - 0.5, actor == Actor::saver ? replaced(bytes) : appended(bytes));
                    if (held)
                        unlocked.push_back(at);
                }
                break;
            }
            }
        };
        files.between = [&](int call) {
            constexpr int growths = 5;
            const bool now = call == turn || (actor == Actor::grower && turn >= 0 && call > turn && call < turn + growths);
            if (!now)
                return;
            if ((actor == Actor::ersetzen || actor == Actor::erweitern) && heldByAConversion(folder))
                deferred = true;  // it waits until this conversion lets go
            else
                act(call);
        };

        Content added;  // what this conversion chose to append
        std::pair<std::string, std::string> seen;  // what it was told the file holds, and what it held
        WriteError error = WriteError::none;
        if (appends(mode)) {
            error = appendToFile(files, path, [&](ExistingContent& existing, ContentSink& sink) {
                const Seen now = readAll(existing);
                if (now.failed)
                    return false;
                seen = {now.content.value_or("<unreadable>"), folder.read(u"material.ini")};
                added = additionTo(now.content.value_or(""), records);
                // A table without records adds nothing, not even a line break.
                if (mode == Mode::erweiternNothing && added) {
                    added = "";
                    return true;
                }
                return added && inTwoPieces(sink, *added);
            });
        } else {
            error = replaceFile(files, path, [&](ContentSink& sink) { return inTwoPieces(sink, records); });
        }
        files.between = nullptr;
        const int calls = static_cast<int>(files.calls.size());
        if (deferred || turn >= calls)
            act(calls + 1);
        const bool othersActed = !effects.empty();

        // This conversion's effect, at the call that made it: the append, the new file put
        // in place, or the first write over the old bytes.
        const auto isEffect = [&](const Call& call) {
            const bool replaces = call.kind == Call::Kind::putInPlace && !files.refuseRenames;
            return !call.failed && (call.kind == Call::Kind::append || replaces ||
                                    (call.kind == Call::Kind::writeAt && !call.beside));
        };
        const auto effect = std::find_if(files.calls.begin(), files.calls.end(), isEffect);
        const bool succeeded = error == WriteError::none && (!appends(mode) || added);
        if (succeeded)
            effects.emplace(effect - files.calls.begin(), appends(mode) ? appended(*added) : replaced(records));
        // A take-back in a file that cannot be read cuts it where its first bytes went: what
        // a program appended after them, until the cut, goes with them.
        const auto cutAway = [&](int at) {
            int firstAppend = -1;
            for (int call = 0; call < calls && from.writeOnly && actor != Actor::saver; ++call) {
                const Call& made = files.calls[static_cast<std::size_t>(call)];
                if (made.kind == Call::Kind::append && firstAppend < 0)
                    firstAppend = call;
                if (made.kind == Call::Kind::truncate && !made.beside && firstAppend >= 0) {
                    if (firstAppend < at && at <= call)
                        return true;
                    firstAppend = -1;
                }
            }
            return false;
        };
        Content expected = start;
        for (const auto& [at, apply] : effects) {
            const bool foreign = at != static_cast<int>(at);
            if (!(foreign && cutAway(static_cast<int>(at + 0.5))))
                apply(expected);
        }

        // What no system guards against: a program without a lock that writes while the file
        // is rewritten in place or an append is taken back, or that saves the file anew while
        // an append or a rewrite in place that then succeeds is under way.
        const auto failedAt = std::find_if(files.calls.begin(), files.calls.end(), [](const Call& call) { return call.failed; });
        // A rewrite in place writes over the old bytes before anything fails (a take-back
        // after); where nothing failed that mattered, it went on to the end.
        const auto lastBeforeFailure = failedAt == files.calls.end() || succeeded ? files.calls.end() : failedAt + 1;
        const bool inPlace = std::any_of(files.calls.begin(), lastBeforeFailure, [](const Call& call) {
            return (call.kind == Call::Kind::writeAt || call.kind == Call::Kind::truncate) && !call.beside;
        });
        // A file saved anew before the held file's identity is checked is the one written.
        const bool savedUnseen = actor == Actor::saver && std::any_of(unlocked.begin(), unlocked.end(), [&](int at) {
            return std::none_of(files.calls.begin() + std::min(at, calls), files.calls.end(),
                                [](const Call& call) { return call.kind == Call::Kind::identity; });
        });
        const bool unguarded = actor == Actor::saver ? savedUnseen && succeeded && mode != Mode::ersetzen
                                                     : std::any_of(unlocked.begin(), unlocked.end(), [&](int at) {
                                                           return inPlace || (!succeeded && at > failedAt - files.calls.begin());
                                                       });

        const std::string trace = "step " + std::to_string(step) + ", turn " + std::to_string(turn) +
                                  (succeeded ? ", succeeded" : ", failed");
        const std::string now = folder.read(u"material.ini");
        if (error == WriteError::leftChanged) {
            // Said only of a file that the failure changed, and that could not be given back.
            EXPECT_NE(now, expected.value_or("<missing>")) << trace;
        } else if (unguarded && actor == Actor::saver) {
            // The appended records went with the file that was replaced; the saved one is whole.
            EXPECT_EQ(now, foreignLine) << trace;
        } else if (unguarded) {
            // This conversion's own bytes are there exactly when it succeeded.
            const std::string own = appends(mode) ? added.value_or(records) : records;
            if (!own.empty()) {
                EXPECT_EQ(now.find(own) != std::string::npos, succeeded) << trace << ": " << now;
            }
        } else {
            // Chosen from the file as it was, once nobody else could change it.
            if (!savedUnseen && !from.writeOnly) {
                EXPECT_EQ(seen.first, seen.second) << trace;
            }
            // A dead disk may keep the empty file that an append made, and the time it set.
            const bool deadDisk = fault == FileFault::failing;
            const bool leftEmpty = deadDisk && !expected && now.empty() && entries(folder) == 1;
            if (!leftEmpty) {
                EXPECT_EQ(now, expected.value_or("<missing>")) << trace;
                EXPECT_EQ(entries(folder), expected ? 1u : 0u) << trace;
            }
            // The line break and the encoding fit what stands before the records (where no
            // later save replaced them, and the file could be read).
            if (const std::size_t at = added ? now.find(*added) : std::string::npos;
                succeeded && !from.writeOnly && !added->empty() && at != std::string::npos) {
                EXPECT_EQ(additionTo(now.substr(0, at), records), added) << trace;
            }
            // A file that nobody else changed and that failed keeps its modification time.
            if (start && !succeeded && !othersActed && !deadDisk) {
                EXPECT_EQ(std::filesystem::last_write_time(folder.file(u"material.ini")), longAgo) << trace;
            }
        }
        // Without a fault it fails only where it must: a UTF-16 file is not appended to, a
        // folder that takes no new file gets no material.ini, a file that keeps changing is
        // in use, one that cannot be read is not rewritten in place.
        if (!files.faultMet()) {
            const bool inPlaceOnly = mode == Mode::ersetzenInPlace || (mode == Mode::ersetzenMounted && start);
            EXPECT_TRUE(succeeded || start == utf16Content || (mode == Mode::ersetzenInPlace && !start) ||
                        actor == Actor::grower || (from.writeOnly && inPlaceOnly))
                << trace;
        }
        return files.faultMet();
    }
};

// Every call failing in turn, from every state a material.ini can be in, alone and with
// another program acting right before and right after the failing call; and with no
// failure, another program acting between any two calls and after the last.
TEST(Files, HoldAgainstEveryFailedCallAndEveryOtherProgram) {
    for (const Start& start : starts) {
        for (const auto& [modeName, mode] : modes) {
            SCOPED_TRACE(std::string(modeName) + " of a material.ini " + start.name);
            int steps = 0;  // the calls of a run without a fault, and one more: after the last
            for (const FileFault fault :
                 {FileFault::error, FileFault::shortWrite, FileFault::countedWhole, FileFault::failing}) {
                for (int step = 1;; ++step) {
                    ASSERT_LT(step, 60);
                    if (!Simulation{start, mode, Actor::none, -1, step, fault}.run()) {
                        steps = step;
                        break;
                    }
                    if (fault == FileFault::countedWhole || fault == FileFault::failing)
                        continue;  // a system that counts so holds the file against others; a dead disk is alone
                    for (const auto& [actorName, actor] : actors) {
                        SCOPED_TRACE(actorName);
                        for (const int turn : {step - 1, step})
                            Simulation{start, mode, actor, turn, step, fault}.run();
                    }
                }
            }
            for (const auto& [actorName, actor] : actors) {
                SCOPED_TRACE(actorName);
                for (int turn = 0; turn <= steps; ++turn)
                    Simulation{start, mode, actor, turn}.run();
            }
        }
    }
}

// The cases of the crash model.
struct WriteCase {
    const char* name;
    bool replace;
    std::optional<std::string> old;  // none: no material.ini yet
    bool refuseNewFiles = false;
    std::string lead{};  // what an append puts before the records

    std::string expected() const { return replace ? newContent : old.value_or("") + lead + newContent; }
    // The content in pieces, as a conversion gives it.
    WriteError run(WatchedFiles& files, const std::u16string& path) const {
        files.refuseNewFiles = refuseNewFiles;
        if (replace)
            return replaceFile(files, path, [&](ContentSink& sink) { return inTwoPieces(sink, newContent); });
        return appendToFile(files, path, [&](ExistingContent&, ContentSink& sink) {
            return sink.write(lead) && inTwoPieces(sink, newContent);
        });
    }
};

const WriteCase writeCases[] = {
    {"ersetzen", true, oldContent + "\r\n"},
    {"ersetzen in a folder that takes no new file", true, oldContent, true},
    {"ersetzen of a missing file", true, std::nullopt},
    {"erweitern after a line break", false, oldContent + "\r\n"},
    {"erweitern after an open last line", false, oldContent, false, "\r\n"},
    {"erweitern of a missing file", false, std::nullopt},
};

// What material.ini holds in each state that a crash after the first `count` changes can
// leave: of each file's changes since its last flush a prefix is kept (none, some or all),
// and so of the folder's changes since its last flush. Each state is laid out on disk and
// read back. Also says whether the destination's own bytes were being changed unflushed.
struct CrashState {
    std::optional<std::string> content;
    bool destinationUnflushed = false;
};

std::vector<CrashState> crashStates(const std::vector<Change>& all, std::size_t count,
                                    const std::optional<std::string>& old) {
    const std::vector<Change> changes(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
    // The changes still pending at the crash: per file, and the folder's under key -1.
    std::map<int, std::vector<std::size_t>> pending;
    for (std::size_t at = 0; at < changes.size(); ++at) {
        const Change& change = changes[at];
        const bool ofFolder = change.kind == Change::Kind::name || change.kind == Change::Kind::unname;
        const int key = ofFolder || change.kind == Change::Kind::flushFolder ? -1 : change.file;
        if (change.kind == Change::Kind::flush || change.kind == Change::Kind::flushFolder)
            pending[key].clear();
        else
            pending[key].push_back(at);
    }
    std::vector<std::pair<int, std::size_t>> kept;  // for each key, how many of its pending changes survive
    for (const auto& [key, indices] : pending)
        kept.emplace_back(key, 0);
    std::vector<CrashState> states;
    for (;;) {
        std::vector<bool> lost(changes.size(), false);
        for (const auto& [key, keep] : kept) {
            for (std::size_t i = keep; i < pending[key].size(); ++i)
                lost[pending[key][i]] = true;
        }
        std::map<std::u16string, int> names;
        std::map<int, std::string> bytes;
        if (old) {
            names[u"material.ini"] = 0;
            bytes[0] = *old;
        }
        CrashState state;
        for (std::size_t at = 0; at < changes.size(); ++at) {
            const Change& change = changes[at];
            if (change.file == 0 && !lost[at] && (change.kind == Change::Kind::write || change.kind == Change::Kind::truncate))
                state.destinationUnflushed = std::find(pending[0].begin(), pending[0].end(), at) != pending[0].end();
            if (lost[at])
                continue;
            std::string& file = bytes[change.file];
            switch (change.kind) {
            case Change::Kind::write:
                if (file.size() < change.offset + change.bytes.size())
                    file.resize(change.offset + change.bytes.size(), '\0');
                file.replace(change.offset, change.bytes.size(), change.bytes);
                break;
            case Change::Kind::truncate:
                file.resize(change.offset, '\0');
                break;
            case Change::Kind::name:
                names[change.name] = change.file;
                break;
            case Change::Kind::unname:
                names.erase(change.name);
                break;
            case Change::Kind::flush:
            case Change::Kind::flushFolder:
                break;
            }
        }
        TempFolder disk;
        for (const auto& [name, file] : names)
            disk.write(name, bytes[file]);
        if (const FileContent read = readWholeFile(disk.path(u"material.ini")); read.bytes)
            state.content = std::string(read.bytes->view());
        states.push_back(std::move(state));
        // The next combination of kept prefixes.
        std::size_t digit = 0;
        while (digit < kept.size() && kept[digit].second == pending[kept[digit].first].size())
            kept[digit++].second = 0;
        if (digit == kept.size())
            return states;
        ++kept[digit].second;
    }
}

// Until success is reported material.ini holds its old bytes or the complete new content
// (an append: its old bytes and part of the new ones; a rewrite in place: anything while
// its new bytes are unflushed); once success is reported, the new content in every state.
TEST(Files, ACrashLeavesTheOldOrTheNewContentAndSuccessSurvivesIt) {
    for (const WriteCase& c : writeCases) {
        TempFolder folder;
        if (c.old)
            folder.write(u"material.ini", *c.old);
        WatchedFiles files;
        ASSERT_EQ(c.run(files, folder.path(u"material.ini")), WriteError::none) << c.name;
        const std::string appended = c.lead + newContent;
        for (std::size_t count = 0; count <= files.changes.size(); ++count) {
            for (const CrashState& state : crashStates(files.changes, count, c.old)) {
                SCOPED_TRACE(std::string(c.name) + ", a crash after change " + std::to_string(count) + " of " +
                             std::to_string(files.changes.size()));
                if (count == files.changes.size()) {
                    EXPECT_EQ(state.content, c.expected());
                } else if (!c.replace) {
                    const std::string before = c.old.value_or("");
                    const std::string now = state.content.value_or("");
                    EXPECT_TRUE(now.starts_with(before) && appended.starts_with(now.substr(before.size()))) << now.size();
                } else if (!state.destinationUnflushed) {
                    EXPECT_TRUE(state.content == c.old || state.content == c.expected());
                }
            }
        }
    }
}

// Another process of this program: one that runs until it is ended, or one that has ended
// (on Windows its number stays reserved while this holds it).
class OtherProcess {
public:
    explicit OtherProcess(bool running) {
#ifdef _WIN32
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        STARTUPINFOW start{};
        start.cb = sizeof start;
        // Suspended, so that it runs no test: a process all the same.
        EXPECT_TRUE(CreateProcessW(self, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &start,
                                   &process_));
#else
        process_ = ::fork();
        if (process_ == 0) {
            for (;;)
                ::pause();
        }
#endif
        if (!running)
            end();
    }
    ~OtherProcess() {
        end();
#ifdef _WIN32
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
#endif
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    std::uint64_t id() const {
#ifdef _WIN32
        return process_.dwProcessId;
#else
        return static_cast<std::uint64_t>(process_);
#endif
    }

private:
    void end() {
#ifdef _WIN32
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, INFINITE);
        }
#else
        if (process_ > 0 && ::kill(process_, SIGKILL) == 0)
            ::waitpid(process_, nullptr, 0);
#endif
    }

#ifdef _WIN32
    PROCESS_INFORMATION process_{};
#else
    pid_t process_ = -1;
#endif
};

// A file held as a conversion holds the new file that it writes: open and shared with
// nobody (Windows), locked (Linux).
class HeldAsNewFile {
public:
    explicit HeldAsNewFile(const std::filesystem::path& file) {
#ifdef _WIN32
        file_ = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file_, INVALID_HANDLE_VALUE);
#else
        file_ = ::open(file.c_str(), O_RDWR);
        EXPECT_EQ(::flock(file_, LOCK_EX | LOCK_NB), 0);
#endif
    }
    ~HeldAsNewFile() {
#ifdef _WIN32
        CloseHandle(file_);
#else
        ::close(file_);
#endif
    }
    HeldAsNewFile(const HeldAsNewFile&) = delete;
    HeldAsNewFile& operator=(const HeldAsNewFile&) = delete;

private:
#ifdef _WIN32
    HANDLE file_;
#else
    int file_;
#endif
};

// What a conversion that ended early (a crash, a kill) left beside material.ini, as the
// next one finds it. In the names, {name} is the destination's name, {ended}, {running} and
// {self} the number of a process that has ended, of one that runs and of this one, and
// {id:NAME} the number of the file NAME, as a backup names the new file that was to take
// its place.
struct LeftoverCase {
    const char* name;
    Content before;                                    // material.ini; none: missing
    std::vector<std::pair<std::string, std::string>> beside;  // files beside it, made in this order
    Content after;                                     // material.ini once they are cleared
    std::vector<std::string> stays;                    // the files that stay beside it
    bool takenBack = false;
    std::size_t removed = 0;
    std::vector<std::string> kept{};
    bool held = false;  // a conversion of this process still writes the first file beside
    std::string destination = "material.ini";
};

const std::string halfNew = "MAT=1,halb";
const std::string otherContent = "MAT=3,fremd\r\n";
const std::vector<LeftoverCase> leftoverCases = {
    {"a new file of a run that ended", oldContent, {{"{name}.~brisel{ended}-1", halfNew}}, oldContent, {}, false, 1},
    {"a new file of this process that nothing holds any more", oldContent, {{"{name}.~brisel{self}-1", halfNew}},
     oldContent, {}, false, 1},
    {"a new file that a conversion of this process still writes", oldContent, {{"{name}.~brisel{self}-1", halfNew}},
     oldContent, {"{name}.~brisel{self}-1"}, false, 0, {}, true},
    {"a new file of a process that still runs", oldContent, {{"{name}.~brisel{running}-1", halfNew}}, oldContent,
     {"{name}.~brisel{running}-1"}},
    {"a replacement stopped between its two steps", std::nullopt,
     {{"{name}.~brisel{ended}-1", newContent}, {"{name}.~brisel-backup{ended}-2-{id:{name}.~brisel{ended}-1}", oldContent}},
     oldContent, {}, true, 1},
    {"a replacement stopped after the new file took the name", newContent,
     {{"{name}.~brisel-backup{ended}-2-{id:{name}}", oldContent}}, newContent, {}, false, 1},
    {"a replacement stopped between its steps, and another file took the name since", otherContent,
     {{"{name}.~brisel{ended}-1", newContent}, {"{name}.~brisel-backup{ended}-2-{id:{name}.~brisel{ended}-1}", oldContent}},
     otherContent, {"{name}.~brisel-backup{ended}-2-{id:{name}.~brisel{ended}-1}"}, false, 1,
     {"{name}.~brisel-backup{ended}-2-{id:{name}.~brisel{ended}-1}"}},
    {"a replacement between its two steps in a process that still runs", std::nullopt,
     {{"{name}.~brisel{running}-1", newContent},
      {"{name}.~brisel-backup{running}-2-{id:{name}.~brisel{running}-1}", oldContent}},
     std::nullopt,
     {"{name}.~brisel{running}-1", "{name}.~brisel-backup{running}-2-{id:{name}.~brisel{running}-1}"}},
    {"names that only look like a run's", oldContent,
     {{"{name}.~brisel", halfNew}, {"{name}.~brisel{ended}", halfNew}, {"{name}.~brisel{ended}-1.bak", halfNew},
      {"{name}.~briselx-1", halfNew}, {"anderes.ini.~brisel{ended}-1", halfNew}, {"{name}x.~brisel{ended}-1", halfNew},
      {"{name}.~brisel-backup{ended}-1-x", oldContent}},
     oldContent,
     {"{name}.~brisel", "{name}.~brisel{ended}", "{name}.~brisel{ended}-1.bak", "{name}.~briselx-1",
      "anderes.ini.~brisel{ended}-1", "{name}x.~brisel{ended}-1", "{name}.~brisel-backup{ended}-1-x"}},
    {"a new file of a run that ended, beside a name too long to keep whole in its own", oldContent,
     {{"{name}.~brisel{ended}-1", halfNew}}, oldContent, {}, false, 1, {}, false, std::string(250, 'x') + ".ini"},
};

// The next conversion takes back or finishes what it finds (here an "erweitern", which
// then adds its records to what the name holds), and leaves what a running one holds.
TEST(Files, ClearWhatARunThatEndedEarlyLeftAndKeepWhatARunningOneHolds) {
    const OtherProcess ended(false), running(true);
    const std::string self = std::to_string(
#ifdef _WIN32
        GetCurrentProcessId()
#else
        ::getpid()
#endif
    );
    for (const LeftoverCase& c : leftoverCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const auto u16 = [](const std::string& text) { return std::u16string(text.begin(), text.end()); };
        // Each name as it was made: a file that is gone keeps the number it had.
        std::map<std::string, std::string> made;
        const auto expand = [&](const std::string& name) {
            if (const auto known = made.find(name); known != made.end())
                return known->second;
            std::string text = name;
            for (const auto& [from, to] : {std::pair<std::string, std::string>{"{name}", c.destination},
                                           {"{ended}", std::to_string(ended.id())},
                                           {"{running}", std::to_string(running.id())}, {"{self}", self}}) {
                for (std::size_t at; (at = text.find(from)) != std::string::npos;)
                    text.replace(at, from.size(), to);
            }
            if (const std::size_t at = text.find("{id:"); at != std::string::npos) {
                const std::size_t end = text.find('}', at);
                FileIdentity id;
                EXPECT_EQ(systemFiles().identityAt(folder.path(u16(text.substr(at + 4, end - at - 4))), id),
                          FileError::none);
                text.replace(at, end + 1 - at, std::to_string(id.file));
            }
            // A name too long for the system starts with the destination's name, shortened.
            if (text.size() > 255 && text.starts_with(c.destination))
                text.erase(c.destination.size() - (text.size() - 255), text.size() - 255);
            return made[name] = text;
        };
        const std::u16string destination = u16(c.destination);
        if (c.before)
            folder.write(destination, *c.before);
        for (const auto& [name, content] : c.beside)
            folder.write(u16(expand(name)), content);
        std::optional<HeldAsNewFile> held;
        if (c.held)
            held.emplace(folder.file(u16(expand(c.beside.front().first))));

        const Leftovers cleared = clearLeftovers(folder.path(destination));
        EXPECT_EQ(cleared.takenBack, c.takenBack);
        EXPECT_EQ(cleared.removed, c.removed);
        std::vector<std::string> kept, expectedKept;
        for (const std::u16string& path : cleared.kept)
            kept.push_back(std::filesystem::path(path).filename().string());
        for (const std::string& name : c.kept)
            expectedKept.push_back(expand(name));
        EXPECT_EQ(kept, expectedKept);

        EXPECT_EQ(appendToFile(folder.path(destination), {"MAT=2"}), WriteError::none);
        EXPECT_EQ(folder.read(destination), c.after.value_or("") + "MAT=2");
        std::set<std::string> left, stays;
        for (const auto& entry : std::filesystem::directory_iterator(folder.file({}))) {
            if (entry.path().filename() != folder.file(destination).filename())
                left.insert(entry.path().filename().string());
        }
        for (const std::string& name : c.stays)
            stays.insert(expand(name));
        EXPECT_EQ(left, stays);
    }
}

#ifdef _WIN32

// Opens a file as another program would: with no sharing at all, or for reading and
// writing only, as Excel keeps an open workbook.
HANDLE holdOpen(const std::u16string& path, DWORD share) {
    return CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Files, RefuseAFileHeldWithoutSharingAfterASecondAndLeaveNothingBehind) {
    TempFolder folder;
    const std::u16string path = folder.write(u"material.ini", oldContent);
    const HANDLE held = holdOpen(path, 0);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(replaceFile(path, newContent), WriteError::inUse);
    EXPECT_EQ(appendToFile(path, {newContent}), WriteError::inUse);
    EXPECT_EQ(readWholeFile(path).error, ReadError::inUse);
    // Each waits about a second for the file, and no longer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3 * 3));
    CloseHandle(held);
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 1u);
}

TEST(Files, WaitForAFileThatAnotherProgramHoldsForAMoment) {
    TempFolder folder;
    const std::u16string path = folder.path(u"material.ini");
    // A virus scanner's look at the file, for 200 ms: sharing nothing, or all but its deletion
    // (which only the replacement itself meets).
    const auto heldForAMoment = [&](auto operation, DWORD share = 0) {
        const HANDLE held = holdOpen(path, share);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        std::thread scanner([held] {
            Sleep(200);
            CloseHandle(held);
        });
        operation();
        scanner.join();
    };
    folder.write(u"material.ini", oldContent);
    heldForAMoment([&] { EXPECT_EQ(replaceFile(path, "alt"), WriteError::none); }, FILE_SHARE_READ | FILE_SHARE_WRITE);
    heldForAMoment([&] { EXPECT_EQ(replaceFile(path, "neu"), WriteError::none); });
    heldForAMoment([&] { EXPECT_EQ(appendToFile(path, {"er"}), WriteError::none); });
    heldForAMoment([&] { EXPECT_EQ(readWholeFile(path).bytes.value().view(), "neuer"); });
    EXPECT_EQ(entries(folder), 1u);
}

TEST(ReadWholeFile, ReadsATableThatAnotherProgramHasOpenForWriting) {
    TempFolder folder;
    const std::u16string path = folder.write(u"tabelle.csv", oldContent);
    const HANDLE held = holdOpen(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readWholeFile(path).bytes.value().view(), oldContent);
    CloseHandle(held);
}

TEST(Writes, KeepAReadOnlyFile) {
    TempFolder folder;
    const std::u16string path = folder.write(u"material.ini", oldContent);
    ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(replaceFile(path, newContent), WriteError::readOnly);
    EXPECT_EQ(appendToFile(path, {newContent}), WriteError::readOnly);
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 1u);
}

TEST(Files, WorkOnPathsLongerThan260Characters) {
    TempFolder folder;
    // The test makes and removes its folders in the long form, which has no length limit.
    const std::wstring longForm = L"\\\\?\\" + folder.file({}).wstring();
    std::u16string relative;
    std::vector<std::wstring> folders;
    for (char16_t i = u'0'; i < u'6'; ++i) {
        relative += u"\\Materialdaten der Abteilung Konstruktion " + std::u16string(1, i);
        folders.push_back(longForm + std::wstring(relative.begin(), relative.end()));
        ASSERT_TRUE(CreateDirectoryW(folders.back().c_str(), nullptr));
    }
    const std::u16string path = folder.path({}) + relative + u"\\material.ini";
    ASSERT_GT(path.size(), 260u);
    EXPECT_EQ(replaceFile(path, "abc"), WriteError::none);
    EXPECT_EQ(appendToFile(path, {"def"}), WriteError::none);
    EXPECT_TRUE(isOrdinaryFile(path));
    EXPECT_EQ(readWholeFile(path).bytes.value().view(), "abcdef");
    // The device form names the same file. The long form takes a "/" as part of a name, as
    // Windows does, and messages show it as it stands.
    const std::u16string deviceForm = u"\\\\.\\" + nativeSeparators(path);
    EXPECT_TRUE(isOrdinaryFile(deviceForm));
    EXPECT_EQ(appendToFile(deviceForm, {"ghi"}), WriteError::none);
    EXPECT_EQ(readWholeFile(path).bytes.value().view(), "abcdefghi");
    const std::u16string slashed = u"\\\\?\\" + folder.path(u"material.ini");
    EXPECT_EQ(replaceFile(slashed, "x"), WriteError::cannotWrite);
    EXPECT_EQ(nativeSeparators(slashed), slashed);
    EXPECT_EQ(entries(folder), 1u);
    EXPECT_TRUE(DeleteFileW((folders.back() + L"\\material.ini").c_str()));
    for (auto at = folders.rbegin(); at != folders.rend(); ++at)
        RemoveDirectoryW(at->c_str());
}

#else

TEST(ReplaceFile, KeepsTheOldFileWhenTheDiskIsFull) {
    TempFolder folder;
    folder.write(u"material.ini", oldContent);
    {
        FileSizeLimit full(4096);
        EXPECT_EQ(replaceFile(folder.path(u"material.ini"), newContent), WriteError::cannotWrite);
    }
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 1u);
}

TEST(AppendToFile, TakesBackAPartialAppend) {
    TempFolder folder;
    folder.write(u"material.ini", oldContent);
    {
        FileSizeLimit full(4096);
        EXPECT_EQ(appendToFile(folder.path(u"material.ini"), {newContent}), WriteError::cannotWrite);
        EXPECT_EQ(appendToFile(folder.path(u"neu.ini"), {newContent}), WriteError::cannotWrite);
    }
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_FALSE(folder.exists(u"neu.ini"));
}

// Also a link whose target is not made yet, through a second link.
TEST(Writes, KeepASymbolicLinkAndWriteTheFileItNames) {
    for (const bool replaceFirst : {true, false}) {
        TempFolder folder;
        folder.makeFolder(u"cad");
        std::filesystem::create_symlink("cad/material.ini", folder.file(u"material.ini"));
        std::filesystem::create_symlink("ziel.ini", folder.file(u"cad/material.ini"));
        const std::u16string path = folder.path(u"material.ini");
        EXPECT_EQ(replaceFirst ? replaceFile(path, "neu") : appendToFile(path, {"neu"}), WriteError::none);
        EXPECT_EQ(appendToFile(path, {"er"}), WriteError::none);
        EXPECT_EQ(replaceFirst ? WriteError::none : replaceFile(path, "alt"), WriteError::none);
        EXPECT_TRUE(std::filesystem::is_symlink(folder.file(u"material.ini")));
        EXPECT_TRUE(std::filesystem::is_symlink(folder.file(u"cad/material.ini")));
        EXPECT_EQ(folder.read(u"cad/ziel.ini"), replaceFirst ? "neuer" : "alt");
        EXPECT_EQ(entries(folder), 2u);
    }
}

// What "ersetzen" keeps of a file beside its bytes, as careful editors do: its extended
// attributes, among them an access list that lets a colleague write it, and no list that
// the folder would hand a new file; its flags; its other names; and a name as long as a
// name may be.
TEST(ReplaceFile, KeepsTheAttributesFlagsLinksAndLongNamesOfAFile) {
    // As "setfacl -m u:1000:rw" leaves it: owner rw, user 1000 rw, group r, mask rw, others r.
    const std::string accessList("\2\0\0\0"
                                 "\1\0\6\0\xFF\xFF\xFF\xFF"
                                 "\2\0\6\0\xE8\3\0\0"
                                 "\4\0\4\0\xFF\xFF\xFF\xFF"
                                 "\x10\0\6\0\xFF\xFF\xFF\xFF"
                                 "\x20\0\4\0\xFF\xFF\xFF\xFF",
                                 44);
    const std::string attribute = "Konstruktion";
    const auto attributeOf = [](const std::filesystem::path& file, const char* name) {
        std::string value(256, '\0');
        const ssize_t size = ::getxattr(file.c_str(), name, value.data(), value.size());
        return size < 0 ? std::string("<none>") : value.substr(0, static_cast<std::size_t>(size));
    };
    const auto flagsOf = [](const std::filesystem::path& file) {
        const int opened = ::open(file.c_str(), O_RDONLY);
        int flags = -1;
        if (opened >= 0 && ::ioctl(opened, FS_IOC_GETFLAGS, &flags) != 0)
            flags = -1;
        ::close(opened);
        return flags;
    };
    TempFolder folder;
    const std::u16string listedName = u"material.ini", plainName = u"ohne Liste.ini", linkedName = u"verlinkt.ini";
    const std::u16string longName = std::u16string(246, u'x') + u".ini";
    const auto listed = folder.file(folder.write(listedName, oldContent));
    if (::setxattr(listed.c_str(), "system.posix_acl_access", accessList.data(), accessList.size(), 0) != 0 ||
        ::setxattr(listed.c_str(), "user.abteilung", attribute.data(), attribute.size(), 0) != 0 ||
        ::setxattr(folder.file({}).c_str(), "system.posix_acl_default", accessList.data(), accessList.size(), 0) != 0)
        GTEST_SKIP() << "no extended attributes here";
    const auto plain = folder.file(folder.write(plainName, oldContent));
    ::removexattr(plain.c_str(), "system.posix_acl_access");  // it took the folder's default
    const int opened = ::open(plain.c_str(), O_RDONLY);
    int noDump = flagsOf(plain) | FS_NODUMP_FL;
    const bool flagged = ::ioctl(opened, FS_IOC_SETFLAGS, &noDump) == 0;
    ::close(opened);
    std::filesystem::create_hard_link(folder.write(linkedName, oldContent), folder.file(u"zweiter Name.ini"));
    folder.write(longName, oldContent);

    for (const std::u16string& name : {listedName, plainName, linkedName, longName})
        EXPECT_EQ(replaceFile(folder.path(name), newContent), WriteError::none);
    EXPECT_EQ(attributeOf(listed, "system.posix_acl_access"), accessList);
    EXPECT_EQ(attributeOf(listed, "user.abteilung"), attribute);
    EXPECT_EQ(attributeOf(plain, "system.posix_acl_access"), "<none>");
    if (flagged) {
        EXPECT_EQ(flagsOf(plain), noDump);
    }
    EXPECT_EQ(folder.read(u"zweiter Name.ini"), newContent);
    EXPECT_EQ(folder.read(longName), newContent);
    EXPECT_EQ(entries(folder), 5u);
}

// A file with a second name is rewritten in place, which keeps its old bytes in the folder
// for temporary files first: where that folder is missing, the file is not touched.
TEST(ReplaceFile, KeepsAFileThatOnlyARewriteInPlaceCouldChangeWhereNoTemporaryFileCanBeMade) {
    TempFolder folder;
    std::filesystem::create_hard_link(folder.write(u"material.ini", oldContent), folder.file(u"zweiter Name.ini"));
    const char* const temporary = std::getenv("TMPDIR");
    const std::string before = temporary != nullptr ? temporary : "";
    ::setenv("TMPDIR", folder.file(u"fehlt").c_str(), 1);
    EXPECT_EQ(replaceFile(folder.path(u"material.ini"), newContent), WriteError::noTemporaryFile);
    EXPECT_EQ(temporaryFolder(), folder.path(u"fehlt"));
    temporary != nullptr ? ::setenv("TMPDIR", before.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 2u);
}

TEST(Writes, KeepAReadOnlyFileInAWritableFolder) {
    TempFolder folder;
    folder.permit({}, std::filesystem::perms::all);
    const std::u16string path = folder.write(u"material.ini", oldContent);
    folder.permit(u"material.ini", std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
    // Not even the administrator writes a file that nobody may write.
    EXPECT_EQ(replaceFile(path, newContent), WriteError::readOnly);
    EXPECT_EQ(appendToFile(path, {newContent}), WriteError::readOnly);
    EXPECT_TRUE(asOrdinaryUser([&] {
        return replaceFile(path, newContent) == WriteError::readOnly &&
               appendToFile(path, {newContent}) == WriteError::readOnly;
    }));
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 1u);
}

// What the system denies a user who is not the administrator is named as such: a folder
// on the way that may not be entered, another user's file, a folder that takes no new file,
// and a file that may be written but not read where only a rewrite in place keeps its owner.
TEST(Writes, NameWhatTheSystemDeniesAnOrdinaryUser) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to make files of another user";
    using enum std::filesystem::perms;
    TempFolder folder;
    folder.permit({}, all);
    folder.makeFolder(u"privat");
    folder.permit(u"privat", none);
    folder.makeFolder(u"nur lesen");
    folder.permit(u"nur lesen", owner_all | group_read | group_exec | others_read | others_exec);
    const std::u16string foreign = folder.write(u"fremd.ini", oldContent);
    folder.permit(u"fremd.ini", owner_read | owner_write | group_read | others_read);
    const std::u16string writeOnly = folder.write(u"nur schreiben.ini", oldContent);
    folder.permit(u"nur schreiben.ini", owner_read | owner_write | others_write);
    struct Case {
        std::u16string path;
        WriteError replaced, appended;
    };
    for (const Case& c : {Case{folder.path(u"privat/material.ini"), WriteError::noAccess, WriteError::noAccess},
                          Case{foreign, WriteError::denied, WriteError::denied},
                          Case{folder.path(u"nur lesen/neu.ini"), WriteError::folderDenied, WriteError::folderDenied},
                          Case{writeOnly, WriteError::unreadable, WriteError::none}}) {
        EXPECT_TRUE(asOrdinaryUser([&] {
            return replaceFile(c.path, newContent) == c.replaced && appendToFile(c.path, {newContent}) == c.appended;
        })) << testing::PrintToString(c.path);
    }
    EXPECT_EQ(folder.read(u"fremd.ini"), oldContent);
    EXPECT_EQ(folder.read(u"nur schreiben.ini"), oldContent + newContent);
    EXPECT_EQ(entries(folder), 4u);
}

// Another conversion appending holds the file for as long as its write takes.
TEST(AppendToFile, WaitsForAnotherWriterThenSaysTheFileIsInUse) {
    TempFolder folder;
    const std::u16string path = folder.write(u"material.ini", oldContent);
    const int other = ::open(folder.file(u"material.ini").c_str(), O_RDWR);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_EQ(appendToFile(path, {newContent}), WriteError::inUse);
    ::close(other);
    EXPECT_EQ(appendToFile(path, {"x"}), WriteError::none);
    EXPECT_EQ(folder.read(u"material.ini"), oldContent + "x");
}

TEST(Files, NeverWaitOnAPipe) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file(u"pipe").c_str(), 0666), 0);
    EXPECT_FALSE(readWholeFile(folder.path(u"pipe")).bytes);
    EXPECT_EQ(replaceFile(folder.path(u"pipe"), "x"), WriteError::notAFile);
    EXPECT_EQ(appendToFile(folder.path(u"pipe"), {"x"}), WriteError::notAFile);
    EXPECT_FALSE(isOrdinaryFile(folder.path(u"pipe")));
    // Refused by its name alone: opened even for a moment, it would let a program that waits
    // to write into the pipe go on, and its bytes would be lost.
    WatchedFiles watched;
    EXPECT_EQ(replaceFile(watched, folder.path(u"pipe"), "x"), WriteError::notAFile);
    EXPECT_EQ(appendToFile(watched, folder.path(u"pipe"), {"x"}), WriteError::notAFile);
    EXPECT_TRUE(std::none_of(watched.calls.begin(), watched.calls.end(),
                             [](const Call& call) { return call.kind == Call::Kind::open; }));
}

#endif

}  // namespace
}  // namespace brisel
