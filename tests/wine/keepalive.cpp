// Keeps a Wine session warm for the tests: touches the desktop once, says "ready", then waits
// until the session is ended.
#include <windows.h>

#include <cstdio>

int main() {
    GetDesktopWindow();
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
