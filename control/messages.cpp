#include "control/messages.h"

#include "control/wire_text.h"
#include "log/display_text.h"
#include "log/line_text.h"

namespace varno {
namespace {

using Size = rapidjson::SizeType;

void Bytes(json::Writer& out, std::string_view key, std::string_view bytes) {
    WriteKey(out, key);
    WriteBytes(out, bytes);
}

void Number(json::Writer& out, std::string_view key, std::uint64_t n) {
    WriteKey(out, key);
    out.Uint64(n);
}

void Signed(json::Writer& out, std::string_view key, std::int64_t n) {
    WriteKey(out, key);
    out.Int64(n);
}

void Flag(json::Writer& out, std::string_view key, bool on) {
    WriteKey(out, key);
    out.Bool(on);
}

// "#rrggbb".
void WriteColour(json::Writer& out, Colour c) {
    static constexpr char kHex[] = "0123456789abcdef";
    char text[7] = {'#'};
    for (int i = 0; i < 6; ++i) {
        text[1 + i] = kHex[(c >> (20 - 4 * i)) & 0xF];
    }
    out.String(text, 7);
}

std::optional<Colour> ReadColour(const json::Value& value) {
    if (!value.IsString() || value.GetStringLength() != 7 || value.GetString()[0] != '#') {
        return std::nullopt;
    }
    Colour c = 0;
    for (int i = 1; i < 7; ++i) {
        const char h = value.GetString()[i];
        const int digit = h >= '0' && h <= '9'   ? h - '0'
                          : h >= 'a' && h <= 'f' ? h - 'a' + 10
                          : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        c = (c << 4) | static_cast<Colour>(digit);
    }
    return c;
}

std::string Line(const std::function<void(json::Writer&)>& write) {
    json::Buffer buffer;
    json::Writer out(buffer);
    write(out);
    std::string line(buffer.GetString(), buffer.GetSize());
    line += '\n';
    return line;
}

// Readers of one member; each fails when it is missing or of another type.
struct Fields {
    const json::Value& object;
    bool good = object.IsObject();

