#include "demo/flood_rule.h"

#include <gtest/gtest.h>

#include <vector>

namespace varno::demo {
namespace {

using V = FloodRule::Verdict;

struct Line {
    std::int64_t atMs;
    std::size_t length;
    V expected;
};

struct FloodCase {
    const char* name;
    std::vector<Line> lines;
};

class FloodRuleTest : public ::testing::TestWithParam<FloodCase> {};

TEST_P(FloodRuleTest, Verdicts) {
    FloodRule rule;
    int i = 0;
    for (const Line& line : GetParam().lines) {
        EXPECT_EQ(rule.Charge(line.atMs, line.length), line.expected) << "line " << i;
        ++i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FloodRuleTest,
    ::testing::Values(FloodCase{"FourShortPassFifthToNinthDropTenthCloses",
                                {{0, 5, V::kPass},
                                 {0, 5, V::kPass},
                                 {0, 5, V::kPass},
                                 {0, 5, V::kPass},
                                 {0, 5, V::kDrop},
                                 {0, 5, V::kDrop},
                                 {0, 5, V::kDrop},
                                 {0, 5, V::kDrop},
                                 {0, 5, V::kDrop},
                                 {0, 5, V::kClose}}},
                      FloodCase{"UnitsLeaveTheWindowAfterFiveSeconds",
                                {{0, 1, V::kPass},
                                 {0, 1, V::kPass},
                                 {0, 1, V::kPass},
                                 {0, 1, V::kPass},
                                 {4999, 1, V::kDrop},
                                 {5000, 1, V::kPass}}},
                      FloodCase{"FortyBytesOneUnitFortyOneTwo",
                                {{0, 41, V::kPass}, {0, 41, V::kPass}, {0, 1, V::kDrop}}},
                      FloodCase{"FortyBytesIsOneUnit",
                                {{0, 40, V::kPass},
                                 {0, 40, V::kPass},
                                 {0, 40, V::kPass},
                                 {0, 40, V::kPass},
                                 {0, 40, V::kDrop}}},
                      FloodCase{"EmptyLineCostsOneUnit",
                                {{0, 0, V::kPass},
                                 {0, 0, V::kPass},
                                 {0, 0, V::kPass},
                                 {0, 0, V::kPass},
                                 {0, 0, V::kDrop}}},
                      FloodCase{"TwoHundredBytesPassTheNextLineIsDropped",
                                {{0, 200, V::kPass}, {0, 1, V::kDrop}}},
                      FloodCase{"TwoHundredOneBytesRefusedAndCounted",
                                {{0, 201, V::kTooLong}, {0, 1, V::kDrop}, {0, 120, V::kClose}}},
                      FloodCase{"ALineStartingAtTheFourthUnitPasses",
                                {{0, 100, V::kPass},
                                 {0, 1, V::kPass},
                                 {0, 1, V::kDrop},
                                 {6000, 81, V::kPass},
                                 {6000, 1, V::kPass},
                                 {6000, 1, V::kDrop}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FloodRuleLimits, ScaledWindowAndLimits) {
    FloodRule rule(
        {.windowMs = 100, .bytesPerUnit = 10, .longestLine = 30, .dropFrom = 2, .closeAt = 3});
    EXPECT_EQ(rule.Charge(0, 10), V::kPass);
    EXPECT_EQ(rule.Charge(50, 10), V::kDrop);
    EXPECT_EQ(rule.unitsInWindow(99), 2);
    EXPECT_EQ(rule.unitsInWindow(100), 1);
    EXPECT_EQ(rule.Charge(150, 31), V::kClose);
}

}  // namespace
}  // namespace varno::demo
