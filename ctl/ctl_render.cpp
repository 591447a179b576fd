#include "ctl/ctl_render.h"

#include <algorithm>

#include "control/request.h"
#include "control/wire_text.h"
#include "log/display_text.h"
#include "log/line_text.h"
#include "log/terminal_text.h"
#include "moderation/timed_bans.h"

namespace varno {
namespace {

std::string Joined(const std::vector<std::string>& words, std::size_t from) {
    std::string text;
    for (std::size_t i = from; i < words.size(); ++i) {
        text += (i == from ? "" : " ") + words[i];
    }
    return text;
}

void Text(json::Writer& out, std::string_view key, std::string_view bytes) {
    WriteKey(out, key);
    WriteBytes(out, bytes);
}

CtlOutput Unreadable() {
    return {"", "varnoctl: the bot's answer could not be read\n", kCtlSoftware};
}

// Columns of text, each as wide as its widest cell (in characters shown), two blanks apart.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    const auto shown = [](const std::string& cell) {
        return static_cast<std::size_t>(std::count_if(cell.begin(), cell.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    };
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], shown(row[i]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line += std::string(widths[i] - shown(row[i]) + 2, ' ');
            }
        }
        text += line + "\n";
    }
    return text;
}

std::string Counted(std::uint64_t n, std::string_view what) {
    return std::to_string(n) + " " + std::string(what) + (n == 1 ? "" : "s");
}

std::string StatusText(const StatusReport& s) {
    return VisibleText(s.status) + "\n" + "users present: " + std::to_string(s.users) + "\n" +
           "bans today: " + std::to_string(s.bansToday) + "\n" +
           "deeds open: " + std::to_string(s.deedsOpen) + "\n" +
           "lines waiting to be sent: " + std::to_string(s.queued) + "\n" +
           "scripts: " + std::to_string(s.scriptsRunning) + " running, " +
           std::to_string(s.scriptsOff) + " off\n";
}

std::string LogText(const LogLine& line, bool colour) {
    return colour ? ColouredLine(line.runs, line.whisper) : PlainLine(line.runs, line.whisper);
}

std::string Member(const json::Value& body, std::string_view key) {
    const json::Value* value = Find(body, key);
    return value ? ReadBytes(*value).value_or("") : "";
}

}  // namespace

int StatusForCode(std::string_view code) {
    if (code == "not-json" || code == "bad-request" || code == "unknown-command" ||
        code == "missing-argument" || code == "bad-argument") {
        return kCtlUsage;
    }
    if (code == "permission") {
        return kCtlPermission;
    }
    if (code == "busy") {
        return kCtlBusy;
    }
    if (code == "line-too-long") {
        return kCtlSoftware;
    }
    return kCtlFailed;
}

std::string CtlRequestLine(const CtlOptions& o, bool colour) {
    json::Buffer buffer;
    json::Writer out(buffer);
    out.StartObject();
    WriteKey(out, "id");
    out.Int(1);
    Text(out, "command", o.command == "log" && o.follow ? "subscribe" : o.command);
    const std::vector<std::string>& a = o.args;
    if (o.command == "say" || o.command == "emote") {
        Text(out, "text", Joined(a, 0));
    } else if (o.command == "whisper") {
        Text(out, "name", a.at(0));
        Text(out, "text", Joined(a, 1));
    } else if (o.command == "ban" || o.command == "kick") {
        Text(out, "name", a.at(0));
        Text(out, "reason", Joined(a, 1));
    } else if (o.command == "unban" || o.command == "lift") {
        Text(out, "name", a.at(0));
    } else if (o.command == "list") {
        Text(out, "list", a.at(0));
    } else if (o.command == "add" || o.command == "del") {
        Text(out, "list", a.at(0));
        Text(out, "pattern", Joined(a, 1));
    } else if (o.command == "set") {
        WriteKey(out, "values");
        out.StartObject();
        for (const std::string& pair : a) {
            const std::size_t eq = pair.find('=');
            Text(out, pair.substr(0, eq), pair.substr(eq + 1));
        }
        out.EndObject();
    } else if (o.command == "log" && o.follow) {
        WriteKey(out, "events");
        out.StartArray();
        out.String("log");
        out.EndArray();
        WriteKey(out, "backlog");
        out.Uint64(o.lines);
    } else if (o.command == "log") {
        WriteKey(out, "n");
        out.Uint64(o.lines);
        if (!colour && !o.json) {
            Text(out, "form", "text");
        }
    }
    out.EndObject();
    std::string line(buffer.GetString(), buffer.GetSize());
    return line += '\n';
}

