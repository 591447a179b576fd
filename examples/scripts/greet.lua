-- greet.lua: greets each user who joins the channel, at most once a day per
-- name (letter case ignored; a day runs from midnight to midnight UTC). The
-- program itself is never greeted.
--
-- Change GREETING to your words: %s stands for the user's name (keep one %s;
-- write %% for a plain %). The day of each name's last greeting is kept in
-- the store (greet.store beside this file) under "greeted:" and the name in
-- lower case, so a restart greets nobody twice in a day. At most KEEP
-- names are kept (when full, the older half is forgotten), so the store stays
-- within its 64 KiB.

local GREETING = "Welcome, %s!"
local KEEP = 500  -- names remembered

local days, count -- lower-case name -> day of its last greeting, read on first use

-- The key of a name, or nil for one never greeted: empty or long, as no
-- user's name is.
local function key_of(name)
  if name == "" or #name > 40 then return nil end
  return name:lower()
end

local function load()
  if days then return end
  days, count = {}, 0
  for _, key in ipairs(varno.keys("greeted:")) do
    local day = varno.get(key)
    if type(day) == "number" then days[key:sub(9)], count = day, count + 1 end
  end
end

local function forget(name)
  days[name], count = nil, count - 1
  varno.set("greeted:" .. name, nil)
end

-- Makes room by forgetting the older half of the names kept: one pass
-- serves the next KEEP / 2 new names. Many names share a day, so the
-- days are counted and sorted, not the names; of those greeted on the
-- middle day, only as many go as make half.
local function make_room()
  local per_day, list = {}, {}
  for _, t in pairs(days) do
    if not per_day[t] then list[#list + 1] = t end
    per_day[t] = (per_day[t] or 0) + 1
  end
  table.sort(list)
  local half, older, middle = count // 2, 0, nil
  for _, t in ipairs(list) do
    middle = t
    if older + per_day[t] >= half then break end
    older = older + per_day[t]
  end
  local left = half - older  -- to go of those at the middle
  for name, t in pairs(days) do
    if t < middle then
      forget(name)
    elseif t == middle and left > 0 then
      forget(name)
      left = left - 1
    end
  end
end

function on_join(name)
  local key = key_of(name)
  if not key then return end
  load()
  local today = varno.time() // 86400
  if days[key] == today or key == varno.me():lower() then return end
  local new = not days[key]
  if new and count >= KEEP then make_room() end
  -- A greeting that cannot be noted is not given: it would come at every join.
  local ok, why = varno.set("greeted:" .. key, today)
  if not ok then return varno.log("not greeting " .. name .. ": " .. tostring(why)) end
  days[key] = today
  if new then count = count + 1 end
  varno.say(GREETING:format(name))
end
