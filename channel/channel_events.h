#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/edition.h"
#include "channel/channel_port.h"
#include "channel/roster.h"
#include "connection/event_sink.h"
#include "log/log_writer.h"

namespace varno {

// The handlers of the channel, chat, whisper and notice events: each writes its log line
// and keeps the roster up to date. Names and texts are shown exactly as received.
class ChannelEvents : public EventSink {
public:
    ChannelEvents(const Edition& edition, LogWriter& writer, Roster& roster, ChannelPort& port);

    void OnUserInChannel(std::string_view name, std::string_view flags,
                         std::string_view product) override;
    void OnUserJoin(std::string_view name, std::string_view flags,
                    std::string_view product) override;
    void OnUserLeave(std::string_view name, std::string_view flags) override;
    void OnWhisperReceived(std::string_view name, std::string_view flags,
                           std::string_view text) override;
    void OnUserTalk(std::string_view name, std::string_view flags, std::string_view text) override;
    void OnChannelJoined(std::string_view channel) override;
    void OnUserFlags(std::string_view name, std::string_view flags) override;
    void OnWhisperSent(std::string_view name, std::string_view flags,
                       std::string_view text) override;
    void OnChannelFull(std::string_view text) override;
    void OnChannelNotFound(std::string_view text) override;
    void OnChannelRestricted(std::string_view text) override;
    void OnInfo(std::string_view text) override;
    void OnServerError(std::string_view text) override;
    void OnUserEmote(std::string_view name, std::string_view flags, std::string_view text) override;
    void OnUniqueName(std::string_view name) override;
    void OnPlainText(std::string_view line) override;

private:
    // A whisper line: the direction label and name in green, then the text (edition 2.01),
    // or all of it in red on the main log (edition 2.00).
    void WriteWhisperLine(std::string_view direction, std::string_view name, std::string_view text);

    const Edition& edition_;
    LogWriter& writer_;
    Roster& roster_;
    ChannelPort& port_;
    // Users a flags change put in the list before the server named them (it sends a user's
    // flags just before the user's own line on entering a channel), most recent last.
    std::vector<std::string> listedByFlags_;
};

}  // namespace varno
