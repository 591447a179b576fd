#include "demo/chat_commands.h"

#include <algorithm>
#include <string>

#include "base/text_case.h"
#include "demo/wire.h"

namespace varno::demo {
namespace {

constexpr char kNotOperator[] = "You are not a channel operator.";
constexpr char kNotOperatorBan[] =
    "You have to be at least a Channel Operator to use this command.";
constexpr char kNotOperatorKick[] =
    "You have to be at least a Channel Operator or tempOP to use this command.";
constexpr char kNotLoggedOn[] = "That user is not logged on.";

// Splits "first rest of text" at its first blank; the rest keeps its own blanks.
std::pair<std::string_view, std::string_view> FirstWord(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        return {text, {}};
    }
    return {text.substr(0, blank), text.substr(blank + 1)};
}

std::string Reason(std::string_view reason) {
    return reason.empty() ? "" : " (" + std::string(reason) + ")";
}

std::string ProductWord(std::string_view product) {
    if (product == "[CHAT]") {
        return "Chat";
    }
    return std::string(product.substr(1, product.size() >= 2 ? product.size() - 2 : 0));
}

}  // namespace

void ChatCommands::Run(Session& s, std::string_view line) {
    if (line.empty() || line.front() != '/') {
        Talk(s, line);
        return;
    }
    const auto [word, rest] = FirstWord(line.substr(1));
    const std::string command = ToLowerAscii(word);
    if (command == "me" || command == "emote") {
        Emote(s, rest);
    } else if (command == "w" || command == "m" || command == "msg" || command == "whisper") {
        Whisper(s, rest);
    } else if (command == "join" || command == "j" || command == "channel") {
        Join(s, rest);
    } else if (command == "whois" || command == "whereis" || command == "where") {
        Whois(s, FirstWord(rest).first);
    } else if (command == "ban") {
        Ban(s, rest);
    } else if (command == "unban") {
        Unban(s, FirstWord(rest).first);
    } else if (command == "kick") {
        Kick(s, rest);
    } else if (command == "squelch" || command == "ignore") {
        Squelch(s, FirstWord(rest).first, true);
    } else if (command == "unsquelch" || command == "unignore") {
        Squelch(s, FirstWord(rest).first, false);
    } else if (command == "designate") {
        Designate(s, FirstWord(rest).first);
    } else if (command == "help" || command == "?") {
        Help(s);
    } else {
        registry_.send(s, wire::Error("Unknown command."));
    }
}

Channel* ChatCommands::SpeakingChannel(Session& s) {
    if (s.channel == Registry::kVoid) {
        registry_.send(s, wire::Error("This channel does not have chat privileges."));
        return nullptr;
    }
    Channel* c = s.channel.empty() ? nullptr : registry_.channel(s.channel);
    if (!c) {
        registry_.send(s, wire::Error("You are not in a channel."));
    }
    return c;
}

Channel* ChatCommands::OperatedChannel(Session& s, std::string_view error) {
    if (s.channel.empty()) {
        registry_.send(s, wire::Error("This command can only be used inside a channel."));
        return nullptr;
    }
    Channel* c = registry_.channel(s.channel);
    if (!c || !registry_.isOperator(s)) {
        registry_.send(s, wire::Error(error));
        return nullptr;
    }
    return c;
}

std::string_view ChatCommands::Untouchable(const Session& s, const Channel& c,
                                           std::string_view name, const Session* target) const {
    if (registry_.isAdmin(name)) {
        return "administrators";
    }
    if (target == &s || (target && target->channel == c.name && target->flags == "0002")) {
        return "operators";
    }
    return {};
}

void ChatCommands::Talk(Session& s, std::string_view text) {
    if (Channel* c = SpeakingChannel(s)) {
        registry_.sendChannel(*c, wire::Talk(s.name, s.flags, text), &s, &s);
    }
}

void ChatCommands::Emote(Session& s, std::string_view text) {
    if (text.empty()) {
        registry_.send(s, wire::Usage("/me <message> (alias: /emote)",
                                      "Displays your name and <message> in a different color.",
                                      "/emote wants to play a game."));
        return;
    }
    if (Channel* c = SpeakingChannel(s)) {
        registry_.sendChannel(*c, wire::Emote(s.name, s.flags, text), nullptr, &s);
    }
}

void ChatCommands::Whisper(Session& s, std::string_view rest) {
    const auto [name, text] = FirstWord(rest);
    if (name.empty() || text.empty()) {
        registry_.send(s, wire::Usage("/whisper <player> <message> (aliases: /w /m /msg)",
                                      "Sends a private <message> to <player>",
                                      "/whisper nomad How are you doing?"));
        return;
    }
    Session* target = registry_.findByName(name);
    if (!target) {
        registry_.send(s, wire::Error(kNotLoggedOn));
        return;
    }
    registry_.send(*target, wire::WhisperFrom(s.name, s.flags, text));
    registry_.send(s, wire::WhisperTo(target->name, target->flags, text));
}

void ChatCommands::Join(Session& s, std::string_view name) {
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    if (FirstWord(name).first.empty()) {
        registry_.send(s, wire::Usage("/channel <channel> (alias: /join /j)",
                                      "Moves you to <channel>", "/channel Moderated Support"));
        return;
    }
    if (name.size() > kLongestChannelName) {
        registry_.send(s, wire::Error("Max channel name length exceeded (max 31 symbols)"));
        return;
    }
    if (!registry_.enter(s, name)) {
        registry_.send(s, wire::Error("You are banned from that channel."));
    }
}

