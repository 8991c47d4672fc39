// Keeps the library target non-empty until the subsystem has sources.
