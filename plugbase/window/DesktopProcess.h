// Starts a desktop helper program (xdg-open, zenity, kdialog) as a detached process:
// no shell (the arguments go to it as they are), and an environment cleaned of the
// host's library paths, which would make the helper load the host's copies of libraries.
//
// Any thread; the call returns as soon as the helper is started and leaves no child of
// the host behind to be waited for.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace DesktopProcess {

// The full path of a program found on PATH, empty when there is none.
std::string FindProgram(const std::string& name);

// True when the program was found and started.
bool StartDetached(const std::vector<std::string>& argv);

// Starts a helper whose standard output is its answer, as a child that the caller reaps
// with waitpid: its id, and the read end of its output, non-blocking and close-on-exec.
bool StartAnswering(const std::vector<std::string>& argv, pid_t& child, int& output);

// The environment a helper gets: this process's, less the variables that redirect the
// dynamic loader.
std::vector<std::string> CleanEnvironment();

} // namespace DesktopProcess
