-- Clients at tables: each connection polls about every 2 s (1 to 3 s, so that the clients
-- do not march in step), alternating "gettable" and "nextrecord" as the client does while
-- waiting for the opponent's move. Bodies come from GETTABLE and NEXTRECORD.
local bodies = { os.getenv("GETTABLE"), os.getenv("NEXTRECORD") }
local turn = 0

wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.headers["Connection"] = "close"

function request()
   turn = turn + 1
   return wrk.format(nil, nil, nil, bodies[turn % 2 + 1])
end

function delay()
   return math.random(1000, 3000)
end

local bad = 0
function response(status, headers, body)
   if status ~= 200 then bad = bad + 1 end
end
