#include "script/lua_patterns.h"

#include <lua.hpp>

#include <string_view>

#include "script/lua_pattern.h"
#include "script/lua_script.h"
#include "script/plain_search.h"

namespace varno {
namespace {

// Lua errors longjmp: every function here keeps only trivially destructible objects alive
// across a call that may raise (LuaPattern is one).

// Where a gmatch iterator goes on from, and where its last match ended.
struct GmatchState {
    std::size_t position;
    std::size_t lastEnd;
};

std::string_view CheckText(lua_State* L, int arg) {
    std::size_t length = 0;
    const char* text = luaL_checklstring(L, arg, &length);
    return {text, length};
}

const PatternBudget& BudgetOf(lua_State* L, int upvalue) {
    return *static_cast<const PatternBudget*>(lua_touserdata(L, lua_upvalueindex(upvalue)));
}

// A position as find, match and gmatch take it, from 1, negative from the end: the index it
// names from 0, at most one past the subject's end when it is past it.
std::size_t StartIndex(lua_State* L, int arg, std::size_t length) {
    const lua_Integer position = luaL_optinteger(L, arg, 1);
    if (position > 0) {
        const auto index = static_cast<lua_Unsigned>(position) - 1;
        return index > length ? length + 1 : static_cast<std::size_t>(index);
    }
    if (position == 0 || static_cast<lua_Unsigned>(-(position + 1)) >= length) {
        return 0;
    }
    return length - static_cast<std::size_t>(-position);
}

int RaisePatternError(lua_State* L, const LuaPattern& pattern) {
    switch (pattern.error()) {
        case LuaPattern::Error::TooComplex:
            return luaL_error(L, "pattern too complex");
        case LuaPattern::Error::TooManyCaptures:
            return luaL_error(L, "too many captures");
        case LuaPattern::Error::InvalidPatternCapture:
            return luaL_error(L, "invalid pattern capture");
        case LuaPattern::Error::InvalidCaptureIndex:
            return luaL_error(L, "invalid capture index %%%d", pattern.errorIndex());
        case LuaPattern::Error::EndsWithPercent:
            return luaL_error(L, "malformed pattern (ends with '%%')");
        case LuaPattern::Error::MissingBracket:
            return luaL_error(L, "malformed pattern (missing ']')");
        case LuaPattern::Error::MissingBalanceArgs:
            return luaL_error(L, "malformed pattern (missing arguments to '%%b')");
        case LuaPattern::Error::MissingFrontierSet:
            return luaL_error(L, "missing '[' after '%%f' in pattern");
        case LuaPattern::Error::None:
            break;
    }
    return luaL_error(L, "pattern error");
}

int RaiseOutOfSteps(lua_State* L) {
    return luaL_error(L, "pattern matching passed its allowance of steps");
}

// Charges the steps taken so far and starts a new count against what is left; raises when
// the search stopped.
void Settle(lua_State* L, const PatternBudget& budget, LuaPattern& pattern,
            LuaPattern::Outcome outcome) {
    budget.charge(L, pattern.steps());
    if (outcome == LuaPattern::Outcome::OutOfSteps) {
        RaiseOutOfSteps(L);
    }
    if (outcome == LuaPattern::Outcome::Error) {
        RaisePatternError(L, pattern);
    }
    pattern.Allow(budget.allowance(L));
}

// Pushes capture i of the last match (the whole match when the pattern has no capture and i is
// 0); subject is the match's.
void PushCapture(lua_State* L, const LuaPattern& pattern, std::string_view subject, int i) {
    if (i >= pattern.captures()) {
        if (i != 0) {
            luaL_error(L, "invalid capture index %%%d", i + 1);
        }
        lua_pushlstring(L, subject.data() + pattern.start(), pattern.end() - pattern.start());
        return;
    }
    const LuaPattern::Capture capture = pattern.capture(i);
    if (capture.length == LuaPattern::Capture::kUnfinished) {
        luaL_error(L, "unfinished capture");
    }
    if (capture.length == LuaPattern::Capture::kPosition) {
        lua_pushinteger(L, static_cast<lua_Integer>(capture.start) + 1);
    } else {
        lua_pushlstring(L, subject.data() + capture.start,
                        static_cast<std::size_t>(capture.length));
    }
}

// Pushes every capture, or the whole match when there is none and whole is set.
int PushCaptures(lua_State* L, const LuaPattern& pattern, std::string_view subject, bool whole) {
    const int count = pattern.captures() == 0 && whole ? 1 : pattern.captures();
    luaL_checkstack(L, count, "too many captures");
    for (int i = 0; i < count; ++i) {
        PushCapture(L, pattern, subject, i);
    }
    return count;
}

int FindOrMatch(lua_State* L, bool find) {
    const PatternBudget& budget = BudgetOf(L, 1);
    const std::string_view subject = CheckText(L, 1);
    std::string_view text = CheckText(L, 2);
    const std::size_t init = StartIndex(L, 3, subject.size());
    if (init > subject.size()) {
        luaL_pushfail(L);
        return 1;
    }
    if (find && (lua_toboolean(L, 4) || LuaPattern::IsPlain(text))) {
        const PlainFound found = FindPlain(subject.substr(init), text, budget.allowance(L));
        budget.charge(L, found.steps);
        if (found.outOfSteps) {
            RaiseOutOfSteps(L);
        }
        if (found.position == PlainFound::kNone) {
            luaL_pushfail(L);
            return 1;
        }
        lua_pushinteger(L, static_cast<lua_Integer>(init + found.position) + 1);
        lua_pushinteger(L, static_cast<lua_Integer>(init + found.position + text.size()));
        return 2;
    }
    const bool anchored = !text.empty() && text[0] == '^';
    if (anchored) {
        text.remove_prefix(1);
    }
    LuaPattern pattern(subject, text, budget.allowance(L));
    const LuaPattern::Outcome outcome = pattern.Search(init, anchored);
    Settle(L, budget, pattern, outcome);
    if (outcome == LuaPattern::Outcome::NoMatch) {
        luaL_pushfail(L);
        return 1;
    }
    if (!find) {
        return PushCaptures(L, pattern, subject, true);
    }
    lua_pushinteger(L, static_cast<lua_Integer>(pattern.start()) + 1);
    lua_pushinteger(L, static_cast<lua_Integer>(pattern.end()));
    return 2 + PushCaptures(L, pattern, subject, false);
}

int Find(lua_State* L) {
    return FindOrMatch(L, true);
}

int Match(lua_State* L) {
    return FindOrMatch(L, false);
}

// The iterator: upvalues the subject, the pattern, its GmatchState and the budget.
int GmatchNext(lua_State* L) {
    const PatternBudget& budget = BudgetOf(L, 4);
    std::size_t length = 0;
    const char* text = lua_tolstring(L, lua_upvalueindex(1), &length);
    const std::string_view subject(text, length);
    text = lua_tolstring(L, lua_upvalueindex(2), &length);
    auto* state = static_cast<GmatchState*>(lua_touserdata(L, lua_upvalueindex(3)));
    LuaPattern pattern(subject, std::string_view(text, length), budget.allowance(L));
    const LuaPattern::Outcome outcome = pattern.Search(state->position, false, state->lastEnd);
    Settle(L, budget, pattern, outcome);
    if (outcome == LuaPattern::Outcome::NoMatch) {
        return 0;
    }
    state->position = state->lastEnd = pattern.end();
    return PushCaptures(L, pattern, subject, true);
}

int Gmatch(lua_State* L) {
    const std::size_t length = CheckText(L, 1).size();
    CheckText(L, 2);
    const std::size_t init = StartIndex(L, 3, length);
    lua_settop(L, 2);
    auto* state = static_cast<GmatchState*>(lua_newuserdatauv(L, sizeof(GmatchState), 0));
    *state = {init, LuaPattern::kNoEnd};
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushcclosure(L, &GmatchNext, 4);
    return 1;
}

void AddMatch(luaL_Buffer& buffer, const LuaPattern& pattern, std::string_view subject) {
    luaL_addlstring(&buffer, subject.data() + pattern.start(), pattern.end() - pattern.start());
}

// Adds capture i of the last match (the match itself when the pattern has no capture and i is
// 0).
void AddCapture(lua_State* L, luaL_Buffer& buffer, const LuaPattern& pattern,
                std::string_view subject, int i) {
    if (i < pattern.captures() && pattern.capture(i).length >= 0) {
        const LuaPattern::Capture capture = pattern.capture(i);
        luaL_addlstring(&buffer, subject.data() + capture.start,
                        static_cast<std::size_t>(capture.length));
        return;
    }
    PushCapture(L, pattern, subject, i);
    luaL_addvalue(&buffer);
}

// Adds the replacement string (at 3) for the last match: "%0" the match, "%1" to "%9" its
// captures, "%%" a '%'.
void AddReplacement(lua_State* L, luaL_Buffer& buffer, LuaPattern& pattern,
                    std::string_view subject) {
    std::size_t length = 0;
    const char* text = lua_tolstring(L, 3, &length);
    std::string_view replacement(text, length);
    pattern.Count(static_cast<std::int64_t>(length));
    for (std::size_t at = replacement.find('%'); at != std::string_view::npos;
         at = replacement.find('%')) {
        luaL_addlstring(&buffer, replacement.data(), at);
        // A '%' at the end is followed by the '\0' that ends every Lua string.
        const char c = at + 1 < replacement.size() ? replacement[at + 1] : '\0';
        if (c == '%') {
            luaL_addchar(&buffer, '%');
        } else if (c == '0') {
            AddMatch(buffer, pattern, subject);
        } else if (c >= '1' && c <= '9') {
            AddCapture(L, buffer, pattern, subject, c - '1');
        } else {
            luaL_error(L, "invalid use of '%c' in replacement string", '%');
        }
        replacement.remove_prefix(at + 2);
    }
    luaL_addlstring(&buffer, replacement.data(), replacement.size());
}

// Adds what replaces the last match; false when that is the match itself (the function or
// table gave false or nil).
bool AddValue(lua_State* L, luaL_Buffer& buffer, LuaPattern& pattern, std::string_view subject,
              int type) {
    switch (type) {
        case LUA_TFUNCTION:
            lua_pushvalue(L, 3);
            lua_call(L, PushCaptures(L, pattern, subject, true), 1);
            break;
        case LUA_TTABLE:
            PushCapture(L, pattern, subject, 0);
            lua_gettable(L, 3);
            break;
        default:
            AddReplacement(L, buffer, pattern, subject);
            return true;
    }
    if (!lua_toboolean(L, -1)) {
        lua_pop(L, 1);
        AddMatch(buffer, pattern, subject);
        return false;
    }
    if (!lua_isstring(L, -1)) {
        luaL_error(L, "invalid replacement value (a %s)", luaL_typename(L, -1));
    }
    luaL_addvalue(&buffer);
    return true;
}

int Gsub(lua_State* L) {
    const PatternBudget& budget = BudgetOf(L, 1);
    const std::string_view subject = CheckText(L, 1);
    std::string_view text = CheckText(L, 2);
    const int type = lua_type(L, 3);
    const lua_Integer most = luaL_optinteger(L, 4, static_cast<lua_Integer>(subject.size()) + 1);
    luaL_argexpected(
        L,
        type == LUA_TNUMBER || type == LUA_TSTRING || type == LUA_TFUNCTION || type == LUA_TTABLE,
        3, "string/function/table");
    luaL_Buffer buffer;
    luaL_buffinit(L, &buffer);
    const bool anchored = !text.empty() && text[0] == '^';
    if (anchored) {
        text.remove_prefix(1);
    }
    const bool runsLua = type == LUA_TFUNCTION || type == LUA_TTABLE;
    LuaPattern pattern(subject, text, budget.allowance(L));
    std::size_t position = 0;
    std::size_t lastEnd = LuaPattern::kNoEnd;
    lua_Integer count = 0;
    bool changed = false;
    while (count < most) {
        const LuaPattern::Outcome outcome = pattern.Search(position, anchored, lastEnd);
        if (outcome != LuaPattern::Outcome::Match) {
            Settle(L, budget, pattern, outcome);
            break;
        }
        if (runsLua) {
            Settle(L, budget, pattern, outcome);
        }
        luaL_addlstring(&buffer, subject.data() + position, pattern.start() - position);
        ++count;
        changed = AddValue(L, buffer, pattern, subject, type) || changed;
        position = lastEnd = pattern.end();
        if (anchored) {
            break;
        }
    }
    budget.charge(L, pattern.steps());
    if (!changed) {
        lua_pushvalue(L, 1);
    } else {
        luaL_addlstring(&buffer, subject.data() + position, subject.size() - position);
        luaL_pushresult(&buffer);
    }
    lua_pushinteger(L, count);
    return 2;
}

std::int64_t ScriptAllowance(lua_State* L) {
    return LuaScript::Of(L).workLeft() * kPatternStepsPerInstruction;
}

void ScriptCharge(lua_State* L, std::int64_t steps) {
    if (steps > 0) {
        LuaScript::Of(L).Charge(
            L, (steps + kPatternStepsPerInstruction - 1) / kPatternStepsPerInstruction);
    }
}

}  // namespace

const PatternBudget kScriptPatternBudget = {&ScriptAllowance, &ScriptCharge};

void OpenPatterns(lua_State* L, int index, const PatternBudget& budget) {
    static constexpr luaL_Reg kFunctions[] = {
        {"find", &Find}, {"match", &Match}, {"gmatch", &Gmatch}, {"gsub", &Gsub}};
    index = lua_absindex(L, index);
    for (const luaL_Reg& function : kFunctions) {
        lua_pushlightuserdata(L, const_cast<PatternBudget*>(&budget));
        lua_pushcclosure(L, function.func, 1);
        lua_setfield(L, index, function.name);
    }
}

void OpenScriptPatterns(lua_State* L) {
    lua_getglobal(L, LUA_STRLIBNAME);
    OpenPatterns(L, -1, kScriptPatternBudget);
    lua_pop(L, 1);
}

}  // namespace varno
