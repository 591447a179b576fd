// The operator's scripts in the client: where they are loaded from, and what they may do and
// ask through their ports.
#include "client/client.h"

#include <algorithm>
#include <iterator>

#include "base/text_case.h"

namespace varno {

std::string Client::scriptsFolder() const {
    const std::string& folder = settings_.Scripts;
    return folder.empty() || folder.front() == '/' ? folder : FilePath(folder);
}

void Client::ReloadScripts(bool force) {
    scripts_.Load(scriptsFolder(), force);
}

void Client::StopScripts() {
    scripts_.Stop();
}

ScriptHost::Ports Client::ScriptPorts() {
    const auto connected = [this] { return connection_.state() == Connection::State::Connected; };
    ScriptHost::Ports ports;
    ports.say = [this, connected](std::string_view text) {
        // A script chats; it gives no commands, which go by their own calls.
        if (!connected() || text.empty() || text.front() == '/') {
            return false;
        }
        return Say(text);
    };
    ports.emote = [this, connected](std::string_view text) {
        if (!connected() || text.empty()) {
            return false;
        }
        return connection_.SendChat("/me " + std::string(text)).queued;
    };
    ports.whisper = [this, connected](std::string_view name, std::string_view text) {
        if (!connected() || !IsWireName(name) || text.empty()) {
            return false;
        }
        return connection_.SendChat("/w " + std::string(name) + " " + std::string(text)).queued;
    };
    ports.moderate = [this](std::string_view script, std::string_view action, std::string_view name,
                            std::string_view reason) {
        return ScriptModeration(script, action, name, reason);
    };
    ports.channel = [this] { return roster_.header(); };
    ports.ownName = [this] { return ownName(); };
    ports.users = [this] { return presentUsers(); };
    ports.user = [this](std::string_view name) -> std::optional<ScriptUser> {
        const auto pos = roster_.findCaseInsensitive(name);
        if (!pos) {
            return std::nullopt;
        }
        return PresentUser(roster_.at(*pos).text);
    };
    ports.trusted = [this](std::string_view name) {
        return trusted_.SparesFromBans(name, "", database_, true);
    };
    ports.listed = [this](std::string_view name) { return banList_.MatchesAny(name); };
    ports.now = [this] { return ports_.clock.unixSeconds(); };
    ports.steadyMs = [this] { return ports_.clock.steadyMs(); };
    ports.log = [this](std::string_view script, std::string_view text) {
        writer_.Line(LogTarget::Main, colour::kLightGrey,
                     std::string(script) + ": " + std::string(text));
    };
    ports.error = [this](std::string_view text) {
        writer_.Line(LogTarget::Main, colour::kRed, text);
    };
    return ports;
}

std::string Client::ScriptModeration(std::string_view script, std::string_view action,
                                     std::string_view name, std::string_view reason) {
    return Moderate(script, script, "Script " + std::string(script), action, name, reason);
}

std::string Client::Moderate(std::string_view origin, std::string_view asker, std::string_view who,
                             std::string_view action, std::string_view name,
                             std::string_view reason) {
    // Checked before the trusted users: "trusty" with a NUL or a line end after it is not
    // trusty to the rule, but may be to the server. A reason with a line end makes a line
    // that the send path refuses, and the deed ends at once with why.
    if (!IsWireName(name)) {
        return "not a name";
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
    // The line and the orange line of each action; an unban gives no reason.
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
    return protection_.ScriptModeration(
        origin, who,
        "/" + std::string(action) + " " + std::string(name) + (why.empty() ? "" : " " + why),
        std::string(verb->done) + " " + std::string(name) + (why.empty() ? "" : ": " + why) + " (" +
            std::string(asker) + ")");
}

}  // namespace varno
