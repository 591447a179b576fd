#pragma once

#include <optional>
#include <string_view>

namespace varno {

enum class ModerationAction { Ban, Kick, Unban };

// What an info (1016, 1018, 3000) or error (1019) line of the server says about the bans,
// kicks and unbans a client sends, in the gateway's own words. The gateway answers a
// connection's command lines in order, one reply each; which line a reply belongs to is for
// the caller to pair (see DeedBook). A ban's confirmation goes to the whole channel, so one
// counts only when it names this client as the one who banned; an unban's goes only to the
// sender.
struct ServerReply {
    enum class Kind {
        Confirmed,   // "NAME has been banned by OWN.", "NAME is no longer banned from ..."
        NotBanned,   // "That user is not banned.": an unban with nothing to lift, done all the same
        Refused,     // one of the gateway's refusals
        Unknown,     // an error line of no known meaning: a refusal where a deed's answer is due
        Other,       // an info line of no moderation meaning: news, a whois, another's ban
        DropNotice,  // the gateway dropped a line for coming too fast: no line's answer
    };
    Kind kind = Kind::Other;
    // The action whose line can draw it; none: a line of any action (or of none).
    std::optional<ModerationAction> action = std::nullopt;
    std::string_view name = {};  // the user it names, when it names one (a view into the text)
    bool rights = false;         // the client is no operator: every deed meets the same refusal
};

// own: the name the server knows this client by (ASCII case is ignored).
ServerReply ReadServerReply(bool error, std::string_view text, std::string_view own);

}  // namespace varno
