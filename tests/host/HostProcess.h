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
};
