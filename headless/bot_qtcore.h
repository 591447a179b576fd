#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/edition.h"
#include "base/window_port.h"
#include "client/client.h"
#include "client/client_host_qtcore.h"
#include "control/backlog.h"
#include "control/control_server_qtcore.h"
#include "control/control_service.h"
#include "headless/service_notify_qtcore.h"
#include "headless/service_status.h"
#include "headless/terminal_sink.h"

namespace varno {

// The client without a window: the socket, the timers and the clock around the same Client
// the window programs use, every log line on standard output, and the lists read again when
// they change on disk. What a window would show (caption, channel label, uptime) goes
// nowhere; the log says it all. Under systemd it tells the service manager how it stands:
// ready once the server let it in, and a status line that follows the connection. Unless
// Control=0, it is steered through a control socket (see ControlServer).
class Bot : private WindowPort, private LogSink {
public:
    // priorities: each line carries the syslog priority prefix the journal reads.
    Bot(const Edition& edition, const std::string& folder, bool colour, bool priorities = false);
    ~Bot() override;
    Bot(const Bot&) = delete;
    Bot& operator=(const Bot&) = delete;

    // Opens the control socket, unless Control=0; call before Start. Not ok: the bot must end
    // (kControlExitStatus), with the message.
    ControlServer::Listening OpenControl();
    // The start-up sequence; call once.
    void Start();
    // SIGHUP: the settings and both lists read again.
    void Reload();
    // SIGTERM, SIGINT: one line saying why, and the connection closed.
    void Stop(std::string_view why);

    Client& client() { return host_.client(); }

private:
    // WindowPort
    void setCaption(std::string_view) override {}
    void setChannelLabel(std::string_view text) override;
    void setUptime(std::string_view) override {}
    void takeLayoutSnapshot() override {}
    void beep() override {}

    // LogSink: every line may change what the service manager is told.
    void onLine(const Runs&, bool) override { Notify(false); }
    // Tells the service manager what changed since it was last told; second: the
    // once-a-second call (see ServiceStatus::Update).
    void Notify(bool second);
    BotFacts Facts();
    // Reads the Backlog key again; says in red when it is not a number.
    void ReadBacklog();

    // Nothing shows the logs' text once their lines have reached the sinks; it is dropped
    // every second, so a bot that runs for weeks holds no more than a second of it.
    void ForgetShownLines();

    ClientHost host_;
    TerminalSink terminal_;
    ServiceNotifier notifier_;
    ServiceStatus status_;
    BanTally bans_;
    SystemClock clock_;
    std::string channel_;
    bool started_ = false;
    std::string folder_;
    Backlog backlog_;
    std::unique_ptr<ControlService> control_;
    std::unique_ptr<ControlServer> server_;
};

// The exit status of a bot that cannot open its control socket (EX_CANTCREAT): another bot
// runs on the same folder, or the socket cannot be made.
inline constexpr int kControlExitStatus = 73;

}  // namespace varno
