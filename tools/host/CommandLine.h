// Turns argv into a command and its arguments, handles --help and --version, and runs the
// command. Host options (--host-product, --host-version) are accepted before or after the
// command name.
#pragma once

#include "tools/host/Commands.h"

#include <cstdio>
#include <string>
#include <vector>

class CommandLine {
public:
    CommandLine(int argc, const char* const* argv);

    // Returns the process exit code.
    int Run();

private:
    // Consumes the option at args[position] and its value, advancing position past it.
    int TakeOption(std::size_t& position);
    int UsageError(const std::string& message) const;
    void PrintMainHelp(std::FILE* out) const;
    void PrintCommandHelp(const Command& command, std::FILE* out) const;

    std::vector<std::string> args;
    const Command* command = nullptr;
    CommandArgs parsed;
};
