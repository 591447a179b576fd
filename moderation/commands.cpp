#include "moderation/commands.h"

#include <algorithm>
#include <string>

#include "base/text_case.h"

namespace varno {
namespace {

// A command word with its trailing space, recognised at the start of a message.
// The check compares the first 1 + word length characters of the lower-cased message with
// trigger + word, so only a one-character trigger can match. On a match, argument is the
// rest of the message as received.
bool MatchesPrefix(std::string_view lowered, std::string_view message, std::string_view trigger,
                   std::string_view word, std::string_view& argument) {
    const std::size_t length = 1 + word.size();
    const std::string expected = std::string(trigger) + std::string(word);
    if (lowered.substr(0, length) != expected) {
        return false;
    }
    argument = message.substr(std::min(length, message.size()));
    return true;
}

}  // namespace

Commands::Commands(const Edition& edition, const Database& database, CommandPort& port)
    : edition_(edition), database_(database), port_(port) {}

void Commands::HandleCommand(std::string_view speaker, std::string_view message,
                             std::string_view trigger) {
    if (!database_.IsInDatabase(speaker)) {
        return;
    }
    const std::string lowered = ToLowerAscii(message);
    const std::string triggerText(trigger);
    std::string_view argument;
    if (MatchesPrefix(lowered, message, trigger, "say ", argument)) {
        port_.SendLine(argument);
    }
    if (MatchesPrefix(lowered, message, trigger, "ban ", argument)) {
        port_.SendModeration("/ban " + std::string(argument));
    }
    if (edition_.unbanCommand && MatchesPrefix(lowered, message, trigger, "unban ", argument)) {
        port_.SendModeration("/unban " + std::string(argument));
    }
    if (MatchesPrefix(lowered, message, trigger, "kick ", argument)) {
        port_.SendModeration("/kick " + std::string(argument));
    }
    if (lowered == triggerText + "version") {
        port_.SendLine(edition_.versionReply);
    }
    if (lowered == triggerText + "reconnect") {
        port_.Reconnect();
    }
    struct ListCommand {
        std::string_view word;
        ListKind list;
        bool add;
    };
    static constexpr ListCommand kListCommands[] = {{"shitlist add ", ListKind::Ban, true},
                                                    {"shitlist del ", ListKind::Ban, false},
                                                    {"badword add ", ListKind::Words, true},
                                                    {"badword del ", ListKind::Words, false}};
    for (const ListCommand& command : kListCommands) {
        if (MatchesPrefix(lowered, message, trigger, command.word, argument)) {
            port_.EditList(speaker, command.list, command.add, TrimBlanks(argument));
        }
    }
    if (lowered == triggerText + "shitlist count") {
        port_.CountBanList();
    }
}

}  // namespace varno
