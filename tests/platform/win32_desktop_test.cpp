// The dialog filter "description|pattern" as the open-file dialog takes it.
#include "platform/win32_desktop.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

TEST(DialogFilter, EndsEachPartWithANulAndTheListWithAnother) {
    EXPECT_EQ(dialogFilter(u"CSV-Dateien (*.csv)|*.csv"), std::wstring(L"CSV-Dateien (*.csv)\0*.csv\0\0", 27));
}

}  // namespace
}  // namespace brisel
