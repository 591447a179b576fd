-- seen.lua: "!seen NAME" answers in the channel when NAME was last seen and
-- what they last said: "bob was last seen 3 minutes ago, saying: hello".
-- Anyone may ask. "!" is the Trigger of Varno.ini; with no Trigger (the
-- default) no command reaches the script.
--
-- Each join, leave, talk and emote is noted in the store (seen.store beside
-- this file) under "seen:" and the name in lower case: the time, and the last
-- line said cut to LINE_BYTES. At most KEEP names are kept (when full, the
-- older half is forgotten), so the store stays within its 64 KiB.

local COOLDOWN = 5      -- seconds between two answers, so asking cannot flood
local KEEP = 250        -- names remembered
local LINE_BYTES = 100  -- bytes kept of a last line

local times, count      -- lower-case name -> time last seen, read on first use
local last_answer, warned = 0, false

-- The key of a name, or nil for one never kept: empty, long, or holding
-- blanks or control bytes, as no user's name does.
local function key_of(name)
  if name == "" or #name > 40 or name:find("[%c%s]") then return nil end
  return name:lower()
end

local function load()
  if times then return end
  times, count = {}, 0
  for _, key in ipairs(varno.keys("seen:")) do
    local time = tonumber(tostring(varno.get(key)):match("^%d+"))
    if time then times[key:sub(6)], count = time, count + 1 end
  end
end

-- Makes room by forgetting the older half of the names kept, those seen at
-- or before the middle time: one pass serves the next KEEP / 2 new names.
local function make_room()
  local list = {}
  for _, t in pairs(times) do list[#list + 1] = t end
  table.sort(list)
  local middle = list[#list // 2 + 1]
  for name, t in pairs(times) do
    if t <= middle then
      times[name], count = nil, count - 1
      varno.set("seen:" .. name, nil)
    end
  end
end

-- Cuts a line to LINE_BYTES, never inside a UTF-8 character.
local function cut(text)
  local n = math.min(#text, LINE_BYTES)
  while n < #text and n > LINE_BYTES - 3 and (text:byte(n + 1) & 0xC0) == 0x80 do n = n - 1 end
  return text:sub(1, n)
end

-- Stored as "TIME KIND LINE": kind t (talk), e (emote) or - (no line yet).
-- A join or a leave keeps the line noted before.
local function note(name, kind, text)
  local key = key_of(name)
  if not key then return end
  load()
  local line = kind and kind .. cut(text) or tostring(varno.get("seen:" .. key)):match("^%d+ (.*)$")
  local new = not times[key]
  if new and count >= KEEP then make_room() end
  local ok, why = varno.set("seen:" .. key, varno.time() .. " " .. (line or "-"))
  if not ok then
    if not warned then varno.log("cannot note " .. name .. ": " .. tostring(why)) end
    warned = true
    return
  end
  times[key] = varno.time()
  if new then count = count + 1 end
end

function on_join(name) note(name) end
function on_leave(name) note(name) end
function on_talk(name, text) note(name, "t", text) end
function on_emote(name, text) note(name, "e", text) end

local UNITS = { { 86400, "day" }, { 3600, "hour" }, { 60, "minute" }, { 1, "second" } }
local function ago(seconds)
  for _, unit in ipairs(UNITS) do
    local n = math.max(seconds, 0) // unit[1]
    if n > 0 or unit[1] == 1 then return n .. " " .. unit[2] .. (n == 1 and "" or "s") end
  end
end

-- An answer starts with a name or "I", never "/", so it is never a command;
-- with a name of 40 bytes and a line of 100 it stays under 200 bytes.
local function answer(target)
  local key = key_of(target)
  if not key then return "Seen whom? Give one name after seen." end
  if varno.user(target) then return target .. " is here now." end
  local time, kind, line = tostring(varno.get("seen:" .. key)):match("^(%d+) (.)(.*)$")
  if not time then return "I have not seen " .. target .. "." end
  local when = target .. " was last seen " .. ago(varno.time() - tonumber(time)) .. " ago"
  local said = ({ t = ", saying: ", e = ", emoting: " })[kind]
  return said and when .. said .. line or when .. "."
end

function on_command(name, command)
  local word, target = command:match("^(%S+)%s*(%S*)")
  if not word or word:lower() ~= "seen" or varno.time() - last_answer < COOLDOWN then return end
  last_answer = varno.time()
  varno.say(answer(target))
end
