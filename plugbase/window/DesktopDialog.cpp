#include "plugbase/window/DesktopDialog.h"

#include "plugbase/window/DesktopProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A path longer than this is no answer a file dialog gives.
constexpr std::size_t kMaxAnswer = 1 << 16;

DesktopCalls& Current()
{
    static DesktopCalls calls = SystemDesktopCalls();
    return calls;
}

std::string DialogProgram(std::string& name)
{
    for (const char* candidate : { "zenity", "kdialog" }) {
        const std::string path = Current().findProgram(candidate);
        if (!path.empty()) {
            name = candidate;
            return path;
        }
    }
    return {};
}

} // namespace

DesktopCalls SystemDesktopCalls()
{
    return { DesktopProcess::FindProgram, DesktopProcess::StartAnswering,
        DesktopProcess::StartDetached };
}

DesktopCalls SetDesktopCalls(const DesktopCalls& calls)
{
    const DesktopCalls previous = Current();
    Current() = calls;
    return previous;
}

DesktopDialog::~DesktopDialog()
{
    Cancel();
}

bool DesktopDialog::StartOpenFile(const std::string& extensions)
{
    if (IsOpen())
        return false;
    std::string name;
    const std::string program = DialogProgram(name);
    if (program.empty())
        return false;
    std::string patterns;
    std::size_t start = 0;
    while (start < extensions.size()) {
        std::size_t end = extensions.find(' ', start);
        if (end == std::string::npos)
            end = extensions.size();
        if (end > start)
            patterns += (patterns.empty() ? "*." : " *.") + extensions.substr(start, end - start);
        start = end + 1;
    }
    std::vector<std::string> argv;
    if (name == "zenity")
        argv = { program, "--file-selection", "--title=Load a sample",
            "--file-filter=Samples | " + patterns };
    else
        argv = { program, "--getopenfilename", ".", patterns + "|Samples" };
    answer.clear();
    return Current().startAnswering(argv, child, output);
}

bool DesktopDialog::ShowWarning(const std::string& caption, const std::string& text)
{
    std::string name;
    const std::string program = DialogProgram(name);
    if (program.empty())
        return false;
    if (name == "zenity")
        return Current().startDetached(
            { program, "--warning", "--title=" + caption, "--no-markup", "--text=" + text });
    return Current().startDetached({ program, "--title", caption, "--sorry", text });
}

bool DesktopDialog::Poll(std::string& path)
{
    if (!IsOpen())
        return false;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(output, buffer, sizeof buffer);
        if (got > 0) {
            if (answer.size() < kMaxAnswer)
                answer.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false; // nothing more yet: the user is still choosing
        break;
    }
    // The dialog closed its output: it has ended, or is about to.
    Reap();
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    path = answer.size() < kMaxAnswer && answer.find('\n') == std::string::npos ? answer : "";
    answer.clear();
    return true;
}

void DesktopDialog::Cancel()
{
    if (!IsOpen())
        return;
    kill(child, SIGTERM);
    Reap();
    answer.clear();
}

void DesktopDialog::Reap()
{
    if (output >= 0)
        close(output);
    output = -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    child = 0;
}
