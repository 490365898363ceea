-- One engine request per connection, as the desktop client sends it. The body comes from
-- the environment (BODY), so one script serves every action.
wrk.method = "POST"
wrk.body = os.getenv("BODY")
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.headers["Connection"] = "close"

function response(status, headers, body)
   if status ~= 200 or not body:find('"response":"Success"', 1, true) then
      wrk.thread:stop()
      io.stderr:write("unexpected reply: " .. status .. " " .. body .. "\n")
   end
end
