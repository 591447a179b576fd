#include "script/lua_library.h"

#include <lua.hpp>

#include <bit>
#include <climits>
#include <cstdint>

#include "script/lua_script.h"

namespace varno {
namespace {

// The elements read or written between two looks at the clock.
constexpr lua_Integer kElementsPerLook = 1024;
// string.rep: the copies that count as one instruction.
constexpr lua_Integer kCopiesPerInstruction = 16;

// What a guarded function of the library counts before it runs.
enum class Cost { Bytes, Copies, Sorting };

// One element of a table function's loop: an instruction, and now and then a look at the
// clock.
void Element(lua_State* L, LuaScript& script, lua_Integer i) {
    script.Charge(L, 1);
    if (i % kElementsPerLook == 0) {
        script.CheckTime(L);
    }
}

// The table functions below are the library's, element for element: the same reads and
// writes in the same order, the same checks and messages.
constexpr int kRead = 1;
constexpr int kWrite = 2;
constexpr int kLength = 4;

bool HasField(lua_State* L, const char* key, int n) {
    lua_pushstring(L, key);
    return lua_rawget(L, -n) != LUA_TNIL;
}

// Whether arg is a table or has the metamethods that make it behave as one.
void CheckTable(lua_State* L, int arg, int what) {
    if (lua_type(L, arg) == LUA_TTABLE) {
        return;
    }
    int n = 1;
    if (lua_getmetatable(L, arg) && (!(what & kRead) || HasField(L, "__index", ++n)) &&
        (!(what & kWrite) || HasField(L, "__newindex", ++n)) &&
        (!(what & kLength) || HasField(L, "__len", ++n))) {
        lua_pop(L, n);
    } else {
        luaL_checktype(L, arg, LUA_TTABLE);
    }
}

lua_Integer Length(lua_State* L, int arg, int what) {
    CheckTable(L, arg, what | kLength);
    return luaL_len(L, arg);
}

int Insert(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    const lua_Integer end =
        static_cast<lua_Integer>(static_cast<lua_Unsigned>(Length(L, 1, kRead | kWrite)) + 1u);
    lua_Integer pos = end;
    switch (lua_gettop(L)) {
        case 2:
            break;
        case 3:
            pos = luaL_checkinteger(L, 2);
            luaL_argcheck(L, static_cast<lua_Unsigned>(pos) - 1u < static_cast<lua_Unsigned>(end),
                          2, "position out of bounds");
            for (lua_Integer i = end; i > pos; --i) {
                Element(L, script, i);
                lua_geti(L, 1, i - 1);
                lua_seti(L, 1, i);
            }
            break;
        default:
            return luaL_error(L, "wrong number of arguments to 'insert'");
    }
    lua_seti(L, 1, pos);
    return 0;
}

int Remove(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    const lua_Integer size = Length(L, 1, kRead | kWrite);
    lua_Integer pos = luaL_optinteger(L, 2, size);
    if (pos != size) {
        // The library names the table, not the position, in this error.
        luaL_argcheck(L, static_cast<lua_Unsigned>(pos) - 1u <= static_cast<lua_Unsigned>(size), 1,
                      "position out of bounds");
    }
    lua_geti(L, 1, pos);
    for (; pos < size; ++pos) {
        Element(L, script, pos);
        lua_geti(L, 1, pos + 1);
        lua_seti(L, 1, pos);
    }
    lua_pushnil(L);
    lua_seti(L, 1, pos);
    return 1;
}

int Move(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    const lua_Integer first = luaL_checkinteger(L, 2);
    const lua_Integer last = luaL_checkinteger(L, 3);
    const lua_Integer to = luaL_checkinteger(L, 4);
    const int target = lua_isnoneornil(L, 5) ? 1 : 5;
    CheckTable(L, 1, kRead);
    CheckTable(L, target, kWrite);
    if (last >= first) {
        luaL_argcheck(L, first > 0 || last < LUA_MAXINTEGER + first, 3,
                      "too many elements to move");
        const lua_Integer n = last - first + 1;
        luaL_argcheck(L, to <= LUA_MAXINTEGER - n + 1, 4, "destination wrap around");
        if (to > last || to <= first || (target != 1 && !lua_compare(L, 1, target, LUA_OPEQ))) {
            for (lua_Integer i = 0; i < n; ++i) {
                Element(L, script, i + 1);
                lua_geti(L, 1, first + i);
                lua_seti(L, target, to + i);
            }
        } else {
            for (lua_Integer i = n - 1; i >= 0; --i) {
                Element(L, script, n - i);
                lua_geti(L, 1, first + i);
                lua_seti(L, target, to + i);
            }
        }
    }
    lua_pushvalue(L, target);
    return 1;
}

void AddField(lua_State* L, luaL_Buffer* buffer, lua_Integer i) {
    lua_geti(L, 1, i);
    if (!lua_isstring(L, -1)) {
        luaL_error(L, "invalid value (%s) at index %I in table for 'concat'", luaL_typename(L, -1),
                   static_cast<LUAI_UACINT>(i));
    }
    luaL_addvalue(buffer);
}

int Concat(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    lua_Integer last = Length(L, 1, kRead);
    std::size_t separatorLength = 0;
    const char* separator = luaL_optlstring(L, 2, "", &separatorLength);
    lua_Integer i = luaL_optinteger(L, 3, 1);
    last = luaL_optinteger(L, 4, last);
    luaL_Buffer buffer;
    luaL_buffinit(L, &buffer);
    for (; i < last; ++i) {
        Element(L, script, i);
        AddField(L, &buffer, i);
        luaL_addlstring(&buffer, separator, separatorLength);
    }
    if (i == last) {
        AddField(L, &buffer, i);
    }
    luaL_pushresult(&buffer);
    return 1;
}

int Unpack(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    lua_Integer i = luaL_optinteger(L, 2, 1);
    const lua_Integer last = lua_isnoneornil(L, 3) ? luaL_len(L, 1) : luaL_checkinteger(L, 3);
    if (i > last) {
        return 0;
    }
    lua_Unsigned n = static_cast<lua_Unsigned>(last) - static_cast<lua_Unsigned>(i);
    if (n >= static_cast<unsigned int>(INT_MAX) || !lua_checkstack(L, static_cast<int>(++n))) {
        return luaL_error(L, "too many results to unpack");
    }
    for (; i < last; ++i) {
        Element(L, script, i);
        lua_geti(L, 1, i);
    }
    lua_geti(L, 1, last);
    return static_cast<int>(n);
}

// n times log2 n, held within what a budget can count.
std::int64_t Comparisons(std::uint64_t n) {
    const auto log = static_cast<std::uint64_t>(std::bit_width(n));
    return n != 0 && log > static_cast<std::uint64_t>(INT64_MAX) / n
               ? INT64_MAX
               : static_cast<std::int64_t>(n * log);
}

// A guarded function: counts its cost, then runs the library's function (upvalue 1) in its
// own place on the stack, so that its errors name the function as the script called it,
// and looks at the clock once it returns.
int Guarded(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    const lua_CFunction original =
        *static_cast<lua_CFunction*>(lua_touserdata(L, lua_upvalueindex(1)));
    int results = 0;
    switch (static_cast<Cost>(lua_tointeger(L, lua_upvalueindex(2)))) {
        case Cost::Bytes: {
            std::size_t bytes = 0;
            for (int i = 1, top = lua_gettop(L); i <= top; ++i) {
                if (lua_type(L, i) == LUA_TSTRING) {
                    bytes += lua_rawlen(L, i);
                }
            }
            script.Charge(L, static_cast<std::int64_t>(bytes / ScriptBudget::kBytesPerInstruction));
            results = original(L);
            break;
        }
        case Cost::Copies: {
            int integer = 0;
            const lua_Integer copies = lua_tointegerx(L, 2, &integer);
            if (integer && copies > 0) {
                script.Charge(L, copies / kCopiesPerInstruction);
            }
            results = original(L);
            break;
        }
        case Cost::Sorting: {
            bool plain = false;
            if (lua_type(L, 1) == LUA_TTABLE) {
                plain = !lua_getmetatable(L, 1);
                if (!plain) {
                    lua_pop(L, 1);
                }
            }
            if (plain) {
                script.Charge(L, Comparisons(lua_rawlen(L, 1)));
                results = original(L);
            } else {
                // Its elements and comparisons may be reached through metamethods of any kind.
                script.CountCalls(L, true);
                results = original(L);
                script.CountCalls(L, false);
            }
            break;
        }
    }
    script.CheckTime(L);
    return results;
}

void Guard(lua_State* L, const char* name, Cost cost) {
    lua_getfield(L, -1, name);
    auto* original = static_cast<lua_CFunction*>(lua_newuserdatauv(L, sizeof(lua_CFunction), 0));
    *original = lua_tocfunction(L, -2);
    lua_pushinteger(L, static_cast<lua_Integer>(cost));
    lua_pushcclosure(L, &Guarded, 2);
    lua_setfield(L, -3, name);
    lua_pop(L, 1);
}

}  // namespace

void GuardLibrary(lua_State* L) {
    lua_pushglobaltable(L);
    Guard(L, "tonumber", Cost::Bytes);
    lua_getfield(L, -1, LUA_STRLIBNAME);
    for (const char* name : {"byte", "pack", "packsize", "unpack"}) {
        Guard(L, name, Cost::Bytes);
    }
    Guard(L, "rep", Cost::Copies);
    lua_pop(L, 1);
    lua_getfield(L, -1, LUA_UTF8LIBNAME);
    for (const char* name : {"len", "offset", "codepoint"}) {
        Guard(L, name, Cost::Bytes);
    }
    lua_pop(L, 1);
    lua_getfield(L, -1, LUA_TABLIBNAME);
    Guard(L, "sort", Cost::Sorting);
    static constexpr luaL_Reg kCounted[] = {{"concat", &Concat}, {"insert", &Insert},
                                            {"remove", &Remove}, {"move", &Move},
                                            {"unpack", &Unpack}, {nullptr, nullptr}};
    luaL_setfuncs(L, kCounted, 0);
    lua_pop(L, 2);
}

}  // namespace varno
