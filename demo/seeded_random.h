#pragma once

#include <cstdint>
#include <random>

#include "demo/ports.h"

namespace varno::demo {

// The Random port from a seeded generator: the same seed gives the same cast.
class SeededRandom : public Random {
public:
    explicit SeededRandom(std::uint64_t seed) : engine_(seed) {}
    std::int64_t uniform(std::int64_t lo, std::int64_t hi) override {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(engine_);
    }

private:
    std::mt19937_64 engine_;
};

}  // namespace varno::demo
