#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varno {

// VarnoBot's command line.
struct BotOptions {
    enum class Colour { Auto, Always, Never };

    std::string folder;  // empty: the folder that holds the program
    Colour colour = Colour::Auto;
    bool help = false;
    bool version = false;
    bool init = false;  // write a starting set of files into the folder and exit
};

struct ParsedBotOptions {
    std::optional<BotOptions> options;  // none: the command line is wrong
    std::string error;                  // why, in one line
};

// Reads the arguments after the program name, GNU style: "--folder DIR" or "--folder=DIR",
// "--color=auto|always|never" ("--color" alone is "always"), "--help", "--version", "--init", and
// "--" before arguments that are not options. VarnoBot takes no other arguments.
ParsedBotOptions ParseBotOptions(const std::vector<std::string>& args);

// The text of --help.
std::string BotUsage();

}  // namespace varno
