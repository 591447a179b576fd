#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_budget.h"
#include "script/script_event.h"
#include "script/script_host.h"
#include "script/script_store.h"

struct lua_State;
struct lua_Debug;

namespace varno {

// One script: a Lua state of its own in the sandbox (lua_sandbox.h) with the varno table
// (script_api.h) and the script's store.
//
// Each call into the script (running the file, an event) may do 1,000,000 instructions of
// work (see ScriptBudget): Lua instructions, counted by a hook every kCountEvery
// instructions in every coroutine (a new coroutine pays kCountEvery up front for those it
// runs before its first count), the work of the library's functions that can run long
// without allocating (the pattern functions' steps: lua_patterns.h; repetitions, the table
// functions' elements, sorting, scanning long strings: lua_library.h), and the bytes the
// state allocates. Each count, each such function of lua_library.h and each call of the
// varno table also ends a call that has run for kTimeLimitMs: so does nothing a script
// calls outlast the limit by more than one of them.
// A script runs in the "C" locale: strings compare by their bytes and numbers are written
// with a full stop, whatever the program's locale.
//
// The state's memory is capped at 8 MiB (see ScriptBudget). Garbage counts until it is
// collected, and Lua's collector starts a round when the memory has doubled since the last:
// a script that keeps more than about half of the cap alive may pass it by its garbage.
//
// A script that passes a limit has its call ended whatever it does with the error (the
// sandbox's pcall, xpcall and coroutine functions raise it again, and past a limit every
// count raises again and every allocation is refused), and is off. So is a script whose
// file fails to load or whose call raises an error. Once off, its state is closed and
// error() says why.
//
// Lua raises errors with longjmp: the C functions of the sandbox and the API keep no C++
// object with a destructor alive across a Lua call that may raise, and the host side
// reaches into the state only through calls that cannot raise or inside lua_pcall. A call's
// budget starts before its arguments are pushed, so that what the last call left counted
// never refuses them.
class LuaScript {
public:
    static constexpr std::int64_t kInstructionLimit = ScriptBudget::kInstructionLimit;
    static constexpr std::size_t kMemoryLimit = ScriptBudget::kMemoryLimit;
    static constexpr int kCountEvery = 250;
    static constexpr std::int64_t kTimeLimitMs = 1000;
    static constexpr std::size_t kMaxMessageBytes = 300;
    // A script's log lines: each cut at kMaxMessageBytes, at most kLogLinesPerSecond in a
    // second of the clock (the rest of that second's left out, told in one red line).
    static constexpr int kLogLinesPerSecond = 20;
    // A file larger than the state's memory can't be a script that runs in it.
    static constexpr std::size_t kMaxFileBytes = kMemoryLimit;

    // Loads code as the script name (its file name without .lua) and runs it; the script
    // is off when that fails. Its store is read from storePath.
    LuaScript(std::string name, std::string_view code, std::string storePath,
              const ScriptHost::Ports& ports);
    // Closes the state and writes the store when changed.
    ~LuaScript();
    LuaScript(const LuaScript&) = delete;
    LuaScript& operator=(const LuaScript&) = delete;

    bool running() const { return state_ != nullptr; }
    const std::string& error() const { return error_; }
    const std::string& name() const { return name_; }
    std::size_t memory() const { return budget_.memory(); }

    // Calls the script's global function for event with args when it defines one (a global
    // that is not a function is not called). Returns false when the script is off after it.
    bool Call(ScriptEvent event, std::span<const ScriptArg> args);

    ScriptStore& store() { return store_; }

    // For the sandbox and the API, from inside a call.
    static LuaScript& Of(lua_State* L);
    const ScriptHost::Ports& ports() const { return ports_; }
    bool overLimit() const { return budget_.limit() != ScriptBudget::Limit::None; }
    // Where an error was caught: whether a limit was passed, a refusal that came before it
    // included (see ScriptBudget::Settle).
    bool passedLimit() {
        budget_.Settle();
        return overLimit();
    }
    // Counts instructions of work done in L; raises the limit's error when the work passes
    // it.
    void Charge(lua_State* L, std::int64_t instructions);
    // The instructions of work the running call may still do.
    std::int64_t workLeft() const { return budget_.workLeft(); }
    // Raises the time limit's error when the call has run for kTimeLimitMs.
    void CheckTime(lua_State* L);
    // A full collection the script asks for: the memory it goes over counts as work.
    void Collecting(lua_State* L);
    // While on, every function call in L counts as an instruction too and checks the time:
    // for a library function whose loop calls functions (metamethods) in C, out of the
    // count's reach. Switching charges kCountEvery, the most of a count it may lose.
    void CountCalls(lua_State* L, bool on);
    // A line of the script's log, cut and counted against kLogLinesPerSecond.
    void Log(std::string_view text);
    // What a port gave, kept here while the API pushes it into the state, so that no C++
    // object is left behind when the push raises.
    struct Answer {
        std::string text;
        std::vector<ScriptUser> users;
        std::optional<ScriptUser> user;
    };
    Answer& answer() { return answer_; }

private:
    static void* Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize);
    static void CountHook(lua_State* L, lua_Debug* ar);
    // Raises the error of the limit passed, and makes every later count raise it again.
    [[noreturn]] void Raise(lua_State* L);
    static int Open(lua_State* L);
    // Starts a call's budget and clock.
    void Begin();
    // Calls the function below nargs arguments on the stack, within the budget begun.
    // Returns false when the script is off after it.
    bool Run(int nargs);
    // Turns the script off: error_ says why, the state is closed.
    void Stop(std::string why);
    std::string Message(int status) const;

    std::string name_;
    const ScriptHost::Ports& ports_;
    ScriptStore store_;
    ScriptBudget budget_;
    lua_State* state_ = nullptr;
    std::string error_;
    std::int64_t started_ = 0;  // of the running call, on the ports' steady clock
    int eventNames_ = 0;        // the registry's table of the event functions' names
    Answer answer_;
    // The second of the clock whose log lines are counted, and how many it had.
    std::int64_t logSecond_ = 0;
    int logLines_ = 0;
};

}  // namespace varno
