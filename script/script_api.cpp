#include "script/script_api.h"

#include <lua.hpp>

#include <string>
#include <string_view>

#include "script/lua_script.h"
#include "script/script_store.h"

namespace varno {
namespace {

// The registry key of the proxy, for rawset.
const char kApiKey = 0;

std::string_view Text(lua_State* L, int index) {
    std::size_t length = 0;
    const char* text = lua_tolstring(L, index, &length);
    return std::string_view(text, length);
}

std::string_view CheckText(lua_State* L, int arg) {
    std::size_t length = 0;
    const char* text = luaL_checklstring(L, arg, &length);
    return std::string_view(text, length);
}

std::string_view OptionalText(lua_State* L, int arg) {
    std::size_t length = 0;
    const char* text = luaL_optlstring(L, arg, "", &length);
    return std::string_view(text, length);
}

void PushText(lua_State* L, std::string_view text) {
    lua_pushlstring(L, text.data(), text.size());
}

// Every function below asks a port, and a port may take its time (a lookup in a long list):
// the call's time limit is checked after each.
void Answered(lua_State* L) {
    LuaScript::Of(L).CheckTime(L);
}

void PushAnswer(lua_State* L, bool answer) {
    Answered(L);
    lua_pushboolean(L, answer);
}

int Say(lua_State* L) {
    const std::string_view text = CheckText(L, 1);
    PushAnswer(L, LuaScript::Of(L).ports().say(text));
    return 1;
}

int Emote(lua_State* L) {
    const std::string_view text = CheckText(L, 1);
    PushAnswer(L, LuaScript::Of(L).ports().emote(text));
    return 1;
}

int Whisper(lua_State* L) {
    const std::string_view name = CheckText(L, 1);
    const std::string_view text = CheckText(L, 2);
    PushAnswer(L, LuaScript::Of(L).ports().whisper(name, text));
    return 1;
}

int Deed(lua_State* L, std::string_view action, std::string_view reason) {
    LuaScript& script = LuaScript::Of(L);
    const std::string_view name = CheckText(L, 1);
    std::string& why = script.answer().text;
    why = script.ports().moderate(script.name(), action, name, reason);
    PushAnswer(L, why.empty());
    if (why.empty()) {
        return 1;
    }
    PushText(L, why);
    return 2;
}

int Ban(lua_State* L) {
    return Deed(L, "ban", OptionalText(L, 2));
}
int Kick(lua_State* L) {
    return Deed(L, "kick", OptionalText(L, 2));
}
int Unban(lua_State* L) {
    return Deed(L, "unban", "");
}

int Channel(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    script.answer().text = script.ports().channel();
    Answered(L);
    PushText(L, script.answer().text);
    return 1;
}

int Me(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    script.answer().text = script.ports().ownName();
    Answered(L);
    PushText(L, script.answer().text);
    return 1;
}

void PushUser(lua_State* L, const ScriptUser& user) {
    lua_createtable(L, 0, 3);
    PushText(L, user.name);
    lua_setfield(L, -2, "name");
    PushText(L, user.flags);
    lua_setfield(L, -2, "flags");
    PushText(L, user.product);
    lua_setfield(L, -2, "product");
}

int Users(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    const std::vector<ScriptUser>& users = script.answer().users = script.ports().users();
    Answered(L);
    lua_createtable(L, static_cast<int>(users.size()), 0);
    for (std::size_t i = 0; i < users.size(); ++i) {
        PushUser(L, users[i]);
        lua_rawseti(L, -2, static_cast<lua_Integer>(i + 1));
    }
    return 1;
}

int User(lua_State* L) {
    LuaScript& script = LuaScript::Of(L);
    const std::string_view name = CheckText(L, 1);
    const std::optional<ScriptUser>& user = script.answer().user = script.ports().user(name);
    Answered(L);
    if (user) {
        PushUser(L, *user);
    } else {
        lua_pushnil(L);
    }
    return 1;
}

int Trusted(lua_State* L) {
    const std::string_view name = CheckText(L, 1);
    PushAnswer(L, LuaScript::Of(L).ports().trusted(name));
    return 1;
}

int Listed(lua_State* L) {
    const std::string_view name = CheckText(L, 1);
    PushAnswer(L, LuaScript::Of(L).ports().listed(name));
    return 1;
}

int Time(lua_State* L) {
    lua_pushinteger(L, LuaScript::Of(L).ports().now());
    return 1;
}

int Log(lua_State* L) {
    LuaScript::Of(L).Log(CheckText(L, 1));
    Answered(L);
    return 0;
}

std::string_view Key(lua_State* L) {
    luaL_checktype(L, 1, LUA_TSTRING);
    const std::string_view key = Text(L, 1);
    if (key.empty() || key.size() > ScriptStore::kMaxKeyBytes) {
        luaL_argerror(L, 1, "a key of 1 to 200 bytes expected");
    }
    return key;
}

int Get(lua_State* L) {
    const ScriptStore::Value* value = LuaScript::Of(L).store().Get(Key(L));
    if (!value) {
        lua_pushnil(L);
    } else if (const auto* text = std::get_if<std::string>(value)) {
        PushText(L, *text);
    } else if (const auto* integer = std::get_if<std::int64_t>(value)) {
        lua_pushinteger(L, *integer);
    } else if (const auto* real = std::get_if<double>(value)) {
        lua_pushnumber(L, *real);
    } else {
        lua_pushboolean(L, *std::get_if<bool>(value));
    }
    return 1;
}

// The store's keys that start with the prefix (every key without one), in byte order: the
// store is bounded, so the list is too.
int Keys(lua_State* L) {
    const std::string_view prefix = OptionalText(L, 1);
    const ScriptStore::Values& values = LuaScript::Of(L).store().values();
    lua_createtable(L, 0, 0);
    lua_Integer n = 0;
    for (auto it = values.lower_bound(prefix); it != values.end() && it->first.starts_with(prefix);
         ++it) {
        PushText(L, it->first);
        lua_rawseti(L, -2, ++n);
    }
    return 1;
}

int Set(lua_State* L) {
    const std::string_view key = Key(L);
    ScriptStore& store = LuaScript::Of(L).store();
    bool stored = true;
    switch (lua_type(L, 2)) {
        case LUA_TNONE:
        case LUA_TNIL:
            store.Erase(key);
            break;
        case LUA_TSTRING:
            stored = store.Set(key, ScriptStore::Value(std::string(Text(L, 2))));
            break;
        case LUA_TNUMBER:
            stored = lua_isinteger(L, 2)
                         ? store.Set(key, ScriptStore::Value(std::int64_t{lua_tointeger(L, 2)}))
                         : store.Set(key, ScriptStore::Value(lua_tonumber(L, 2)));
            break;
        case LUA_TBOOLEAN:
            stored = store.Set(key, ScriptStore::Value(lua_toboolean(L, 2) != 0));
            break;
        default:
            return luaL_typeerror(L, 2, "string, number, boolean or nil");
    }
    lua_pushboolean(L, stored);
    if (stored) {
        return 1;
    }
    PushText(L, ScriptStore::kFullText);
    return 2;
}

int Print(lua_State* L) {
    const int count = lua_gettop(L);
    luaL_Buffer line;
    luaL_buffinit(L, &line);
    for (int i = 1; i <= count; ++i) {
        if (i > 1) {
            luaL_addchar(&line, '\t');
        }
        luaL_tolstring(L, i, nullptr);
        luaL_addvalue(&line);
    }
    luaL_pushresult(&line);
    LuaScript::Of(L).Log(Text(L, -1));
    Answered(L);
    return 0;
}

int RefuseChange(lua_State* L) {
    return luaL_error(L, "the varno table can't be changed");
}

int RawSet(lua_State* L) {
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kApiKey);
    const bool api = lua_rawequal(L, 1, -1);
    lua_pop(L, 1);
    if (api) {
        return RefuseChange(L);
    }
    lua_settop(L, 3);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, 3, 1);
    return 1;
}

}  // namespace

