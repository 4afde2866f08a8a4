#include "plugbase/window/DesktopProcess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace DesktopProcess {

std::string FindProgram(const std::string& name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

std::vector<std::string> CleanEnvironment()
{
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "LD_LIBRARY_PATH=", 16) == 0
            || std::strncmp(*entry, "LD_PRELOAD=", 11) == 0)
            continue;
        result.emplace_back(*entry);
    }
    return result;
}

namespace {

// The arguments and environment as exec wants them, built before fork: between fork and
// exec a child of a threaded process may only make async-signal-safe calls.
struct ExecArgs {
    explicit ExecArgs(const std::vector<std::string>& argv)
        : env(CleanEnvironment())
    {
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        for (const std::string& entry : env)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
    }
    std::vector<std::string> env;
    std::vector<char*> args;
    std::vector<char*> envp;
};

} // namespace

bool StartAnswering(const std::vector<std::string>& argv, pid_t& child, int& output)
{
    if (argv.empty())
        return false;
    const std::string program = FindProgram(argv[0]);
    if (program.empty())
        return false;
    const ExecArgs exec(argv);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (pid == 0) {
        // dup2 clears close-on-exec on the copy, so the helper keeps its output.
        if (dup2(pipeFds[1], STDOUT_FILENO) < 0)
            _exit(127);
        execve(program.c_str(), exec.args.data(), exec.envp.data());
        _exit(127);
    }
    close(pipeFds[1]);
    fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
    child = pid;
    output = pipeFds[0];
    return true;
}

bool StartDetached(const std::vector<std::string>& argv)
{
    if (argv.empty())
        return false;
    const std::string program = FindProgram(argv[0]);
    if (program.empty())
        return false;
    const ExecArgs exec(argv);

    int pipeFds[2];
    // Close-on-exec: a helper that started holds no end of it, so the read below ends.
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        // The helper is a grandchild: its parent ends at once and the helper is adopted
        // by init, so the host never finds a child it did not start.
        close(pipeFds[0]);
        setsid();
        const pid_t helper = fork();
        if (helper == 0) {
            execve(program.c_str(), exec.args.data(), exec.envp.data());
            const char failed = 1;
            (void)!write(pipeFds[1], &failed, 1);
            _exit(127);
        }
        close(pipeFds[1]);
        _exit(helper < 0 ? 1 : 0);
    }
    close(pipeFds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Nothing to read means the exec worked; a byte means it failed.
    char failed = 0;
    const ssize_t got = read(pipeFds[0], &failed, 1);
    close(pipeFds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got <= 0;
}

} // namespace DesktopProcess
