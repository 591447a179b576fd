#pragma once

#include <string>
#include <string_view>

namespace varno::demo::wire {

// The lines a gateway sends, each ending in CR LF. Quoted texts are sent as they are, never
// escaped, as real servers do.
std::string UserInChannel(std::string_view name, std::string_view flags, std::string_view product);
std::string Join(std::string_view name, std::string_view flags, std::string_view product);
std::string Leave(std::string_view name, std::string_view flags);
std::string WhisperFrom(std::string_view name, std::string_view flags, std::string_view text);
std::string Talk(std::string_view name, std::string_view flags, std::string_view text);
std::string Channel(std::string_view name);
std::string Flags(std::string_view name, std::string_view flags);
std::string WhisperTo(std::string_view name, std::string_view flags, std::string_view text);
std::string Info(std::string_view text);
std::string Error(std::string_view text);
std::string Emote(std::string_view name, std::string_view flags, std::string_view text);
std::string Name(std::string_view name);
std::string Null();

// The help block a real server sends for a command given without what it needs.
std::string Usage(std::string_view syntax, std::string_view what, std::string_view example);

}  // namespace varno::demo::wire
