#pragma once

struct lua_State;

namespace varno {

// Replaces, in the libraries that OpenSandbox opened into L, the functions that can work
// long without allocating and so out of the count's reach, with ones whose work counts
// against the call's budget (LuaScript::Charge) and which check its time limit when they
// return:
//   - table.concat, table.insert, table.remove, table.move and table.unpack are the
//     library's, each element they read or write counting as an instruction (a table's
//     metamethods may be C functions, and a move of nothing but nils allocates nothing);
//   - table.sort counts n times log2 n instructions for the n elements of a plain table;
//     sorting anything with a metatable counts every function call as an instruction too;
//   - string.rep counts an instruction for every 16 copies (an empty string repeated a
//     million million times allocates nothing);
//   - string.byte, string.pack, string.packsize, string.unpack, utf8.len, utf8.offset,
//     utf8.codepoint and tonumber count the bytes of the strings they are given, 64 to an
//     instruction.
// Each keeps the library's results, errors and messages.
void GuardLibrary(lua_State* L);

}  // namespace varno
