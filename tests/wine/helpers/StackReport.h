#ifndef TESTS_WINE_HELPERS_STACKREPORT_H
#define TESTS_WINE_HELPERS_STACKREPORT_H

#include <windows.h>

#include <string>
#include <vector>

// Where a thread of this process stands, for a test that hangs: the address
// it runs at and the return addresses found on its stack, innermost first,
// each named by its module and the nearest symbol before it (the program's
// own from its symbol table, a DLL's from its exports). A stack scan finds
// stale addresses too, so a name or two may be left over from an earlier
// call; the order of the rest is the order of the calls.
class StackReport
{
public:
    StackReport();

    // The innermost `inner` frames of `thread` (which must not be the calling
    // one), then up to `own` more of the program's own functions, which say
    // what the thread was doing. Empty when it could not be stopped or read.
    std::vector<std::string> framesOf(HANDLE thread, size_t inner, size_t own = 0);

private:
    struct Module
    {
        ULONG_PTR base;
        ULONG_PTR size;
        std::string name;
    };
    struct Symbol
    {
        ULONG_PTR rva;
        std::string name;
    };

    const Module *moduleAt(ULONG_PTR address) const;
    bool isCode(const Module &m, ULONG_PTR address) const;
    static bool followsCall(ULONG_PTR address);
    std::string nameOf(ULONG_PTR address, bool *programs = nullptr);
    std::string exportBefore(const Module &m, ULONG_PTR rva) const;
    void loadProgramSymbols();

    std::vector<Module> modules;
    ULONG_PTR programBase;
    bool symbolsLoaded;
    std::vector<Symbol> symbols;   // the program's functions, by address
};

#endif
