#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_event.h"

namespace varno {

class LuaScript;

// A user present in the channel, as a script sees them.
struct ScriptUser {
    std::string name, flags, product;
};

// The operator's scripts: each *.lua file of one folder is a script with a Lua state of its
// own (see LuaScript), loaded in the byte order of the file names. Each event of the channel
// goes to every running script, in that order, as a call of the global function a script
// may define for it (on_join, on_talk ...); a script that defines none for an event costs
// a table lookup. A script that fails to load, raises an error or passes one of its limits
// is said once in a red line, "Script NAME: MESSAGE", and stays off until its file changes
// or every script is loaded afresh; the others go on.
//
// The host reaches the program only through its ports, all of which must be set. A port
// must not call back into the host: an event or a Load that comes while a script runs is
// dropped, so a script never runs inside itself (but the end of a deed waits for the tick).
class ScriptHost {
public:
    struct Ports {
        std::function<bool(std::string_view text)> say, emote;
        std::function<bool(std::string_view name, std::string_view text)> whisper;
        // A deed asked by script (its name without .lua): action "ban", "kick" or "unban".
        // Returns "" when the deed is opened, else why not (e.g. "a trusted user").
        std::function<std::string(std::string_view script, std::string_view action,
                                  std::string_view name, std::string_view reason)>
            moderate;
        std::function<std::string()> channel, ownName;
        std::function<std::vector<ScriptUser>()> users;
        std::function<std::optional<ScriptUser>(std::string_view name)> user;
        std::function<bool(std::string_view name)> trusted, listed;
        std::function<std::int64_t()> now;  // seconds since the epoch
        // A monotonic clock in milliseconds: what a call's time limit is measured by.
        std::function<std::int64_t()> steadyMs;
        std::function<void(std::string_view script, std::string_view text)> log;  // light grey
        std::function<void(std::string_view text)> error;  // one red line, the whole text
    };

    explicit ScriptHost(Ports ports);
    // Ends every script without on_stop (see Stop), each store written when changed.
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // Reads folder's *.lua files in name order. A file whose bytes are unchanged keeps its
    // running script (and its state); a changed or new file is loaded afresh; a removed
    // file's script ends (its store written). force: every script afresh (SIGHUP, Reload).
    // Empty folder path or no folder: no scripts. A running script that ends is told first
    // (on_stop), so that it may note what it keeps in its store.
    void Load(const std::string& folder, bool force);
    // Ends every script, each told first: for the owner to call while the ports still work.
    void Stop();

    struct Status {
        std::string name;
        bool running;
        std::string error;  // why it is off; empty while it runs
    };
    std::vector<Status> status() const;
    bool empty() const;  // no script running: the events cost nothing

    void Channel(std::string_view name);
    void Join(std::string_view name, std::string_view flags, std::string_view product);
    void Leave(std::string_view name);
    void Flags(std::string_view name, std::string_view flags);
    void Talk(std::string_view name, std::string_view text);
    void Emote(std::string_view name, std::string_view text);
    void Whisper(std::string_view name, std::string_view text);
    void Tick();  // once a second: on_tick, and the stores written when changed
    // A trigger command no built-in took: offered to every running script.
    void Command(std::string_view name, std::string_view command, bool listed);
    // The end of a deed script asked for. One that ends while a script runs (its line
    // could not be sent at all) is told on the next tick.
    void DeedEnded(std::string_view script, std::string_view action, std::string_view name,
                   bool done, std::string_view text);

private:
    struct Entry;
    // Calls the event's function of every running script, or of the named one only.
    void Send(ScriptEvent event, std::initializer_list<ScriptArg> args,
              std::optional<std::string_view> only = std::nullopt);
    // Says why the entry's script turned off, and ends it.
    void TurnOff(Entry& entry);
    // Tells the entry's running script it ends (on_stop), and ends it.
    void End(Entry& entry);
    // Writes the entry's store when changed. A failed write is said in one red line, again
    // only once a write has succeeded since.
    void Save(Entry& entry);

    struct EndedDeed {
        std::string script, action, name;
        bool done;
        std::string text;
    };

    Ports ports_;
    std::vector<Entry> entries_;  // in the order of their file names
    bool busy_ = false;           // a script runs
    std::vector<EndedDeed> endedWhileBusy_;
};

}  // namespace varno
