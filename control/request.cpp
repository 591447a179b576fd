#include "control/request.h"

#include <algorithm>
#include <array>

#include "base/text_case.h"
#include "control/json.h"
#include "control/wire_text.h"
#include "log/display_text.h"

namespace varno {
namespace {

// How each argument of a command is checked.
enum class Arg { Name, Text, OptionalReason, List, Pattern, Values, Count, Form, Topics };

struct CommandInfo {
    Command command;
    std::string_view name;
    std::vector<Arg> args;
};

const std::vector<CommandInfo>& Commands() {
    static const std::vector<CommandInfo> commands = {
        {Command::Status, "status", {}},
        {Command::Users, "users", {}},
        {Command::Say, "say", {Arg::Text}},
        {Command::Emote, "emote", {Arg::Text}},
        {Command::Whisper, "whisper", {Arg::Name, Arg::Text}},
        {Command::Ban, "ban", {Arg::Name, Arg::OptionalReason}},
        {Command::Kick, "kick", {Arg::Name, Arg::OptionalReason}},
        {Command::Unban, "unban", {Arg::Name}},
        {Command::List, "list", {Arg::List}},
        {Command::Add, "add", {Arg::List, Arg::Pattern}},
        {Command::Del, "del", {Arg::List, Arg::Pattern}},
        {Command::Bans, "bans", {}},
        {Command::Lift, "lift", {Arg::Name}},
        {Command::Rules, "rules", {}},
        {Command::Set, "set", {Arg::Values}},
        {Command::Scripts, "scripts", {}},
        {Command::Reload, "reload", {}},
        {Command::Reconnect, "reconnect", {}},
        {Command::Log, "log", {Arg::Count, Arg::Form}},
        {Command::Subscribe, "subscribe", {Arg::Topics, Arg::Count}},
    };
    return commands;
}

constexpr std::array<std::pair<std::string_view, Topic>, 4> kTopics = {{
    {"log", Topic::Log},
    {"users", Topic::Users},
    {"status", Topic::Status},
    {"deeds", Topic::Deeds},
}};

constexpr std::string_view kLists[] = {"shitlist", "database", "badwords"};

// 'key'.
std::string Quoted(std::string_view key) {
    std::string quoted;
    quoted.reserve(key.size() + 2);
    return quoted.append(1, '\'').append(key).append(1, '\'');
}

bool BreaksLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The JSON text of a value.
std::string Text(const json::Value& value) {
    json::Buffer buffer;
    json::Writer writer(buffer);
    value.Accept(writer);
    return {buffer.GetString(), buffer.GetSize()};
}

const json::Value* Member(const json::Value& object, std::string_view key) {
    const auto found =
        object.FindMember(json::Value(key.data(), static_cast<rapidjson::SizeType>(key.size())));
    return found == object.MemberEnd() ? nullptr : &found->value;
}

// The checks of one argument; empty text when it is good.
struct Reader {
    const json::Value& object;
    Request& request;
    std::string code = "missing-argument";

    std::string Fail(std::string why, std::string codeOf = "bad-argument") {
        code = std::move(codeOf);
        return why;
    }

    std::string Bytes(std::string_view key, bool required, std::string& out) {
        const json::Value* value = Member(object, key);
        if (!value) {
            return required ? Fail(Quoted(key) + " is missing", "missing-argument") : "";
        }
        auto bytes = ReadBytes(*value);
        if (!bytes) {
            return Fail(Quoted(key) + " must be a string or {\"base64\": ...}");
        }
        out = std::move(*bytes);
        return "";
    }

    std::string Read(Arg arg) {
        switch (arg) {
            case Arg::Name:
                if (std::string why = Bytes("name", true, request.name); !why.empty()) {
                    return why;
                }
                return IsWireName(request.name)
                           ? ""
                           : Fail("'name' must be one word, without blanks or control bytes");
            case Arg::Text:
                if (std::string why = Bytes("text", true, request.text); !why.empty()) {
                    return why;
                }
                if (request.text.empty()) {
                    return Fail("'text' is empty");
                }
                return BreaksLine(request.text) ? Fail("'text' holds a CR, LF or NUL") : "";
            case Arg::OptionalReason:
                if (std::string why = Bytes("reason", false, request.reason); !why.empty()) {
                    return why;
                }
                return BreaksLine(request.reason) ? Fail("'reason' holds a CR, LF or NUL") : "";
            case Arg::List:
                if (std::string why = Bytes("list", true, request.list); !why.empty()) {
                    return why;
                }
                return std::find(std::begin(kLists), std::end(kLists), request.list) !=
                               std::end(kLists)
                           ? ""
                           : Fail("'list' must be shitlist, database or badwords");
            case Arg::Pattern:
                if (std::string why = Bytes("pattern", true, request.pattern); !why.empty()) {
                    return why;
                }
                return BreaksLine(request.pattern) ? Fail("'pattern' holds a CR, LF or NUL") : "";
            case Arg::Values:
                return Values();
            case Arg::Count:
                return Count(request.command == Command::Log ? "n" : "backlog");
            case Arg::Form:
                return Form();
            case Arg::Topics:
                return Topics();
        }
        return "";
    }

