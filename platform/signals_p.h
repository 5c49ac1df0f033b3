#pragma once

// The termination signals (SIGTERM, SIGINT, SIGHUP), handled on the event loop; not for the
// program.
//
// The handler only notes the signal and writes a byte to a pipe that the event loop
// watches. The first signal requests the quit there, as the Quit menu item does, and once
// the runtime has shut down the process ends by that signal (its conventional status). A
// second one ends the process at once, after the named temporary files of copies under way
// are removed; an anonymous copy needs nothing, it goes with the process.

#include <string>

namespace SignalsPrivate {

// Install takes over the three signals, except those the process was started ignoring (as
// nohup does for SIGHUP). RuntimeRun calls it; calling it again changes nothing.
void Install();

// HandleReceived is the event loop's side: it drains the pipe and acts on what came.
void HandleReceived();

// EndByHandledSignal ends the process by the first signal handled, if any; it returns only
// when none was. RuntimeExit calls it last.
void EndByHandledSignal();

// NoteTemporary and ForgetTemporary keep the list of the copies' files under a temporary
// name in a folder (a descriptor the copy keeps open meanwhile).
void NoteTemporary(int folder, const std::string& name);
void ForgetTemporary(int folder, const std::string& name);

}  // namespace SignalsPrivate
