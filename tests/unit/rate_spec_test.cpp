#include "moderation/rate_spec.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

TEST(RateSpecTest, ReadsNOverSAndTakesZeroOrJunkAsOff) {
    struct Case {
        const char* text;
        std::optional<RateSpec> spec;
    };
    const Case cases[] = {
        {"6/5", RateSpec{6, 5}},
        {" 6 / 5 ", RateSpec{6, 5}},
        {"1/1", RateSpec{1, 1}},
        {"1000/86400", RateSpec{1000, 86400}},
        {"1001/86401", RateSpec{1000, 86400}},  // held at the bounds
        {"99999999999999999999999/5", RateSpec{1000, 5}},
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
        EXPECT_EQ(ParseRateSpec(c.text), c.spec) << c.text;
    }
}

}  // namespace
}  // namespace varno
