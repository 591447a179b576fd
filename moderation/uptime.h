#pragma once

#include <cstdint>
#include <string>

namespace varno {

// The time since start-up in ticks of the once-a-second timer, shown as
// "D day(s) H hour(s) M minute(s) S second(s)". Reconnecting does not touch it.
class Uptime {
public:
    // One tick: a second more, carried into minutes, hours and days.
    void Timer1_Timer();

    // The label's text, e.g. "1 day 2 hours 2 minutes 1 second".
    std::string text() const;

private:
    std::int16_t UptimeSeconds = 0;  // 0..59
    std::int16_t UptimeMinutes = 0;  // 0..59
    std::int16_t UptimeHours = 0;    // 0..23
    std::int16_t UptimeDays = 0;     // 0..32767, then stays at 32767
};

}  // namespace varno
