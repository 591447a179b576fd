-- productban.lua: bans every user who joins with one of the products in
-- PRODUCTS, giving REASON. The users already there when the program enters a
-- channel are checked too, two ticks later, once the channel has listed them.
--
-- Change PRODUCTS to the codes to keep out, as the gateway gives them ("CHAT",
-- "SEXP", "W2BN" ...; letter case ignored). Each outcome is one grey line in
-- the chat log: "productban: banned bob", once the server has confirmed it,
-- or "productban: could not ban bob: <why>". The program itself is never banned,
-- nor, while ProtectTrusted is on, a trusted user.

local PRODUCTS = { "SEXP", "W2BN" }
local REASON = "This product is not welcome here."

local banned = {}  -- upper-case product -> true
for _, product in ipairs(PRODUCTS) do banned[product:upper()] = true end

local wait = 0  -- ticks until the users present are checked; 0: none to check

local function check(name, product)
  if name == "" or not banned[(product or ""):upper()] then return end
  local ok, why = varno.ban(name, REASON)
  if not ok then varno.log("could not ban " .. name .. ": " .. tostring(why)) end
end

function on_join(name, flags, product) check(name, product) end

function on_channel() wait = 2 end

function on_tick()
  if wait == 0 then return end
  wait = wait - 1
  if wait > 0 then return end
  for _, user in ipairs(varno.users()) do check(user.name, user.product) end
end

-- Only this script's own bans come here.
function on_deed(action, name, done, text)
  if action ~= "ban" then return end
  if done then
    varno.log("banned " .. name)
  else
    varno.log("could not ban " .. name .. ": " .. tostring(text))
  end
end
