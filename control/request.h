#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno {

// The version of the control protocol, told in the greeting (see varno-control(7)).
inline constexpr int kProtocolVersion = 1;
// The bounds the bot keeps to: a request line (its LF aside), what may wait for a client that
// does not read, and the clients at once.
inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;
inline constexpr std::size_t kMaxWaitingBytes = 1024 * 1024;
inline constexpr std::size_t kMaxClients = 8;
// The log lines a request may ask for at most (log n, subscribe backlog).
inline constexpr std::uint64_t kMaxLogLines = 100000;

enum class Command {
    Status,
    Users,
    Say,
    Emote,
    Whisper,
    Ban,
    Kick,
    Unban,
    List,
    Add,
    Del,
    Bans,
    Lift,
    Rules,
    Set,
    Scripts,
    Reload,
    Reconnect,
    Log,
    Subscribe,
};

// The name of a command on the wire: "status", "ban" ...
std::string_view CommandName(Command command);
std::optional<Command> FindCommand(std::string_view name);

// The kinds of events a client may subscribe to.
enum class Topic : unsigned { Log = 1, Users = 2, Status = 4, Deeds = 8 };
inline constexpr unsigned kAllTopics = 15;
std::optional<Topic> FindTopic(std::string_view name);

// One request, its arguments read and checked. Texts are bytes (see ReadBytes): a name is one
// word without blanks or control bytes; a text, reason or pattern holds no CR, LF or NUL, so
// nothing a client sends can put another line into one to the server or a list file.
struct Request {
    std::string id;  // the id as JSON text ("7", "\"a\""), given back in the answer
    Command command = Command::Status;
    std::string name;     // whisper, ban, kick, unban, lift
    std::string text;     // say, emote, whisper
    std::string reason;   // ban, kick (may be empty)
    std::string list;     // list, add, del: "shitlist", "database" or "badwords"
    std::string pattern;  // add, del
    std::vector<std::pair<std::string, std::string>> values;  // set: keys and values, in order
    std::uint64_t count = 0;  // log: lines; subscribe: the backlog's lines first
    bool textForm = false;    // log: each line as its text ("form": "text"), not its runs
    unsigned topics = 0;      // subscribe
};

// What is wrong with a request line: code and message for the error answer; id when the
// line gave one that could be read (else the answer's id is null).
struct RequestError {
    std::string id;
    std::string code;  // "not-json", "bad-request", "unknown-command", "missing-argument", ...
    std::string message;
};

struct ParsedRequest {
    std::optional<Request> request;
    RequestError error;  // when there is no request
};

// Reads one request line (without its line end). Never throws; any bytes give a request or
// an error.
ParsedRequest ParseRequest(std::string_view line);

}  // namespace varno
