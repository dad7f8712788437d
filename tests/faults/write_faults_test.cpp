// brisel-convert with each of its system calls failing in turn (first those that change a
// file, then every one, those that change nothing too), with another program appending to
// material.ini without a lock at any of those calls, on a full disk and under a file-size
// limit: afterwards material.ini holds either all the new records (the program said it
// succeeded) or exactly its old bytes (it said why not), besides every line the other
// program added, and no other file is left beside it. Killed at each of those calls, it
// leaves the old or the new content (an append: part of its records), and the next run
// clears whatever it left beside.
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brisel {
namespace {

namespace fs = std::filesystem;

// The first material has an umlaut, so that the records tell ANSI from UTF-8.
std::string nameOf(int row, bool utf8) {
    return (row == 1 ? std::string(utf8 ? "Gr\xC3\xBCn " : "Gr\xFCn ") : std::string("Stahl ")) + std::to_string(row);
}

// A table in UTF-8.
std::string tableOf(int rows) {
    std::string table = "Name;Gewicht;Nr;Schraffur;Winkel;Abstand\r\n";
    for (int row = 1; row <= rows; ++row)
        table += nameOf(row, true) + ";7,85;" + std::to_string(row) + ";31;45;2,5\r\n";
    return table;
}

std::string recordsOf(int rows, bool utf8 = false) {
    std::string records;
    for (int row = 1; row <= rows; ++row)
        records += "MAT=" + std::to_string(row) + ",*" + nameOf(row, utf8) + "\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n";
    return records;
}

const std::string oldWithBreak = "MAT=9,alt\r\n-XHATCH=1, 2, 3\r\n-KG_P_L=1.0\r\n";
const std::string oldOpen = "MAT=9,alt\r\n-XHATCH=1, 2, 3\r\n-KG_P_L=1.0";
const std::string utf8Mark = "\xEF\xBB\xBF";
const std::string oldUtf8 = utf8Mark + "MAT=9,S\xC3\xBC\xC3\x9F\r\n-XHATCH=1, 2, 3\r\n-KG_P_L=1.0\r\n";

struct Scenario {
    const char* name;
    const char* mode;
    std::optional<std::string> old;  // none: material.ini does not exist yet
    bool folderTakesNoNewFile;
    std::string lead;  // what "erweitern" puts before the records
    bool othersFile = false;  // as root: material.ini belongs to root, and the program runs as "nobody"
    bool attribute = false;   // material.ini carries an extended attribute, where the file system has them
    bool link = false;        // material.ini is a symbolic link to echt.ini beside it, which `old` is
    int rows = 200;           // about 9 KB of records; 30000 give more than one piece of table and records
    bool deadOutput = false;  // standard output is a pipe that nobody reads any more
    bool writeOnly = false;   // material.ini may be written but not read (mode 0200)
};

const std::vector<Scenario> scenarios = {
    {"ersetzen", "--ersetzen", oldWithBreak, false, ""},
    {"ersetzen in a folder that takes no new file", "--ersetzen", oldOpen, true, ""},
    {"ersetzen of a missing file", "--ersetzen", std::nullopt, false, ""},
    {"erweitern after a line break", "--erweitern", oldWithBreak, false, ""},
    {"erweitern after an open last line", "--erweitern", oldOpen, false, "\r\n"},
    {"erweitern of a missing file", "--erweitern", std::nullopt, false, ""},
    {"ersetzen of another user's file", "--ersetzen", oldWithBreak, false, "", true},
    {"ersetzen of an empty file", "--ersetzen", "", false, ""},
    {"ersetzen of a file with an extended attribute", "--ersetzen", oldWithBreak, false, "", false, true},
    {"erweitern of an empty file", "--erweitern", "", false, ""},
    {"erweitern of UTF-8 with its mark", "--erweitern", oldUtf8, false, ""},
    {"ersetzen through a symbolic link", "--ersetzen", oldWithBreak, false, "", false, false, true},
    {"ersetzen of a dangling symbolic link", "--ersetzen", std::nullopt, false, "", false, false, true},
    {"erweitern through a symbolic link", "--erweitern", oldWithBreak, false, "", false, false, true},
    {"erweitern of a dangling symbolic link", "--erweitern", std::nullopt, false, "", false, false, true},
    {"ersetzen with a table of more than one piece", "--ersetzen", oldWithBreak, false, "", false, false, false, 30000},
    {"erweitern with a table of more than one piece", "--erweitern", oldOpen, false, "\r\n", false, false, false, 30000},
    {"erweitern printing to a pipe that nobody reads", "--erweitern", oldWithBreak, false, "", false, false, false, 200,
     true},
    {"erweitern of a file that may be written but not read", "--erweitern", oldWithBreak, false, "", false, false, false,
     200, false, true},
    {"ersetzen of a file that may be written but not read", "--ersetzen", oldWithBreak, false, "", false, false, false,
     200, false, true},
};

bool ersetzen(const Scenario& s) {
    return std::string(s.mode) == "--ersetzen";
}

// "erweitern" writes in the file's own encoding; everything else is ANSI.
std::string expectedAfterSuccess(const Scenario& s, int rows) {
    if (ersetzen(s) || !s.old)
        return recordsOf(rows);
    return *s.old + s.lead + recordsOf(rows, s.old->starts_with(utf8Mark));
}

struct Fault {
    std::string kind;  // for the shim: enospc, eio, short; empty: none
    int step = 0;
    rlim_t fileSizeLimit = RLIM_INFINITY;
    std::string call{};  // only this call counts
    int delayMs = 0;     // how long the failing call takes
    bool reads = false;  // the calls that change nothing count too
    std::string run{};   // a command run at the step, before its call
};

struct Outcome {
    int status = -1;  // the exit status, or -1 when the program did not exit by itself
    std::string error;
    bool faultMet = false;
    std::string call{};  // the call of the step, as the shim names it
};

// Everything a run needs, in folders the user "nobody" may use when the tests run as root.
class WriteFaults : public testing::Test {
protected:
    void SetUp() override {
        fs::permissions(base.file({}), fs::perms::all);
        fs::copy_file(BRISEL_CONVERT, base.file(u"brisel-convert"));
        fs::copy_file(BRISEL_FAULT_SHIM, base.file(u"shim.so"));
    }

    // Lays out the destination's folder for `s` under `at` and returns its material.ini.
    fs::path prepare(const Scenario& s, const fs::path& at) {
        if (s.rows != tableRows) {
            base.write(u"tabelle.csv", tableOf(s.rows));
            fs::permissions(base.file(u"tabelle.csv"), fs::perms::all);
            tableRows = s.rows;
        }
        fs::remove_all(at);
        fs::create_directories(at);
        fs::permissions(at, fs::perms::all);
        const fs::path destination = at / "material.ini";
        const fs::path file = s.link ? at / "echt.ini" : destination;
        if (s.old) {
            base.write(fs::relative(file, base.file({})).u16string(), *s.old);
            fs::permissions(file, modeOf(s));
            if (::geteuid() == 0 && !s.othersFile) {
                EXPECT_EQ(::chown(file.c_str(), 65534, 65534), 0);
            }
            // Long ago, so that a failure that changed it cannot go unseen.
            fs::last_write_time(file, longAgo);
        }
        // Not every file system keeps attributes of users.
        attributeSet = s.attribute && s.old && ::setxattr(file.c_str(), "user.brisel", "1", 1, 0) == 0;
        if (s.link)
            fs::create_symlink("echt.ini", destination);
        if (s.folderTakesNoNewFile)
            fs::permissions(at, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        return destination;
    }

    // brisel-convert, as "nobody" when the tests run as root, with the fault in place.
    Outcome convert(const Scenario& s, const fs::path& destination, const Fault& fault) {
        return finish(start(s, destination, fault));
    }

    // Starts brisel-convert; `run` names its own log and standard error.
    pid_t start(const Scenario& s, const fs::path& destination, const Fault& fault, const std::u16string& run = u"") {
        const fs::path log = base.file(run + u"fault.log");
        const fs::path error = base.file(run + u"stderr.txt");
        fs::remove(log);
        const pid_t child = ::fork();
        if (child == 0) {
            const int err = ::open(error.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            int output = ::open("/dev/null", O_WRONLY);
            if (int pipe[2]; s.deadOutput && ::pipe(pipe) == 0) {
                ::close(pipe[0]);
                output = pipe[1];
            }
            ::dup2(output, 1);
            ::dup2(err, 2);
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(120);
            // The program itself must turn the file-size limit into a write error, and a pipe
            // that nobody reads into a line not printed.
            std::signal(SIGXFSZ, SIG_DFL);
            std::signal(SIGPIPE, SIG_DFL);
            const rlimit limit{fault.fileSizeLimit, fault.fileSizeLimit};
            if (fault.fileSizeLimit != RLIM_INFINITY)
                ::setrlimit(RLIMIT_FSIZE, &limit);
            const std::string program = base.file(u"brisel-convert").string();
            const std::string source = base.file(u"tabelle.csv").string();
            // A program built with AddressSanitizer accepts a library loaded before its runtime.
            std::vector<std::string> environment = {"LANG=C.UTF-8", "ASAN_OPTIONS=verify_asan_link_order=0"};
            if (!fault.kind.empty()) {
                environment.push_back("LD_PRELOAD=" + base.file(u"shim.so").string());
                environment.push_back("BRISEL_FAULT=" + fault.kind);
                environment.push_back("BRISEL_FAULT_STEP=" + std::to_string(fault.step));
                environment.push_back("BRISEL_FAULT_LOG=" + log.string());
                if (!fault.call.empty())
                    environment.push_back("BRISEL_FAULT_CALL=" + fault.call);
                environment.push_back("BRISEL_FAULT_DELAY_MS=" + std::to_string(fault.delayMs));
                if (fault.reads)
                    environment.push_back("BRISEL_FAULT_READS=1");
                if (!fault.run.empty())
                    environment.push_back("BRISEL_FAULT_RUN=" + fault.run);
            }
            std::vector<char*> envp;
            for (std::string& entry : environment)
                envp.push_back(entry.data());
            envp.push_back(nullptr);
            std::string mode = s.mode, prefix = "--prefix=*", target = destination.string();
            char* argv[] = {const_cast<char*>(program.c_str()), mode.data(), prefix.data(),
                            const_cast<char*>(source.c_str()), target.data(), nullptr};
            ::execve(program.c_str(), argv, envp.data());
            ::_exit(121);
        }
        return child;
    }

    Outcome finish(pid_t child, const std::u16string& run = u"") {
        int status = 0;
        ::waitpid(child, &status, 0);
        Outcome outcome;
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.error = base.read(run + u"stderr.txt");
        outcome.faultMet = fs::exists(base.file(run + u"fault.log"));
        if (outcome.faultMet) {
            outcome.call = base.read(run + u"fault.log");
            if (!outcome.call.empty() && outcome.call.back() == '\n')
                outcome.call.pop_back();
        }
        return outcome;
    }

    // What a run left: the new content after a success, the old bytes after a failure, and
    // the `foreign` line that another program appended meanwhile, once, in either case.
    void check(const Scenario& s, const fs::path& destination, const Outcome& run, const std::string& what,
               const std::string& foreign = "") {
        SCOPED_TRACE(std::string(s.name) + ", " + what + ": " + run.error);
        ASSERT_TRUE(run.status == 0 || run.status == 1) << "exit status " << run.status;
        if (s.link) {
            EXPECT_TRUE(fs::is_symlink(destination)) << "the symbolic link became an ordinary file";
        }
        const bool exists = fs::exists(destination);
        const fs::perms mode = exists ? fs::status(destination).permissions() : fs::perms::none;
        if (exists && s.writeOnly)
            fs::permissions(destination, fs::perms::owner_read, fs::perm_options::add);
        std::string content = base.read(fs::relative(destination, base.file({})).u16string());
        if (!foreign.empty()) {
            const std::size_t at = content.find(foreign);
            // A take-back that cannot read what follows its records cuts it with them.
            if (!(s.writeOnly && run.status == 1)) {
                EXPECT_NE(at, std::string::npos) << "the other program's line is gone: " << content;
            }
            if (at != std::string::npos) {
                EXPECT_EQ(content.find(foreign, at + 1), std::string::npos) << "the other program's line twice";
                content.erase(at, foreign.size());
            }
        }
        if (run.status == 0) {
            EXPECT_EQ(content, expectedAfterSuccess(s, s.rows));
            if (s.old) {
                EXPECT_EQ(mode, modeOf(s));
            }
            if (attributeSet) {
                char value[2] = {};
                EXPECT_EQ(::getxattr(destination.c_str(), "user.brisel", value, sizeof value), 1);
                EXPECT_EQ(value[0], '1');
            }
        } else {
            EXPECT_EQ(content, s.old.value_or(foreign.empty() ? "<missing>" : ""));
            EXPECT_EQ(run.error.rfind("brisel-convert: ", 0), 0u);
            // Unchanged to a backup or to make as well, where nobody else wrote to it and
            // the system let the program set the time (only the file's owner may).
            if (s.old && foreign.empty() && !s.othersFile) {
                EXPECT_EQ(fs::last_write_time(destination), longAgo);
            }
        }
        std::size_t entries = 0;
        for (const auto& entry : fs::directory_iterator(destination.parent_path()))
            entries += entry.path() != destination && !(s.link && entry.path().filename() == "echt.ini");
        EXPECT_EQ(entries, 0u) << "a file left beside material.ini";
    }

    static constexpr fs::perms fileMode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                          fs::perms::group_write | fs::perms::others_read | fs::perms::others_write;
    static fs::perms modeOf(const Scenario& s) { return s.writeOnly ? fs::perms::owner_write : fileMode; }
    const fs::file_time_type longAgo =
        std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) - std::chrono::hours(24 * 365);
    TempFolder base;
    int tableRows = 0;  // the rows of tabelle.csv as the last prepare() wrote it
    bool attributeSet = false;  // the last prepare() gave material.ini its attribute
};

TEST_F(WriteFaults, EachFileChangingCallFailingInTurnCostsNoFile) {
    std::set<std::string> failedCalls;
    for (const Scenario& s : scenarios) {
        for (const std::string kind : {"enospc", "eio", "short"}) {
            for (int step = 1;; ++step) {
                ASSERT_LT(step, 100) << s.name << ": the steps never end";
                const fs::path destination = prepare(s, base.file(u"ziel"));
                const Outcome run = convert(s, destination, {kind, step});
                check(s, destination, run, kind + " at step " + std::to_string(step));
                if (!run.faultMet) {
                    EXPECT_EQ(run.status, 0) << s.name << " fails with no fault";
                    break;
                }
                failedCalls.insert(run.call);
            }
        }
    }
    // The calls the runs went through; each was made to fail at least once.
    std::string calls;
    for (const std::string& call : failedCalls)
        calls += call + "\n";
    for (const char* call : {"open", "write", "fallocate", "ftruncate", "fdatasync", "fsync", "fchmod", "linkat", "rename",
                             "close"})
        EXPECT_NE(calls.find(call), std::string::npos) << call << " never failed: " << calls;
}

// Killed right before each call that changes a file: material.ini holds its old bytes or the
// whole new content ("erweitern": its old bytes and a part of the records), and the next
// run, the same conversion, succeeds and leaves nothing beside it.
TEST_F(WriteFaults, AKillAtEachFileChangingCallLeavesTheOldOrTheNewContentAndTheNextRunClearsTheRest) {
    for (const Scenario& s : scenarios) {
        for (int step = 1;; ++step) {
            ASSERT_LT(step, 100) << s.name << ": the steps never end";
            const fs::path destination = prepare(s, base.file(u"ziel"));
            const Outcome killed = convert(s, destination, {"kill", step});
            const std::string trace = std::string(s.name) + ", killed at step " + std::to_string(step) + " (" +
                                      killed.call + ")";
            if (!killed.faultMet) {
                check(s, destination, killed, trace);
                break;
            }
            EXPECT_EQ(killed.status, -1) << trace;
            const std::string now = base.read(fs::relative(destination, base.file({})).u16string());
            const std::string before = s.old.value_or("<missing>");
            if (ersetzen(s)) {
                EXPECT_TRUE(now == before || now == expectedAfterSuccess(s, s.rows)) << trace << ": " << now.size();
            } else {
                // A file that the append made may stay empty.
                const std::string old = s.old ? *s.old : now == "<missing>" ? now : "";
                const std::string added = expectedAfterSuccess(s, s.rows).substr(s.old ? s.old->size() : 0);
                EXPECT_TRUE(now.starts_with(old) && added.starts_with(now.substr(old.size()))) << trace << ": " << now;
            }
            const Outcome next = convert(s, destination, {});
            EXPECT_EQ(next.status, 0) << trace << ", the next run: " << next.error;
            std::vector<std::string> beside;
            for (const auto& entry : fs::directory_iterator(destination.parent_path())) {
                if (entry.path() != destination && !(s.link && entry.path().filename() == "echt.ini"))
                    beside.push_back(entry.path().filename().string());
            }
            EXPECT_TRUE(beside.empty()) << trace << ": left beside material.ini after the next run: "
                                        << testing::PrintToString(beside);
        }
    }
}

// Every call in turn, those that change nothing too (a size query, a read, a lock, a seek, a
// look-up by name, the close of a file only read from): it fails, or another program appends
// a line to material.ini without a lock just before it and then it fails, or succeeds. Where
// material.ini's last line is open, another program's line would join it, so that program
// appends only to files that end with a line break.
struct Round {
    const char* name;
    const char* fault;  // for the shim: eio, or none
    bool otherProgram;
};
const Round rounds[] = {
    {"fails", "eio", false},
    {"fails after another program appended", "eio", true},
    {"succeeds after another program appended", "none", true},
};

TEST_F(WriteFaults, EveryCallFailingInTurnOrAnotherProgramAppendingBeforeItCostsNoFile) {
    const std::string foreign = "MAT=77,fremd\r\n";  // what the other program's printf below appends
    std::set<std::string> failedCalls;
    bool attributes = false;  // whether material.ini had one in some run
    for (const Scenario& s : scenarios) {
        for (const Round& round : rounds) {
            if (round.otherProgram && (ersetzen(s) || !s.lead.empty()))
                continue;
            for (int step = 1;; ++step) {
                ASSERT_LT(step, 200) << s.name << ": the steps never end";
                const fs::path destination = prepare(s, base.file(u"ziel"));
                attributes = attributes || attributeSet;
                Fault fault{round.fault, step};
                fault.reads = true;
                if (round.otherProgram)
                    fault.run = "printf 'MAT=77,fremd\\r\\n' >> '" + destination.string() + "'";
                const Outcome run = convert(s, destination, fault);
                check(s, destination, run, std::string(round.name) + " at step " + std::to_string(step) + " (" + run.call + ")",
                      run.faultMet && round.otherProgram ? foreign : "");
                if (!run.faultMet) {
                    EXPECT_EQ(run.status, 0) << s.name << " fails with no fault";
                    break;
                }
                // Neither another program's line nor a failed close of a file that was only
                // read from is a reason to fail.
                if (std::string(round.fault) == "none" || run.call == "close-read") {
                    EXPECT_EQ(run.status, 0) << s.name << ", " << round.name << " at " << run.call << ": " << run.error;
                }
                if (std::string(round.fault) != "none")
                    failedCalls.insert(run.call);
            }
        }
    }
    std::string calls;
    for (const std::string& call : failedCalls)
        calls += call + "\n";
    std::vector<std::string> expected = {"stat", "lstat", "access", "open", "fstat", "pread", "close-read", "flock",
                                         "fcntl", "lseek", "listxattr", "readlink", "pwritev2", "fdatasync", "close"};
    if (attributes) {
        expected.insert(expected.end(), {"getxattr", "fsetxattr"});
    }
    for (const std::string& call : expected)
        EXPECT_TRUE(failedCalls.count(call)) << call << " never failed: " << calls;
}

// Two conversions appending to one material.ini at once: the first one's flush to disk
// fails, slowly, while the second one starts. The file then holds its old bytes and the
// records of the second exactly when the second said it wrote them.
TEST_F(WriteFaults, TwoAppendsAtOnceKeepTheRecordsOfTheOneThatSucceeded) {
    const Scenario& s = scenarios[3];  // erweitern after a line break
    const fs::path destination = prepare(s, base.file(u"ziel"));
    Fault slowFlush{"eio", 1};
    slowFlush.call = "fdatasync";
    slowFlush.delayMs = 300;
    const pid_t first = start(s, destination, slowFlush, u"first-");
    for (int waited = 0; !fs::exists(base.file(u"first-fault.log")); waited += 10) {
        ASSERT_LT(waited, 20000) << "the first conversion never reached its flush";
        ::usleep(10000);
    }
    const Outcome second = convert(s, destination, {});
    const Outcome failed = finish(first, u"first-");
    EXPECT_EQ(failed.status, 1) << failed.error;
    ASSERT_TRUE(second.status == 0 || second.status == 1) << second.error;
    EXPECT_EQ(base.read(fs::relative(destination, base.file({})).u16string()),
              *s.old + (second.status == 0 ? recordsOf(s.rows) : "")) << second.error;
}

TEST_F(WriteFaults, TheFileSizeLimitIsAWriteErrorInEveryMode) {
    for (const Scenario& s : scenarios) {
        const fs::path destination = prepare(s, base.file(u"ziel"));
        Fault limit;
        limit.fileSizeLimit = 4096;
        const Outcome run = convert(s, destination, limit);
        EXPECT_EQ(run.status, 1) << s.name;
        check(s, destination, run, "file-size limit");
    }
}

// A real full disk: a small file system of its own, filled up. Mounting needs root.
TEST_F(WriteFaults, AFullDiskCostsNoFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const fs::path disk = base.file(u"disk");
    fs::create_directories(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k,mode=0777"), 0) << "no tmpfs";
    for (const Scenario& s : scenarios) {
        const fs::path destination = prepare(s, disk / "ziel");
        {
            std::ofstream filler(disk / "filler", std::ios::binary);
            const std::string block(4096, 'x');
            while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
                ;
        }
        const Outcome run = convert(s, destination, {});
        EXPECT_EQ(run.status, 1) << s.name;
        check(s, destination, run, "full disk");
        fs::remove(disk / "filler");
    }
    fs::remove_all(disk / "ziel");
    ASSERT_EQ(::umount(disk.c_str()), 0);
}

}  // namespace
}  // namespace brisel
