-- lockdown.lua: "!lock" closes the channel, "!unlock" opens it again.
--
-- While the channel is locked, whoever joins and is not trusted (listed in
-- database.txt, or flagged as staff, operator or administrator) is kicked with
-- REASON. Users already present when it is locked stay. The lock is kept in
-- the store (lockdown.store beside this file), so it holds across a restart,
-- and in whatever channel the program is.
--
-- Only trusted users may lock and unlock; the answer goes to the channel.
-- Anyone else's !lock or !unlock is ignored without a word: answering would
-- let anyone make the program talk. The "!" is the Trigger of Varno.ini;
-- without one (the default) no command reaches the script.

local REASON = "The channel is locked for now."

local locked = varno.get("locked") == true  -- as the store says; only this script changes it

function on_command(name, command, listed)
  local word = (command:match("^(%S+)%s*$") or ""):lower()
  if word ~= "lock" and word ~= "unlock" then return end
  if not (listed or varno.trusted(name)) then return end
  if (word == "lock") == locked then
    varno.say(locked and "The channel is locked already." or "The channel is not locked.")
    return
  end
  -- nil deletes the key: an unlocked channel leaves nothing in the store.
  local ok, why = varno.set("locked", word == "lock" or nil)
  if not ok then
    varno.say("Could not " .. word .. " the channel: " .. tostring(why))
  else
    locked = word == "lock"
    varno.say(locked and "The channel is locked: who joins and is not trusted is kicked."
      or "The channel is open again.")
  end
end

function on_join(name)
  if not locked or name == "" or varno.trusted(name) then return end
  if name:lower() == varno.me():lower() then return end
  -- The kick is reported in the chat log as the program's own kicks are; one
  -- that is refused at once is said in a grey line.
  local ok, why = varno.kick(name, REASON)
  if not ok then varno.log("not kicking " .. name .. ": " .. tostring(why)) end
end
