// The workbooks that real programs and tools/make-workbook-fixtures.py made.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace brisel {

inline std::string workbookFixture(const std::string& name) {
    std::ifstream in(std::string(BRISEL_WORKBOOKS) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace brisel
