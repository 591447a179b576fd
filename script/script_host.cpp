#include "script/script_host.h"

#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "moderation/text_file.h"
#include "script/lua_script.h"

namespace varno {
namespace {

struct ScriptFile {
    std::string name;  // without .lua
    std::filesystem::path path;
};

// The *.lua files of folder, in the byte order of their names.
std::vector<ScriptFile> ScriptFiles(const std::string& folder) {
    std::vector<ScriptFile> files;
    if (folder.empty()) {
        return files;
    }
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string file = it->path().filename().string();
        std::error_code typeError;
        if (file.size() > 4 && file.ends_with(".lua") && it->is_regular_file(typeError)) {
            files.push_back({file.substr(0, file.size() - 4), it->path()});
        }
    }
    // By the whole file names: "a-b.lua" before "a.lua", as their bytes go.
    std::sort(files.begin(), files.end(), [](const ScriptFile& a, const ScriptFile& b) {
        return a.path.filename().string() < b.path.filename().string();
    });
    return files;
}

}  // namespace

struct ScriptHost::Entry {
    std::string name;
    std::optional<std::string> bytes;   // the file's, when it could be read
    std::unique_ptr<LuaScript> script;  // while it runs
    std::string error;
    bool unsaved = false;  // the last write of its store failed, and was told
};

ScriptHost::ScriptHost(Ports ports) : ports_(std::move(ports)) {}

ScriptHost::~ScriptHost() = default;

void ScriptHost::Load(const std::string& folder, bool force) {
    if (busy_) {
        return;
    }
    busy_ = true;
    std::vector<Entry> old = std::move(entries_);
    entries_.clear();
    for (ScriptFile& file : ScriptFiles(folder)) {
        TextFile text = ReadTextFile(file.path.string());
        std::optional<std::string> bytes;
        if (text.complete) {
            bytes = std::move(text.bytes);
        }
        const auto previous = std::find_if(old.begin(), old.end(),
                                           [&](const Entry& e) { return e.name == file.name; });
        if (previous != old.end()) {
            if (!force && previous->bytes == bytes) {
                entries_.push_back(std::move(*previous));
                old.erase(previous);
                continue;
            }
            End(*previous);  // its store written before the new script reads it
        }
        Entry& entry = entries_.emplace_back(Entry{std::move(file.name), std::move(bytes), {}, {}});
        if (!entry.bytes) {
            entry.error = "the file can't be read";
            ports_.error("Script " + entry.name + ": " + entry.error);
            continue;
        }
        entry.script = std::make_unique<LuaScript>(
            entry.name, *entry.bytes, file.path.replace_extension(".store").string(), ports_);
        if (!entry.script->running()) {
            TurnOff(entry);
        }
    }
    for (Entry& entry : old) {
        End(entry);
    }
    busy_ = false;
}

void ScriptHost::Stop() {
    Load("", false);
}

void ScriptHost::End(Entry& entry) {
    if (entry.script && !entry.script->Call(ScriptEvent::Stop, {})) {
        TurnOff(entry);
    }
    if (entry.script) {
        Save(entry);
    }
    entry.script.reset();
}

void ScriptHost::Save(Entry& entry) {
    const bool saved = entry.script->store().Save();
    if (!saved && !entry.unsaved) {
        ports_.error("Script " + entry.name + ": could not write " + entry.name + ".store");
    }
    entry.unsaved = !saved;
}

void ScriptHost::TurnOff(Entry& entry) {
    entry.error = entry.script->error();
    entry.script.reset();
    ports_.error("Script " + entry.name + ": " + entry.error);
}

std::vector<ScriptHost::Status> ScriptHost::status() const {
    std::vector<Status> all;
    for (const Entry& entry : entries_) {
        all.push_back({entry.name, entry.script != nullptr, entry.error});
    }
    return all;
}

bool ScriptHost::empty() const {
    return std::none_of(entries_.begin(), entries_.end(),
                        [](const Entry& entry) { return entry.script != nullptr; });
}

void ScriptHost::Send(ScriptEvent event, std::initializer_list<ScriptArg> args,
                      std::optional<std::string_view> only) {
    if (busy_) {
        return;
    }
    busy_ = true;
    const std::span<const ScriptArg> span(args.begin(), args.size());
    for (Entry& entry : entries_) {
        if (entry.script && (!only || entry.name == *only) && !entry.script->Call(event, span)) {
            TurnOff(entry);
        }
    }
    busy_ = false;
}

void ScriptHost::Channel(std::string_view name) {
    Send(ScriptEvent::Channel, {name});
}

void ScriptHost::Join(std::string_view name, std::string_view flags, std::string_view product) {
    Send(ScriptEvent::Join, {name, flags, product});
}

void ScriptHost::Leave(std::string_view name) {
    Send(ScriptEvent::Leave, {name});
}

void ScriptHost::Flags(std::string_view name, std::string_view flags) {
    Send(ScriptEvent::Flags, {name, flags});
}

void ScriptHost::Talk(std::string_view name, std::string_view text) {
    Send(ScriptEvent::Talk, {name, text});
}

void ScriptHost::Emote(std::string_view name, std::string_view text) {
    Send(ScriptEvent::Emote, {name, text});
}

void ScriptHost::Whisper(std::string_view name, std::string_view text) {
    Send(ScriptEvent::Whisper, {name, text});
}

void ScriptHost::Tick() {
    if (busy_ || empty()) {
        return;
    }
    // The deeds that ended while a script ran, each told once to the script that asked.
    for (const EndedDeed& deed : std::exchange(endedWhileBusy_, {})) {
        Send(ScriptEvent::Deed, {deed.action, deed.name, deed.done, deed.text}, deed.script);
    }
    Send(ScriptEvent::Tick, {ports_.now()});
    for (Entry& entry : entries_) {
        if (entry.script) {
            Save(entry);
        }
    }
}

void ScriptHost::Command(std::string_view name, std::string_view command, bool listed) {
    Send(ScriptEvent::Command, {name, command, listed});
}

void ScriptHost::DeedEnded(std::string_view script, std::string_view action, std::string_view name,
                           bool done, std::string_view text) {
    if (busy_) {
        endedWhileBusy_.push_back(
            {std::string(script), std::string(action), std::string(name), done, std::string(text)});
        return;
    }
    Send(ScriptEvent::Deed, {action, name, done, text}, script);
}

}  // namespace varno
