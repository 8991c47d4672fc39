#pragma once
// The simulator's end of the serial line: a pseudo-terminal it creates, or a
// device it is given, and the loop that carries bytes to and from the receiver.

#include <string>

class SimReceiver;

struct SimLine {
    int fd = -1;       // our end
    int slave = -1;    // of a pseudo-terminal: the host's end, held open by us too
    int watch = -1;    // of a pseudo-terminal: reports the host's opens and closes
    std::string path;  // what the host opens
};

// A new pseudo-terminal in raw mode; the host opens `path`.
bool OpenPseudoTerminal(SimLine& line, std::string& error);
// An existing terminal (a serial port or one end of a pair), set to raw 8N1.
bool OpenExistingPort(const std::string& path, SimLine& line, std::string& error);

struct ServeOptions {
    int baud = 0;       // nonzero: bytes leave no faster than this line rate (8N1)
    bool once = false;  // stop when the host closes the line after a finished transfer
};

// Runs until killed, or with `once` until the host closes the line after a transfer ran to its end.
// Returns the process exit status.
int Serve(const SimLine& line, SimReceiver& rx, const ServeOptions& options);
