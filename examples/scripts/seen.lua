-- seen.lua: "!seen NAME" answers in the channel when NAME was last seen and
-- what they last said: "bob was last seen 3 minutes ago, saying: hello".
-- Anyone may ask. "!" is the Trigger of Varno.ini; with no Trigger (the
-- default) no command reaches the script.
--
-- Each join, leave, talk and emote is noted at once in the tables below, and
-- in the store (seen.store beside this file) every WRITE_EVERY seconds and
-- when the script ends, under "seen:" and the name in lower case: the time,
-- and the last line said cut to LINE_BYTES. Every line of the channel comes
-- here, so noting one does as little as it can. At most KEEP names are kept
-- (when full, the older half is forgotten), so the store stays within 64 KiB.

local COOLDOWN = 5      -- seconds between two answers, so asking cannot flood
local KEEP = 500        -- names remembered
local LINE_BYTES = 60   -- bytes kept of a last line
local WRITE_EVERY = 10  -- seconds between two writes of the names noted

-- By lower-case name: the time last seen, and "t" (talk) or "e" (emote) with
-- the last line said, or none.
local times, kinds, lines, count = {}, {}, {}, 0
local dirty = {}        -- names noted since the store was last written
local now = varno.time() -- kept by on_tick
local ticks, last_answer, warned = 0, 0, false

-- The store holds "TIME KIND LINE" for each name, KIND "-" for no line yet.
for _, key in ipairs(varno.keys("seen:")) do
  local time, kind, line = tostring(varno.get(key)):match("^(%d+) ([te]?)(.*)$")
  if time then
    local name = key:sub(6)
    times[name], count = tonumber(time), count + 1
    if kind ~= "" then kinds[name], lines[name] = kind, line end
  end
end

local function forget(name)
  times[name], kinds[name], lines[name], dirty[name] = nil, nil, nil, nil
  count = count - 1
  varno.set("seen:" .. name, nil)
end

-- Makes room by forgetting the older half of the names kept: one pass
-- serves the next KEEP / 2 new names. Many names share a second, so the
-- seconds are counted and sorted, not the names; of those seen at the
-- middle time, only as many go as make half.
local function make_room()
  local per_time, list = {}, {}
  for _, t in pairs(times) do
    if not per_time[t] then list[#list + 1] = t end
    per_time[t] = (per_time[t] or 0) + 1
  end
  table.sort(list)
  local half, older, middle = count // 2, 0, nil
  for _, t in ipairs(list) do
    middle = t
    if older + per_time[t] >= half then break end
    older = older + per_time[t]
  end
  local left = half - older  -- to go of those at the middle
  for name, t in pairs(times) do
    if t < middle then
      forget(name)
    elseif t == middle and left > 0 then
      forget(name)
      left = left - 1
    end
  end
end

-- Cuts a line to LINE_BYTES, never inside a UTF-8 character.
local function cut(text)
  local n = math.min(#text, LINE_BYTES)
  while n < #text and n > LINE_BYTES - 3 and (text:byte(n + 1) & 0xC0) == 0x80 do n = n - 1 end
  return text:sub(1, n)
end

-- A join or a leave keeps the line noted before.
local function note(name, kind, text)
  if name == "" or #name > 40 then return end
  local key = name:lower()
  if not times[key] then
    if count >= KEEP then make_room() end
    count = count + 1
  end
  times[key], dirty[key] = now, true
  if kind then kinds[key], lines[key] = kind, text end
end

function on_join(name) note(name) end
function on_leave(name) note(name) end
function on_talk(name, text) note(name, "t", text) end
function on_emote(name, text) note(name, "e", text) end

local function write()
  for key in pairs(dirty) do
    local said = kinds[key] and kinds[key] .. cut(lines[key]) or "-"
    local ok, why = varno.set("seen:" .. key, times[key] .. " " .. said)
    if not ok and not warned then varno.log("cannot note " .. key .. ": " .. tostring(why)) end
    warned = warned or not ok
  end
  dirty = {}
end

function on_tick(time)
  now, ticks = time, ticks + 1
  if ticks % WRITE_EVERY == 0 then write() end
end

-- The program ends or loads this script again: what was noted goes to the store.
on_stop = write

local UNITS = { { 86400, "day" }, { 3600, "hour" }, { 60, "minute" }, { 1, "second" } }
local function ago(seconds)
  for _, unit in ipairs(UNITS) do
    local n = math.max(seconds, 0) // unit[1]
    if n > 0 or unit[1] == 1 then return n .. " " .. unit[2] .. (n == 1 and "" or "s") end
  end
end

-- An answer starts with a name or "I", never "/", so it is never a command;
-- with a name of 40 bytes and a line of 60 it stays under 200 bytes.
local function answer(target)
  if target == "" or #target > 40 then return "Seen whom? Give one name after seen." end
  if varno.user(target) then return target .. " is here now." end
  local key = target:lower()
  if not times[key] then return "I have not seen " .. target .. "." end
  local when = target .. " was last seen " .. ago(varno.time() - times[key]) .. " ago"
  local said = ({ t = ", saying: ", e = ", emoting: " })[kinds[key]]
  return said and when .. said .. cut(lines[key]) or when .. "."
end

function on_command(name, command)
  local word, target = command:match("^(%S+)%s*(%S*)")
  if not word or word:lower() ~= "seen" or varno.time() - last_answer < COOLDOWN then return end
  last_answer = varno.time()
  varno.say(answer(target))
end
