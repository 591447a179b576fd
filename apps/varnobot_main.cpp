#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/edition.h"
#include "base/version.h"
#include "client/signal_pipe_qtcore.h"
#include "headless/bot_options.h"
#include "headless/bot_qtcore.h"
#include "headless/bot_setup.h"
#include "headless/service_status.h"

namespace {

// Why the folder cannot be used, or nothing when it can.
std::string FolderProblem(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return "not a folder";
    }
    if (::access(folder.c_str(), R_OK | X_OK) != 0) {
        return std::strerror(errno);
    }
    return {};
}

// Whether the journal reads standard output (JOURNAL_STREAM names it).
bool JournalReadsOutput() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat st {};
    return stream && ::fstat(1, &st) == 0 &&
           varno::NamesStream(stream, static_cast<std::uint64_t>(st.st_dev),
                              static_cast<std::uint64_t>(st.st_ino));
}

}  // namespace

// VarnoBot: the full client (edition 2.01) without a window, for running as a service.
int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const varno::ParsedBotOptions parsed =
        varno::ParseBotOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "VarnoBot: %s (see VarnoBot --help)\n", parsed.error.c_str());
        return 2;
    }
    const varno::BotOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(varno::BotUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("VarnoBot %s (edition %s)\n", std::string(varno::PackageVersion()).c_str(),
                    std::string(varno::Edition::v201().name).c_str());
        return 0;
    }

    QCoreApplication app(argc, argv);
    std::string folder = options.folder.empty()
                             ? QCoreApplication::applicationDirPath().toStdString()
                             : options.folder;
    std::error_code ignored;
    if (const auto absolute = std::filesystem::absolute(folder, ignored); !ignored) {
        folder = absolute.lexically_normal().string();
    }
    if (options.init) {
        const varno::StartingSet set = varno::WriteStartingSet(folder);
        if (!set.written) {
            std::fprintf(stderr, "VarnoBot: %s\n", set.message.c_str());
            return 1;
        }
        std::fputs(set.message.c_str(), stdout);
        return 0;
    }
    if (const std::string problem = FolderProblem(folder); !problem.empty()) {
        std::fprintf(stderr, "VarnoBot: cannot read the folder %s: %s\n", folder.c_str(),
                     problem.c_str());
        return 2;
    }
    // Without a server and a name it could only fail to log in again and again: say what is
    // missing once, and end so that a service manager shows it instead of restarting.
    if (const std::string problem = varno::SettingsProblem(folder); !problem.empty()) {
        std::fprintf(stderr, "VarnoBot: %s\n", problem.c_str());
        return varno::kSettingsExitStatus;
    }
    const bool colour = options.colour == varno::BotOptions::Colour::Always ||
                        (options.colour == varno::BotOptions::Colour::Auto && ::isatty(1));

    std::signal(SIGPIPE, SIG_IGN);  // a closed output or socket is an error, not an end
    varno::Bot bot(varno::Edition::v201(), folder, colour, !colour && JournalReadsOutput());
    // Before anything is sent: a second bot on the same folder leaves the first alone.
    if (const auto control = bot.OpenControl(); !control.ok) {
        std::fprintf(stderr, "VarnoBot: %s\n", control.message.c_str());
        return varno::kControlExitStatus;
    }
    varno::SignalPipe signalPipe({SIGTERM, SIGINT, SIGHUP}, [&bot](int signal) {
        if (signal == SIGHUP) {
            bot.Reload();
            return;
        }
        bot.Stop(signal == SIGINT ? "SIGINT" : "SIGTERM");
        QCoreApplication::exit(0);
    });
    bot.Start();
    return QCoreApplication::exec();
}
