#include "tests/wine/helpers/StackReport.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>

namespace {

const size_t stackWords = 65536;

template <typename T> const T *at(ULONG_PTR base, ULONG_PTR rva)
{
    return reinterpret_cast<const T *>(base + rva);
}

const IMAGE_NT_HEADERS *headersOf(ULONG_PTR base)
{
    const IMAGE_DOS_HEADER *dos = at<IMAGE_DOS_HEADER>(base, 0);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return nullptr;
    const IMAGE_NT_HEADERS *nt = at<IMAGE_NT_HEADERS>(base, ULONG_PTR(dos->e_lfanew));
    return nt->Signature == IMAGE_NT_SIGNATURE ? nt : nullptr;
}

// "rig::Terminal::command(int, int)" reads as "rig::Terminal::command".
std::string shortName(std::string mangled)
{
#ifndef _WIN64
    // The 32-bit symbols carry a leading underscore, and the stdcall ones
    // their argument size after an "@".
    if (!mangled.empty() && mangled[0] == '_')
        mangled.erase(0, 1);
    size_t at = mangled.find('@');
    if (at != std::string::npos)
        mangled.resize(at);
#endif
    int status = 0;
    char *plain = abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : mangled;
    std::free(plain);
    if (name.size() > 6 && name.compare(name.size() - 6, 6, " const") == 0)
        name.resize(name.size() - 6);
    if (!name.empty() && name.back() == ')') {
        int depth = 0;
        for (size_t i = name.size(); i-- > 0;) {
            if (name[i] == ')')
                ++depth;
            else if (name[i] == '(' && --depth == 0) {
                name.resize(i);
                break;
            }
        }
    }
    return name.size() > 60 ? name.substr(0, 57) + "..." : name;
}

} // namespace

StackReport::StackReport() : programBase(ULONG_PTR(GetModuleHandleA(nullptr))), symbolsLoaded(false)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snap == INVALID_HANDLE_VALUE)
        return;
    MODULEENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snap, &entry); more; more = Module32Next(snap, &entry)) {
        entry.szModule[sizeof entry.szModule - 1] = '\0';
        modules.push_back({ULONG_PTR(entry.modBaseAddr), ULONG_PTR(entry.modBaseSize), entry.szModule});
    }
    CloseHandle(snap);
}

std::vector<std::string> StackReport::framesOf(HANDLE thread, size_t inner, size_t own)
{
    std::vector<std::string> frames;
    // Taken before the thread stops: it may hold the heap's lock.
    std::vector<ULONG_PTR> words(stackWords);
    size_t count = 0;
    ULONG_PTR ip = 0;
    alignas(16) CONTEXT context;
    std::memset(&context, 0, sizeof context);
    context.ContextFlags = CONTEXT_CONTROL;
    if (SuspendThread(thread) == DWORD(-1))
        return frames;
    if (GetThreadContext(thread, &context)) {
#ifdef _WIN64
        ULONG_PTR sp = context.Rsp;
        ip = context.Rip;
#else
        ULONG_PTR sp = context.Esp;
        ip = context.Eip;
#endif
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<void *>(sp), &region, sizeof region) == sizeof region &&
            region.State == MEM_COMMIT) {
            ULONG_PTR top = ULONG_PTR(region.BaseAddress) + region.RegionSize;
            count = std::min(stackWords, size_t((top - sp) / sizeof(ULONG_PTR)));
            std::memcpy(words.data(), reinterpret_cast<void *>(sp), count * sizeof(ULONG_PTR));
        }
    }
    ResumeThread(thread);
    if (ip == 0)
        return frames;

    frames.push_back(nameOf(ip));
    size_t ownShown = 0;
    for (size_t i = 0; i < count && (frames.size() < inner || ownShown < own); ++i) {
        ULONG_PTR v = words[i];
        const Module *m = moduleAt(v);
        if (!m || !isCode(*m, v) || !followsCall(v))
            continue;
        bool programs = false;
        std::string name = nameOf(v, &programs);
        if (name == frames.back())
            continue;
        if (frames.size() < inner)
            frames.push_back(name);
        else if (programs && ownShown < own) {
            frames.push_back(name);
            ++ownShown;
        }
    }
    return frames;
}

const StackReport::Module *StackReport::moduleAt(ULONG_PTR address) const
{
    for (const Module &m : modules)
        if (address >= m.base && address - m.base < m.size)
            return &m;
    return nullptr;
}

bool StackReport::isCode(const Module &m, ULONG_PTR address) const
{
    const IMAGE_NT_HEADERS *nt = headersOf(m.base);
    if (!nt)
        return false;
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    ULONG_PTR rva = address - m.base;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        // Eight bytes in, so the call before the address is in it too.
        if ((section->Characteristics & IMAGE_SCN_MEM_EXECUTE) && rva >= section->VirtualAddress + 8 &&
            rva < section->VirtualAddress + section->Misc.VirtualSize)
            return true;
    }
    return false;
}

