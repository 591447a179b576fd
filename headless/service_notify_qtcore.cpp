#include "headless/service_notify_qtcore.h"

#include <systemd/sd-daemon.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace varno {

ServiceNotifier::ServiceNotifier() : active_(std::getenv("NOTIFY_SOCKET") != nullptr) {
    std::uint64_t usec = 0;
    // Above 0 only when WATCHDOG_USEC is set and WATCHDOG_PID, if set, names this process.
    if (!active_ || sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) {
        return;
    }
    const auto ms = std::clamp<std::uint64_t>(usec / 2000, 1, INT32_MAX);
    watchdog_.setInterval(static_cast<int>(ms));
    watchdog_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watchdog_, &QTimer::timeout, [] { sd_notify(0, "WATCHDOG=1"); });
    watchdog_.start();
}

void ServiceNotifier::Send(const std::string& message) {
    if (active_ && !message.empty()) {
        sd_notify(0, message.c_str());
    }
}

}  // namespace varno
