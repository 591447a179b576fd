#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/edition.h"
#include "connection/event_sink.h"
#include "connection/line_framer.h"

namespace varno {

// Turns what arrives on the connection into calls on the event handlers. Each line is a
// head of blank-separated fields (code, keyword, name, flags, product tag) and a quoted text;
// its event code picks the handler from the edition's event table.
//
// Until the first event line of a connection, the server talks plain text (banner, prompts,
// "Login failed."); such lines go to EventSink::OnPlainText. Later, lines without an event
// code are dropped.
//
// Nothing throws out of the dispatcher: a step that fails is abandoned and the next goes on.
class Dispatcher {
public:
    static constexpr unsigned kFirstCode = 1001;
    static constexpr unsigned kLastCode = 3000;

    Dispatcher(const Edition& edition, EventSink& sink);

    // One read from the connection: every line completed by it goes to ParseEvent, in order.
    // joinNames() afterwards holds the names of the join lines among them.
    void ParseData(std::string_view block);

    // Dispatches one line (without its CR LF) by its event code.
    void ParseEvent(std::string_view line);

    // Takes a line without an event code from 1001 to 3000, and does nothing with it.
    void IgnoreEvent(std::string_view line);

    // A new connection: the carried partial line is forgotten and the plain-text stage
    // begins again. Called from a handler, it also drops the rest of the block being parsed.
    void reset();

    // Field 3 of every 1002 line dispatched since the last ParseData began, in line order.
    const std::vector<std::string>& joinNames() const { return joinNames_; }
    // The same of every 1001 line: the users already in the channel.
    const std::vector<std::string>& presentNames() const { return presentNames_; }

    // Whether a line with an event code has arrived since the last reset: the server has
    // let the client in, as opposed to talking to it in plain text only.
    bool sawEventLine() const { return !plainText_; }

private:
    void Dispatch(unsigned code, std::string_view text);

    const Edition& edition_;
    EventSink& sink_;
    LineFramer framer_;
    std::vector<std::string_view> fields_;  // reused across lines
    std::vector<std::string> joinNames_;
    std::vector<std::string> presentNames_;
    bool plainText_ = true;
};

}  // namespace varno
