#pragma once

#include <cstdint>

namespace varno {

struct TimeOfDay {
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;

    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// Where the program reads the time: the local time of day for log timestamps, and a
// monotonic millisecond count for measuring how long a connect attempt has been under way.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimeOfDay timeOfDay() = 0;
    virtual std::int64_t steadyMs() = 0;
};

// The machine's clocks.
class SystemClock : public Clock {
public:
    TimeOfDay timeOfDay() override;
    std::int64_t steadyMs() override;

private:
    long long lastSecond_ = -1;
    TimeOfDay last_;
};

}  // namespace varno
