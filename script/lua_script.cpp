#include "script/lua_script.h"

#include <locale.h>
#include <lua.hpp>

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

// The "C" locale, made once, for the thread while a script runs.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
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
    Begin();
    if (!Run(0)) {
        return;
    }
    lua_rawgeti(state_, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_rawgeti(state_, LUA_REGISTRYINDEX, eventNames_);
    if (code.size() > kMaxFileBytes) {
        Stop("the file is too big (over " + std::to_string(kMaxFileBytes >> 20) + " MiB)");
        return;
    }
    const std::string chunkName = "=" + name_ + ".lua";
    Begin();
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

[[noreturn]] void LuaScript::Raise(lua_State* L) {
    lua_sethook(L, &CountHook, lua_gethookmask(L) | LUA_MASKCOUNT, 1);
    switch (budget_.limit()) {
        case ScriptBudget::Limit::Time:
            luaL_error(L, "time limit passed");
            break;
        case ScriptBudget::Limit::Memory:
            luaL_error(L, "not enough memory");
            break;
        default:
            luaL_error(L, "instruction limit passed");
            break;
    }
    std::abort();  // luaL_error does not return
}

void LuaScript::CountHook(lua_State* L, lua_Debug* ar) {
    LuaScript& script = Of(L);
    if (script.overLimit()) {
        script.Raise(L);
    }
    script.CheckTime(L);
    script.Charge(L, ar->event == LUA_HOOKCALL ? 1 : lua_gethookcount(L));
}

void LuaScript::CheckTime(lua_State* L) {
    if (ports_.steadyMs() - started_ > kTimeLimitMs) {
        budget_.Pass(ScriptBudget::Limit::Time);
        Raise(L);
    }
}

// Counts in blocks of kCountEvery, the hook firing before the instruction that ends a
// block; the last block of the budget is counted one instruction at a time, so that the
// call ends right after the budget's last instruction. Past the budget every instruction
// raises again, so that no error handler or closing method runs on.
void LuaScript::Charge(lua_State* L, std::int64_t instructions) {
    budget_.Charge(instructions);
    if (overLimit()) {
        Raise(L);
    }
    if (budget_.workLeft() < kCountEvery && lua_gethookcount(L) != 1) {
        lua_sethook(L, &CountHook, lua_gethookmask(L), 1);
    }
}

void LuaScript::Collecting(lua_State* L) {
    budget_.Collected();
    Charge(L, 0);
}

void LuaScript::CountCalls(lua_State* L, bool on) {
    const int mask = on ? LUA_MASKCOUNT | LUA_MASKCALL : LUA_MASKCOUNT;
    lua_sethook(L, &CountHook, mask, budget_.workLeft() < kCountEvery ? 1 : kCountEvery);
    Charge(L, kCountEvery);
}

void LuaScript::Log(std::string_view text) {
    const std::int64_t second = ports_.now();
    if (second != logSecond_) {
        logSecond_ = second;
        logLines_ = 0;
    }
    if (++logLines_ > kLogLinesPerSecond) {
        if (logLines_ == kLogLinesPerSecond + 1) {
            ports_.error("Script " + name_ + ": more than " + std::to_string(kLogLinesPerSecond) +
                         " log lines in a second; the rest of this second's are left out");
        }
        return;
    }
    ports_.log(name_, Cut(text));
}

// Lua gives the size of a block it frees or grows; for a new block oldSize tells its type
// instead. The budget decides whether a block may grow (see ScriptBudget).
void* LuaScript::Allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize) {
    ScriptBudget& budget = static_cast<LuaScript*>(self)->budget_;
    const std::size_t old = block ? oldSize : 0;
    if (newSize == 0) {
        std::free(block);
        budget.Shrunk(old, 0);
        return nullptr;
    }
    if (newSize > old && !budget.MayGrow(block, old, newSize)) {
        return nullptr;
    }
    void* grown = std::realloc(block, newSize);
    if (grown && newSize > old) {
        budget.Grown(old, newSize);
    } else if (grown) {
        budget.Shrunk(old, newSize);
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
    Begin();
    const bool fits = lua_checkstack(L, static_cast<int>(args.size()) + LUA_MINSTACK) &&
                      !overLimit() && ArgBytes(args) <= kMemoryLimit - memory();
    if (fits) {
        PushArgs(L, args);
        return Run(static_cast<int>(args.size()));
    }
    lua_pushcfunction(L, &CallWithArgs);
    lua_insert(L, -2);
    lua_pushlightuserdata(L, &args);
    return Run(2);
}

void LuaScript::Begin() {
    budget_.Start();
    started_ = ports_.steadyMs();
}

bool LuaScript::Run(int nargs) {
    lua_sethook(state_, &CountHook, LUA_MASKCOUNT, kCountEvery);
    const int base = lua_gettop(state_) - nargs - 1;
    const locale_t locale = uselocale(CLocale());
    const int status = lua_pcall(state_, nargs, 0, kHandler);
    uselocale(locale);
    budget_.Settle();
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
    const ScriptBudget::Limit limit = budget_.limit();
    if (limit == ScriptBudget::Limit::Instructions) {
        return "instruction limit passed (" + std::to_string(kInstructionLimit) + " instructions)";
    }
    if (limit == ScriptBudget::Limit::Time) {
        return "time limit passed (" + std::to_string(kTimeLimitMs / 1000) + " s)";
    }
    if (limit == ScriptBudget::Limit::Memory || status == LUA_ERRMEM) {
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
