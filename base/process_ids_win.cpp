// Windows: process ids, and whether one still stands for a process.
#include "process_names.h"

#include "unique_handle.h"

#include <windows.h>

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessHasEnded(unsigned long pid)
{
    const UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    return WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}
