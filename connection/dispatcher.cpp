#include "connection/dispatcher.h"

#include "base/split_string.h"

namespace varno {

namespace {

// The decimal number at the start of text, 0 if text doesn't begin with a digit. Numbers
// past any event code are held at a bound instead of overflowing.
unsigned LeadingNumber(std::string_view text) {
    constexpr unsigned kBound = 100000;
    unsigned number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + static_cast<unsigned>(c - '0');
        if (number > kBound) {
            return kBound;
        }
    }
    return number;
}

bool HasVisibleText(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") != std::string_view::npos;
}

// Runs one step of a line's processing; a step that fails is abandoned.
template <typename Step>
void Guarded(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

}  // namespace

Dispatcher::Dispatcher(const Edition& edition, EventSink& sink) : edition_(edition), sink_(sink) {}

void Dispatcher::ParseData(std::string_view block) {
    joinNames_.clear();
    presentNames_.clear();
    Guarded([&] { framer_.feed(block, [this](std::string_view line) { ParseEvent(line); }); });
}

void Dispatcher::ParseEvent(std::string_view line) {
    if (!line.empty() && line.front() == '\n') {
        line.remove_prefix(1);
    }
    const unsigned lineCode = LeadingNumber(line.substr(0, 4));
    if (lineCode < kFirstCode || lineCode > kLastCode) {
        if (plainText_ && HasVisibleText(line)) {
            Guarded([&] { sink_.OnPlainText(line); });
        }
        IgnoreEvent(line);
        return;
    }
    plainText_ = false;

    // The head ends one character before the first double quote (at the blank that should
    // stand there); the text runs from after the quote to before the line's last character.
    std::string_view head = line;
    std::string_view text;
    if (const std::size_t quote = line.find('"'); quote != std::string_view::npos) {
        head = line.substr(0, quote > 0 ? quote - 1 : 0);
        if (quote + 2 <= line.size()) {
            text = line.substr(quote + 1, line.size() - quote - 2);
        }
    }
    bool split = false;
    Guarded([&] {
        SplitString(head, " ", fields_);
        split = true;
    });
    if (!split || fields_.empty()) {
        return;
    }
    const unsigned code = LeadingNumber(fields_[0]);
    if ((code == 1001 || code == 1002) && fields_.size() >= 3) {
        Guarded([&] { (code == 1001 ? presentNames_ : joinNames_).emplace_back(fields_[2]); });
    }
    Guarded([&] { Dispatch(code, text); });
}

void Dispatcher::IgnoreEvent(std::string_view) {}

void Dispatcher::reset() {
    framer_.reset();
    plainText_ = true;
}

void Dispatcher::Dispatch(unsigned code, std::string_view text) {
    const std::size_t count = fields_.size();
    const auto field = [this](std::size_t number) { return fields_[number - 1]; };
    switch (code) {
        case 1001:
            if (count >= 5) {
                sink_.OnUserInChannel(field(3), field(4), field(5));
            }
            break;
        case 1002:
            if (count >= 5) {
                sink_.OnUserJoin(field(3), field(4), field(5));
            }
            break;
        case 1003:
            if (count >= 4) {
                sink_.OnUserLeave(field(3), field(4));
            }
            break;
        case 1004:
            if (count >= 4) {
                sink_.OnWhisperReceived(field(3), field(4), text);
            }
            break;
        case 1005:
            if (count >= 4) {
                sink_.OnUserTalk(field(3), field(4), text);
            }
            break;
        case 1007:
            sink_.OnChannelJoined(text);
            break;
        case 1009:
            if (edition_.flagsEvent && count >= 4) {
                sink_.OnUserFlags(field(3), field(4));
            }
            break;
        case 1010:
            if (count >= 4) {
                sink_.OnWhisperSent(field(3), field(4), text);
            }
            break;
        case 1013:
            sink_.OnChannelFull(text);
            break;
        case 1014:
            sink_.OnChannelNotFound(text);
            break;
        case 1015:
            sink_.OnChannelRestricted(text);
            break;
        case 1016:
        case 1018:
        case 3000:
            sink_.OnInfo(text);
            break;
        case 1019:
            sink_.OnServerError(text);
            break;
        case 1023:
            if (count >= 4) {
                sink_.OnUserEmote(field(3), field(4), text);
            }
            break;
        case 2010:
            if (count >= 3) {
                sink_.OnUniqueName(field(3));
            }
            break;
        default:
            break;
    }
}

}  // namespace varno
