#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varno {

// varnoctl's exit statuses, from sysexits besides 0, 1 and 2.
inline constexpr int kCtlOk = 0;
inline constexpr int kCtlFailed = 1;       // refused, given up, not changed
inline constexpr int kCtlWaitEnded = 2;    // a deed's outcome did not come within --wait
inline constexpr int kCtlUsage = 64;       // EX_USAGE: a bad command or argument
inline constexpr int kCtlNoBot = 69;       // EX_UNAVAILABLE: no bot on that folder
inline constexpr int kCtlSoftware = 70;    // EX_SOFTWARE: the bot spoke what varnoctl can't read
inline constexpr int kCtlIoError = 74;     // EX_IOERR: the connection broke
inline constexpr int kCtlBusy = 75;        // EX_TEMPFAIL: the bot has all the clients it takes
inline constexpr int kCtlPermission = 77;  // EX_NOPERM

// varnoctl's command line.
struct CtlOptions {
    enum class Colour { Auto, Always, Never };

    std::string folder;  // --folder: the bot on this folder
    std::string name;    // NAME or --name: the service varnobot@NAME (both empty: varnobot)
    bool json = false;
    bool stdio = false;
    int waitSeconds = 30;
    Colour colour = Colour::Auto;
    bool help = false;
    bool version = false;
    std::string command;            // "status", "ban" ...
    std::vector<std::string> args;  // its words, as given
    unsigned long long lines = 10;  // log -n
    bool follow = false;            // log -f
};

struct ParsedCtlOptions {
    std::optional<CtlOptions> options;
    std::string error;  // why not, in one line
};

// Reads the arguments after the program name: global options, then NAME when the first word
// is no command, then the command and its words (see varnoctl(1)).
ParsedCtlOptions ParseCtlOptions(const std::vector<std::string>& args);

// The text of --help.
std::string CtlUsage();

}  // namespace varno
