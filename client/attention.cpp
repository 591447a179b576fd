#include "client/attention.h"

#include "base/text_case.h"
#include "base/whole_number.h"
#include "log/display_text.h"

namespace varno {
namespace {

// Past this many senders, those no longer held back are forgotten.
constexpr std::size_t kSendersKept = 64;

}  // namespace

std::string NotificationText(std::string_view bytes, std::size_t characters) {
    std::string text = VisibleText(bytes);
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character starts at every byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == characters) {
            text.resize(i);
            break;
        }
    }
    return text;
}

Attention::Attention(const std::string& notifySetting, Clock& clock)
    : notifySetting_(notifySetting), clock_(clock) {}

bool Attention::Enabled() const {
    return port_ != nullptr && SwitchedOn(notifySetting_);
}

void Attention::Whisper(std::string_view name, std::string_view text) {
    Tell(name, "Whisper from " + VisibleText(name), text);
}

void Attention::Mention(std::string_view name, std::string_view channel, std::string_view text) {
    Tell(name, VisibleText(name) + " in " + VisibleText(channel), text);
}

void Attention::Tell(std::string_view sender, std::string title, std::string_view text) {
    if (port_ != nullptr) {
        port_->addressed();
    }
    if (!Enabled() || port_->windowActive()) {
        return;
    }
    ++unseen_;
    port_->askAttention(unseen_);
    const std::int64_t now = clock_.steadyMs();
    const std::string key = ToLowerAscii(sender);
    const auto last = lastShown_.find(key);
    if (last != lastShown_.end() && now - last->second < kSenderGapMs) {
        return;
    }
    if (lastShown_.size() >= kSendersKept) {
        std::erase_if(lastShown_, [now](const auto& e) { return now - e.second >= kSenderGapMs; });
    }
    lastShown_[key] = now;
    port_->notify(title, NotificationText(text, kBodyCharacters));
}

void Attention::Activated() {
    if (unseen_ == 0) {
        return;
    }
    unseen_ = 0;
    if (port_ != nullptr) {
        port_->askAttention(0);
    }
}

}  // namespace varno
