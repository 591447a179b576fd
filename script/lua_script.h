#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
// work: Lua instructions, counted by a hook every kCountEvery instructions in every
// coroutine (a new coroutine pays kCountEvery up front for those it runs before its first
// count), and the work of the library's C functions, which runs between counts: each
// kBytesPerInstruction bytes the state allocates count as an instruction, and so do those
// of its memory when it is collected in full; the pattern functions of string count their
// steps (lua_patterns.h). Each count also ends a call that has run for
// kTimeLimitMs, a stop for C functions that work long without allocating (a sort of a big
// table over and over); one C call is not cut short.
//
// The state's memory is capped at 8 MiB: an allocation past it is refused, and refused again
// after Lua has collected its garbage the script has passed its limit. Garbage counts until
// it is collected, and Lua's collector starts a round when the memory has doubled since the
// last: a script that keeps more than about half of the cap alive may pass it by its
// garbage.
//
// A script that passes a limit has its call ended whatever it does with the error (the
// sandbox's pcall, xpcall and coroutine functions raise it again), and is off. So is a script
// whose file fails to load or whose call raises an error. Once off, its state is closed and
// error() says why.
//
// Lua raises errors with longjmp: the C functions of the sandbox and the API keep no C++
// object with a destructor alive across a Lua call that may raise, and the host side
// reaches into the state only through calls that cannot raise or inside lua_pcall.
class LuaScript {
public:
    static constexpr std::int64_t kInstructionLimit = 1000000;
    static constexpr int kCountEvery = 1000;
    static constexpr std::size_t kBytesPerInstruction = 64;
    static constexpr std::int64_t kTimeLimitMs = 1000;
    static constexpr std::size_t kMemoryLimit = 8 * 1024 * 1024;
    static constexpr std::size_t kMaxMessageBytes = 300;

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
    std::size_t memory() const { return memory_; }

    // Calls the script's global function for event with args when it defines one (a global
    // that is not a function is not called). Returns false when the script is off after it.
    bool Call(ScriptEvent event, std::span<const ScriptArg> args);

    ScriptStore& store() { return store_; }

    // For the sandbox and the API, from inside a call.
    static LuaScript& Of(lua_State* L);
    const ScriptHost::Ports& ports() const { return ports_; }
    bool overLimit() const { return limit_ != Limit::None; }
    // Counts instructions run in L; raises the limit's error when the work passes it.
    void Charge(lua_State* L, std::int64_t instructions);
    // The instructions of work the running call may still do.
    std::int64_t workLeft() const { return std::max<std::int64_t>(0, kInstructionLimit - work()); }
    // What a port gave, kept here while the API pushes it into the state, so that no C++
    // object is left behind when the push raises.
    struct Answer {
        std::string text;
        std::vector<ScriptUser> users;
        std::optional<ScriptUser> user;
    };
    Answer& answer() { return answer_; }

private:
    enum class Limit { None, Instructions, Memory, Time };
    struct Request {
        void* block;
        std::size_t oldSize;
        std::size_t newSize;
        bool operator==(const Request&) const = default;
    };

    static void* Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize);
    static void CountHook(lua_State* L, lua_Debug*);
    std::int64_t work() const {
        return instructions_ + static_cast<std::int64_t>(allocated_ / kBytesPerInstruction);
    }
    void Pass(Limit limit);
    static int Open(lua_State* L);
    // Calls the function below nargs arguments on the stack with a fresh instruction
    // budget. Returns false when the script is off after it.
    bool Run(int nargs);
    // Turns the script off: error_ says why, the state is closed.
    void Stop(std::string why);
    std::string Message(int status) const;

    std::string name_;
    const ScriptHost::Ports& ports_;
    ScriptStore store_;
    lua_State* state_ = nullptr;
    std::string error_;
    std::size_t memory_ = 0;
    // The work of the running call: Lua instructions, bytes allocated, its start.
    std::int64_t instructions_ = 0;
    std::size_t allocated_ = 0;
    std::chrono::steady_clock::time_point started_;
    Limit limit_ = Limit::None;
    std::optional<Request> refused_;  // the last allocation refused, until one succeeds
    int eventNames_ = 0;              // the registry's table of the event functions' names
    Answer answer_;
};

}  // namespace varno
