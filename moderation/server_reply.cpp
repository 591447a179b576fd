#include "moderation/server_reply.h"

#include "base/text_case.h"
#include "connection/send_queue.h"

namespace varno {
namespace {

using Action = ModerationAction;
using Kind = ServerReply::Kind;

// The gateway's refusals, word for word. Most name no user: they belong to the oldest line
// of their action still waiting for its answer.
struct Refusal {
    bool error;
    std::string_view text;
    std::optional<Action> action;  // none: a line of any action
    bool rights;
};

constexpr Refusal kRefusals[] = {
    {true, "You have to be at least a Channel Operator to use this command.", Action::Ban, true},
    {false, "That account doesn't currently exist.", Action::Ban, false},
    {true, "You cannot ban administrators.", Action::Ban, false},
    {true, "You cannot ban operators.", Action::Ban, false},
    {true, "This command can only be used inside a channel.", std::nullopt, true},
    {true, "You have to be at least a Channel Operator or tempOP to use this command.",
     Action::Kick, true},
    {true, "That user is not logged in.", Action::Kick, false},
    {true, "That user is not in this channel.", Action::Kick, false},
    {true, "You cannot kick administrators.", Action::Kick, false},
    {true, "You cannot kick operators.", Action::Kick, false},
    {true, "You are not a channel operator.", Action::Unban, true},
};
constexpr std::string_view kNotBanned = "That user is not banned.";
constexpr std::string_view kUnableToBan = "Unable to ban ";
constexpr std::string_view kNoLongerBanned = " is no longer banned from this channel.";

// The first word of text: a name as the gateway writes it, never holding a blank.
std::string_view FirstWord(std::string_view text) {
    return text.substr(0, text.find(' '));
}

// "NAME has been <done> by OWN", then the end, "." or " (reason).", matched from the start of
// the text, so that a reason holding such words confirms nothing.
std::optional<std::string_view> DoneBy(std::string_view text, std::string_view done,
                                       std::string_view own) {
    const std::string_view name = FirstWord(text);
    std::string_view rest = text.substr(name.size());
    const std::string_view has = " has been ";
    if (name.empty() || !rest.starts_with(has)) {
        return std::nullopt;
    }
    rest.remove_prefix(has.size());
    if (!rest.starts_with(done) || !rest.substr(done.size()).starts_with(" by ")) {
        return std::nullopt;
    }
    rest.remove_prefix(done.size() + 4);
    if (own.empty() || rest.size() < own.size() ||
        !EqualsIgnoreCase(rest.substr(0, own.size()), own)) {
        return std::nullopt;
    }
    rest.remove_prefix(own.size());
    if (!rest.empty() && rest != "." && !rest.starts_with(" (")) {
        return std::nullopt;
    }
    return name;
}

}  // namespace

ServerReply ReadServerReply(bool error, std::string_view text, std::string_view own) {
    if (!error) {
        if (const auto banned = DoneBy(text, "banned", own)) {
            return {.kind = Kind::Confirmed, .action = Action::Ban, .name = *banned};
        }
        if (const auto kicked = DoneBy(text, "kicked", own)) {
            return {.kind = Kind::Confirmed, .action = Action::Kick, .name = *kicked};
        }
        const std::string_view name = FirstWord(text);
        if (!name.empty() && text.substr(name.size()) == kNoLongerBanned) {
            return {.kind = Kind::Confirmed, .action = Action::Unban, .name = name};
        }
    }
    if (error && text == kNotBanned) {
        return {.kind = Kind::NotBanned, .action = Action::Unban};
    }
    if (error && text.starts_with(kUnableToBan) && text.ends_with('.') &&
        text.size() > kUnableToBan.size() + 1) {
        return {.kind = Kind::Refused,
                .action = Action::Ban,
                .name = text.substr(kUnableToBan.size(), text.size() - kUnableToBan.size() - 1)};
    }
    for (const Refusal& refusal : kRefusals) {
        if (refusal.error == error && refusal.text == text) {
            return {.kind = Kind::Refused, .action = refusal.action, .rights = refusal.rights};
        }
    }
    if (error) {
        return {.kind = SendQueue::IsDropNotice(text) ? Kind::DropNotice : Kind::Unknown};
    }
    return {};
}

}  // namespace varno
