// The program's worker threads: each runs one background step in the
// process's multithreaded COM apartment (WMI from a worker lives there, and
// its interfaces stay good from one worker to the next), and the program
// can wait, bounded, for the ones still running before it lets its ports go.
#pragma once

#include <windows.h>

#include <functional>

namespace norvale::win32 {

// False when no thread could be started (nothing runs).
bool StartWorkerThread(std::function<void()> work);

// Waits until every worker has returned or `milliseconds` have passed;
// true when none runs any more.
bool WaitForWorkers(DWORD milliseconds);

}  // namespace norvale::win32
