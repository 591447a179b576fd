#pragma once

#include <string_view>

namespace varno {

// The handlers that the dispatcher calls, one per event of the gateway's event table.
// Arguments are views into the line being dispatched: valid only during the call.
class EventSink {
public:
    virtual ~EventSink() = default;

    virtual void OnUserInChannel(std::string_view name, std::string_view flags,
                                 std::string_view product) = 0;  // 1001
    virtual void OnUserJoin(std::string_view name, std::string_view flags,
                            std::string_view product) = 0;                        // 1002
    virtual void OnUserLeave(std::string_view name, std::string_view flags) = 0;  // 1003
    virtual void OnWhisperReceived(std::string_view name, std::string_view flags,
                                   std::string_view text) = 0;  // 1004
    virtual void OnUserTalk(std::string_view name, std::string_view flags,
                            std::string_view text) = 0;                           // 1005
    virtual void OnChannelJoined(std::string_view channel) = 0;                   // 1007
    virtual void OnUserFlags(std::string_view name, std::string_view flags) = 0;  // 1009
    virtual void OnWhisperSent(std::string_view name, std::string_view flags,
                               std::string_view text) = 0;        // 1010
    virtual void OnChannelFull(std::string_view text) = 0;        // 1013
    virtual void OnChannelNotFound(std::string_view text) = 0;    // 1014
    virtual void OnChannelRestricted(std::string_view text) = 0;  // 1015
    virtual void OnInfo(std::string_view text) = 0;               // 1016, 1018, 3000
    virtual void OnServerError(std::string_view text) = 0;        // 1019
    virtual void OnUserEmote(std::string_view name, std::string_view flags,
                             std::string_view text) = 0;   // 1023
    virtual void OnUniqueName(std::string_view name) = 0;  // 2010

    // A line without an event code that arrived before the connection's first event line
    // (the server's plain-text login dialogue, such as "Login failed.").
    virtual void OnPlainText(std::string_view line) = 0;
};

}  // namespace varno
