#pragma once

// Hooks for the tests, never called by the program; defined in application.cpp, beside the
// event loop state they reset.

#include <string>
#include <vector>

// ResetRuntimeForTesting puts the runtime back as it stands after start-up, for the next
// test: every thread still alive is ended cleanly, the quit request, the exit status, the
// application object, the held option key, pending documents and a kept handler exception
// are forgotten, and the system clock and time-sliced scheduling are back.
void ResetRuntimeForTesting();

// SetCommandLineDocumentsForTesting makes RuntimeRun deliver these paths, in order, in
// place of the command line's documents.
void SetCommandLineDocumentsForTesting(std::vector<std::string> documents);
