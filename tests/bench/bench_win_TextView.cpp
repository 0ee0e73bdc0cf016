// The text view's own costs: appending as a flood does (511-byte chunks, the
// view following the end) with the frames it paints meanwhile, a view of 2
// million hex lines filled in large appends, its memory per character, one
// full repaint at the end, the middle and the top, a rewrap on resize, and
// cutting its head and tail. Then the line index: the memory it adds per
// line for a view full of short and of 80-character lines, and what an
// emptied view gives back; a 16 MiB line with a tab every 32 characters:
// its repaint, and a flood of it against the same flood without tabs.
#include <windows.h>
#include <richedit.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/bench/BenchFigures.h"
#include "tests/bench/BenchView.h"
#include "win/PTextView.h"

namespace {

double mib(SIZE_T bytes)
{
    return double(bytes) / 1048576.0;
}

// Counts the view's paints: the class procedure behind a counting one.
WNDPROC viewProc = nullptr;
long paints = 0;

LRESULT CALLBACK countingProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT)
        ++paints;
    return CallWindowProcA(viewProc, w, msg, wParam, lParam);
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// count hex lines as the terminal lays them out, numbered from first.
std::string hexLines(unsigned first, unsigned count)
{
    std::string s;
    s.reserve(size_t(count) * 34);
    char line[40];
    for (unsigned i = first; i < first + count; ++i) {
        unsigned o = i * 8;
        std::sprintf(line, "%06X %02X%02X%02X%02X%02X%02X%02X%02X %c%c%c%c%c%c%c%c\r\n", o & 0xFFFFFF, i & 0xFF,
                     (i >> 8) & 0xFF, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 'A' + i % 26, 'B', 'C', 'D', 'E', 'F',
                     'G', 'H');
        s += line;
    }
    return s;
}

double repaintMs(HWND view, int times)
{
    double t0 = bench::seconds();
    for (int i = 0; i < times; ++i) {
        InvalidateRect(view, nullptr, FALSE);
        UpdateWindow(view);
    }
    GdiFlush();
    return (bench::seconds() - t0) * 1000.0 / times;
}

// Text of `total` characters, no line ends, a tab every `tabEvery`
// characters (none when 0).
std::string oneLine(size_t total, size_t tabEvery)
{
    std::string s(total, 'x');
    for (size_t i = 0; i < total; ++i)
        s[i] = char('a' + i % 26);
    if (tabEvery)
        for (size_t i = tabEvery - 1; i < total; i += tabEvery)
            s[i] = '\t';
    return s;
}

struct Rate
{
    double wall, processor;  // MiB per second of each
};

// Appends text in 511-byte chunks, the queue's messages after each, as a
// received flood does. Per second of processor time too: on a loaded
// machine the wall clock says more about the neighbours.
Rate floodRate(HWND view, const std::string &text)
{
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    pump();
    double t0 = bench::seconds(), p0 = bench::processorSeconds();
    for (size_t done = 0; done < text.size(); done += 511) {
        size_t n = text.size() - done < 511 ? text.size() - done : 511;
        SendMessageA(view, PTVM_APPEND, n, LPARAM(text.data() + done));
        pump();
    }
    return Rate{mib(text.size()) / (bench::seconds() - t0), mib(text.size()) / (bench::processorSeconds() - p0)};
}

// The working set a view full of lines of lineLength characters (line end
// included) adds beyond its text, per line; and what is left of it once
// the view is emptied.
void indexCost(HWND view, size_t lineLength, size_t total)
{
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    pump();
    std::string line = lineLength == 4 ? std::string("OK") : std::string(lineLength - 2, 'x');
    line += "\r\n";
    std::string part;
    while (part.size() + line.size() <= 1024 * 1024)
        part += line;
    bench::Memory before = bench::memory();
    size_t chars = 0;
    while (chars + part.size() <= total) {
        if (SendMessageA(view, PTVM_APPEND, part.size(), LPARAM(part.data())) < 0) {
            std::printf("index: append failed at %zu characters\n", chars);
            return;
        }
        chars += part.size();
    }
    pump();
    bench::Memory full = bench::memory();
    size_t lines = chars / lineLength;
    double added = (full.workingSetMiB - before.workingSetMiB) * 1048576.0;
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    pump();
    bench::Memory cleared = bench::memory();
    std::printf("index: %zu lines of %zu characters (%.1f MiB): working set %.1f -> %.1f MiB, %.2f bytes a line "
                "beyond the text; emptied: %.1f MiB (%+.1f MiB against before)\n",
                lines, lineLength, mib(chars), before.workingSetMiB, full.workingSetMiB,
                (added - double(chars)) / double(lines), cleared.workingSetMiB,
                cleared.workingSetMiB - before.workingSetMiB);
}

// A 16 MiB line with a tab every 32 characters: repainting its last rows,
// then a flood of it against the same flood without tabs.
void longLineWithTabs(HWND view)
{
    const size_t total = 16u * 1024 * 1024;
    std::string tabbed = oneLine(total, 32);
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    SendMessageA(view, PTVM_APPEND, tabbed.size(), LPARAM(tabbed.data()));
    pump();
    LRESULT rows = SendMessageA(view, EM_GETLINECOUNT, 0, 0);
    std::printf("long line: 16 MiB without line ends, a tab every 32 characters (%ld rows): repaint of the last "
                "rows %.3f ms", long(rows), repaintMs(view, 100));
    SendMessageA(view, WM_VSCROLL, SB_TOP, 0);
    SendMessageA(view, EM_LINESCROLL, 0, rows / 2);
    std::printf(", in the middle %.3f ms\n", repaintMs(view, 100));
    Rate plain = floodRate(view, oneLine(total, 0));
    std::printf("long line without tabs: repaint of the last rows %.3f ms\n", repaintMs(view, 100));
    Rate withTabs = floodRate(view, tabbed);
    std::printf("long line flood in 511-byte chunks: without tabs %.2f MiB/s (%.2f per processor second), a tab "
                "every 32 characters %.2f MiB/s (%.2f): %.2fx (%.2fx)\n",
                plain.wall, plain.processor, withTabs.wall, withTabs.processor, withTabs.wall / plain.wall,
                withTabs.processor / plain.processor);
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    pump();
}

} // namespace

