// Linux programs from inside a Wine test: Wine starts them but cannot wait for them (their
// process handle is not waitable), so a shell runs the command and leaves its exit code in a
// marker file that we poll.
#pragma once

#include <string>

#include "ui/Types.h"

#ifdef _WIN32
// The Linux path of a Windows path (through Wine's own mapping); empty when it has none.
std::string UnixPathOf(const String& windowsPath);
// A word for /bin/sh: in single quotes, embedded single quotes closed and reopened.
std::string ShellQuote(const std::string& word);
// Runs `sh -c command` (which must not exec away the shell) and returns its exit code; -1 when it could not start or
// did not end within timeoutMs.
int RunUnixShell(const std::string& command, unsigned timeoutMs = 120000);
#endif
