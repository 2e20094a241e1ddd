// Entry point of Tarnwick.exe.
#include <windows.h>

#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunTarnwick(); }
