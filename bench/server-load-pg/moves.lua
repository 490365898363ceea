-- Players moving as fast as the server takes it: each connection plays whole games, one after
-- another, at tables of its own pair of accounts; every move is a durable change. ACCOUNTS
-- holds "sid1,code1,sid2,code2" per pair, pairs separated by ";", one pair per connection
-- (run with as many threads as connections).
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.headers["Connection"] = "close"

local threads = {}
local count = 0
function setup(thread)
   count = count + 1
   thread:set("pair", count)
   table.insert(threads, thread)
end

local players, step, tableId, mover, pit = nil, "new", "", 1, 1
moves = 0
failures = 0

function init(args)
   local n = 0
   for entry in os.getenv("ACCOUNTS"):gmatch("[^;]+") do
      n = n + 1
      if n == pair then
         local f = {}
         for part in entry:gmatch("[^,]+") do table.insert(f, part) end
         players = { { sid = f[1], code = f[2] }, { sid = f[3], code = f[4] } }
      end
   end
end

local function auth(p)
   return "sid=" .. players[p].sid .. "&code=" .. players[p].code .. "&"
end

function request()
   local body
   if step == "new" then
      body = "action=newtable&gameid=1&" .. auth(1) .. "timelimit=7200&bonus=0&"
   elseif step == "reg" then
      body = "action=regtable&tableid=" .. tableId .. "&" .. auth(2)
   elseif step == "ready1" then
      body = "action=ready&" .. auth(1) .. "tableid=" .. tableId .. "&"
   elseif step == "ready2" then
      body = "action=ready&" .. auth(2) .. "tableid=" .. tableId .. "&"
   elseif step == "get" then
      body = "action=gettable&appid=pimra&tableid=" .. tableId .. "&"
   else
      body = "action=move&" .. auth(mover) .. "tableid=" .. tableId .. "&move=" .. pit .. "&"
   end
   return wrk.format(nil, nil, nil, body)
end

local function field(body, name)
   return body:match('"' .. name .. '":"([^"]*)"')
end

local next = { new = "reg", reg = "ready1", ready1 = "ready2", ready2 = "get", move = "get" }

function response(status, headers, body)
   if status ~= 200 or field(body, "response") ~= "Success" then
      failures = failures + 1
      step = "new"
      return
   end
   if step == "new" then tableId = field(body, "ind") end
   if step == "move" then moves = moves + 1 end
   if step ~= "get" then
      step = next[step]
      return
   end
   if field(body, "result") ~= "0" then
      step = "new"
      return
   end
   local counts = {}
   for n in field(body, "position"):gmatch("%d+") do table.insert(counts, tonumber(n)) end
   mover = field(body, "activelogin") == field(body, "login1") and 1 or 2
   local first = mover == 1 and 1 or 8
   for p = first, first + 5 do
      if counts[p] > 0 then
         pit = p
         break
      end
   end
   step = "move"
end

function done(summary, latency, requests)
   local total, failed = 0, 0
   for _, thread in ipairs(threads) do
      total = total + thread:get("moves")
      failed = failed + thread:get("failures")
   end
   io.write(string.format("moves %d in %.1f s: %.0f moves/s (%d refused)\n", total,
                          summary.duration / 1e6, total / (summary.duration / 1e6), failed))
end
