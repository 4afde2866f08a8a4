#include "tests/host/HostProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ProcessResult HostProcess::Run(const std::vector<std::string>& args)
{
    std::vector<std::string> command{QUELLORN_HOST_EXE};
    command.insert(command.end(), args.begin(), args.end());
    return RunCommand(command);
}

ProcessResult HostProcess::RunWithFileLimit(const std::vector<std::string>& args, int blocks)
{
    // An ignored signal stays ignored across exec, so the host sees the failed write.
    std::vector<std::string> command{"/bin/sh", "-c",
                                     "ulimit -f " + std::to_string(blocks) +
                                         " && trap '' XFSZ && exec \"$0\" \"$@\"",
                                     QUELLORN_HOST_EXE};
    command.insert(command.end(), args.begin(), args.end());
    return RunCommand(command);
}

ProcessResult HostProcess::RunCommand(std::vector<std::string> command)
{
    // Files rather than pipes: no risk of the child blocking on a full pipe we are not reading.
    char directory[] = "/tmp/quellorn-host-test-XXXXXX";
    if (::mkdtemp(directory) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    const std::string outPath = std::string(directory) + "/out";
    const std::string errPath = std::string(directory) + "/err";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<char*> argv;
    for (std::string& arg : command) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + command.front());
    }
    int status = 0;
    ::waitpid(child, &status, 0);

    ProcessResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(outPath),
                         ReadFile(errPath)};
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    ::rmdir(directory);
    return result;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& args)
{
    std::string out;
    for (const std::string& arg : args)
        out += arg + " ";
    return out;
}
