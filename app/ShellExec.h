// Starting the converter and waiting for it while the calling thread's messages keep flowing.
#pragma once

#include <cstddef>

#include "ui/SysUtils.h"

TW_DECLARE_EXCEPTION(EShellExecError, Exception);

// Fills size bytes at p with zero; nothing when size <= 0.
void ResetMemory(void* p, Integer size);

#ifdef _WIN32
// Starts fileName (no verb: the default, which runs a program file directly; directory
// empty: the current one) with the show state cmdShow, waits for it to end while
// dispatching the calling thread's messages every 10 ms, and returns its exit code. The
// parameters are passed as they are: no environment variable is expanded, in them or in the
// file name. Raises EShellExecError "ShellExecuteEx fail" or "GetExitCodeProcess fail". A
// quit message taken while waiting is posted again afterwards.
Cardinal ShellExecAndWait(const String& fileName, const String& parameters, const String& verb, Integer cmdShow,
                          const String& directory);
#endif
