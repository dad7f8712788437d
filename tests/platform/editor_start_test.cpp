// The command line that starts Notepad on the configuration file.
#include "platform/editor_start.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

TEST(NotepadCommandLine, NamesTheFileAsItStands) {
    EXPECT_EQ(notepadCommandLine(L"brisel.conf"), L"notepad.exe brisel.conf");
    EXPECT_EQ(notepadCommandLine(L"C:\\Mit Blank\\brisel.conf"), L"notepad.exe \"C:\\Mit Blank\\brisel.conf\"");
}

}  // namespace
}  // namespace brisel
