#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "demo/ports.h"

namespace varno::demo::test {

// Records what the gateway sends to each connection, and which it closes.
class FakeSessions : public SessionPort {
public:
    void send(SessionId id, std::string_view bytes) override {
        out[id] += bytes;
        writes.emplace_back(id, bytes);
    }
    void close(SessionId id) override { closed.insert(id); }

    // What the connection was sent since the last take.
    std::string take(SessionId id) { return std::exchange(out[id], std::string()); }

    std::map<SessionId, std::string> out;
    std::vector<std::pair<SessionId, std::string>> writes;
    std::set<SessionId> closed;
};

class FakeClock : public Clock {
public:
    std::int64_t steadyMs() override { return ms; }
    std::int64_t ms = 1000000;
};

// Always the lowest value allowed, so timings are their minimum.
class LowestRandom : public Random {
public:
    std::int64_t uniform(std::int64_t lo, std::int64_t) override { return lo; }
};

}  // namespace varno::demo::test
