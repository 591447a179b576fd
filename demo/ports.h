#pragma once

#include <cstdint>
#include <string_view>

namespace varno::demo {

// A connection to the demo gateway, numbered by the shell. Simulated users get numbers too.
using SessionId = std::uint64_t;

// What the gateway model does to its connections. The shell owns the sockets.
class SessionPort {
public:
    virtual ~SessionPort() = default;
    virtual void send(SessionId id, std::string_view bytes) = 0;
    // Ends the connection after what was sent to it; raises no closed call on the model.
    virtual void close(SessionId id) = 0;
};

// Milliseconds of a clock that never goes back.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t steadyMs() = 0;
};

// Whole numbers drawn evenly from lo to hi, both included.
class Random {
public:
    virtual ~Random() = default;
    virtual std::int64_t uniform(std::int64_t lo, std::int64_t hi) = 0;
};

}  // namespace varno::demo
