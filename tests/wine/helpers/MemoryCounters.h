#ifndef TESTS_WINE_HELPERS_MEMORYCOUNTERS_H
#define TESTS_WINE_HELPERS_MEMORYCOUNTERS_H

#include <windows.h>

#include <cstring>

// PROCESS_MEMORY_COUNTERS, looked up at run time so no import library is
// needed.
struct MemoryCounters
{
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;
    SIZE_T WorkingSetSize;
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
};

// This process's counters; false (and all zero) when the system does not say.
inline bool readMemoryCounters(MemoryCounters &c)
{
    typedef BOOL(WINAPI * Query)(HANDLE, MemoryCounters *, DWORD);
    Query q = reinterpret_cast<Query>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    std::memset(&c, 0, sizeof c);
    c.cb = sizeof c;
    if (q && q(GetCurrentProcess(), &c, sizeof c))
        return true;
    std::memset(&c, 0, sizeof c);
    return false;
}

#endif
