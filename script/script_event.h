#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

namespace varno {

// The events a script may take, each the call of a global function of its own (see
// kScriptEventNames), and what such a call passes.
enum class ScriptEvent {
    Channel,
    Join,
    Leave,
    Flags,
    Talk,
    Emote,
    Whisper,
    Tick,
    Command,
    Deed,
    Stop
};

inline constexpr std::string_view kScriptEventNames[] = {
    "on_channel", "on_join", "on_leave",   "on_flags", "on_talk", "on_emote",
    "on_whisper", "on_tick", "on_command", "on_deed",  "on_stop",
};

using ScriptArg = std::variant<std::string_view, std::int64_t, bool>;

}  // namespace varno
