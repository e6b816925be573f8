// Entry point of the tastra executable.
#include "app/Startup.h"

int main(int argc, char** argv) {
    return RunProgram(ParseStartupOptions(argc, argv));
}
