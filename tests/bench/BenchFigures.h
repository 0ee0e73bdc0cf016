#ifndef TESTS_BENCH_BENCHFIGURES_H
#define TESTS_BENCH_BENCHFIGURES_H

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tests/wine/helpers/MemoryCounters.h"

// What the benchmarks measure with, and the one way they print a figure.
namespace bench {

// The process's memory as the system counts it, in MiB.
struct Memory
{
    double workingSetMiB = 0;
    double peakWorkingSetMiB = 0;
    double privateMiB = 0;       // private bytes (the page file's share)
    double peakPrivateMiB = 0;
};

inline Memory memory()
{
    Memory m;
    MemoryCounters c;
    if (readMemoryCounters(c)) {
        m.workingSetMiB = double(c.WorkingSetSize) / 1048576.0;
        m.peakWorkingSetMiB = double(c.PeakWorkingSetSize) / 1048576.0;
        m.privateMiB = double(c.PagefileUsage) / 1048576.0;
        m.peakPrivateMiB = double(c.PeakPagefileUsage) / 1048576.0;
    }
    return m;
}

// n bytes of printable lines of 64 (62 characters, CR, LF), the same for
// the same seed: what the floods send.
inline std::vector<unsigned char> printableLines(size_t n, unsigned seed)
{
    std::vector<unsigned char> b(n);
    unsigned x = seed;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = (unsigned char)(0x20 + (x >> 16) % 0x5F);
        if (i % 64 == 62)
            b[i] = '\r';
        if (i % 64 == 63)
            b[i] = '\n';
    }
    return b;
}

// Processor time this process has used, kernel and user, in seconds; -1
// when the system does not say.
inline double processorSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    auto s = [](const FILETIME &f) { return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7; };
    return s(kernel) + s(user);
}

// Wall-clock seconds from the performance counter.
inline double seconds()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(freq.QuadPart);
}

// Prints figures and flushes at once: a benchmark cut short by its time-out
// still shows everything it measured.
inline void figures(const char *format, ...) __attribute__((format(gnu_printf, 1, 2)));
inline void figures(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

} // namespace bench

#endif
