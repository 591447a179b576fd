#pragma once

#include <cstdint>

struct lua_State;

namespace varno {

// What the pattern functions of a state may spend: each call reads its allowance of steps
// (lua_pattern.h) before it matches, and charges the steps it took before it returns, raises
// or runs Lua code (a gsub's function or table). A match that runs out of its allowance
// charges one step more than it was allowed, and then raises if charge did not.
struct PatternBudget {
    std::int64_t (*allowance)(lua_State* L);
    void (*charge)(lua_State* L, std::int64_t steps);  // may raise
};

// Replaces find, match, gmatch and gsub in the table at index with functions that give what
// Lua 5.4's string library gives, errors and their messages included, for every call that
// stays within the budget; the budget must outlive the state. Plain searches (find with plain,
// or a pattern without special characters) take time linear in the subject and the needle.
void OpenPatterns(lua_State* L, int index, const PatternBudget& budget);

// A script's budget: LuaScript::workLeft() instructions of kPatternStepsPerInstruction steps
// each, the steps charged as instructions rounded up. One step to an instruction: a step
// costs 0.6 to 1.9 ns (a set tried, a quantifier backtracking), an instruction about 2.6 ns,
// so that a whole budget's worth of steps takes 2 ms at most, as the instructions do.
inline constexpr std::int64_t kPatternStepsPerInstruction = 1;
extern const PatternBudget kScriptPatternBudget;

// Opens them into the string library of a LuaScript's state, so that the methods of strings
// (s:find(...)) reach them too.
void OpenScriptPatterns(lua_State* L);

}  // namespace varno
