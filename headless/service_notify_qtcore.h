#pragma once

#include <QTimer>
#include <string>

namespace varno {

// Tells systemd how the bot stands (sd_notify) when it runs as a Type=notify service, that
// is when NOTIFY_SOCKET is set; without it every call does nothing. When the unit asks for
// a watchdog (WatchdogSec=, seen as WATCHDOG_USEC), it is pinged from the event loop at half
// the asked interval, so a bot whose loop hangs misses its pings and is restarted.
class ServiceNotifier {
public:
    ServiceNotifier();

    // One message of "NAME=value" lines; an empty one is not sent.
    void Send(const std::string& message);

private:
    bool active_;
    QTimer watchdog_;
};

}  // namespace varno
