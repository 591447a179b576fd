#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varno {

// The file names of the control socket: in the runtime folder a service manager gives the
// bot (RUNTIME_DIRECTORY, the first of its folders), else in the settings folder.
inline constexpr std::string_view kRuntimeSocketName = "control";
inline constexpr std::string_view kFolderSocketName = "control.sock";
// The service's runtime folder: /run/varnobot, and /run/varnobot/NAME for varnobot@NAME.
inline constexpr std::string_view kServiceRuntimeFolder = "/run/varnobot";
// The longest path a Unix socket may have (sun_path, its NUL aside).
inline constexpr std::size_t kMaxSocketPath = 107;

// runtimeDirectory: RUNTIME_DIRECTORY as given (empty or unset: none).
std::string ControlSocketPath(std::string_view folder, std::string_view runtimeDirectory);
// The socket of the service varnobot (name empty) or varnobot@name.
std::string ServiceSocketPath(std::string_view name);

}  // namespace varno
