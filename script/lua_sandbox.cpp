#include "script/lua_sandbox.h"

#include <lua.hpp>

#include <cstring>

#include "script/lua_library.h"
#include "script/lua_patterns.h"
#include "script/lua_script.h"

namespace varno {
namespace {

// After a call that catches errors: the error of a limit passed goes on, whatever the call
// made of it.
int RaiseLimit(lua_State* L, int, lua_KContext) {
    if (LuaScript::Of(L).passedLimit()) {
        return lua_error(L);
    }
    return lua_gettop(L);
}

// The original function, upvalue 1, called with every argument. With a continuation, so
// that a coroutine may yield inside a pcall as it may without the sandbox.
int Catching(lua_State* L) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_callk(L, lua_gettop(L) - 1, LUA_MULTRET, 0, &RaiseLimit);
    return RaiseLimit(L, LUA_OK, 0);
}

int NewCoroutine(lua_State* L) {
    LuaScript::Of(L).Charge(L, LuaScript::kCountEvery);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

int CollectGarbage(lua_State* L) {
    const char* option = luaL_optstring(L, 1, "collect");
    if (std::strcmp(option, "collect") != 0 && std::strcmp(option, "count") != 0) {
        return luaL_argerror(L, 1, "only \"collect\" and \"count\" are allowed");
    }
    if (std::strcmp(option, "collect") == 0) {
        LuaScript::Of(L).Collecting(L);
    }
    lua_settop(L, 1);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, 1, LUA_MULTRET);
    return lua_gettop(L);
}

int SetMetatable(lua_State* L) {
    if (lua_type(L, 2) == LUA_TTABLE) {
        lua_pushliteral(L, "__gc");
        const bool finalizer = lua_rawget(L, 2) != LUA_TNIL;
        lua_pop(L, 1);
        if (finalizer) {
            return luaL_error(L, "__gc metamethods are not available to scripts");
        }
    }
    lua_settop(L, 2);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, 2, 1);
    return 1;
}

// Replaces the function name of the table on top with f, a closure over the original.
void Wrap(lua_State* L, const char* name, lua_CFunction f) {
    lua_getfield(L, -1, name);
    lua_pushcclosure(L, f, 1);
    lua_setfield(L, -2, name);
}

void Remove(lua_State* L, const char* name) {
    lua_pushnil(L);
    lua_setfield(L, -2, name);
}

}  // namespace

void OpenSandbox(lua_State* L) {
    static constexpr luaL_Reg kLibraries[] = {
        {LUA_GNAME, luaopen_base},       {LUA_STRLIBNAME, luaopen_string},
        {LUA_TABLIBNAME, luaopen_table}, {LUA_MATHLIBNAME, luaopen_math},
        {LUA_UTF8LIBNAME, luaopen_utf8}, {LUA_COLIBNAME, luaopen_coroutine},
    };
    for (const luaL_Reg& library : kLibraries) {
        luaL_requiref(L, library.name, library.func, 1);
        lua_pop(L, 1);
    }
    GuardLibrary(L);
    OpenScriptPatterns(L);

    lua_pushglobaltable(L);
    Remove(L, "load");
    Remove(L, "loadfile");
    Remove(L, "dofile");
    Wrap(L, "collectgarbage", &CollectGarbage);
    Wrap(L, "setmetatable", &SetMetatable);
    Wrap(L, "pcall", &Catching);
    Wrap(L, "xpcall", &Catching);

    lua_getfield(L, -1, LUA_COLIBNAME);
    Wrap(L, "resume", &Catching);
    Wrap(L, "close", &Catching);
    Wrap(L, "create", &NewCoroutine);
    Wrap(L, "wrap", &NewCoroutine);
    lua_pop(L, 1);

    lua_getfield(L, -1, LUA_STRLIBNAME);
    Remove(L, "dump");
    lua_pop(L, 2);
}

}  // namespace varno