CtlOutput RenderAnswer(const CtlOptions& o, const Message& answer, bool colour) {
    if (!answer.ok) {
        const int status = StatusForCode(answer.code);
        return {"", "varnoctl: " + VisibleText(answer.message) + "\n", status};
    }
    const json::Value& body = *answer.body;
    const std::string& c = o.command;
    CtlOutput output;
    if (c == "status") {
        const json::Value* status = Find(body, "status");
        const auto s = status ? ReadStatus(*status) : std::nullopt;
        if (!s) {
            return Unreadable();
        }
        output.out = StatusText(*s);
    } else if (c == "users") {
        const auto users = ReadArray<User>(body, "users", ReadUser);
        if (!users) {
            return Unreadable();
        }
        std::vector<std::vector<std::string>> rows;
        for (const User& u : *users) {
            rows.push_back({VisibleText(u.name), VisibleText(u.flags), VisibleText(u.product)});
        }
        output.out = Table(rows);
    } else if (c == "ban" || c == "kick" || c == "unban") {
        const json::Value* deed = Find(body, "deed");
        const auto d = deed ? ReadDeed(*deed) : std::nullopt;
        if (!d) {
            return Unreadable();
        }
        static constexpr std::pair<std::string_view, std::string_view> kDone[] = {
            {"ban", "Banned"}, {"kick", "Kicked"}, {"unban", "Unbanned"}};
        const auto done = std::find_if(std::begin(kDone), std::end(kDone),
                                       [&](const auto& p) { return p.first == d->action; });
        if (d->done) {
            output.out = std::string(done == std::end(kDone) ? "Done" : done->second) + " " +
                         VisibleText(d->name) + "\n";
        } else {
            output = {"",
                      "varnoctl: could not " + VisibleText(d->action) + " " + VisibleText(d->name) +
                          ": " + VisibleText(d->text) + "\n",
                      kCtlFailed};
        }
    } else if (c == "list") {
        const json::Value* patterns = Find(body, "patterns");
        if (!patterns || !patterns->IsArray()) {
            return Unreadable();
        }
        for (const json::Value& p : patterns->GetArray()) {
            output.out += VisibleText(ReadBytes(p).value_or("")) + "\n";
        }
    } else if (c == "add" || c == "del" || c == "lift") {
        output.out = VisibleText(Member(body, "answer")) + "\n";
    } else if (c == "set") {
        output.out = VisibleText(Member(body, "saved")) + "\n";
    } else if (c == "bans") {
        const auto bans = ReadArray<TimedBanRow>(body, "bans", ReadTimedBan);
        const json::Value* timed = Find(body, "timed");
        if (!bans || !timed || !timed->IsBool()) {
            return Unreadable();
        }
        std::vector<std::vector<std::string>> rows;
        for (const TimedBanRow& b : *bans) {
            rows.push_back({VisibleText(b.name), b.lifting ? "lifting" : TimeLeftText(b.left)});
        }
        output.out = Table(rows);
        if (!timed->GetBool()) {
            output.out += "BanMinutes is not set: new bans are not lifted by time\n";
        } else if (bans->empty()) {
            output.out = "No ban waits to be lifted\n";
        }
    } else if (c == "rules") {
        const auto rules = ReadArray<RuleRow>(body, "rules", ReadRule);
        if (!rules) {
            return Unreadable();
        }
        for (const RuleRow& r : *rules) {
            output.out += VisibleText(r.key) + "=" + VisibleText(r.value) +
                          (r.note.empty() ? "" : "  (Varno.ini: " + VisibleText(r.note) + ")") +
                          "\n";
        }
    } else if (c == "scripts") {
        const auto scripts = ReadArray<ScriptRow>(body, "scripts", ReadScript);
        if (!scripts) {
            return Unreadable();
        }
        std::vector<std::vector<std::string>> rows;
        for (const ScriptRow& s : *scripts) {
            rows.push_back(
                {VisibleText(s.name), s.running ? "running" : "off: " + VisibleText(s.error)});
        }
        const std::string folder = VisibleText(Member(body, "folder"));
        output.out = !scripts->empty() ? Table(rows)
                     : folder.empty()  ? "No scripts: Varno.ini names no Scripts folder\n"
                                       : "No scripts in " + folder + "\n";
    } else if (c == "log") {
        const json::Value* lines = Find(body, "lines");
        if (!lines || !lines->IsArray()) {
            return Unreadable();
        }
        // Each line as its runs, or as its text when that was asked for (a bot that does not
        // know the text form sends the runs).
        for (const json::Value& item : lines->GetArray()) {
            if (const auto text = ReadBytes(item)) {
                output.out += VisibleText(*text);
                output.out += '\n';
            } else if (const auto line = ReadLogLine(item)) {
                output.out += LogText(*line, colour);
            } else {
                return Unreadable();
            }
        }
        if (const json::Value* cut = Find(body, "cut"); cut && cut->IsTrue()) {
            output.err = "varnoctl: only the last " + Counted(lines->Size(), "line") +
                         " came: an answer is held to " + std::to_string(kMaxWaitingBytes >> 20) +
                         " MiB\n";
        }
    }
    return output;
}

std::string RenderLogEvent(const Message& event, bool colour) {
    if (event.kind != Message::Kind::Event || event.event != "log") {
        return "";
    }
    const auto line = ReadLogLine(*event.body);
    return line ? LogText(*line, colour) : "";
}

CtlOutput WaitEnded(const CtlOptions& o) {
    const bool deed = o.command == "ban" || o.command == "kick" || o.command == "unban";
    return {"",
            deed ? "varnoctl: no outcome within " +
                       Counted(static_cast<std::uint64_t>(o.waitSeconds), "second") + "; the " +
                       o.command + " of " + VisibleText(o.args.at(0)) +
                       " goes on, and the bot's log tells its end\n"
                 : "varnoctl: no answer from the bot within " +
                       Counted(static_cast<std::uint64_t>(o.waitSeconds), "second") + "\n",
            kCtlWaitEnded};
}

}  // namespace varno
