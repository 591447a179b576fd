#pragma once

#include <cstdint>

namespace varno {

struct TimeOfDay {
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;

    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

struct Date {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31

    friend bool operator==(const Date&, const Date&) = default;
};

// Where the program reads the time: the local time of day for log timestamps, a monotonic
// millisecond count for measuring how long something has been under way, and the wall clock
// for times that are kept on disk and must mean the same after a restart.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimeOfDay timeOfDay() = 0;
    virtual std::int64_t steadyMs() = 0;
    virtual Date localDate() = 0;
    virtual std::int64_t unixSeconds() = 0;  // seconds since 1970-01-01 00:00 UTC
};

// The machine's clocks.
class SystemClock : public Clock {
public:
    TimeOfDay timeOfDay() override;
    std::int64_t steadyMs() override;
    Date localDate() override;
    std::int64_t unixSeconds() override;

private:
    long long lastSecond_ = -1;
    TimeOfDay last_;
};

}  // namespace varno
