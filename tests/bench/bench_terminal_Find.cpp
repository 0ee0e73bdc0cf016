// Find over a full receive view (64 Mi characters), in text and in hex: a
// miss, which reads everything, and a hit at the very end, going down from
// the top and up from the end, as Find Next and F3 run them: the search over
// the view's own text, then the match selected and scrolled into view.
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"
#include "terminal/find/HexSearch.h"
#include "terminal/find/TextSearch.h"
#include "tests/bench/BenchView.h"
#include "win/PTextView.h"

namespace {

LARGE_INTEGER freq;

double nowMs()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

const size_t fullView = 64u * 1024u * 1024u;

// Fills the view with `total` characters made by `next` in appends of about 1 MiB.
template <class Make>
bool fill(HWND view, size_t total, Make next)
{
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    std::string part;
    size_t done = 0;
    while (done < total) {
        part.clear();
        while (part.size() < (1u << 20) && done + part.size() < total)
            next(part);
        if (SendMessageA(view, PTVM_APPEND, part.size(), LPARAM(part.data())) < 0)
            return false;
        done += part.size();
    }
    return true;
}

const char *viewText(HWND view, size_t *size)
{
    return reinterpret_cast<const char *>(SendMessageA(view, PTVM_GETTEXTPTR, WPARAM(size), 0));
}

void selectMatch(HWND view, size_t from, size_t to)
{
    SendMessageA(view, EM_SETSEL, WPARAM(from), LPARAM(from));
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
    SendMessageA(view, EM_SETSEL, WPARAM(from), LPARAM(to));
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
}

// Best and worst of five runs of one search, with the match selected.
template <class Search>
void report(HWND view, const char *what, Search search)
{
    std::vector<double> ms;
    size_t at = 0, end = 0;
    for (int i = 0; i < 5; ++i) {
        double t0 = nowMs();
        size_t size = 0;
        const char *text = viewText(view, &size);
        at = search(text, size, &end);
        if (at != size_t(-1))
            selectMatch(view, at, end);
        ms.push_back(nowMs() - t0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-52s %7.1f ms best, %7.1f ms worst  (%s)\n", what, ms.front(), ms.back(),
                at == size_t(-1) ? "no match" : ("match at " + std::to_string(at)).c_str());
}

unsigned char asciiFold[256];

void textRuns(HWND view)
{
    unsigned n = 0;
    char line[64];
    if (!fill(view, fullView - 32, [&](std::string &s) {
            std::snprintf(line, sizeof line, "line %08u: temperature 21.5 ok\r\n", n++);
            s += line;
        })) {
        std::printf("the view could not take the text\n");
        return;
    }
    SendMessageA(view, PTVM_APPEND, WPARAM(-1), LPARAM("last: ERROR 42\r\n"));
    size_t size = 0;
    viewText(view, &size);
    std::printf("text view of %zu characters (%.1f Mi)\n", size, double(size) / 1048576.0);

    struct Case {
        const char *label;
        const char *pattern;
        bool matchCase;
        bool down;
    } cases[] = {
        {"miss \"FAILURE\", match case, down", "FAILURE", true, true},
        {"miss \"failure\", any case, down", "failure", false, true},
        {"miss \"#\" (one character), any case, down", "#", false, true},
        {"miss \"#\" (one character), match case, down", "#", true, true},
        {"miss \"failure\", any case, up", "failure", false, false},
        {"hit \"error 42\" at the end, any case, down", "error 42", false, true},
        {"hit \"line 00000000\" at the start, any case, up", "line 00000000", false, false},
    };
    for (const Case &c : cases) {
        TextSearch s(c.pattern, std::strlen(c.pattern), c.matchCase ? nullptr : asciiFold);
        report(view, c.label, [&](const char *text, size_t n, size_t *end) {
            size_t at = c.down ? s.findForward(text, n, 0) : s.findBackward(text, n, n);
            *end = at + s.length();
            return at;
        });
    }
}

void hexRuns(HWND view)
{
    uint32_t lineNo = 0;
    char line[HexDump::lineBufferSize];
    unsigned char bytes[8];
    const size_t lines = fullView / HexDump::fullLineChars;
    if (!fill(view, (lines - 1) * HexDump::fullLineChars, [&](std::string &s) {
            // The first line's bytes stand nowhere else.
            for (int i = 0; i < 8; ++i)
                bytes[i] = (unsigned char)(lineNo == 0 ? 1 + i : 0x20 + (lineNo * 8 + unsigned(i)) % 0x5F);
            s.append(line, HexDump::formatHexLine(bytes, 8, lineNo++, line));
        })) {
        std::printf("the view could not take the dump\n");
        return;
    }
    const unsigned char last[8] = {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0xDE, 0xAD};
    SendMessageA(view, PTVM_APPEND, WPARAM(HexDump::formatHexLine(last, 8, lineNo, line)), LPARAM(line));
    size_t size = 0;
    viewText(view, &size);
    std::printf("hex view of %zu characters (%.1f Mi, %zu lines)\n", size, double(size) / 1048576.0, lines);

    struct Case {
        const char *label;
        const char *typed;
        bool down;
    } cases[] = {
        {"miss \"0D 0A\", down", "0D 0A", true},
        {"miss \"DE AD BE EF\", down", "DE AD BE EF", true},
        {"miss \"0D 0A\", up", "0D 0A", false},
        {"hit \"46 DE AD\" at the end, down", "46 DE AD", true},
        {"hit \"01 02 03\" at the start, up", "01 02 03", false},
    };
    for (const Case &c : cases) {
        unsigned char pat[HexSearch::maxBytes];
        size_t n = 0;
        HexSearch::parse(c.typed, pat, sizeof pat, &n);
        HexSearch s(pat, n);
        report(view, c.label, [&](const char *text, size_t size, size_t *end) {
            return c.down ? s.findForward(text, size, 0, end) : s.findBackward(text, size, size, end);
        });
    }
}

} // namespace

int main()
{
    QueryPerformanceFrequency(&freq);
    TextSearch::asciiFold(asciiFold);
    HWND view = bench::makeReceiveView("FindBenchHost");
    if (!view)
        return 1;
    textRuns(view);
    hexRuns(view);
    DestroyWindow(GetParent(view));
    return 0;
}
