#include "tests/wine/helpers/ProcessCounts.h"
#include "tests/wine/helpers/MemoryCounters.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

double residentMiB()
{
    MemoryCounters c;
    if (!readMemoryCounters(c))
        return -1;
    return double(c.WorkingSetSize) / 1048576.0;
}

// Wine answers GetProcessHandleCount with 0; its handle values are small
// multiples of 4, so they are probed one by one.
unsigned handleCount()
{
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n > 0)
        return n;
    unsigned found = 0;
    for (uintptr_t v = 4; v < 0x8000; v += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags))
            ++found;
    }
    return found;
}

// Wine answers GetGuiResources with 0, but its GetObjectType takes a GDI
// handle by its table index alone (the low word), so the live objects,
// stock ones included, can be counted by probing.
unsigned gdiCount()
{
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n > 0)
        return n;
    unsigned found = 0;
    for (uintptr_t i = 32; i < 0x10000; ++i)
        found += GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
    return found;
}

BOOL CALLBACK countChild(HWND, LPARAM p)
{
    ++*reinterpret_cast<unsigned *>(p);
    return TRUE;
}

BOOL CALLBACK countTop(HWND w, LPARAM p)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId()) {
        ++*reinterpret_cast<unsigned *>(p);
        EnumChildWindows(w, countChild, p);
    }
    return TRUE;
}

unsigned userCount()
{
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (n > 0)
        return n;
    unsigned windows = 0;
    EnumWindows(countTop, LPARAM(&windows));
    return windows;
}

} // namespace

ProcessCounts ProcessCounts::now()
{
    ProcessCounts c;
    c.workingSetMiB = residentMiB();
    c.handles = handleCount();
    c.gdiObjects = gdiCount();
    c.userObjects = userCount();
    return c;
}

std::string ProcessCounts::describe() const
{
    char s[160];
    std::snprintf(s, sizeof s, "working set %7.1f MiB, handles %4u, GDI %4u, USER %4u", workingSetMiB, handles,
                  gdiObjects, userObjects);
    return s;
}
