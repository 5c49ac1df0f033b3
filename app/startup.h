#pragma once

// Process start-up and shutdown: main calls these in this order.

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
