#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varno {

// Where a needle first is in a haystack, searched as plain bytes in time linear in both (the
// two-way algorithm of Crochemore and Perrin: no quadratic case, nothing allocated), each
// byte compared or examined counting as a step.
struct PlainFound {
    static constexpr std::size_t kNone = std::string_view::npos;
    std::size_t position;  // kNone when the needle is not there or the search stopped
    std::int64_t steps;
    bool outOfSteps;  // the search stopped when its steps passed the allowance: steps is
                      // one more than it, though the last window compared may have gone on
                      // for up to twice the needle's length
};

PlainFound FindPlain(std::string_view haystack, std::string_view needle, std::int64_t allowance);

}  // namespace varno
