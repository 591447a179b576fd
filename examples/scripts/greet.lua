-- greet.lua: greets each user who joins the channel, at most once a day per
-- name (letter case ignored; a day runs from midnight to midnight UTC). The
-- program itself is never greeted.
--
-- Change GREETING to your words: %s stands for the user's name (keep one %s;
-- write %% for a plain %). The day of each name's last greeting is kept in
-- the store (greet.store beside this file) under "greeted:" and the name in
-- lower case, so a restart greets nobody twice in a day. The KEEP names
-- greeted most recently are kept (their list under "names"), so the store
-- stays within its 64 KiB.

local GREETING = "Welcome, %s!"
local KEEP = 500  -- names remembered

local days, count -- lower-case name -> day of its last greeting, read on first use

-- The key of a name, or nil for one never greeted: empty, long, or holding
-- blanks or control bytes, as no user's name does.
local function key_of(name)
  if name == "" or #name > 40 or name:find("[%c%s]") then return nil end
  return name:lower()
end

local function load()
  if days then return end
  days, count = {}, 0
  for name in tostring(varno.get("names") or ""):gmatch("%S+") do
    local day = varno.get("greeted:" .. name)
    if type(day) == "number" and not days[name] then days[name], count = day, count + 1 end
  end
end

local function forget_oldest()
  local oldest
  for name, day in pairs(days) do
    if not oldest or day < days[oldest] then oldest = name end
  end
  days[oldest], count = nil, count - 1
  varno.set("greeted:" .. oldest, nil)
end

function on_join(name)
  local key = key_of(name)
  if not key or key == varno.me():lower() then return end
  load()
  local today = varno.time() // 86400
  if days[key] == today then return end
  local new = not days[key]
  if new and count >= KEEP then forget_oldest() end
  -- A greeting that cannot be noted is not given: it would come at every join.
  local ok, why = varno.set("greeted:" .. key, today)
  if not ok then return varno.log("not greeting " .. name .. ": " .. tostring(why)) end
  days[key] = today
  if new then
    count = count + 1
    local names = {}
    for n in pairs(days) do names[#names + 1] = n end
    varno.set("names", table.concat(names, " "))
  end
  varno.say(GREETING:format(name))
end
