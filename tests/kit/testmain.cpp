// Every test executable starts here: the framework under Qt's offscreen platform.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/frameworkclasses.h"
#include "platform/runtime.h"
#include "platform/window.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A death test's child starts the binary afresh: Qt's threads never see a fork.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!getenv("XDG_RUNTIME_DIR")) {
        std::string dir = "/tmp/quorbit-tests-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    // The test binary stands in for the program's executable: no documents on its command line.
    char* args[] = {argv[0], nullptr};
    RuntimeInit(1, args);
    RegisterFrameworkClasses();
    RunFrameworkInitialization({});
    int result = RUN_ALL_TESTS();
    ReleaseFrameworkGlobals();
    RuntimeExit();
    return result;
}
