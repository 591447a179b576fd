#include "headless/service_status.h"

#include <charconv>

namespace varno {

std::string StatusText(const BotFacts& facts, bool reconnecting) {
    using State = Connection::State;
    if (facts.link == State::Connected && facts.letIn) {
        std::string text = facts.channel.empty() ? "Logged in as " + std::string(facts.name)
                                                 : "In " + std::string(facts.channel) + " as " +
                                                       std::string(facts.name);
        const auto count = [](std::size_t n, std::string_view what) {
            return std::to_string(n) + " " + std::string(what) + (n == 1 ? "" : "s");
        };
        return text + "; " + count(facts.users, "user") + "; " + count(facts.bansToday, "ban") +
               " today";
    }
    if (facts.link == State::Connected) {
        return "Logging in";
    }
    if (reconnecting) {
        return "Server down, reconnecting";
    }
    return "Connecting to " + std::string(facts.server);
}

std::string ServiceStatus::Update(const BotFacts& facts, bool second) {
    if (stopping_) {
        return {};
    }
    // Update is called from the start on, when the first attempt is under way; once the link
    // is seen in any other state, every later attempt is a reconnect.
    reconnecting_ = reconnecting_ || facts.link != Connection::State::Connecting;
    const bool in = facts.link == Connection::State::Connected && facts.letIn;
    std::string message;
    if (!ready_ && in) {
        ready_ = true;
        message = "READY=1\n";
    }
    const std::string text = StatusText(facts, reconnecting_);
    if (text != status_ && (second || !in || !statusIn_)) {
        status_ = text;
        statusIn_ = in;
        message += "STATUS=" + text + "\n";
    }
    if (!message.empty()) {
        message.pop_back();
    }
    return message;
}

std::string ServiceStatus::Reloading() const {
    return ready_ && !stopping_ ? "RELOADING=1" : "";
}

std::string ServiceStatus::Reloaded() const {
    return ready_ && !stopping_ ? "READY=1" : "";
}

std::string ServiceStatus::Stopping() {
    if (stopping_) {
        return {};
    }
    stopping_ = true;
    return "STOPPING=1\nSTATUS=Stopping";
}

void BanTally::Seen(std::size_t confirmed, const Date& today) {
    if (!(today == day_)) {
        day_ = today;
        count_ = 0;
    }
    count_ += confirmed - confirmed_;
    confirmed_ = confirmed;
}

bool NamesStream(std::string_view journalStream, std::uint64_t device, std::uint64_t inode) {
    const std::size_t colon = journalStream.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const auto number = [](std::string_view text, std::uint64_t& value) {
        const char* end = text.data() + text.size();
        const auto [at, error] = std::from_chars(text.data(), end, value);
        return !text.empty() && error == std::errc() && at == end;
    };
    std::uint64_t d = 0;
    std::uint64_t i = 0;
    return number(journalStream.substr(0, colon), d) &&
           number(journalStream.substr(colon + 1), i) && d == device && i == inode;
}

}  // namespace varno