void OpenApi(lua_State* L) {
    static constexpr luaL_Reg kFunctions[] = {
        {"say", &Say},   {"emote", &Emote},     {"whisper", &Whisper}, {"ban", &Ban},
        {"kick", &Kick}, {"unban", &Unban},     {"channel", &Channel}, {"users", &Users},
        {"user", &User}, {"trusted", &Trusted}, {"listed", &Listed},   {"me", &Me},
        {"time", &Time}, {"get", &Get},         {"set", &Set},         {"keys", &Keys},
        {"log", &Log},   {nullptr, nullptr},
    };
    lua_newtable(L);
    lua_createtable(L, 0, 3);
    luaL_newlib(L, kFunctions);
    // Known to Lua as a library, so that an error names its function "varno.set".
    luaL_getsubtable(L, LUA_REGISTRYINDEX, LUA_LOADED_TABLE);
    lua_pushvalue(L, -2);
    lua_setfield(L, -2, "varno");
    lua_pop(L, 1);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, &RefuseChange);
    lua_setfield(L, -2, "__newindex");
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_setmetatable(L, -2);
    lua_pushvalue(L, -1);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kApiKey);
    lua_setglobal(L, "varno");

    lua_pushglobaltable(L);
    lua_getfield(L, -1, "rawset");
    lua_pushcclosure(L, &RawSet, 1);
    lua_setfield(L, -2, "rawset");
    lua_pushcfunction(L, &Print);
    lua_setfield(L, -2, "print");
    lua_pop(L, 1);
}

}  // namespace varno
