-- The static file from nginx, on a fresh connection per request like the engine runs.
wrk.headers["Connection"] = "close"
