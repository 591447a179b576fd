#pragma once

#include <string>

namespace varno {

// The exit status of a bot whose settings cannot run it (EX_CONFIG): service managers are
// told not to restart it, since starting again would fail the same way.
inline constexpr int kSettingsExitStatus = 78;

// Why the settings in folder cannot run the bot, as the rest of one line after "VarnoBot: ",
// naming the file and what it lacks; empty text when they can. The bot needs a readable
// Varno.ini with a Server and a Username.
std::string SettingsProblem(const std::string& folder);

// The starting set that VarnoBot --init writes into a folder.
struct StartingSet {
    bool written = false;
    std::string message;  // what was written and what to edit next, or why nothing was
};

// Writes Varno.ini with every key the bot reads, each with its default and a comment, the
// required ones empty, and empty shitlist.txt, database.txt and badwords.txt, all four
// readable by their owner only. The folder is made (0700) when missing. When any of the four
// files exists already, nothing at all is written.
StartingSet WriteStartingSet(const std::string& folder);

// The text of the Varno.ini that WriteStartingSet writes.
std::string StartingSettingsText();

}  // namespace varno