int main()
{
    HWND view = bench::makeReceiveView("TextViewBenchHost");
    if (!view)
        return 1;
    HFONT font = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                             PROOF_QUALITY, VARIABLE_PITCH | FF_SWISS, "courier");
    SendMessageA(view, WM_SETFONT, WPARAM(font), TRUE);
    SendMessageA(view, EM_SETBKGNDCOLOR, 0, 0x00CFFFFF);
    viewProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingProc)));
    pump();

    // A flood: 511-byte chunks, each followed by the queue's messages.
    std::string flood = hexLines(0, 16u * 1024 * 1024 / 34);
    paints = 0;
    double t0 = bench::seconds();
    size_t done = 0;
    for (; done + 511 <= flood.size(); done += 511) {
        SendMessageA(view, PTVM_APPEND, 511, LPARAM(flood.data() + done));
        pump();
    }
    double t = bench::seconds() - t0;
    bench::figures("flood append: %.1f MiB in 511-byte chunks, %.3f s, %.1f MiB/s, %ld paints (%.1f frames/s), "
                "following %s\n",
                mib(done), t, mib(done) / t, paints, paints / t,
                SendMessageA(view, PTVM_ISFOLLOWING, 0, 0) ? "yes" : "no");
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    pump();
    flood.clear();
    flood.shrink_to_fit();

    // Two million hex lines in 1 MiB appends.
    const unsigned lines = 2000000;
    const unsigned per = 30000;
    bench::Memory before = bench::memory();
    double appendSeconds = 0;
    size_t chars = 0;
    for (unsigned first = 0; first < lines; first += per) {
        std::string part = hexLines(first, first + per > lines ? lines - first : per);
        double a = bench::seconds();
        LRESULT r = SendMessageA(view, PTVM_APPEND, part.size(), LPARAM(part.data()));
        appendSeconds += bench::seconds() - a;
        if (r < 0) {
            bench::figures("append failed at line %u\n", first);
            return 1;
        }
        chars += part.size();
    }
    pump();
    bench::Memory after = bench::memory();
    LRESULT rows = SendMessageA(view, EM_GETLINECOUNT, 0, 0);
    bench::figures("bulk append: %zu characters (%u lines, %ld rows) in %.3f s, %.1f MiB/s\n", chars, lines,
                long(rows), appendSeconds, mib(chars) / appendSeconds);
    bench::figures("memory: private bytes %.1f -> %.1f MiB, %.2f bytes per character (text and index, with "
                "growth room); peak working set %.1f MiB\n",
                before.privateMiB, after.privateMiB, (after.privateMiB - before.privateMiB) * 1048576.0 / double(chars),
                after.peakWorkingSetMiB);

    bench::figures("full repaint of %u lines: at the end %.3f ms", lines, repaintMs(view, 200));
    SendMessageA(view, WM_VSCROLL, SB_TOP, 0);
    SendMessageA(view, EM_LINESCROLL, 0, rows / 2);
    bench::figures(", in the middle %.3f ms", repaintMs(view, 200));
    SendMessageA(view, WM_VSCROLL, SB_TOP, 0);
    bench::figures(", at the top %.3f ms\n", repaintMs(view, 200));

    // Idle: a full view with the focus (its caret blinking) and nothing arriving.
    SetFocus(view);
    pump();
    double cpu0 = bench::processorSeconds();
    double i0 = bench::seconds();
    while (bench::seconds() - i0 < 3.0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        pump();
    }
    double busy = bench::processorSeconds() - cpu0;
    bench::figures("idle with a full view: %.1f ms of processor time in %.1f s (%.2f%%)\n", busy * 1000, bench::seconds() - i0,
                busy * 100 / (bench::seconds() - i0));

    double r0 = bench::seconds();
    SetWindowPos(view, nullptr, 0, 0, 200, 250, SWP_NOMOVE | SWP_NOZORDER);
    double r1 = bench::seconds();
    SetWindowPos(view, nullptr, 0, 0, 330, 250, SWP_NOMOVE | SWP_NOZORDER);
    double r2 = bench::seconds();
    bench::figures("rewrap on resize: narrower (lines wrap) %.1f ms, back %.1f ms\n", (r1 - r0) * 1000,
                (r2 - r1) * 1000);

    double h0 = bench::seconds();
    SendMessageA(view, PTVM_ERASEHEAD, 34u * 250000, 0);
    double h1 = bench::seconds();
    SendMessageA(view, PTVM_ERASETAIL, 34u * 1000, 0);
    double h2 = bench::seconds();
    SendMessageA(view, WM_SETTEXT, 0, LPARAM(""));
    double h3 = bench::seconds();
    bench::figures("cut head 250000 lines %.2f ms, cut tail 1000 lines %.3f ms, empty the view %.2f ms\n",
                (h1 - h0) * 1000, (h2 - h1) * 1000, (h3 - h2) * 1000);

    indexCost(view, 4, 64u * 1024 * 1024);
    indexCost(view, 80, 64u * 1024 * 1024);
    longLineWithTabs(view);

    DestroyWindow(GetParent(view));
    DeleteObject(font);
    return 0;
}
