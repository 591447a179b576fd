#pragma once

struct lua_State;

namespace varno {

// Opens into L, from inside a call of a LuaScript's state, the libraries a script may use:
// base, string, table, math, utf8 and coroutine. What could reach the machine or slip the
// script's limits is taken out or guarded:
//   - load, loadfile, dofile and string.dump are gone (no code but the file's text, no
//     binary chunk);
//   - collectgarbage takes only "collect" (the default), whose collection counts as work
//     (the memory it goes over), and "count";
//   - setmetatable refuses a metatable with a __gc field: Lua runs finalizers with the
//     instruction count off;
//   - pcall, xpcall, coroutine.resume and coroutine.close raise again the error of a limit
//     passed, so no script swallows it;
//   - coroutine.create and coroutine.wrap charge each new coroutine LuaScript::kCountEvery
//     instructions, what it may run before its count first fires.
//   - the library functions that can work long without allocating count that work (see
//     lua_library.h).
// io, os, package and debug are never opened.
void OpenSandbox(lua_State* L);

}  // namespace varno
