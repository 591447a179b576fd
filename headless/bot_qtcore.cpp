#include "headless/bot_qtcore.h"

#include <cstdio>

namespace varno {

Bot::Bot(const Edition& edition, const std::string& folder, bool colour)
    : r_([this] { client_->r_timer(); }),
      retry_([this] { client_->retry_timer(); }),
      send_([this] { client_->send_timer(); }, Qt::PreciseTimer),
      timer1_([this] {
          client_->Timer1_Timer();
          ForgetShownLines();
      }),
      timer2_([this] { client_->Timer2_Timer(); }),
      client_(std::make_unique<Client>(edition, folder,
                                       Client::Ports{sck_, r_, retry_, send_, clock_, *this})),
      terminal_(stdout, colour) {
    sck_.setEvents({
        .connected = [this] { client_->sck_connect(); },
        .closed = [this] { client_->sck_Close(); },
        .error = [this] { client_->sck_Error(); },
        .data = [this](std::string_view block) { client_->sck_dataarrival(block); },
    });
    client_->logs().addSink(terminal_);
    lists_ = std::make_unique<FileWatch>(
        folder, kListFiles,
        [this](const std::vector<std::string>& names) { client_->ReloadFiles(names); });
}

Bot::~Bot() {
    lists_.reset();
    sck_.setEvents({});
    client_->logs().removeSink(terminal_);
}

void Bot::Start() {
    client_->Form_Load();
    for (QtTimer* t : {&timer1_, &timer2_}) {
        t->setInterval(1000);
        t->setEnabled(true);
    }
}

void Bot::ForgetShownLines() {
    for (ChatLog* log : {&client_->logs().main(), &client_->logs().whisper()}) {
        if (log->length() > 0) {
            log->clear();
        }
    }
}

void Bot::Reload() {
    std::vector<std::string> names = {std::string(kSettingsFile)};
    names.insert(names.end(), kListFiles.begin(), kListFiles.end());
    client_->ReloadFiles(names);
}

void Bot::Stop(std::string_view why) {
    client_->logs().Line(LogTarget::Main, colour::kLightGrey, "Stopping: " + std::string(why));
    client_->mnuDisconnect_Click();
}

}  // namespace varno
