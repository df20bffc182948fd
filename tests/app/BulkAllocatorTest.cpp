#include "app/BulkAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace quarrow;

// Arrays below and above the size that asks for huge pages keep what they hold while they
// grow across it and shrink back (each block is given back the way it was taken: the
// sanitizer build reports a mismatch).
TEST(BulkAllocator, ArraysOfEverySizeHoldTheirValuesAcrossGrowth) {
    std::vector<std::int64_t, BulkAllocator<std::int64_t>> values;
    for (std::int64_t i = 0; i < 3'000'000; ++i)
        values.push_back(i);
    std::size_t misplaced = 0;
    for (std::size_t i = 0; i < values.size(); ++i)
        misplaced += values[i] == static_cast<std::int64_t>(i) ? 0 : 1;
    EXPECT_EQ(misplaced, 0u);
    values.resize(10);
    values.shrink_to_fit();
    EXPECT_EQ(values.back(), 9);
    std::vector<char, BulkAllocator<char>> small(100, 'x');
    EXPECT_EQ(small.at(99), 'x');
}
