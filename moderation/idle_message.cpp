#include "moderation/idle_message.h"

namespace varno {

IdleMessage::IdleMessage(const Edition& edition) : edition_(edition) {}

std::optional<std::string> IdleMessage::Timer2_Timer(std::string_view idleSetting) {
    ++IdleTicks;
    if (IdleTicks < kTicksPerMessage) {
        return std::nullopt;
    }
    IdleTicks = 0;
    if (edition_.idleTag.empty()) {
        return std::string(edition_.keepAlive);
    }
    std::string line = "/me ";
    line += idleSetting;
    line += edition_.idleTag;
    return line;
}

}  // namespace varno
