// What the control socket asks of the client beyond the window's entry points.
#include <algorithm>
#include <iterator>

#include "base/text_case.h"
#include "client/client.h"

namespace varno {
namespace {

// A word of one or more bytes, none of them a blank or a control byte: a name in a line the
// server reads by its blanks, naming no one but the user it spells.
bool IsName(std::string_view name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7F;
    });
}

}  // namespace

std::vector<ScriptUser> Client::presentUsers() const {
    std::vector<ScriptUser> users;
    users.reserve(roster_.size());
    for (std::size_t i = 0; i < roster_.size(); ++i) {
        const std::string& name = roster_.at(i).text;
        const auto known = scriptUsers_.find(ToLowerAscii(name));
        users.push_back(known != scriptUsers_.end() ? known->second : ScriptUser{name, "", ""});
    }
    return users;
}

std::string Client::ControlModeration(std::string_view action, std::string_view name,
                                      std::string_view reason) {
    // Checked before the trusted users, as a script's are: "trusty" with a line end after it
    // is not trusty to the rule, but may be to the server.
    if (!IsName(name)) {
        return "not a name";
    }
    if (reason.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return "the reason holds a line end or a NUL byte";
    }
    if (EqualsIgnoreCase(name, ownName())) {
        return "the program itself";
    }
    if (action != "unban" && SparesFromBans(name)) {
        return "a trusted user";
    }
    if (connection_.state() != Connection::State::Connected) {
        return "not connected";
    }
    struct Verb {
        std::string_view action, done;
        bool reasoned;
    };
    static constexpr Verb kVerbs[] = {
        {"ban", "Banned", true}, {"kick", "Kicked", true}, {"unban", "Unbanned", false}};
    const auto verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                   [&](const Verb& v) { return v.action == action; });
    if (verb == std::end(kVerbs)) {
        return "not an action";
    }
    const std::string why = verb->reasoned && !reason.empty() ? std::string(reason) : "";
    std::string line = std::string(1, '/').append(action).append(1, ' ').append(name);
    if (!why.empty()) {
        line.append(1, ' ').append(why);
    }
    protection_.ScriptModeration(kControlOrigin, line,
                                 std::string(verb->done) + " " + std::string(name) +
                                     (why.empty() ? "" : ": " + why) + " (varnoctl)");
    return "";
}

bool Client::EditListFor(std::string_view asker, ListKind list, bool add, std::string_view pattern,
                         std::string& answer) {
    return protection_.ChangeList(asker, list, add, pattern,
                                  [&answer](std::string_view text) { answer = text; });
}

void Client::DeedEnded(std::string_view origin, DeedBook::Action action, std::string_view name,
                       bool done, std::string_view text) {
    if (origin != kControlOrigin) {
        scripts_.DeedEnded(origin, DeedBook::Verb(action), name, done, text);
    }
    if (watch_.deedEnded) {
        watch_.deedEnded(origin, action, name, done, text);
    }
}

}  // namespace varno
