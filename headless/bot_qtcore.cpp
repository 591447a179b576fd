#include "headless/bot_qtcore.h"

#include <cstdio>

namespace varno {

Bot::Bot(const Edition& edition, const std::string& folder, bool colour)
    : host_(edition, folder, *this, [this] { ForgetShownLines(); }), terminal_(stdout, colour) {
    client().logs().addSink(terminal_);
}

Bot::~Bot() {
    host_.DropSocket();
    client().logs().removeSink(terminal_);
}

void Bot::Start() {
    client().Form_Load();
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
    client().ReloadFiles(names);
}

void Bot::Stop(std::string_view why) {
    client().logs().Line(LogTarget::Main, colour::kLightGrey, "Stopping: " + std::string(why));
    client().mnuDisconnect_Click();
}

}  // namespace varno
