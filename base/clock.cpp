#include "base/clock.h"

#include <chrono>
#include <ctime>

namespace varno {

TimeOfDay SystemClock::timeOfDay() {
    const std::time_t now = std::time(nullptr);
    if (now != lastSecond_) {
        std::tm local{};
        localtime_r(&now, &local);
        last_ = TimeOfDay{local.tm_hour, local.tm_min, local.tm_sec};
        lastSecond_ = now;
    }
    return last_;
}

std::int64_t SystemClock::steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Date SystemClock::localDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::int64_t SystemClock::unixSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace varno
