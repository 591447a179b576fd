#include <gtest/gtest.h>

#include <lua.hpp>

#include <string>

#include "support/script_host_rig.h"

// The library functions a script gets with their work counted answer as the library's own:
// the same results, the same reads and writes through metamethods in the same order, the
// same errors.
namespace varno {
namespace {

using test::Lines;
using ScriptHostTest = test::ScriptHostRig;

// What code shows (see ScriptHostRig::kShow) when run in a plain state of the library's.
Lines ShownByTheLibrary(const std::string& code) {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    lua_newtable(L);
    lua_setglobal(L, "shown");
    const std::string show =
        "local function show(...) local t = table.pack(...) "
        "for i = 1, t.n do t[i] = tostring(t[i]) end shown[#shown + 1] = 'probe: ' .. "
        "table.concat(t, ' ') end\n";
    Lines lines;
    const std::string chunk = show + code;
    if ((luaL_loadbuffer(L, chunk.data(), chunk.size(), "=probe.lua") || lua_pcall(L, 0, 0, 0)) !=
        LUA_OK) {
        lines.push_back(std::string("error: ") + lua_tostring(L, -1));
    }
    lua_getglobal(L, "shown");
    for (lua_Integer i = 1; lua_geti(L, -1, i) == LUA_TSTRING; ++i) {
        lines.emplace_back(lua_tostring(L, -1));
        lua_pop(L, 1);
    }
    lua_close(L);
    return lines;
}

TEST_F(ScriptHostTest, TheCountedLibraryFunctionsAnswerAsTheLibrarysOwn) {
    // A table that shows each read and write through its metamethods.
    const std::string traced =
        "local function traced(n) local raw = {} for i = 1, n do raw[i] = 'v' .. i end "
        "return setmetatable({}, {__index = function(_, k) show('get', k) return raw[k] end, "
        "__newindex = function(_, k, v) show('set', k, v) raw[k] = v end, "
        "__len = function() show('len') return n end}), raw end\n";
    const char* const calls[] = {
        "show(table.concat({1, 2, 'x', 4.5}, ', '), table.concat({}), table.concat({1, 2}, 3))",
        "show(table.concat({'a', 'b', 'c'}, '-', 2), table.concat({'a', 'b', 'c'}, '-', 2, 2), "
        "table.concat({'a'}, '-', 3, 2))",
        "show(pcall(table.concat, {1, {}, 3}))",
        "show(pcall(table.concat, {}, '', 1, 2))",
        "show(pcall(table.concat, 5)) show(pcall(table.concat, {}, {}))",
        "local t = {1, 2, 3} table.insert(t, 'x') table.insert(t, 1, 'y') "
        "show(table.concat(t, ','), pcall(table.insert, t, 9, 'z'))",
        "show(pcall(table.insert, {}, 1, 2, 3)) show(pcall(table.insert, {}))",
        "show(pcall(table.insert, {1}, 0, 'z')) show(pcall(table.insert, {1}, 1.5, 'z'))",
        "local t = {1, 2, 3} show(table.remove(t), table.remove(t, 1), #t, t[1])",
        "show(table.remove({}), table.remove({}, 0), table.remove({1}, 2), "
        "pcall(table.remove, {1}, 3))",
        "show(table.concat(table.move({1, 2, 3, 4}, 1, 3, 2), ','), "
        "table.concat(table.move({1, 2, 3, 4}, 2, 4, 1), ','), "
        "table.concat(table.move({1, 2}, 1, 2, 1, {9, 9, 9}), ','))",
        "show(pcall(table.move, {}, 1, math.maxinteger, 2)) "
        "show(pcall(table.move, {}, -1, math.maxinteger, 2)) "
        "show(pcall(table.move, {}, 1, 2, math.maxinteger))",
        "show(#table.move({}, 5, 1, 1)) show(pcall(table.move, {}, 'x', 1, 1))",
        "show(table.unpack({1, 2, 3})) show(table.unpack({1, 2, 3}, 2)) "
        "show(table.unpack({1, 2, 3}, 2, 5)) show(table.unpack({1}, 3, 2))",
        "show(pcall(table.unpack, {}, 1, 1e7)) show(pcall(table.unpack, {}, math.mininteger, "
        "math.maxinteger))",
        "local t = traced(3) show(table.concat(t, '+'))",
        "local t = traced(3) table.insert(t, 2, 'new') show('done')",
        "local t = traced(3) show(table.remove(t, 1))",
        "local t, raw = traced(3) table.move(t, 1, 3, 2) show(table.concat(raw, ','))",
        "local t = traced(2) show(table.unpack(t))",
        "local s = setmetatable({}, {__index = function(_, k) return k * 2 end}) "
        "show(table.concat(s, ',', 1, 4), table.unpack(s, 1, 3))",
        "show(pcall(table.insert, setmetatable({}, {__len = function() return 'x' end}), 1))",
        "local t = {5, 2, 4, 1} table.sort(t) show(table.concat(t, ',')) "
        "table.sort(t, function(a, b) return a > b end) show(table.concat(t, ','))",
        "show(pcall(table.sort, {3, 'a', 1})) show(pcall(table.sort, 5))",
        "local t, raw = traced(3) table.sort(t, function(a, b) return a > b end) "
        "show(table.concat(raw, ','))",
        "show(('ab'):rep(3, '-'), ('x'):rep(0), ('x'):rep(-1), pcall(string.rep, 'x', 'y'))",
        "show(pcall(string.rep, 'x', 1e100)) show(('x'):byte(), ('abc'):byte(-2, -1))",
        "show(pcall(('x').byte, 'x', {})) show(pcall(string.byte))",
        "show(tonumber('0x10'), tonumber(' 12 '), tonumber('z', 36), tonumber('1e1'), "
        "tonumber(''), pcall(tonumber, '1', 99))",
        "show(utf8.len('h\\u{e9}'), utf8.len('\\xff'), utf8.offset('a\\u{e9}b', 3), "
        "utf8.codepoint('\\u{e9}'), pcall(utf8.codepoint, '\\xff'))",
        "show(string.packsize('i4i8'), string.unpack('i2', string.pack('i2', 7)), "
        "pcall(string.pack, 'q', 1))",
        "local ok, e = pcall(function() return ('x'):rep({}) end) show(e)",
        "local ok, e = pcall(function() return table.concat({{}}) end) show(e)",
        "local ok, e = pcall(function() local x = ('x'):byte({}) end) show(e)",
    };
    for (const char* call : calls) {
        const std::string code = traced + call;
        EXPECT_EQ(Probe(code), ShownByTheLibrary(code)) << call;
    }
}

}  // namespace
}  // namespace varno
