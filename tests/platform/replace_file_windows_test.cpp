// "ersetzen" on Windows when ReplaceFileW fails half-way, as its documentation says it
// may, or when the process ends between its two steps: the old or the new content stands
// under the name afterwards (after a crash, once the next conversion has cleared what the
// run left), byte for byte, and beside it at most the backup that holds the old content
// where nothing could be moved. ReplaceFileW and MoveFileExW are stand-ins that do on real
// files what each failure leaves behind. And the file that a conversion holds keeps its
// name while another program tries to rename or remove it.
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/replace_file_stand_in.h"
#include "platform/watched_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <tuple>

namespace {

// What the next calls of ReplaceFileW do instead of replacing.
struct Failure {
    const char* name;
    DWORD error;             // the error ReplaceFileW reports, for `times` calls
    int times;
    bool oldMoved;           // the old file is under the backup name afterwards
    bool replacementStuck;   // moving the new file fails afterwards
    bool backupStuck;        // moving the backup fails afterwards
    brisel::WriteError result;
    bool newUnderName;       // else the old content; nothing at all with backupStuck
    bool dies = false;       // the process ends right after the old file went under the backup name
};

// The exit code of a process that the stand-in ended, and where such a process is told its
// folder.
constexpr UINT diedCode = 57;
constexpr const wchar_t* dieIn = L"BRISEL_DIE_IN";

void PrintTo(const Failure& failure, std::ostream* out) {
    *out << failure.name;
}

Failure failure{};
std::wstring replacementName, backupName;

}  // namespace

BOOL standInReplaceFileW(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                         LPVOID reserved) {
    if (failure.times == 0)
        return ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved);
    --failure.times;
    replacementName = replacement;
    backupName = backup;
    if (failure.oldMoved && !MoveFileExW(replaced, backup, 0))
        return FALSE;
    if (failure.dies)
        TerminateProcess(GetCurrentProcess(), diedCode);  // as a kill or a crash ends it: at once
    SetLastError(failure.error);
    return FALSE;
}

BOOL standInMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if ((failure.replacementStuck && from == replacementName) || (failure.backupStuck && from == backupName)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return MoveFileExW(from, to, flags);
}

namespace brisel {
namespace {

const std::string oldContent = "MAT=1,alt\r\n-KG_P_L=1.0\r\n";
const std::string newContent = "MAT=1,neu\r\n-KG_P_L=7.85\r\n";

std::set<std::wstring> namesIn(const TempFolder& folder) {
    std::set<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.file({})))
        names.insert(entry.path().filename().wstring());
    return names;
}

