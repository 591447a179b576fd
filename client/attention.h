#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/clock.h"

namespace varno {

// What telling the operator needs of a window program's desktop.
class AttentionPort {
public:
    virtual ~AttentionPort() = default;
    // Whether the operator has the window in front: active, not minimised, not hidden.
    virtual bool windowActive() const = 0;
    // A desktop notification with a plain-text title and body.
    virtual void notify(const std::string& title, const std::string& body) = 0;
    // The window asks for attention until it is activated. unseen: the whispers and mentions
    // that came since the window was last active (0: the window is active again).
    virtual void askAttention(int unseen) = 0;
    // A whisper or a line that names the operator came, whether or not the operator is told
    // of it (the window in front, Notify 0): a window that shows several clients marks it.
    virtual void addressed() = 0;
};

// When the operator is told of a whisper or of a channel line that names them: only while the
// window is not in front, at most one notification per sender in kSenderGapMs, and not at all
// while the Notify key is 0. Every such line asks for attention and counts as unseen until the
// window is activated; the per-sender limit holds back only the notification.
class Attention {
public:
    static constexpr std::int64_t kSenderGapMs = 5000;
    static constexpr std::size_t kBodyCharacters = 200;

    // notifySetting: the Notify key as read; it is followed as it changes.
    Attention(const std::string& notifySetting, Clock& clock);

    // Where the window program is; none for a program without a window.
    void setPort(AttentionPort* port) { port_ = port; }

    void Whisper(std::string_view name, std::string_view text);
    void Mention(std::string_view name, std::string_view channel, std::string_view text);
    // The window came to the front.
    void Activated();

    int unseen() const { return unseen_; }

private:
    void Tell(std::string_view sender, std::string title, std::string_view text);
    bool Enabled() const;

    const std::string& notifySetting_;
    Clock& clock_;
    AttentionPort* port_ = nullptr;
    int unseen_ = 0;
    // The last notification's time per sender (names folded to lower case), kept only while
    // it still holds a notification back.
    std::unordered_map<std::string, std::int64_t> lastShown_;
};

// The text a notification shows: control characters as the logs show them, cut to at most
// `characters` characters (never inside one).
std::string NotificationText(std::string_view bytes, std::size_t characters);

}  // namespace varno
