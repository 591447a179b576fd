#include "ui/clock.h"

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

}  // namespace varno
