#include "script/lua_script.h"

#include <lua.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "script/lua_sandbox.h"
#include "script/script_api.h"

namespace varno {
namespace {

// Between calls the stack holds the message handler, the globals and the names of the
// event functions, so that a call finds its function with two lookups and no allocation.
constexpr int kHandler = 1;
constexpr int kGlobals = 2;
constexpr int kNames = 3;
constexpr int kBase = kNames;

void PushArgs(lua_State* L, std::span<const ScriptArg> args) {
    for (const ScriptArg& arg : args) {
        if (const auto* text = std::get_if<std::string_view>(&arg)) {
            lua_pushlstring(L, text->data(), text->size());
        } else if (const auto* number = std::get_if<std::int64_t>(&arg)) {
            lua_pushinteger(L, *number);
        } else {
            lua_pushboolean(L, *std::get_if<bool>(&arg));
        }
    }
}

// The protected part of a call whose arguments might not fit: pushes them (at 2, a span of
// them) for the function at 1 and calls it, so that a refused allocation raises inside the
// state's protection.
int CallWithArgs(lua_State* L) {
    const auto args = *static_cast<const std::span<const ScriptArg>*>(lua_touserdata(L, 2));
    lua_settop(L, 1);
    PushArgs(L, args);
    lua_call(L, static_cast<int>(args.size()), 0);
    return 0;
}

// The bytes a state may allocate for args: each string's, with a string header and room
// for a step of the collector, which frees but may shrink a table or two.
std::size_t ArgBytes(std::span<const ScriptArg> args) {
    std::size_t bytes = 4096;
    for (const ScriptArg& arg : args) {
        if (const auto* text = std::get_if<std::string_view>(&arg)) {
            bytes += text->size() + 64;
        }
    }
    return bytes;
}

// The message handler of every call: a message raised without the script's position (by a
// C function, as "C stack overflow" is) gets that of the innermost Lua function running.
int Locate(lua_State* L) {
    if (lua_type(L, 1) != LUA_TSTRING) {
        return 1;
    }
    std::size_t length = 0;
    const char* text = lua_tolstring(L, 1, &length);
    const std::string_view message(text, length);
    lua_Debug ar;
    for (int level = 1; lua_getstack(L, level, &ar); ++level) {
        lua_getinfo(L, "Sl", &ar);
        if (ar.currentline <= 0) {
            continue;
        }
        const std::string_view source(ar.short_src);
        if (!message.starts_with(source) || message.substr(source.size(), 1) != ":") {
            lua_pushfstring(L, "%s:%d: %s", ar.short_src, ar.currentline, text);
        }
        break;
    }
    return 1;
}

// text cut to LuaScript::kMaxMessageBytes, never inside a UTF-8 character.
std::string Cut(std::string_view text) {
    if (text.size() <= LuaScript::kMaxMessageBytes) {
        return std::string(text);
    }
    std::size_t length = LuaScript::kMaxMessageBytes;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return std::string(text.substr(0, length)) + "...";
}

std::string MemoryLimitText() {
    return "memory limit passed (" + std::to_string(LuaScript::kMemoryLimit >> 20) + " MiB)";
}

}  // namespace

LuaScript::LuaScript(std::string name, std::string_view code, std::string storePath,
                     const ScriptHost::Ports& ports)
    : name_(std::move(name)), ports_(ports), store_(std::move(storePath)) {
    state_ = lua_newstate(&Allocate, this);
    if (!state_) {
        Stop(MemoryLimitText());
        return;
    }
    *static_cast<LuaScript**>(lua_getextraspace(state_)) = this;
    lua_pushcfunction(state_, &Locate);
    lua_pushcfunction(state_, &Open);
    if (!Run(0)) {
        return;
    }
    lua_rawgeti(state_, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_rawgeti(state_, LUA_REGISTRYINDEX, eventNames_);
    const std::string chunkName = "=" + name_ + ".lua";
    const int status = luaL_loadbufferx(state_, code.data(), code.size(), chunkName.c_str(), "t");
    if (status != LUA_OK) {
        Stop(Message(status));
        return;
    }
    Run(0);
}

LuaScript::~LuaScript() {
    if (state_) {
        lua_close(state_);
    }
    store_.Save();
}

LuaScript& LuaScript::Of(lua_State* L) {
    return **static_cast<LuaScript**>(lua_getextraspace(L));
}

void LuaScript::Pass(Limit limit) {
    if (limit_ == Limit::None) {
        limit_ = limit;
    }
}

void LuaScript::CountHook(lua_State* L, lua_Debug*) {
    LuaScript& script = Of(L);
    const auto ran = std::chrono::steady_clock::now() - script.started_;
    if (ran > std::chrono::milliseconds(kTimeLimitMs)) {
        script.Pass(Limit::Time);
        lua_sethook(L, &CountHook, LUA_MASKCOUNT, 1);
        luaL_error(L, "time limit passed");
    }
    script.Charge(L, lua_gethookcount(L));
}

// Counts in blocks of kCountEvery, the hook firing before the instruction that ends a
// block; the last block of the budget is counted one instruction at a time, so that the
// call ends right after the budget's last instruction. Past the budget every instruction
// raises again, so that no error handler or closing method runs on.
void LuaScript::Charge(lua_State* L, std::int64_t instructions) {
    instructions_ += instructions;
    if (work() > kInstructionLimit) {
        Pass(Limit::Instructions);
        lua_sethook(L, &CountHook, LUA_MASKCOUNT, 1);
        luaL_error(L, "instruction limit passed");
    }
    if (work() + kCountEvery > kInstructionLimit && lua_gethookcount(L) != 1) {
        lua_sethook(L, &CountHook, LUA_MASKCOUNT, 1);
    }
}

// Lua gives the size of a block it frees or grows; for a new block oldSize tells its type
// instead. When an allocation fails Lua collects all its garbage, which is counted as work,
// and asks once more for the same block: refused twice, the script holds more than its
// limit of live memory. An allocation past the work budget is refused too, so that a C
// function that allocates goes no further.
void* LuaScript::Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize) {
    LuaScript& script = *static_cast<LuaScript*>(self);
    const std::size_t old = block ? oldSize : 0;
    if (newSize == 0) {
        std::free(block);
        script.memory_ -= old;
        return nullptr;
    }
    if (newSize > old) {
        if (newSize - old > kMemoryLimit - script.memory_) {
            const Request request{block, oldSize, newSize};
            if (script.refused_ == request) {
                script.Pass(Limit::Memory);
            } else {
                script.allocated_ += script.memory_;
            }
            script.refused_ = request;
            return nullptr;
        }
        script.allocated_ += newSize - old;
        if (script.work() > kInstructionLimit) {
            script.Pass(Limit::Instructions);
            return nullptr;
        }
    }
    void* grown = std::realloc(block, newSize);
    if (grown) {
        script.memory_ = script.memory_ - old + newSize;
        if (newSize > old) {
            script.refused_.reset();
        }
    }
    return grown;
}

int LuaScript::Open(lua_State* L) {
    OpenSandbox(L);
    OpenApi(L);
    lua_createtable(L, static_cast<int>(std::size(kScriptEventNames)), 0);
    for (std::size_t i = 0; i < std::size(kScriptEventNames); ++i) {
        lua_pushlstring(L, kScriptEventNames[i].data(), kScriptEventNames[i].size());
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    Of(L).eventNames_ = luaL_ref(L, LUA_REGISTRYINDEX);
    return 0;
}

// The function is looked up raw in the globals, with the names made when the state was
// opened: nothing is allocated and no metamethod runs unless the script defines it. Its
// arguments are pushed outside the state's protection only when they cannot be refused:
// the stack has room and the memory left holds them, so that the push cannot raise (Lua
// would end the program). Otherwise a protected C function pushes them.
bool LuaScript::Call(ScriptEvent event, std::span<const ScriptArg> args) {
    if (!state_) {
        return false;
    }
    lua_State* L = state_;
    lua_rawgeti(L, kNames, static_cast<lua_Integer>(event) + 1);
    if (lua_rawget(L, kGlobals) != LUA_TFUNCTION) {
        lua_settop(L, kBase);
        return true;
    }
    const bool fits = lua_checkstack(L, static_cast<int>(args.size()) + LUA_MINSTACK) &&
                      ArgBytes(args) <= kMemoryLimit - memory_;
    if (fits) {
        PushArgs(L, args);
        return Run(static_cast<int>(args.size()));
    }
    lua_pushcfunction(L, &CallWithArgs);
    lua_insert(L, -2);
    lua_pushlightuserdata(L, &args);
    return Run(2);
}

bool LuaScript::Run(int nargs) {
    instructions_ = 0;
    allocated_ = 0;
    started_ = std::chrono::steady_clock::now();
    lua_sethook(state_, &CountHook, LUA_MASKCOUNT, kCountEvery);
    const int base = lua_gettop(state_) - nargs - 1;
    const int status = lua_pcall(state_, nargs, 0, kHandler);
    if (!answer_.users.empty()) {
        std::vector<ScriptUser>().swap(answer_.users);
    }
    if (status == LUA_OK && !overLimit()) {
        lua_settop(state_, base);
        return true;
    }
    Stop(Message(status));
    return false;
}

void LuaScript::Stop(std::string why) {
    error_ = std::move(why);
    if (state_) {
        lua_close(state_);
        state_ = nullptr;
    }
}

// The error object is read without running the script: a string as it is, a number as
// Lua writes it, anything else by its type.
std::string LuaScript::Message(int status) const {
    if (limit_ == Limit::Instructions) {
        return "instruction limit passed (" + std::to_string(kInstructionLimit) + " instructions)";
    }
    if (limit_ == Limit::Time) {
        return "time limit passed (" + std::to_string(kTimeLimitMs / 1000) + " s)";
    }
    if (limit_ == Limit::Memory || status == LUA_ERRMEM) {
        return MemoryLimitText();
    }
    lua_State* L = state_;
    switch (lua_type(L, -1)) {
        case LUA_TSTRING: {
            std::size_t length = 0;
            const char* text = lua_tolstring(L, -1, &length);
            return Cut(std::string_view(text, length));
        }
        case LUA_TNUMBER: {
            if (lua_isinteger(L, -1)) {
                return std::to_string(lua_tointeger(L, -1));
            }
            char text[64];
            std::snprintf(text, sizeof text, LUA_NUMBER_FMT, lua_tonumber(L, -1));
            return text;
        }
        default:
            return std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
    }
}

}  // namespace varno
