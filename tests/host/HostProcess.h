// Runs the built quellorn-host as a child process and captures what it printed, so the
// tests see exactly what a user or a script would.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
    int exitCode; // -1 when the process did not exit normally (e.g. it crashed)
    std::string out;
    std::string err;
};

class HostProcess {
public:
    static ProcessResult Run(const std::vector<std::string>& args);
    // The same with the files it writes limited to `blocks` 512-byte blocks, as on a disk
    // that fills up: a write past the limit fails (EFBIG) instead of ending the process.
    static ProcessResult RunWithFileLimit(const std::vector<std::string>& args, int blocks);

private:
    static ProcessResult RunCommand(std::vector<std::string> command);
};

// The lines of a captured output that start with `prefix`, in order.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix);
// Command-line arguments joined by spaces, for a test's trace.
std::string Joined(const std::vector<std::string>& args);
