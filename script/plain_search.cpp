#include "script/plain_search.h"

#include <algorithm>
#include <cstring>

namespace varno {
namespace {

using Index = std::ptrdiff_t;

// The maximal suffix of x[0, m) in the byte order (reversed: the opposite order): the index
// just before it, and its period.
struct Suffix {
    Index before;
    Index period;
};

Suffix MaximalSuffix(const unsigned char* x, Index m, bool reversed, std::int64_t& steps) {
    Index before = -1;
    Index j = 0;
    Index k = 1;
    Index period = 1;
    while (j + k < m) {
        ++steps;
        const unsigned char a = x[j + k];
        const unsigned char b = x[before + k];
        if (a == b) {
            if (k == period) {
                j += period;
                k = 1;
            } else {
                ++k;
            }
        } else if ((a < b) != reversed) {
            j += k;
            k = 1;
            period = j - before;
        } else {
            before = j;
            j = before + 1;
            k = period = 1;
        }
    }
    return {before, period};
}

}  // namespace

// The needle x splits at a critical point ell + 1 into a left and a right part. Each window
// of the haystack compares the right part from left to right, shifting by what matched when
// it differs, then the left part from right to left, shifting by the period when it differs.
// A periodic needle remembers how much of its start the last shift left matched (memory),
// so that no byte is compared twice over.
PlainFound FindPlain(std::string_view haystack, std::string_view needle, std::int64_t allowance) {
    const auto* y = reinterpret_cast<const unsigned char*>(haystack.data());
    const auto* x = reinterpret_cast<const unsigned char*>(needle.data());
    const auto n = static_cast<Index>(haystack.size());
    const auto m = static_cast<Index>(needle.size());
    PlainFound found{PlainFound::kNone, 0, false};
    if (m == 0) {
        found.position = 0;
        return found;
    }
    if (m > n) {
        return found;
    }
    if (m == 1) {
        const Index examined = allowance < n ? std::max<Index>(allowance + 1, 0) : n;
        const void* at = std::memchr(y, x[0], static_cast<std::size_t>(examined));
        found.steps = at ? static_cast<const unsigned char*>(at) - y + 1 : examined;
        found.outOfSteps = found.steps > allowance;
        if (at && !found.outOfSteps) {
            found.position = static_cast<std::size_t>(found.steps - 1);
        }
        return found;
    }
    std::int64_t& steps = found.steps;
    const Suffix forward = MaximalSuffix(x, m, false, steps);
    const Suffix backward = MaximalSuffix(x, m, true, steps);
    const Suffix critical = forward.before > backward.before ? forward : backward;
    const Index ell = critical.before;
    steps += ell + 1;
    const bool periodic =
        std::memcmp(x, x + critical.period, static_cast<std::size_t>(ell + 1)) == 0;
    const Index shift = periodic ? critical.period : std::max(ell + 1, m - ell - 1) + 1;
    Index memory = -1;
    for (Index j = 0; j <= n - m;) {
        if (steps > allowance) {
            break;
        }
        Index i = std::max(ell, memory) + 1;
        const Index right = i;
        while (i < m && x[i] == y[i + j]) {
            ++i;
        }
        steps += i - right + 1;
        if (i < m) {
            j += i - ell;
            memory = -1;
            continue;
        }
        i = ell;
        while (i > memory && x[i] == y[i + j]) {
            --i;
        }
        steps += ell - i + 1;
        if (i <= memory) {
            found.position = static_cast<std::size_t>(j);
            break;
        }
        j += shift;
        if (periodic) {
            memory = m - shift - 1;
        }
    }
    if (steps > allowance) {
        found = {PlainFound::kNone, allowance + 1, true};
    }
    return found;
}

}  // namespace varno
