#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "control/json.h"

namespace varno {

// Names and texts from the chat server are bytes, in any encoding; the protocol is UTF-8.
// Bytes that are UTF-8 travel as a JSON string (a NUL or a control byte as its \u escape);
// any other bytes as an object {"base64": "..."} holding them in base64 (RFC 4648, with
// padding). So every byte string comes back as it went, and a reader can never take a
// byte of another encoding for the character of the same number.
inline constexpr std::string_view kBase64Key = "base64";

void WriteBytes(json::Writer& out, std::string_view bytes);
// A value written by WriteBytes; nothing for any other value (a number, an object without
// the key, base64 that is not well formed).
std::optional<std::string> ReadBytes(const json::Value& value);

std::string ToBase64(std::string_view bytes);
std::optional<std::string> FromBase64(std::string_view text);

}  // namespace varno
