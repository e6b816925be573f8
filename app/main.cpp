// Entry point of the tastra executable.
#include <cstdio>

int main() {
    std::puts("Tastra: the main window is not built yet.");
    return 0;
}
