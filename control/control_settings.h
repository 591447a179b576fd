#pragma once

#include <cstddef>
#include <string>

namespace varno {

// The keys of [Varno] that only VarnoBot reads, for its control socket: Control (0 turns the
// socket off; read at start) and Backlog (the log lines kept for its clients, at most
// kMaxBacklog; read at start and on every reload).
struct ControlSettings {
    bool on = true;
    std::size_t backlog = 0;
    std::string problem;  // one line about a value that is not a number, or empty
};

ControlSettings ReadControlSettings(const std::string& iniPath);

}  // namespace varno
