#include "app/startup.h"
#include "platform/runtime.h"

int main(int argc, char** argv) {
    RuntimeInit(argc, argv);
    initialize();
    Main();
    finalize();
    return RuntimeExit();
}
