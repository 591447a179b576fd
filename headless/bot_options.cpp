#include "headless/bot_options.h"

#include <string_view>

namespace varno {

ParsedBotOptions ParseBotOptions(const std::vector<std::string>& args) {
    BotOptions o;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const std::size_t eq = arg.find('=');
        const std::string_view name = arg.substr(0, eq);
        const bool hasValue = eq != std::string_view::npos;
        const std::string_view value = hasValue ? arg.substr(eq + 1) : std::string_view();
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
            return {{}, "unexpected argument '" + args[i] + "'"};
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (name == "--folder") {
            if (hasValue) {
                o.folder = value;
            } else if (i + 1 < args.size()) {
                o.folder = args[++i];
            } else {
                return {{}, "option '--folder' needs a folder"};
            }
            if (o.folder.empty()) {
                return {{}, "option '--folder' needs a folder"};
            }
        } else if (name == "--color") {
            if (!hasValue || value == "always") {
                o.colour = BotOptions::Colour::Always;
            } else if (value == "auto") {
                o.colour = BotOptions::Colour::Auto;
            } else if (value == "never") {
                o.colour = BotOptions::Colour::Never;
            } else {
                return {{},
                        "option '--color' takes auto, always or never, not '" + std::string(value) +
                            "'"};
            }
        } else if (arg == "--help" || arg == "--version" || arg == "--init") {
            (arg == "--help" ? o.help : arg == "--version" ? o.version : o.init) = true;
        } else if (hasValue && (name == "--help" || name == "--version" || name == "--init")) {
            return {{}, "option '" + std::string(name) + "' takes no value"};
        } else {
            return {{}, "unknown option '" + args[i] + "'"};
        }
    }
    return {o, {}};
}

std::string BotUsage() {
    return "Usage: VarnoBot [--folder DIR] [--color=WHEN]\n"
           "       VarnoBot --init [--folder DIR]\n"
           "The chat client and moderation bot without a window: logs in, keeps the channel,\n"
           "and writes every log line to standard output.\n"
           "\n"
           "  --folder DIR    read Varno.ini, shitlist.txt and database.txt from DIR\n"
           "                  (default: the folder that holds the program)\n"
           "  --color=WHEN    colour the output: auto (when it is a terminal), always, never\n"
           "  --init          write a Varno.ini to fill in and empty lists into the folder,\n"
           "                  never over a file that is there, and exit\n"
           "  --help          show this help and exit\n"
           "  --version       show the version and exit\n"
           "\n"
           "Signals: TERM and INT close the connection and exit; HUP reads Varno.ini,\n"
           "shitlist.txt and database.txt again.\n";
}

}  // namespace varno