bool isLink(const TempFolder& folder, std::u16string_view name) {
    const DWORD attributes = GetFileAttributesW(folder.file(name).wstring().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Runs the test that runs now once more in another process of this program, whose
// replacement in `folder` dies between its steps; its exit code.
DWORD replaceInAnotherProcessThatDies(const TempFolder& folder) {
    const testing::TestInfo& test = *testing::UnitTest::GetInstance()->current_test_info();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string filter = std::string("--gtest_filter=") + test.test_suite_name() + "." + test.name();
    std::wstring command = L"\"" + std::wstring(self) + L"\" " + std::wstring(filter.begin(), filter.end());
    SetEnvironmentVariableW(dieIn, folder.file({}).c_str());
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process);
    SetEnvironmentVariableW(dieIn, nullptr);
    if (!started)
        return 0;
    DWORD code = 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

class HalfwayReplacement : public testing::TestWithParam<Failure> {};

TEST_P(HalfwayReplacement, LeavesTheOldOrTheNewContentUnderTheName) {
    failure = GetParam();
    if (const wchar_t* folder = _wgetenv(dieIn)) {
        // The other process: it replaces and dies half-way.
        std::ignore = replaceFile(std::filesystem::path(folder).generic_u16string() + u"/material.ini", newContent);
        ADD_FAILURE() << "the process lived on";
        return;
    }
    TempFolder folder;
    const std::u16string path = folder.write(u"material.ini", oldContent);
    const std::string appended = "MAT=2,neu\r\n";

    if (failure.dies) {
        ASSERT_EQ(replaceInAnotherProcessThatDies(folder), diedCode);
        // As Microsoft documents it for ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: nothing under the
        // name, the old file under the backup name, the new one under its own.
        const std::set<std::wstring> left = namesIn(folder);
        EXPECT_EQ(left.size(), 2u);
        EXPECT_EQ(left.count(L"material.ini"), 0u);
        // The next conversion, an "erweitern", takes that run back before it appends.
        failure = {};
        EXPECT_EQ(appendToFile(path, {appended}), WriteError::none);
    } else {
        EXPECT_EQ(replaceFile(path, newContent), failure.result);
    }

    const std::set<std::wstring> names = namesIn(folder);
    if (failure.backupStuck) {
        // Windows would move neither file: the old content stays under the backup name.
        ASSERT_EQ(names.size(), 1u);
        const std::wstring backup = *names.begin();
        EXPECT_TRUE(backup.starts_with(L"material.ini.~brisel-backup")) << testing::PrintToString(backup);
        EXPECT_EQ(folder.read(std::u16string(backup.begin(), backup.end())), oldContent);
    } else {
        EXPECT_EQ(names, std::set<std::wstring>{L"material.ini"});
        EXPECT_EQ(folder.read(u"material.ini"), GetParam().dies          ? oldContent + appended
                                                : failure.newUnderName ? newContent
                                                                       : oldContent);
    }
    failure = {};
}

INSTANTIATE_TEST_SUITE_P(
    ReplaceFileW, HalfwayReplacement,
    testing::Values(
        // The old file could not be removed and nothing changed: a moment's hold is waited out.
        Failure{"OldHeldOnce", ERROR_UNABLE_TO_REMOVE_REPLACED, 1, false, false, false, WriteError::none, true},
        Failure{"OldHeld", ERROR_UNABLE_TO_REMOVE_REPLACED, 100, false, false, false, WriteError::inUse, false},
        // The new file could not be renamed; with a backup name, both keep their names, and
        // the old file gets the new content in place.
        Failure{"NewNotRenamed", ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, false, false, false, WriteError::none, true},
        // The same with the old file moved away: the new one is moved in.
        Failure{"NewNotRenamedOldMoved", ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, true, false, false, WriteError::none,
                true},
        // The old file is under the backup name, the new one under its own.
        Failure{"NewNotMoved", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, false, false, WriteError::none, true},
        // The old file moved back, then rewritten in place.
        Failure{"NewNotMovedAgain", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, true, false, WriteError::none, true},
        Failure{"NothingMoves", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, true, true, WriteError::cannotWrite,
                false},
        // A crash or a kill between the two steps, which no repair in the process outlives.
        Failure{"DiesBetweenTheSteps", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, false, false, WriteError::none,
                false, true}),
    [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// Another program renames material.ini to material.bak or removes it, as an editor that
// keeps a backup does, at every step of a conversion that holds it: refused while it is
// held, so that the records stay under the name.
struct Holder {
    const char* name;
    bool exists;   // material.ini is there before
    bool replace;  // "ersetzen", else "erweitern"
    bool inPlace;  // in a folder that takes no new file
};

void PrintTo(const Holder& holder, std::ostream* out) {
    *out << holder.name;
}

class HeldFile : public testing::TestWithParam<Holder> {};

TEST_P(HeldFile, KeepsItsNameWhileAConversionWritesIt) {
    const Holder& c = GetParam();
    TempFolder folder;
    if (c.exists)
        folder.write(u"material.ini", oldContent);
    const std::wstring name = folder.file(u"material.ini").wstring(), backup = folder.file(u"material.bak").wstring();
    WatchedFiles files;
    files.refuseNewFiles = c.inPlace;
    int refused = 0;
    files.between = [&](int) {
        // Whether the conversion has it open: then it cannot be opened sharing nothing.
        const HANDLE probe = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) {
            if (probe != INVALID_HANDLE_VALUE)
                CloseHandle(probe);
            return;
        }
        EXPECT_FALSE(MoveFileExW(name.c_str(), backup.c_str(), 0));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(DeleteFileW(name.c_str()));
        ++refused;
    };
    const std::string records = "MAT=2,neu\r\n";
    EXPECT_EQ(c.replace ? replaceFile(files, folder.path(u"material.ini"), records)
                        : appendToFile(files, folder.path(u"material.ini"), {records}),
              WriteError::none);
    files.between = nullptr;
    EXPECT_GT(refused, 0);
    EXPECT_EQ(folder.read(u"material.ini"), (c.exists && !c.replace ? oldContent : "") + records);
    EXPECT_EQ(namesIn(folder), std::set<std::wstring>{L"material.ini"});
}

INSTANTIATE_TEST_SUITE_P(AnotherProgram, HeldFile,
                         testing::Values(Holder{"Erweitern", true, false, false},
                                         Holder{"ErweiternOfAMissingFile", false, false, false},
                                         Holder{"Ersetzen", true, true, false}, Holder{"ErsetzenInPlace", true, true, true}),
                         [](const testing::TestParamInfo<Holder>& info) { return std::string(info.param.name); });

// A symbolic link stays one and its target gets the content, made where it is missing.
// Wine makes no symbolic links of Windows: there only plain paths are checked.
TEST(ReplaceFileW, FollowsSymbolicLinks) {
    TempFolder folder;
    FileSystem& files = systemFiles();
    const std::u16string plain = folder.write(u"plain.ini", oldContent);
    FileIdentity named, followed;
    ASSERT_EQ(files.identityAt(plain, named), FileError::none);
    std::u16string target;
    ASSERT_EQ(files.target(plain, target), FileError::none);
    ASSERT_EQ(files.identityAt(target, followed), FileError::none);
    EXPECT_EQ(followed, named);
    ASSERT_EQ(files.target(folder.path(u"missing.ini"), target), FileError::none);
    EXPECT_EQ(target, folder.path(u"missing.ini"));
    EXPECT_EQ(files.flushFolder(plain), FileError::none);

    folder.makeFolder(u"cad");
    folder.write(u"cad/material.ini", oldContent);
    const std::wstring link = folder.file(u"material.ini").wstring(), dangling = folder.file(u"new.ini").wstring();
    constexpr DWORD unprivileged = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    if (!CreateSymbolicLinkW(link.c_str(), L"cad\\material.ini", unprivileged) || !isLink(folder, u"material.ini"))
        GTEST_SKIP() << "this system makes no symbolic links";
    ASSERT_TRUE(CreateSymbolicLinkW(dangling.c_str(), L"cad\\..\\cad\\new.ini", unprivileged));

    EXPECT_EQ(replaceFile(folder.path(u"material.ini"), newContent), WriteError::none);
    EXPECT_EQ(replaceFile(folder.path(u"new.ini"), newContent), WriteError::none);
    EXPECT_TRUE(isLink(folder, u"material.ini"));
    EXPECT_TRUE(isLink(folder, u"new.ini"));
    EXPECT_EQ(folder.read(u"cad/material.ini"), newContent);
    EXPECT_EQ(folder.read(u"cad/new.ini"), newContent);
}

}  // namespace
}  // namespace brisel
