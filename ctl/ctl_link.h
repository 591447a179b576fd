#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varno {

// varnoctl's end of a bot's control socket, with plain blocking-free POSIX calls: each read
// waits at most until its deadline, so that varnoctl never hangs on a bot that says nothing.
class CtlLink {
public:
    using Deadline = std::optional<std::chrono::steady_clock::time_point>;  // none: for ever

    struct Opened {
        int status = 0;       // 0: connected, else varnoctl's exit status
        std::string message;  // why not, in one line
    };
    Opened Connect(const std::string& path);
    ~CtlLink();

    bool Write(std::string_view bytes);
    enum class Read { Line, Ended, TimedOut, Failed, TooLong };
    // The next line from the bot, without its LF. A bot never sends a line longer than what
    // may wait for a client (kMaxWaitingBytes, its LF within): one that runs on past it is
    // TooLong, and is not read on.
    Read ReadLine(std::string& line, Deadline deadline);

    // Relays bytes both ways between standard input and output and the socket until the bot
    // closes it, then ends (the end of standard input closes the socket's sending half). Returns
    // the exit status.
    int Relay();

private:
    int fd_ = -1;
    std::string in_;                // read, not yet handed out
    std::size_t scanned_ = 0;       // in_ holds no LF before this
    std::unique_ptr<char[]> room_;  // what recv fills
};

}  // namespace varno
