// The desktop's dialogs (zenity or kdialog) run as child processes that the editor does
// not wait for: a file dialog's answer is read on a later idle call, so the host's user
// interface keeps running while the user chooses.
//
// The calls that reach the system go through a replaceable set, so tests can answer in
// the user's place. Owned by one editor surface, used from its window's thread.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct DesktopCalls {
    // The full path of a program on PATH, empty when there is none.
    std::string (*findProgram)(const std::string& name);
    // Starts a helper whose standard output is its answer: the child's id and the read end
    // of that output (non-blocking). False when it could not be started.
    bool (*startAnswering)(const std::vector<std::string>& argv, pid_t& child, int& output);
    // Starts a helper that shows something and answers nothing.
    bool (*startDetached)(const std::vector<std::string>& argv);
};
DesktopCalls SystemDesktopCalls();
// Returns the set it replaces.
DesktopCalls SetDesktopCalls(const DesktopCalls& calls);

class DesktopDialog {
public:
    DesktopDialog() = default;
    ~DesktopDialog();
    DesktopDialog(const DesktopDialog&) = delete;
    DesktopDialog& operator=(const DesktopDialog&) = delete;

    // Starts an open-file dialog for files with these extensions ("wav ogg sfz"). False
    // when no dialog program is installed or one is open already.
    bool StartOpenFile(const std::string& extensions);
    // Shows a warning with an OK button; false when no dialog program is installed.
    static bool ShowWarning(const std::string& caption, const std::string& text);
    // True once the open dialog has ended; `path` is the chosen file, empty on cancel.
    bool Poll(std::string& path);
    bool IsOpen() const { return child > 0; }
    // Ends an open dialog without an answer.
    void Cancel();

private:
    void Reap();

    pid_t child = 0;
    int output = -1;
    std::string answer;
};
