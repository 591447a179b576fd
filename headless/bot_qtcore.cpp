#include "headless/bot_qtcore.h"

#include <cstdio>

namespace varno {

Bot::Bot(const Edition& edition, const std::string& folder, bool colour, bool priorities)
    : host_(edition, folder, *this,
            [this] {
                ForgetShownLines();
                Notify(true);
            }),
      terminal_(stdout, colour, priorities) {
    client().logs().addSink(terminal_);
    client().logs().addSink(*this);
}

Bot::~Bot() {
    host_.DropSocket();
    client().StopScripts();  // while its lines still reach the terminal and the log
    client().logs().removeSink(*this);
    client().logs().removeSink(terminal_);
}

void Bot::Start() {
    client().Form_Load();
    started_ = true;
    Notify(true);
}

void Bot::setChannelLabel(std::string_view text) {
    channel_ = text;
}

void Bot::Notify(bool second) {
    if (!started_) {
        return;
    }
    Connection& connection = client().connection();
    if (!connection.letIn()) {
        channel_.clear();  // the label names no channel until the server sends one again
    }
    const Settings& settings = client().settings();
    bans_.Seen(client().bansConfirmed(), clock_.localDate());
    notifier_.Send(status_.Update(
        {
            .link = connection.state(),
            .letIn = connection.letIn(),
            .server = settings.Server,
            .channel = channel_,
            .name = client().ownName(),
            .users = client().roster().size(),
            .bansToday = bans_.Today(clock_.localDate()),
        },
        second));
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
    notifier_.Send(status_.Reloaded());
}

void Bot::Stop(std::string_view why) {
    notifier_.Send(status_.Stopping());
    client().logs().Line(LogTarget::Main, colour::kLightGrey, "Stopping: " + std::string(why));
    client().mnuDisconnect_Click();
}

}  // namespace varno
