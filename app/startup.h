#pragma once

// Process start-up and shutdown: ProcessMain calls these in this order.

// ProcessMain is the whole of main, kept here so that the tests run what the executable
// runs: RuntimeInit, initialize, Main, finalize, then RuntimeExit, whose status it returns.
int ProcessMain(int argc, char** argv);

// initialize registers every class: the framework's, then the program's six.
void initialize();

// Main runs the framework's initialisation with Startup, then the event loop; an exception
// that escapes either goes to the unhandled-exception handling.
void Main();

// Startup is the start-up routine the framework's initialisation calls.
void Startup();
void InitFileTypes();
void NewAppInstance();
void ApplicationAddMenuHandlers();

// finalize releases the module globals: the framework's, then pAll, then the menu bar.
void finalize();
