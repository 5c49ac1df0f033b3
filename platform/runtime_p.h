#pragma once

// What the platform's own units share about the running process; not for the program.

#include <string>
#include <vector>

namespace RuntimePrivate {

// The documents named on the command line, made absolute, in order.
const std::vector<std::string>& CommandLineDocuments();

// The exit status RuntimeExit will return; Quit and UnhandledException set it.
void SetExitStatus(int status);
int ExitStatus();

// The executable's absolute path, as the command line and /proc give it.
const std::string& ExecutablePath();

}  // namespace RuntimePrivate
