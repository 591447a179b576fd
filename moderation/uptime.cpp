#include "moderation/uptime.h"

#include <limits>

namespace varno {
namespace {

void AppendCount(std::string& out, int count, const char* unit) {
    out += std::to_string(count);
    out += unit;
    if (count > 1) {
        out += 's';
    }
}

}  // namespace

void Uptime::Timer1_Timer() {
    if (UptimeSeconds == 59) {
        UptimeSeconds = 0;
        ++UptimeMinutes;
    } else {
        ++UptimeSeconds;
    }
    if (UptimeMinutes == 60) {
        UptimeMinutes = 0;
        ++UptimeHours;
    }
    if (UptimeHours == 24) {
        UptimeHours = 0;
        // About 90 years in, the day count stops growing rather than overflowing.
        if (UptimeDays < std::numeric_limits<std::int16_t>::max()) {
            ++UptimeDays;
        }
    }
}

std::string Uptime::text() const {
    std::string out;
    AppendCount(out, UptimeDays, " day");
    out += ' ';
    AppendCount(out, UptimeHours, " hour");
    out += ' ';
    AppendCount(out, UptimeMinutes, " minute");
    out += ' ';
    AppendCount(out, UptimeSeconds, " second");
    return out;
}

}  // namespace varno
