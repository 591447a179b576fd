// What the control socket asks of the client beyond the window's entry points.
#include "base/text_case.h"
#include "client/client.h"

namespace varno {

std::vector<ScriptUser> Client::presentUsers() const {
    std::vector<ScriptUser> users;
    users.reserve(roster_.size());
    for (std::size_t i = 0; i < roster_.size(); ++i) {
        users.push_back(PresentUser(roster_.at(i).text));
    }
    return users;
}

ScriptUser Client::PresentUser(const std::string& name) const {
    const auto known = scriptUsers_.find(ToLowerAscii(name));
    return known != scriptUsers_.end() ? known->second : ScriptUser{name, "", ""};
}

std::string Client::ControlModeration(std::string_view action, std::string_view name,
                                      std::string_view reason) {
    return Moderate(kControlOrigin, "varnoctl", "varnoctl", action, name, reason);
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
