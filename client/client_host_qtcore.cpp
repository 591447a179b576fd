#include "client/client_host_qtcore.h"

namespace varno {

ClientHost::ClientHost(const Edition& edition, const std::string& folder, WindowPort& window,
                       std::function<void()> afterSecond)
    : r_([this] { client_->r_timer(); }),
      retry_([this] { client_->retry_timer(); }),
      send_([this] { client_->send_timer(); }, Qt::PreciseTimer),
      timer1_([this, afterSecond = std::move(afterSecond)] {
          client_->Timer1_Timer();
          // The Scripts setting may name another folder since a reload.
          scripts_->setFolder(client_->scriptsFolder());
          if (afterSecond) {
              afterSecond();
          }
      }),
      timer2_([this] { client_->Timer2_Timer(); }),
      client_(std::make_unique<Client>(edition, folder,
                                       Client::Ports{sck_, r_, retry_, send_, clock_, window})) {
    sck_.setEvents({
        .connected = [this] { client_->sck_connect(); },
        .closed = [this] { client_->sck_Close(); },
        .error = [this] { client_->sck_Error(); },
        .data = [this](std::string_view block) { client_->sck_dataarrival(block); },
    });
    lists_ = std::make_unique<FileWatch>(
        folder, kListFiles,
        [this](const std::vector<std::string>& names) { client_->ReloadFiles(names); });
    scripts_ = std::make_unique<ScriptWatch>([this] { client_->ReloadScripts(false); });
    for (QtTimer* t : {&timer1_, &timer2_}) {
        t->setInterval(1000);
        t->setEnabled(true);
    }
}

ClientHost::~ClientHost() {
    Stop();
}

void ClientHost::Stop() {
    for (QtTimer* t : {&r_, &retry_, &send_, &timer1_, &timer2_}) {
        t->setEnabled(false);
    }
    lists_.reset();
    scripts_.reset();
    DropSocket();
}

void ClientHost::DropSocket() {
    sck_.setEvents({});
    sck_.close();
}

}  // namespace varno
