#include <gtest/gtest.h>

// Keeps the test tree non-empty until the first folders land.
TEST(Smoke, BuildRuns) { SUCCEED(); }
