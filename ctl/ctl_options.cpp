#include "ctl/ctl_options.h"

#include <algorithm>
#include <string_view>

#include "base/whole_number.h"

namespace varno {
namespace {

// Each command's words: at least min, at most max; free: the words are text, so that
// options after the command are words of it too.
struct CommandWords {
    std::string_view name;
    std::size_t min, max;
    bool free;
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

constexpr CommandWords kCommands[] = {
    {"status", 0, 0, false},  {"users", 0, 0, false},     {"say", 1, kAny, true},
    {"emote", 1, kAny, true}, {"whisper", 2, kAny, true}, {"ban", 1, kAny, true},
    {"kick", 1, kAny, true},  {"unban", 1, 1, false},     {"list", 1, 1, false},
    {"add", 2, kAny, true},   {"del", 2, kAny, true},     {"bans", 0, 0, false},
    {"lift", 1, 1, false},    {"rules", 0, 0, false},     {"set", 1, kAny, false},
    {"scripts", 0, 0, false}, {"reload", 0, 0, false},    {"reconnect", 0, 0, false},
    {"log", 0, 0, false},
};

const CommandWords* Find(std::string_view name) {
    for (const CommandWords& c : kCommands) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

struct Parser {
    const std::vector<std::string>& args;
    CtlOptions o;
    std::size_t i = 0;
    std::string error;

    // The value of an option given as "--key VALUE" or "--key=VALUE".
    std::optional<std::string> Value(std::string_view arg, std::string_view key) {
        if (arg.size() > key.size() && arg.substr(0, key.size()) == key && arg[key.size()] == '=') {
            return std::string(arg.substr(key.size() + 1));
        }
        if (i + 1 < args.size()) {
            return args[++i];
        }
        error = "option '" + std::string(key) + "' needs a value";
        return std::nullopt;
    }

    static bool Is(std::string_view arg, std::string_view key) {
        return arg == key ||
               (arg.starts_with(key) && arg.size() > key.size() && arg[key.size()] == '=');
    }

    // A global option at args[i]; false when it is none (error tells of a bad one).
    bool Global(std::string_view arg) {
        if (Is(arg, "--folder")) {
            const auto v = Value(arg, "--folder");
            if (v && v->empty()) {
                error = "option '--folder' needs a folder";
            }
            o.folder = v.value_or("");
        } else if (Is(arg, "--name")) {
            const auto v = Value(arg, "--name");
            if (v && v->empty()) {
                error = "option '--name' needs a name";
            }
            o.name = v.value_or("");
        } else if (Is(arg, "--wait")) {
            const auto v = Value(arg, "--wait");
            const auto seconds = v ? ParseWholeNumber(*v, 86400) : std::nullopt;
            if (v && !seconds) {
                error = "option '--wait' takes a whole number of seconds, not '" + *v + "'";
            }
            o.waitSeconds = static_cast<int>(seconds.value_or(0));
        } else if (Is(arg, "--color")) {
            const std::string_view when = arg == "--color" ? "always" : arg.substr(8);
            if (when == "always" || when == "auto" || when == "never") {
                o.colour = when == "always" ? CtlOptions::Colour::Always
                           : when == "auto" ? CtlOptions::Colour::Auto
                                            : CtlOptions::Colour::Never;
            } else {
                error =
                    "option '--color' takes auto, always or never, not '" + std::string(when) + "'";
            }
        } else if (arg == "--json" || arg == "--stdio" || arg == "--help" || arg == "--version") {
            (arg == "--json"    ? o.json
             : arg == "--stdio" ? o.stdio
             : arg == "--help"  ? o.help
                                : o.version) = true;
        } else {
            return false;
        }
        return true;
    }

    // log's own options.
    bool LogOption(std::string_view arg) {
        if (arg == "-f" || arg == "--follow") {
            o.follow = true;
        } else if (arg.starts_with("-n")) {
            const std::string value = arg.size() > 2        ? std::string(arg.substr(2))
                                      : i + 1 < args.size() ? args[++i]
                                                            : "";
            const auto n = ParseWholeNumber(value, 100000);
            if (!n) {
                error = "log: -n takes a whole number of lines, not '" + value + "'";
            }
            o.lines = n.value_or(0);
        } else {
            return false;
        }
        return true;
    }

    void Run() {
        const CommandWords* command = nullptr;
        bool ended = false;  // "--": no option after it
        for (; i < args.size() && error.empty(); ++i) {
            const std::string_view arg = args[i];
            const bool option = !ended && arg.size() > 1 && arg.front() == '-';
            if (command && command->free) {
                // Its words as given; a "--" first lets the text begin with a '-'.
                if (!(option && arg == "--" && o.args.empty())) {
                    o.args.emplace_back(arg);
                }
                ended = true;
                continue;
            }
            if (option && arg == "--") {
                ended = true;
                continue;
            }
            if (option && Global(arg)) {
                continue;
            }
            if (option && command && command->name == "log" && LogOption(arg)) {
                continue;
            }
            if (option && error.empty()) {
                error = "unknown option '" + std::string(arg) + "'";
                break;
            }
            if (!command) {
                command = Find(arg);
                if (command) {
                    o.command = arg;
                } else if (o.name.empty() && o.folder.empty()) {
                    o.name = arg;  // the service's, before its command
                } else {
                    error = "no command '" + std::string(arg) + "' (see varnoctl --help)";
                }
                continue;
            }
            o.args.emplace_back(arg);
        }
        if (!error.empty() || o.help || o.version) {
            return;
        }
        if (!o.folder.empty() && !o.name.empty()) {
            error = "give either --folder or the service's name, not both";
        } else if (o.stdio && command) {
            error = "--stdio takes no command: the requests come on standard input";
        } else if (!o.stdio && !command) {
            error = o.name.empty() ? "no command given (see varnoctl --help)"
                                   : "no command after '" + o.name + "' (see varnoctl --help)";
        } else if (command && (o.args.size() < command->min || o.args.size() > command->max)) {
            error = std::string(command->name) + ": " +
                    (o.args.size() < command->min ? "too few words" : "too many words") +
                    " (see varnoctl --help)";
        } else if (o.command == "set") {
            for (const std::string& pair : o.args) {
                if (pair.find('=') == std::string::npos || pair.front() == '=') {
                    error = "set: '" + pair + "' is not KEY=VALUE";
                    break;
                }
            }
        }
    }
};

}  // namespace

ParsedCtlOptions ParseCtlOptions(const std::vector<std::string>& args) {
    Parser parser{args, {}, 0, {}};
    parser.Run();
    if (!parser.error.empty()) {
        return {std::nullopt, parser.error};
    }
    return {std::move(parser.o), {}};
}

std::string CtlUsage() {
    return "Usage: varnoctl [OPTION]... [NAME] COMMAND [WORD]...\n"
           "       varnoctl [--folder DIR | NAME] --stdio\n"
           "Steers a running VarnoBot through its control socket: the bot on DIR (--folder),\n"
           "the service varnobot@NAME, or the service varnobot.\n"
           "\n"
           "Commands:\n"
           "  status                   where the bot stands, and its counts\n"
           "  users                    name, flags and product of each user present\n"
           "  say TEXT...              say, as a typed line; emote TEXT...; whisper NAME TEXT...\n"
           "  ban NAME [REASON...]     a deed of the bot's, waiting for the server's answer;\n"
           "  kick NAME [REASON...]    also unban NAME\n"
           "  list LIST                shitlist, database or badwords\n"
           "  add LIST PATTERN         change shitlist or badwords as the Moderation window does;\n"
           "  del LIST PATTERN         a new ban pattern is checked against the users present\n"
           "  bans, lift NAME          the timed bans, and lifting one now\n"
           "  rules, set KEY=VALUE...  the protection rules, written to Varno.ini\n"
           "  scripts, reload          the scripts; reading the files and scripts again\n"
           "  reconnect                close the connection and connect again\n"
           "  log [-n N] [-f]          the last N lines of the log (10); -f: then every new one\n"
           "\n"
           "Options:\n"
           "  --folder DIR     the bot that runs on the folder DIR\n"
           "  --name NAME      the service varnobot@NAME (for a NAME that is also a command)\n"
           "  --json           print the protocol's objects instead of text\n"
           "  --wait SECONDS   how long ban, kick and unban wait for the server (30)\n"
           "  --color=WHEN     colour the log: auto (on a terminal), always, never\n"
           "  --stdio          relay the protocol between standard input and output and the\n"
           "                   socket: ssh HOST sudo varnoctl NAME --stdio\n"
           "  --help, --version\n"
           "\n"
           "Exit status: 0 done; 1 refused, given up or not changed; 2 the wait ended before\n"
           "the outcome (the deed goes on); 64 a bad command or argument; 69 no bot there;\n"
           "77 permission refused. See varnoctl(1) and varno-control(7).\n";
}

}  // namespace varno