    std::string Text(std::string_view key) {
        const json::Value* value = good ? Find(object, key) : nullptr;
        auto bytes = value ? ReadBytes(*value) : std::nullopt;
        good = good && bytes;
        return bytes.value_or("");
    }
    std::uint64_t Unsigned(std::string_view key) {
        const json::Value* value = good ? Find(object, key) : nullptr;
        good = good && value && value->IsUint64();
        return good ? value->GetUint64() : 0;
    }
    std::int64_t Signed(std::string_view key) {
        const json::Value* value = good ? Find(object, key) : nullptr;
        good = good && value && value->IsInt64();
        return good ? value->GetInt64() : 0;
    }
    bool Flag(std::string_view key) {
        const json::Value* value = good ? Find(object, key) : nullptr;
        good = good && value && value->IsBool();
        return good && value->GetBool();
    }
    template <class T>
    std::optional<T> Result(T value) const {
        return good ? std::optional<T>(std::move(value)) : std::nullopt;
    }
};

}  // namespace

void WriteKey(json::Writer& out, std::string_view key) {
    out.Key(key.data(), static_cast<Size>(key.size()));
}

void WriteString(json::Writer& out, std::string_view text) {
    WriteBytes(out, text);
}

const json::Value* Find(const json::Value& object, std::string_view key) {
    if (!object.IsObject()) {
        return nullptr;
    }
    const auto found = object.FindMember(json::Value(key.data(), static_cast<Size>(key.size())));
    return found == object.MemberEnd() ? nullptr : &found->value;
}

std::string AnswerLine(std::string_view id, const std::function<void(json::Writer&)>& result) {
    return Line([&](json::Writer& out) {
        out.StartObject();
        WriteKey(out, "id");
        out.RawValue(id.data(), id.size(), rapidjson::kNumberType);
        Flag(out, "ok", true);
        WriteKey(out, "result");
        out.StartObject();
        result(out);
        out.EndObject();
        out.EndObject();
    });
}

std::string ErrorLine(std::string_view id, std::string_view code, std::string_view message) {
    return Line([&](json::Writer& out) {
        out.StartObject();
        WriteKey(out, "id");
        if (id.empty()) {
            out.Null();
        } else {
            out.RawValue(id.data(), id.size(), rapidjson::kNumberType);
        }
        Flag(out, "ok", false);
        WriteKey(out, "error");
        out.StartObject();
        Bytes(out, "code", code);
        Bytes(out, "message", message);
        out.EndObject();
        out.EndObject();
    });
}

void WriteHello(json::Writer& out, const Hello& hello) {
    out.StartObject();
    Bytes(out, "event", "hello");
    Number(out, "protocol", hello.protocol);
    Bytes(out, "program", hello.program);
    Bytes(out, "version", hello.version);
    Bytes(out, "edition", hello.edition);
    Bytes(out, "folder", hello.folder);
    out.EndObject();
}

void WriteUser(json::Writer& out, const User& user) {
    out.StartObject();
    Bytes(out, "name", user.name);
    Bytes(out, "flags", user.flags);
    Bytes(out, "product", user.product);
    out.EndObject();
}

void WriteStatus(json::Writer& out, const StatusReport& s) {
    out.StartObject();
    Bytes(out, "status", s.status);
    Bytes(out, "connection", s.connection);
    Flag(out, "letIn", s.letIn);
    Bytes(out, "server", s.server);
    Bytes(out, "channel", s.channel);
    Bytes(out, "name", s.name);
    Number(out, "users", s.users);
    Number(out, "bansToday", s.bansToday);
    Number(out, "deedsOpen", s.deedsOpen);
    Number(out, "queued", s.queued);
    Number(out, "scriptsRunning", s.scriptsRunning);
    Number(out, "scriptsOff", s.scriptsOff);
    out.EndObject();
}

void WriteTimedBan(json::Writer& out, const TimedBanRow& ban) {
    out.StartObject();
    Bytes(out, "name", ban.name);
    Signed(out, "ends", ban.endUnix);
    Signed(out, "left", ban.left);
    Flag(out, "lifting", ban.lifting);
    out.EndObject();
}

void WriteRule(json::Writer& out, const RuleRow& rule) {
    out.StartObject();
    Bytes(out, "key", rule.key);
    Bytes(out, "value", rule.value);
    Bytes(out, "explanation", rule.explanation);
    Bytes(out, "note", rule.note);
    out.EndObject();
}

void WriteScript(json::Writer& out, const ScriptRow& script) {
    out.StartObject();
    Bytes(out, "name", script.name);
    Flag(out, "running", script.running);
    Bytes(out, "error", script.error);
    out.EndObject();
}

void WriteDeed(json::Writer& out, const DeedReport& deed) {
    out.StartObject();
    Bytes(out, "action", deed.action);
    Bytes(out, "name", deed.name);
    Flag(out, "done", deed.done);
    Bytes(out, "text", deed.text);
    Bytes(out, "script", deed.script);
    out.EndObject();
}

std::string HelloLine(const Hello& hello) {
    return Line([&](json::Writer& out) { WriteHello(out, hello); });
}

std::string StatusEventLine(const StatusReport& status) {
    return Line([&](json::Writer& out) {
        out.StartObject();
        Bytes(out, "event", "status");
        WriteKey(out, "status");
        WriteStatus(out, status);
        out.EndObject();
    });
}

std::string UserEventLine(std::string_view change, const User& user) {
    return Line([&](json::Writer& out) {
        out.StartObject();
        Bytes(out, "event", "user");
        Bytes(out, "change", change);
        if (change != "cleared") {
            WriteKey(out, "user");
            WriteUser(out, user);
        }
        out.EndObject();
    });
}

std::string DeedEventLine(const DeedReport& deed) {
    return Line([&](json::Writer& out) {
        out.StartObject();
        Bytes(out, "event", "deed");
        WriteKey(out, "deed");
        WriteDeed(out, deed);
        out.EndObject();
    });
}

std::string_view LogEventWriter::Write(const Runs& line, bool whisper) {
    buffer_.Clear();
    writer_.Reset(buffer_);
    writer_.StartObject();
    writer_.Key("event", 5);
    writer_.String("log", 3);
    writer_.Key("whisper", 7);
    writer_.Bool(whisper);
    writer_.Key("runs", 4);
    writer_.StartArray();
    for (const Run& run : line) {
        writer_.StartObject();
        writer_.Key("colour", 6);
        WriteColour(writer_, run.colour);
        writer_.Key("text", 4);
        WriteBytes(writer_, run.text);
        if (run.linksFrom != kNoLinks) {
            writer_.Key("links", 5);
            writer_.Uint(run.linksFrom);
        }
        if (run.mention) {
            writer_.Key("mention", 7);
            writer_.Bool(true);
        }
        writer_.EndObject();
    }
    writer_.EndArray();
    writer_.EndObject();
    return {buffer_.GetString(), buffer_.GetSize()};
}

std::string_view LogEventWriter::WriteText(const Runs& line, bool whisper) {
    std::string text = PlainLine(line, whisper);
    text.pop_back();
    textBuffer_.Clear();
    textWriter_.Reset(textBuffer_);
    WriteBytes(textWriter_, text);
    return {textBuffer_.GetString(), textBuffer_.GetSize()};
}

bool ReadMessage(std::string_view line, Message& message) {
    message = {};
    // The whole line is checked first, in one quick pass, and then parsed in place without
    // the parser checking each string's bytes again: a log answer of a thousand lines is
    // most of varnoctl's work. A NUL would end the parse early; JSON text has none.
    if (!IsValidUtf8(line) || line.find('\0') != std::string_view::npos) {
        return false;
    }
    message.text.reserve(line.size() + 1);
    message.text.assign(line.begin(), line.end());
    message.text.push_back('\0');
    message.document.ParseInsitu<rapidjson::kParseIterativeFlag>(message.text.data());
    const json::Value& root = message.document;
    if (message.document.HasParseError() || !root.IsObject()) {
        return false;
    }
    if (const json::Value* event = Find(root, "event"); event && event->IsString()) {
        message.kind = Message::Kind::Event;
        message.event.assign(event->GetString(), event->GetStringLength());
        message.body = &root;
        return true;
    }
    const json::Value* id = Find(root, "id");
    const json::Value* ok = Find(root, "ok");
    // The bot's ids are numbers and strings (null when it read none): any other value is no
    // answer of its, and is never walked.
    if (!id || !(id->IsNumber() || id->IsString() || id->IsNull()) || !ok || !ok->IsBool()) {
        return false;
    }
    json::Buffer buffer;
    json::Writer out(buffer);
    id->Accept(out);
    message.id.assign(buffer.GetString(), buffer.GetSize());
    message.ok = ok->GetBool();
    if (message.ok) {
        message.body = Find(root, "result");
        if (!message.body || !message.body->IsObject()) {
            return false;
        }
    } else {
        const json::Value* error = Find(root, "error");
        Fields f{error ? *error : root};
        message.code = f.Text("code");
        message.message = f.Text("message");
        if (!error || !f.good) {
            return false;
        }
    }
    message.kind = Message::Kind::Answer;
    return true;
}

std::optional<StatusReport> ReadStatus(const json::Value& value) {
    Fields f{value};
    StatusReport s;
    s.status = f.Text("status");
    s.connection = f.Text("connection");
    s.letIn = f.Flag("letIn");
    s.server = f.Text("server");
    s.channel = f.Text("channel");
    s.name = f.Text("name");
    s.users = f.Unsigned("users");
    s.bansToday = f.Unsigned("bansToday");
    s.deedsOpen = f.Unsigned("deedsOpen");
    s.queued = f.Unsigned("queued");
    s.scriptsRunning = f.Unsigned("scriptsRunning");
    s.scriptsOff = f.Unsigned("scriptsOff");
    return f.Result(std::move(s));
}

std::optional<User> ReadUser(const json::Value& value) {
    Fields f{value};
    User user;
    user.name = f.Text("name");
    user.flags = f.Text("flags");
    user.product = f.Text("product");
    return f.Result(std::move(user));
}

std::optional<TimedBanRow> ReadTimedBan(const json::Value& value) {
    Fields f{value};
    TimedBanRow ban;
    ban.name = f.Text("name");
    ban.endUnix = f.Signed("ends");
    ban.left = f.Signed("left");
    ban.lifting = f.Flag("lifting");
    return f.Result(std::move(ban));
}

std::optional<RuleRow> ReadRule(const json::Value& value) {
    Fields f{value};
    RuleRow rule;
    rule.key = f.Text("key");
    rule.value = f.Text("value");
    rule.explanation = f.Text("explanation");
    rule.note = f.Text("note");
    return f.Result(std::move(rule));
}

std::optional<ScriptRow> ReadScript(const json::Value& value) {
    Fields f{value};
    ScriptRow script;
    script.name = f.Text("name");
    script.running = f.Flag("running");
    script.error = f.Text("error");
    return f.Result(std::move(script));
}

std::optional<DeedReport> ReadDeed(const json::Value& value) {
    Fields f{value};
    DeedReport deed;
    deed.action = f.Text("action");
    deed.name = f.Text("name");
    deed.done = f.Flag("done");
    deed.text = f.Text("text");
    deed.script = f.Text("script");
    return f.Result(std::move(deed));
}

std::optional<LogLine> ReadLogLine(const json::Value& value) {
    const json::Value* runs = Find(value, "runs");
    const json::Value* whisper = Find(value, "whisper");
    if (!runs || !runs->IsArray() || !whisper || !whisper->IsBool()) {
        return std::nullopt;
    }
    LogLine line;
    line.whisper = whisper->GetBool();
    line.runs.reserve(runs->Size());
    // Each run's members in one pass, as there are thousands of runs in a log answer.
    for (const json::Value& item : runs->GetArray()) {
        if (!item.IsObject()) {
            return std::nullopt;
        }
        std::optional<Colour> c;
        std::optional<std::string> bytes;
        Run run;
        for (const auto& member : item.GetObject()) {
            const std::string_view key(member.name.GetString(), member.name.GetStringLength());
            const json::Value& value = member.value;
            if (key == "colour") {
                c = ReadColour(value);
            } else if (key == "text") {
                bytes = ReadBytes(value);
            } else if (key == "links" && value.IsUint()) {
                run.linksFrom = value.GetUint();
            } else if (key == "mention" && value.IsBool()) {
                run.mention = value.GetBool();
            }
        }
        if (!c || !bytes) {
            return std::nullopt;
        }
        run.colour = *c;
        run.text = std::move(*bytes);
        line.runs.push_back(std::move(run));
    }
    return line;
}

std::optional<Hello> ReadHello(const json::Value& value) {
    Fields f{value};
    Hello hello;
    hello.program = f.Text("program");
    hello.version = f.Text("version");
    hello.edition = f.Text("edition");
    hello.folder = f.Text("folder");
    hello.protocol = f.Unsigned("protocol");
    return f.Result(std::move(hello));
}

}  // namespace varno
