// Feeds arbitrary bytes to the control socket's reading of requests, as a hostile or broken
// client could send them: cut into lines by a session (with its bound), each line parsed as
// a request. Whatever parses must hold nothing that could put another line into one to the
// server or a list file; ids must be JSON again; varnoctl's reading of the bot's lines and
// the bytes' JSON form must take the same bytes without a fault and give them back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "control/control_session.h"
#include "control/messages.h"
#include "control/request.h"
#include "control/wire_text.h"

namespace {

bool BreaksLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void Check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

void OneLine(std::string_view line) {
    const varno::ParsedRequest parsed = varno::ParseRequest(line);
    if (!parsed.request) {
        Check(!parsed.error.code.empty());
        return;
    }
    const varno::Request& r = *parsed.request;
    for (const char c : r.name) {
        Check(static_cast<unsigned char>(c) > ' ' && c != 0x7F);
    }
    Check(!BreaksLine(r.text) && !BreaksLine(r.reason) && !BreaksLine(r.pattern));
    for (const auto& [key, value] : r.values) {
        Check(!BreaksLine(value));
    }
    varno::json::Document id;
    id.Parse(r.id.data(), r.id.size());
    Check(!id.HasParseError());
    varno::Message message;
    varno::ReadMessage(line, message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The bytes' JSON form gives them back, whatever they are.
    varno::json::Buffer buffer;
    varno::json::Writer out(buffer);
    varno::WriteBytes(out, input);
    varno::json::Document written;
    written.Parse(buffer.GetString(), buffer.GetSize());
    Check(!written.HasParseError() && varno::ReadBytes(written) == std::string(input));

    // The same bytes as a client's stream, in reads of a size the first byte picks.
    varno::ControlSession session;
    const std::size_t chunk = size > 0 ? 1 + static_cast<unsigned char>(input[0]) % 64 : 1;
    for (std::size_t at = 0; at < size; at += chunk) {
        if (!session.Read(input.substr(at, chunk), OneLine)) {
            return 0;
        }
    }
    session.ReadEnd(OneLine);
    return 0;
}
