#include "tools/host/CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#ifndef QUELLORN_HOST_VERSION
#define QUELLORN_HOST_VERSION "0.0.0"
#endif

namespace {

const std::vector<OptionInfo>& HostOptions()
{
    static const std::vector<OptionInfo> kOptions = {
        {"--help", "", "Show help (after a command: that command's help)"},
        {"--version", "", "Print the host's version"},
        {"--host-product", "TEXT", "Product string reported to plug-ins (default \"Quellorn Host\")"},
        {"--host-version", "N", "Vendor version reported to plug-ins (default 10000)"},
    };
    return kOptions;
}

const OptionInfo* FindOption(const std::vector<OptionInfo>& options, const std::string& name)
{
    for (const OptionInfo& option : options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

bool ParseVersionNumber(const std::string& text, VstInt32& result)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value > std::numeric_limits<VstInt32>::max()) {
        return false;
    }
    result = static_cast<VstInt32>(value);
    return true;
}

void PrintOptions(const std::vector<OptionInfo>& options, std::FILE* out)
{
    for (const OptionInfo& option : options) {
        std::string left = option.name == "--help" ? "-h, --help" : option.name;
        if (!option.valueName.empty()) {
            left += " " + option.valueName;
        }
        std::fprintf(out, "  %-22s %s\n", left.c_str(), option.help.c_str());
    }
}

} // namespace

CommandLine::CommandLine(int argc, const char* const* argv)
    : parsed{DefaultHostSettings(), {}, {}, {}}
{
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
}

int CommandLine::Run()
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            const int taken = TakeOption(i);
            if (taken != ExitCode::kOk) {
                return taken;
            }
        } else if (command == nullptr) {
            command = FindCommand(arg);
            if (command == nullptr) {
                return UsageError("unknown command '" + arg + "'");
            }
        } else {
            parsed.positionals.push_back(arg);
        }
    }

    if (parsed.Has("--help")) {
        if (command != nullptr) {
            PrintCommandHelp(*command, stdout);
        } else {
            PrintMainHelp(stdout);
        }
        return ExitCode::kOk;
    }
    if (parsed.Has("--version")) {
        std::printf("quellorn-host %s\n", QUELLORN_HOST_VERSION);
        return ExitCode::kOk;
    }
    if (command == nullptr) {
        return UsageError("no command given");
    }
    if (parsed.positionals.size() < command->minPositionals) {
        return UsageError(std::string("missing ") + command->arguments);
    }
    if (parsed.positionals.size() > command->maxPositionals) {
        return UsageError("unexpected argument '" + parsed.positionals[command->maxPositionals] +
                          "'");
    }
    return command->run(parsed);
}

int CommandLine::TakeOption(std::size_t& position)
{
    const std::string& arg = args[position];
    std::string name = arg;
    std::string value;
    const std::size_t equals = arg.find('=');
    const bool inlineValue = arg.compare(0, 2, "--") == 0 && equals != std::string::npos;
    if (inlineValue) {
        name = arg.substr(0, equals);
        value = arg.substr(equals + 1);
    }
    if (name == "-h") {
        name = "--help";
    }
    // Host options first: a command cannot redefine them.
    const OptionInfo* option = FindOption(HostOptions(), name);
    if (option == nullptr && command != nullptr) {
        option = FindOption(command->options, name);
    }
    if (option == nullptr) {
        return UsageError("unknown option '" + name + "'" +
                          (command != nullptr ? std::string(" for '") + command->name + "'"
                                              : std::string()));
    }
    if (option->valueName.empty()) {
        if (inlineValue) {
            return UsageError("option '" + name + "' takes no value");
        }
        parsed.options[name] = "";
        parsed.given.emplace_back(name, "");
        return ExitCode::kOk;
    }
    if (!inlineValue) {
        if (position + 1 >= args.size()) {
            return UsageError("option '" + name + "' requires a value");
        }
        value = args[++position];
    }
    if (name == "--host-product") {
        parsed.host.productString = value;
    } else if (name == "--host-version") {
        if (!ParseVersionNumber(value, parsed.host.vendorVersion)) {
            return UsageError("invalid value for '--host-version': '" + value + "'");
        }
    } else {
        parsed.options[name] = value;
        parsed.given.emplace_back(name, value);
    }
    return ExitCode::kOk;
}

int CommandLine::UsageError(const std::string& message) const
{
    PrintError(message);
    if (command != nullptr) {
        std::fprintf(stderr, "Try 'quellorn-host %s --help'.\n", command->name);
    } else {
        std::fprintf(stderr, "Try 'quellorn-host --help'.\n");
    }
    return ExitCode::kUsage;
}

void CommandLine::PrintMainHelp(std::FILE* out) const
{
    std::fprintf(out, "Usage: quellorn-host [options] COMMAND [command options] [arguments]\n\n"
                      "A command-line host for VST 2 plug-in modules.\n\n"
                      "Commands:\n");
    for (const Command& each : AllCommands()) {
        std::fprintf(out, "  %-22s %s\n", each.name, each.summary);
    }
    std::fprintf(out, "\nOptions (valid with every command):\n");
    PrintOptions(HostOptions(), out);
    std::fprintf(out, "\nRun 'quellorn-host COMMAND --help' for a command's own help.\n");
}

void CommandLine::PrintCommandHelp(const Command& shown, std::FILE* out) const
{
    std::fprintf(out, "Usage: quellorn-host %s [options] %s\n\n%s\n\n", shown.name, shown.arguments,
                 shown.description);
    if (!shown.options.empty()) {
        std::fprintf(out, "Options:\n");
        PrintOptions(shown.options, out);
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "Host options:\n");
    PrintOptions(HostOptions(), out);
}