    std::string Values() {
        const json::Value* values = Member(object, "values");
        if (!values) {
            return Fail("'values' is missing", "missing-argument");
        }
        if (!values->IsObject() || values->MemberCount() == 0) {
            return Fail("'values' must be an object of keys and their values, not empty");
        }
        for (const auto& member : values->GetObject()) {
            auto value = ReadBytes(member.value);
            if (!value) {
                return Fail("each of 'values' must be a string");
            }
            if (BreaksLine(*value)) {
                return Fail("a value of 'values' holds a CR, LF or NUL");
            }
            request.values.emplace_back(
                std::string(member.name.GetString(), member.name.GetStringLength()),
                std::move(*value));
        }
        return "";
    }

    std::string Count(std::string_view key) {
        request.count = request.command == Command::Log ? 10 : 0;
        const json::Value* value = Member(object, key);
        if (!value) {
            return "";
        }
        if (!value->IsUint64() || value->GetUint64() > kMaxLogLines) {
            return Fail(Quoted(key) + " must be a whole number from 0 to " +
                        std::to_string(kMaxLogLines));
        }
        request.count = value->GetUint64();
        return "";
    }

    // "runs" (as the events) or "text".
    std::string Form() {
        const json::Value* value = Member(object, "form");
        if (!value) {
            return "";
        }
        const std::string_view form =
            value->IsString() ? std::string_view(value->GetString(), value->GetStringLength()) : "";
        if (form != "runs" && form != "text") {
            return Fail("'form' must be runs or text");
        }
        request.textForm = form == "text";
        return "";
    }

    std::string Topics() {
        request.topics = kAllTopics;
        const json::Value* value = Member(object, "events");
        if (!value) {
            return "";
        }
        if (!value->IsArray()) {
            return Fail("'events' must be an array of log, users, status and deeds");
        }
        request.topics = 0;
        for (const json::Value& item : value->GetArray()) {
            const auto topic = item.IsString()
                                   ? FindTopic({item.GetString(), item.GetStringLength()})
                                   : std::nullopt;
            if (!topic) {
                return Fail("'events' may hold only log, users, status and deeds");
            }
            request.topics |= static_cast<unsigned>(*topic);
        }
        return "";
    }
};

}  // namespace

std::string_view CommandName(Command command) {
    for (const CommandInfo& info : Commands()) {
        if (info.command == command) {
            return info.name;
        }
    }
    return {};
}

std::optional<Command> FindCommand(std::string_view name) {
    for (const CommandInfo& info : Commands()) {
        if (info.name == name) {
            return info.command;
        }
    }
    return std::nullopt;
}

std::optional<Topic> FindTopic(std::string_view name) {
    for (const auto& [topicName, topic] : kTopics) {
        if (topicName == name) {
            return topic;
        }
    }
    return std::nullopt;
}

ParsedRequest ParseRequest(std::string_view line) {
    json::Document document;
    // Iterative: a line of nested brackets cannot run the parser out of stack.
    document.Parse<rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag>(
        line.data(), line.size());
    if (document.HasParseError()) {
        return {std::nullopt,
                {"", "not-json",
                 "not a JSON object in UTF-8 (at byte " +
                     std::to_string(document.GetErrorOffset()) + ")"}};
    }
    if (!document.IsObject()) {
        return {std::nullopt, {"", "bad-request", "a request is a JSON object"}};
    }
    // The id goes back as it came: a string of it must be UTF-8, which a lone "\udc00" the
    // parser lets through is not.
    const json::Value* id = Member(document, "id");
    if (!id || !(id->IsInt64() || id->IsUint64() ||
                 (id->IsString() && IsValidUtf8({id->GetString(), id->GetStringLength()})))) {
        return {std::nullopt,
                {"", "bad-request", "a request needs an id: a whole number or a string"}};
    }
    Request request;
    request.id = Text(*id);
    const json::Value* command = Member(document, "command");
    if (!command || !command->IsString()) {
        return {std::nullopt, {request.id, "bad-request", "a request needs a command"}};
    }
    const std::string_view name(command->GetString(), command->GetStringLength());
    const auto known = FindCommand(name);
    if (!known) {
        return {std::nullopt,
                {request.id, "unknown-command", "no command '" + std::string(name) + "'"}};
    }
    request.command = *known;
    Reader reader{document, request};
    for (const CommandInfo& info : Commands()) {
        if (info.command != request.command) {
            continue;
        }
        for (const Arg arg : info.args) {
            if (std::string why = reader.Read(arg); !why.empty()) {
                return {std::nullopt, {request.id, reader.code, std::string(name) + ": " + why}};
            }
        }
    }
    return {std::move(request), {}};
}

}  // namespace varno
