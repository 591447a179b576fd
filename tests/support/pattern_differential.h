#pragma once

#include <lua.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "script/lua_patterns.h"

namespace varno::test {

// One plain state with the string library's find, match, gmatch and gsub in string and ours
// (lua_patterns.h) in the table ours, to compare the two call by call. Ours take each call's
// allowance from the meter, which records what they charge.
class PatternDifferential {
public:
    struct Meter {
        std::int64_t allowance = std::int64_t{1} << 40;
        std::int64_t mostCharged = 0;  // the most steps one charge gave since the last run
    };

    PatternDifferential() {
        *static_cast<Meter**>(lua_getextraspace(L_)) = &meter_;
        luaL_openlibs(L_);
        lua_newtable(L_);
        OpenPatterns(L_, -1, kBudget);
        lua_setglobal(L_, "ours");
        if (luaL_dostring(L_, kHelpers) != LUA_OK) {
            std::fprintf(stderr, "%s\n", lua_tostring(L_, -1));
            std::abort();
        }
    }
    ~PatternDifferential() { lua_close(L_); }
    PatternDifferential(const PatternDifferential&) = delete;
    PatternDifferential& operator=(const PatternDifferential&) = delete;

    // What expression (over S, the table of functions) gives, shown, with S the library's
    // and with ours.
    std::pair<std::string, std::string> Both(const std::string& expression) {
        const std::string code =
            "local S = ... return show(pcall(function() return " + expression + " end))";
        return {Run(code, "string"), Run(code, "ours")};
    }

    // The results of each function of table ("string" or "ours") over one subject, pattern,
    // init, replacement string and plain flag: find, match, gmatch, then gsub with the
    // replacement, with it and a count of 2, with a function and with a table.
    std::string Probe(const char* table, const std::string& subject, const std::string& pattern,
                      int init, const std::string& replacement, bool plain) {
        Start();
        lua_getglobal(L_, "probe");
        lua_getglobal(L_, table);
        lua_pushlstring(L_, subject.data(), subject.size());
        lua_pushlstring(L_, pattern.data(), pattern.size());
        lua_pushinteger(L_, init);
        lua_pushlstring(L_, replacement.data(), replacement.size());
        lua_pushboolean(L_, plain);
        return Result(lua_pcall(L_, 6, 1, 0));
    }

    Meter& meter() { return meter_; }

private:
    static Meter& MeterOf(lua_State* L) { return **static_cast<Meter**>(lua_getextraspace(L)); }
    static constexpr PatternBudget kBudget = {
        [](lua_State* L) { return MeterOf(L).allowance; },
        [](lua_State* L, std::int64_t steps) {
            Meter& meter = MeterOf(L);
            meter.mostCharged = std::max(meter.mostCharged, steps);
        },
    };
    // show(...) writes values with their types, collect(f) every round of an iterator. Each
    // function is called from Lua code, so that an error names it as the code wrote it,
    // whichever table it came from.
    static constexpr const char* kHelpers = R"lua(
local function encode(v)
  if type(v) == 'number' then return math.type(v) .. ':' .. tostring(v) end
  if type(v) == 'string' then return string.format('%q', v) end
  return type(v) .. ':' .. tostring(v)
end
function show(...)
  local out = {}
  for i = 1, select('#', ...) do out[i] = encode((select(i, ...))) end
  return table.concat(out, ' ')
end
function collect(f)
  local rounds = {}
  for _ = 1, 100 do
    local round = table.pack(f())
    if round.n == 0 then break end
    rounds[#rounds + 1] = '{' .. show(table.unpack(round, 1, round.n)) .. '}'
  end
  return table.concat(rounds)
end
ALL = {} for i = 0, 255 do ALL[i + 1] = string.char(i) end ALL = table.concat(ALL)
function probe(S, s, p, init, r, plain)
  local out = {}
  local function add(f) out[#out + 1] = show(pcall(f)) end
  add(function() return S.find(s, p, init, plain) end)
  add(function() return S.match(s, p, init) end)
  add(function() return collect(S.gmatch(s, p, init)) end)
  add(function() return S.gsub(s, p, r) end)
  add(function() return S.gsub(s, p, r, 2) end)
  add(function() return S.gsub(s, p, function(a, b) return b end) end)
  add(function() return S.gsub(s, p, {a = 'A', b = false, c = {}, [1] = 'one'}) end)
  return table.concat(out, '\n')
end
)lua";

    void Start() {
        meter_.mostCharged = 0;
        lua_settop(L_, 0);
    }
    std::string Run(const std::string& code, const char* table) {
        Start();
        if (luaL_loadbuffer(L_, code.data(), code.size(), "=case") != LUA_OK) {
            return Result(LUA_ERRSYNTAX);
        }
        lua_getglobal(L_, table);
        return Result(lua_pcall(L_, 1, 1, 0));
    }
    std::string Result(int status) {
        std::size_t length = 0;
        const char* text = lua_tolstring(L_, -1, &length);
        return (status == LUA_OK ? "" : "raised: ") + std::string(text, length);
    }

    lua_State* L_ = luaL_newstate();
    Meter meter_;
};

}  // namespace varno::test
