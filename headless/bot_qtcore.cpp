#include "headless/bot_qtcore.h"

#include <cstdio>
#include <cstdlib>

#include "base/version.h"
#include "control/control_settings.h"
#include "control/socket_path.h"

namespace varno {

Bot::Bot(const Edition& edition, const std::string& folder, bool colour, bool priorities)
    : host_(edition, folder, *this,
            [this] {
                ForgetShownLines();
                Notify(true);
                if (control_) {
                    control_->Tick();
                }
            }),
      terminal_(stdout, colour, priorities),
      folder_(folder) {
    client().logs().addSink(terminal_);
    client().logs().addSink(*this);
    client().logs().addSink(backlog_);
}

Bot::~Bot() {
    host_.DropSocket();
    client().StopScripts();  // while its lines still reach the terminal and the log
    server_.reset();
    control_.reset();
    client().logs().removeSink(backlog_);
    client().logs().removeSink(*this);
    client().logs().removeSink(terminal_);
}

ControlServer::Listening Bot::OpenControl() {
    if (!ReadControlSettings(client().iniPath()).on) {
        client().logs().removeSink(backlog_);
        return {true, false, ""};
    }
    control_ = std::make_unique<ControlService>(
        client(), backlog_,
        Hello{kProtocolVersion, "VarnoBot", std::string(PackageVersion()),
              std::string(client().edition().name), folder_},
        ControlService::Ports{
            .statusLine = [this] { return StatusText(Facts(), status_.reconnecting()); },
            .bansToday = [this] { return Facts().bansToday; },
            .reload = [this] { Reload(); },
        });
    server_ = std::make_unique<ControlServer>(*control_);
    const char* runtime = std::getenv("RUNTIME_DIRECTORY");
    ControlServer::Listening listening =
        server_->Listen(ControlSocketPath(folder_, runtime ? runtime : ""));
    if (!listening.ok) {
        server_.reset();
        control_.reset();
    }
    return listening;
}

void Bot::Start() {
    client().Form_Load();
    if (control_) {
        ReadBacklog();
        client().logs().Line(LogTarget::Main, colour::kLightGrey,
                             "Control socket: " + server_->path());
    }
    started_ = true;
    Notify(true);
}

void Bot::ReadBacklog() {
    const ControlSettings read = ReadControlSettings(client().iniPath());
    if (!read.problem.empty()) {
        client().logs().Line(LogTarget::Main, colour::kRed, read.problem);
    }
    backlog_.setCapacity(read.backlog);
}

void Bot::setChannelLabel(std::string_view text) {
    channel_ = text;
}

void Bot::Notify(bool second) {
    if (started_) {
        notifier_.Send(status_.Update(Facts(), second));
    }
}

BotFacts Bot::Facts() {
    Connection& connection = client().connection();
    if (!connection.letIn()) {
        channel_.clear();  // the label names no channel until the server sends one again
    }
    bans_.Seen(client().bansConfirmed(), clock_.localDate());
    return {
        .link = connection.state(),
        .letIn = connection.letIn(),
        .server = client().settings().Server,
        .channel = channel_,
        .name = client().ownName(),
        .users = client().roster().size(),
        .bansToday = bans_.Today(clock_.localDate()),
    };
}

void Bot::ForgetShownLines() {
    for (ChatLog* log : {&client().logs().main(), &client().logs().whisper()}) {
        if (log->length() > 0) {
            log->clear();
        }
    }
}

void Bot::Reload() {
    std::vector<std::string> names = {std::string(kSettingsFile)};
    names.insert(names.end(), kListFiles.begin(), kListFiles.end());
    notifier_.Send(status_.Reloading());
    client().ReloadFiles(names);
    client().ReloadScripts(true);
    if (control_) {
        ReadBacklog();
    }
    notifier_.Send(status_.Reloaded());
}

void Bot::Stop(std::string_view why) {
    notifier_.Send(status_.Stopping());
    client().logs().Line(LogTarget::Main, colour::kLightGrey, "Stopping: " + std::string(why));
    client().mnuDisconnect_Click();
}

}  // namespace varno