// A return address comes right after a call: e8 and a 32-bit offset, or
// ff /2 through a register or memory, with 0 to 5 bytes after its ModRM.
bool StackReport::followsCall(ULONG_PTR address)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(address);
    if (p[-5] == 0xE8)
        return true;
    for (int back = 2; back <= 7; ++back)
        if (p[-back] == 0xFF && ((p[-back + 1] >> 3) & 7) == 2)
            return true;
    return false;
}

std::string StackReport::nameOf(ULONG_PTR address, bool *programs)
{
    char text[200];
    const Module *m = moduleAt(address);
    if (!m) {
        std::snprintf(text, sizeof text, "%p", reinterpret_cast<void *>(address));
        return text;
    }
    ULONG_PTR rva = address - m->base;
    if (m->base == programBase) {
        loadProgramSymbols();
        auto after = std::upper_bound(symbols.begin(), symbols.end(), rva,
                                      [](ULONG_PTR r, const Symbol &s) { return r < s.rva; });
        if (after != symbols.begin()) {
            if (programs)
                *programs = true;
            return (after - 1)->name;
        }
    }
    std::string symbol = m->base == programBase ? std::string() : exportBefore(*m, rva);
    if (symbol.empty())
        std::snprintf(text, sizeof text, "%s+0x%lx", m->name.c_str(), static_cast<unsigned long>(rva));
    else
        std::snprintf(text, sizeof text, "%s!%s", m->name.c_str(), symbol.c_str());
    return text;
}

// The nearest exported name at or before rva, with the distance from it.
std::string StackReport::exportBefore(const Module &m, ULONG_PTR rva) const
{
    const IMAGE_NT_HEADERS *nt = headersOf(m.base);
    if (!nt || nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT)
        return std::string();
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dir.VirtualAddress == 0 || dir.Size == 0)
        return std::string();
    const IMAGE_EXPORT_DIRECTORY *exports = at<IMAGE_EXPORT_DIRECTORY>(m.base, dir.VirtualAddress);
    const DWORD *functions = at<DWORD>(m.base, exports->AddressOfFunctions);
    const DWORD *names = at<DWORD>(m.base, exports->AddressOfNames);
    const WORD *ordinals = at<WORD>(m.base, exports->AddressOfNameOrdinals);
    DWORD best = 0;
    const char *bestName = nullptr;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        if (ordinals[i] >= exports->NumberOfFunctions)
            continue;
        DWORD f = functions[ordinals[i]];
        // A forwarded export points into the directory itself.
        if (f >= dir.VirtualAddress && f < dir.VirtualAddress + dir.Size)
            continue;
        if (f <= rva && f >= best) {
            best = f;
            bestName = at<char>(m.base, names[i]);
        }
    }
    if (!bestName)
        return std::string();
    char text[160];
    std::snprintf(text, sizeof text, "%.100s+0x%lx", bestName, static_cast<unsigned long>(rva - best));
    return text;
}

// The program's own functions from the COFF symbol table the linker leaves
// in the file.
void StackReport::loadProgramSymbols()
{
    if (symbolsLoaded)
        return;
    symbolsLoaded = true;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::vector<unsigned char> image;
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size < (256u << 20)) {
        image.resize(size);
        DWORD read = 0;
        if (!ReadFile(file, image.data(), size, &read, nullptr) || read != size)
            image.clear();
    }
    CloseHandle(file);
    if (image.size() < sizeof(IMAGE_DOS_HEADER))
        return;

    const IMAGE_NT_HEADERS *nt = headersOf(programBase);
    if (!nt)
        return;
    const IMAGE_FILE_HEADER &header = nt->FileHeader;
    const size_t recordSize = 18;
    size_t table = header.PointerToSymbolTable, n = header.NumberOfSymbols;
    if (table == 0 || table > image.size() || n > (image.size() - table) / recordSize)
        return;
    const unsigned char *strings = image.data() + table + n * recordSize;
    size_t stringsSize = image.size() - (table + n * recordSize);
    const IMAGE_SECTION_HEADER *sections = IMAGE_FIRST_SECTION(nt);
    for (size_t i = 0; i < n; ++i) {
        const unsigned char *r = image.data() + table + i * recordSize;
        DWORD value;
        SHORT sectionNumber;
        WORD type;
        std::memcpy(&value, r + 8, 4);
        std::memcpy(&sectionNumber, r + 12, 2);
        std::memcpy(&type, r + 14, 2);
        unsigned aux = r[17];
        if (sectionNumber > 0 && sectionNumber <= header.NumberOfSections && (type & 0x30) == 0x20) {
            std::string name;
            DWORD zeros, offset;
            std::memcpy(&zeros, r, 4);
            std::memcpy(&offset, r + 4, 4);
            if (zeros != 0)
                name.assign(reinterpret_cast<const char *>(r), strnlen(reinterpret_cast<const char *>(r), 8));
            else if (offset < stringsSize)
                name.assign(reinterpret_cast<const char *>(strings + offset),
                            strnlen(reinterpret_cast<const char *>(strings + offset), stringsSize - offset));
            if (!name.empty())
                symbols.push_back({sections[sectionNumber - 1].VirtualAddress + value, shortName(name)});
        }
        i += aux;
    }
    std::sort(symbols.begin(), symbols.end(), [](const Symbol &a, const Symbol &b) { return a.rva < b.rva; });
}
