#ifndef TESTS_WINE_HELPERS_PROCESSCOUNTS_H
#define TESTS_WINE_HELPERS_PROCESSCOUNTS_H

#include <string>

// What this process holds of the system at a moment: the figures a session
// that runs for days must keep level. Windows reports handles and GDI and
// USER objects itself (GetProcessHandleCount, GetGuiResources); Wine answers
// those with 0, so there the handles and GDI objects are counted by probing
// and USER objects stand for the windows of the process.
struct ProcessCounts
{
    double workingSetMiB;
    unsigned handles;
    unsigned gdiObjects;
    unsigned userObjects;

    static ProcessCounts now();
    std::string describe() const;
};

#endif
