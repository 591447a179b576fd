#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/json.h"
#include "log/log_run.h"

namespace varno {

// What the bot says over the control socket, as plain values, and their JSON: one object a
// line, either an answer ({"id": ..., "ok": true, "result": {...}} or {"id": ..., "ok":
// false, "error": {"code": ..., "message": ...}}) or an event ({"event": "log", ...}). Every
// name and text from the server is written with WriteBytes. varno-control(7) tells them all.

struct Hello {
    std::uint64_t protocol = 0;  // kProtocolVersion
    std::string program;         // "VarnoBot"
    std::string version;         // the package's
    std::string edition;         // "2.01"
    std::string folder;          // the settings folder
};

struct User {
    std::string name, flags, product;
    friend bool operator==(const User&, const User&) = default;
};

struct StatusReport {
    std::string status;      // the status line systemctl status shows
    std::string connection;  // "down", "connecting" or "connected"
    bool letIn = false;      // the server has let the bot in
    std::string server, channel, name;
    std::uint64_t users = 0, bansToday = 0, deedsOpen = 0, queued = 0;
    std::uint64_t scriptsRunning = 0, scriptsOff = 0;
    friend bool operator==(const StatusReport&, const StatusReport&) = default;
};

struct TimedBanRow {
    std::string name;
    std::int64_t endUnix = 0;
    std::int64_t left = 0;  // seconds
    bool lifting = false;   // its unban is out, waiting for the server
    friend bool operator==(const TimedBanRow&, const TimedBanRow&) = default;
};

struct RuleRow {
    std::string key, value, explanation;
    std::string note;  // what the file holds when the program reads it otherwise
    friend bool operator==(const RuleRow&, const RuleRow&) = default;
};

struct ScriptRow {
    std::string name;
    bool running = false;
    std::string error;
    friend bool operator==(const ScriptRow&, const ScriptRow&) = default;
};

struct DeedReport {
    std::string action;  // "ban", "kick", "unban"
    std::string name;
    bool done = false;   // the server confirmed it
    std::string text;    // else the server's words, or why it was given up
    std::string script;  // the script that asked; empty: asked through the control socket
    friend bool operator==(const DeedReport&, const DeedReport&) = default;
};

struct LogLine {
    Runs runs;
    bool whisper = false;
};

// Answers.
std::string AnswerLine(std::string_view id, const std::function<void(json::Writer&)>& result);
// id: the request's, or empty for an error no request can be named for (its id is null).
std::string ErrorLine(std::string_view id, std::string_view code, std::string_view message);

// The members of results and events, each written as one JSON object.
void WriteHello(json::Writer& out, const Hello& hello);
void WriteUser(json::Writer& out, const User& user);
void WriteStatus(json::Writer& out, const StatusReport& status);
void WriteTimedBan(json::Writer& out, const TimedBanRow& ban);
void WriteRule(json::Writer& out, const RuleRow& rule);
void WriteScript(json::Writer& out, const ScriptRow& script);
void WriteDeed(json::Writer& out, const DeedReport& deed);
void WriteKey(json::Writer& out, std::string_view key);
void WriteString(json::Writer& out, std::string_view text);  // UTF-8 text of the program's own

// Events, each a whole line.
std::string HelloLine(const Hello& hello);
std::string StatusEventLine(const StatusReport& status);
// change: "present", "joined", "left", "flags"; "cleared" (the list was emptied, user unused).
std::string UserEventLine(std::string_view change, const User& user);
std::string DeedEventLine(const DeedReport& deed);

// The log event of one line, {"event": "log", "whisper": false, "runs": [{"colour":
// "#rrggbb", "text": ...}, ...]}, without a line end; a run whose text is partly a user's
// carries "links" (the byte it starts at), one of a line that names the operator "mention".
// Reuses its buffers, as it runs for every line the bot logs.
class LogEventWriter {
public:
    LogEventWriter() : writer_(buffer_), textWriter_(textBuffer_) {}
    std::string_view Write(const Runs& line, bool whisper);
    // The line of a log answer's "text" form: one JSON string, the line as PlainLine shows
    // it without its LF. Its own buffer: what Write gave stays good.
    std::string_view WriteText(const Runs& line, bool whisper);

private:
    json::Buffer buffer_;
    json::Writer writer_;
    json::Buffer textBuffer_;
    json::Writer textWriter_;
};

// A line read from the bot.
struct Message {
    enum class Kind { Answer, Event, Bad };
    Kind kind = Kind::Bad;
    std::string id;  // an answer's, as JSON text ("null" for none)
    bool ok = false;
    std::string code, message;  // a failed answer's
    std::string event;          // an event's name
    std::vector<char> text;     // the line, parsed in place: the document's strings are in it
    json::Document document;
    const json::Value* body = nullptr;  // an answer's result, or the event's object
};
// Reads one line into message; false (Kind::Bad) when it is neither an answer nor an event.
bool ReadMessage(std::string_view line, Message& message);

// The readers of what the writers above write; nothing when the value is not one.
std::optional<StatusReport> ReadStatus(const json::Value& value);
std::optional<User> ReadUser(const json::Value& value);
std::optional<TimedBanRow> ReadTimedBan(const json::Value& value);
std::optional<RuleRow> ReadRule(const json::Value& value);
std::optional<ScriptRow> ReadScript(const json::Value& value);
std::optional<DeedReport> ReadDeed(const json::Value& value);
std::optional<LogLine> ReadLogLine(const json::Value& value);
std::optional<Hello> ReadHello(const json::Value& value);
// The member key of an object, or null.
const json::Value* Find(const json::Value& object, std::string_view key);
// Each item of the array member key read with read; nothing when one is not.
template <class T>
std::optional<std::vector<T>> ReadArray(const json::Value& object, std::string_view key,
                                        std::optional<T> (*read)(const json::Value&)) {
    const json::Value* array = Find(object, key);
    if (!array || !array->IsArray()) {
        return std::nullopt;
    }
    std::vector<T> items;
    for (const json::Value& item : array->GetArray()) {
        auto one = read(item);
        if (!one) {
            return std::nullopt;
        }
        items.push_back(std::move(*one));
    }
    return items;
}

}  // namespace varno
