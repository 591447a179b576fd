#pragma once

struct lua_State;

namespace varno {

// Opens into L, from inside a call of a LuaScript's state, the varno table: the actions,
// queries, store and log of a script, each answered by the script's ports or store. varno is
// a proxy: reading it reaches the functions, writing it raises, its metatable is locked and
// rawset refuses it, so that no call of the script can change what its other calls reach.
// print writes its line to the log as varno.log does (the program's standard output is no
// place for a script).
void OpenApi(lua_State* L);

}  // namespace varno
