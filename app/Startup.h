// The program block: module start-up, the application object, the windows, the message loop.
#pragma once

// Runs the program and returns its exit code.
int RunTarnwick();
