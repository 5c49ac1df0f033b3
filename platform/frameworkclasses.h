#pragma once

// The framework's own classes, registered with the runtime in one fixed order.

// RegisterFrameworkClasses registers the framework's own classes; start-up calls it before
// it registers the program's.
void RegisterFrameworkClasses();
