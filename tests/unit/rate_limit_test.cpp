#include "moderation/rate_limit.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

TEST(RateLimitTest, ReadsNOverSAndTakesZeroOrJunkAsOff) {
    struct Case {
        const char* text;
        std::optional<RateLimit> limit;
    };
    const Case cases[] = {
        {"6/5", RateLimit{6, 5}},
        {" 6 / 5 ", RateLimit{6, 5}},
        {"1/1", RateLimit{1, 1}},
        {"1000/86400", RateLimit{1000, 86400}},
        {"1001/86401", RateLimit{1000, 86400}},  // held at the bounds
        {"99999999999999999999999/5", RateLimit{1000, 5}},
        {"0/5", std::nullopt},
        {"5/0", std::nullopt},
        {"0/0", std::nullopt},
        {"", std::nullopt},
        {"6", std::nullopt},
        {"/5", std::nullopt},
        {"6/", std::nullopt},
        {"-1/5", std::nullopt},
        {"6/5/1", std::nullopt},
        {"6 5", std::nullopt},
        {"6/5s", std::nullopt},
        {"x/y", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRateLimit(c.text), c.limit) << c.text;
    }
}

}  // namespace
}  // namespace varno
