// The program block: module start-up, the application object, the windows, the message loop.
#pragma once

// Runs the program and returns its exit code.
int RunTarnwick();

#ifdef _WIN32
// Makes the classes of the program's form descriptions known to the form reader and the
// picture formats they hold (also used by tests that create the forms).
void RegisterTarnwickClasses();
#endif
