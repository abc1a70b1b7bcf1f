// A scratch file name of the running test: CTest runs the tests of one
// program side by side, so shared names would race.
#pragma once
#include <gtest/gtest.h>

#include <string>

inline std::string scratchPath(const std::string& stem) {
    return ::testing::TempDir() + stem + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}