void ChatCommands::Whois(Session& s, std::string_view name) {
    if (name.empty()) {
        registry_.send(s,
                       wire::Usage("/whois <player> (aliases: /where /whereis)",
                                   "Displays where a <player> is on the server.", "/whois nomad"));
        return;
    }
    if (const Session* target = registry_.findByName(name)) {
        const std::string where = target->channel.empty()
                                      ? "is currently not in a channel."
                                      : "is currently in channel \"" + target->channel + "\".";
        registry_.send(s, wire::Info(target->name + " is using " + ProductWord(target->product) +
                                     " and " + where));
    } else if (registry_.isKnownAccount(name)) {
        registry_.send(s, wire::Info("User is offline"));
    } else {
        registry_.send(s, wire::Error("Unknown user."));
    }
}

void ChatCommands::Ban(Session& s, std::string_view rest) {
    Channel* c = OperatedChannel(s, kNotOperatorBan);
    if (!c) {
        return;
    }
    const auto [name, reason] = FirstWord(rest);
    if (name.empty()) {
        registry_.send(s, wire::Usage("/ban <player> [message]", "Bans <player> from the channel.",
                                      "/ban nomad spamming"));
        return;
    }
    Session* target = registry_.findByName(name);
    if (const std::string_view kind = Untouchable(s, *c, name, target); !kind.empty()) {
        registry_.send(s, wire::Error("You cannot ban " + std::string(kind) + "."));
        return;
    }
    // Bans go by account, so one that is offline can be banned; a name never seen can't.
    if (!registry_.isKnownAccount(name)) {
        registry_.send(s, wire::Info("That account doesn't currently exist."));
        return;
    }
    const std::string shown = target ? target->name : std::string(name);
    const std::string lowered = ToLowerAscii(name);
    if (std::find(c->banned.begin(), c->banned.end(), lowered) == c->banned.end()) {
        if (c->banned.size() >= kMostBans) {
            registry_.send(s, wire::Error("Unable to ban " + shown + "."));
            return;
        }
        c->banned.push_back(lowered);
    }
    registry_.sendChannel(
        *c, wire::Info(shown + " has been banned by " + s.name + Reason(reason) + "."), nullptr);
    if (target && target->channel == c->name) {
        registry_.enterVoid(*target);
    }
}

void ChatCommands::Unban(Session& s, std::string_view name) {
    Channel* c = OperatedChannel(s, kNotOperator);
    if (!c) {
        return;
    }
    const auto it = std::find(c->banned.begin(), c->banned.end(), ToLowerAscii(name));
    if (name.empty() || it == c->banned.end()) {
        registry_.send(s, wire::Error("That user is not banned."));
        return;
    }
    c->banned.erase(it);
    registry_.send(s, wire::Info(std::string(name) + " is no longer banned from this channel."));
}

void ChatCommands::Kick(Session& s, std::string_view rest) {
    Channel* c = OperatedChannel(s, kNotOperatorKick);
    if (!c) {
        return;
    }
    const auto [name, reason] = FirstWord(rest);
    Session* target = name.empty() ? nullptr : registry_.findByName(name);
    if (const std::string_view kind = Untouchable(s, *c, name, target); !kind.empty()) {
        registry_.send(s, wire::Error("You cannot kick " + std::string(kind) + "."));
        return;
    }
    if (!target) {
        registry_.send(s, wire::Error("That user is not logged in."));
        return;
    }
    if (target->channel != c->name) {
        registry_.send(s, wire::Error("That user is not in this channel."));
        return;
    }
    registry_.sendChannel(
        *c, wire::Info(target->name + " has been kicked by " + s.name + Reason(reason) + "."),
        nullptr);
    registry_.leave(*target);
}

void ChatCommands::Squelch(Session& s, std::string_view name, bool on) {
    Session* target = name.empty() ? nullptr : registry_.findByName(name);
    if (!target) {
        registry_.send(s, wire::Error(kNotLoggedOn));
        return;
    }
    const std::string lowered = ToLowerAscii(target->name);
    auto& list = s.squelched;
    list.erase(std::remove(list.begin(), list.end(), lowered), list.end());
    if (on) {
        list.push_back(lowered);
        registry_.send(s, wire::Flags(target->name, "0020") +
                              wire::Info(target->name + " has been squelched."));
    } else {
        registry_.send(
            s, wire::Info("No longer ignoring.") + wire::Flags(target->name, target->flags));
    }
}

void ChatCommands::Designate(Session& s, std::string_view name) {
    Channel* c = OperatedChannel(s, kNotOperator);
    if (!c) {
        return;
    }
    Session* target = name.empty() ? nullptr : registry_.findByName(name);
    if (!target || target->channel != c->name) {
        registry_.send(s, wire::Error("That user is not in this channel."));
        return;
    }
    c->heir = ToLowerAscii(target->name);
    registry_.send(s, wire::Info(target->name + " is your new designated heir."));
}

void ChatCommands::Help(Session& s) {
    registry_.send(s, wire::Info("Chat commands:") +
                          wire::Info("/whisper /me /join /whois /ban /unban /kick") +
                          wire::Info("/squelch /unsquelch /designate /help"));
}

}  // namespace varno::demo
