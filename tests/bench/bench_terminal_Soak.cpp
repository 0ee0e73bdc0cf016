// Days on the line, compressed: the real terminal dialog over the virtual
// null-modem COM2 <-> COM9.
//
//   bench_terminal_Soak.exe [capture|text|ops|ceiling]... [MiB]
//
//   capture  a flood of MiB (default 512) in capture mode: into the file and
//            the history, as fast as the terminal takes it
//   text     the same flood shown in the text view (far past what it keeps)
//   ops      opening and closing the port, the settings dialog, Show Hex,
//            Capture and file sends, hundreds of times each
//   ceiling  how many bytes a receive history can hold in this process
// (capture, text and ops when none is named.)
//
// The floods print a line every 64 MiB (a shorter one every eighth of it):
// seconds, the rate since the line before, processor time, working set and
// the process's handle, GDI and USER object counts, so a curve shows whether
// anything grows with the length of the session; at the end the history, its
// check against the flood and the capture file. The operations print the
// counts before and after each series.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/bench/BenchFigures.h"
#include "util/ByteHistory.h"
#include "tests/wine/helpers/TerminalRig.h"
// The dialog drivers are test helpers; benchmarks build them in.
#include "wine/helpers/DriverThread.cpp"
#include "wine/helpers/SerialPeer.cpp"
#include "wine/helpers/FileDialogDriver.cpp"
#include "wine/helpers/ProcessCounts.cpp"
// Both helpers name their private constants alike; one translation unit
// holds them here, so the second set is renamed.
#define fileNameComboId answererFileNameComboId
#define fileNameEditId answererFileNameEditId
#include "wine/helpers/MessageBoxAnswerer.cpp"
#undef fileNameComboId
#undef fileNameEditId

namespace {

const double mib = 1048576.0;
typedef ProcessCounts Gauges;

Gauges gauges()
{
    return ProcessCounts::now();
}

std::string describe(const Gauges &g)
{
    return g.describe();
}

// One MiB of printable lines; the flood repeats it.
std::vector<unsigned char> floodBlock()
{
    return bench::printableLines(1u << 20, 2024);
}

// Sends the flood, repeating the block, and prints the figures as it goes:
// the cable holds the peer back to the pace the terminal takes the bytes in,
// and this thread runs whatever the dialog's thread is doing (a drain that
// cannot catch up does not return to the message loop).
struct Flood {
    SerialPeer *peer;
    const std::vector<unsigned char> *block;
    uint64_t total = 0;
    uint64_t every = 64ull << 20;
    double start = 0;
    double cpu0 = 0;
    volatile uint64_t sent = 0;
    volatile bool done = false;
    volatile bool stop = false;

    static DWORD WINAPI run(LPVOID arg)
    {
        static_cast<Flood *>(arg)->send();
        return 0;
    }

    void send()
    {
        const size_t piece = 4096;
        const size_t size = block->size();
        uint64_t nextReport = every;
        double lastAt = start;
        while (sent < total && !stop) {
            size_t at = size_t(sent % size);
            size_t n = size - at < piece ? size - at : piece;
            if (total - sent < n)
                n = size_t(total - sent);
            if (!peer->send(block->data() + at, DWORD(n)))
                break;
            sent += n;
            if (sent >= nextReport) {
                double now = rig::nowMs();
                bench::figures("  %7.1f MiB %8.1f s %6.2f MiB/s cpu %8.1f s %s\n", double(sent) / mib,
                            (now - start) / 1000.0, (double(every) / mib) / ((now - lastAt) / 1000.0),
                            bench::processorSeconds() - cpu0, describe(gauges()).c_str());
                std::fflush(stdout);
                lastAt = now;
                nextReport += every;
            }
        }
        done = true;
    }
};

bool startCapture(rig::Terminal &term, const std::string &path)
{
    FileDialogDriver driver(path.c_str(), IDYES);
    term.check(IDC_CAPTURE, true);
    driver.waitDone();
    return term.isChecked(IDC_CAPTURE);
}

// True when the history holds the first bytes of the flood as sent.
bool historyIsTheFlood(const rig::Terminal &term, const std::vector<unsigned char> &block)
{
    const PVect<unsigned char> &h = term.client->received();
    uint32_t n = h.count() ? h.count() - 1 : 0;
    for (uint32_t at = 0; at < n; at += uint32_t(block.size())) {
        uint32_t k = n - at < block.size() ? n - at : uint32_t(block.size());
        if (std::memcmp(h.items() + at, block.data(), k) != 0)
            return false;
    }
    return true;
}

void flood(const char *mode, uint64_t totalMiB)
{
    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    if (!term.ready() || !peer.isOpen() || !term.openPort()) {
        bench::figures("flood %s: terminal or cable not available\n", mode);
        return;
    }
    std::string capturePath = rig::tempPath("soak-capture.bin");
    bool capture = !std::strcmp(mode, "capture");
    if (capture && !startCapture(term, capturePath)) {
        bench::figures("flood capture: capture could not start\n");
        return;
    }
    // The history may fill before the flood ends; the terminal says so once.
    MessageBoxAnswerer answerer(IDOK, 1, 4 * 3600 * 1000);
    std::vector<unsigned char> block = floodBlock();
    Flood f;
    f.peer = &peer;
    f.block = &block;
    f.total = totalMiB << 20;
    // Every 64 MiB; a shorter flood reports every eighth of itself.
    const uint64_t every = totalMiB >= 512 ? 64ull << 20 : ((totalMiB << 20) / 8 ? (totalMiB << 20) / 8 : 1);
    bench::figures("flood %s: %llu MiB, printed every %.0f MiB\n", mode, (unsigned long long)totalMiB, double(every) / mib);
    bench::figures("  %s\n", describe(gauges()).c_str());
    f.every = every;
    f.start = rig::nowMs();
    f.cpu0 = bench::processorSeconds();
    double start = f.start;
    double cpu0 = f.cpu0;
    HANDLE sender = CreateThread(nullptr, 0, &Flood::run, &f, 0, nullptr);
    term.waitFor([&] { return f.done; }, 4u * 3600 * 1000);
    // What the cable still holds comes in; then the figures of the whole.
    uint32_t last = term.historyCount();
    double lastChange = rig::nowMs();
    term.waitFor([&] {
        uint32_t c = term.historyCount();
        if (c != last) {
            last = c;
            lastChange = rig::nowMs();
        }
        return c >= f.total + 1 || rig::nowMs() - lastChange > 3000;
    }, 120000);
    term.settle(500);
    double secs = (rig::nowMs() - start) / 1000.0;
    CloseHandle(sender);
    const PVect<unsigned char> &h = term.client->received();
    uint64_t held = h.count() ? h.count() - 1 : 0;
    bench::figures("  done: %llu MiB sent in %.1f s (%.2f MiB/s), processor %.1f s; history %.1f MiB, %s; %s\n",
                (unsigned long long)(f.sent >> 20), secs, double(f.sent) / mib / secs, bench::processorSeconds() - cpu0,
                held / mib, historyIsTheFlood(term, block) ? "the flood's first bytes in order" : "DIFFERS FROM THE FLOOD",
                answerer.answeredCount() ? ("told: \"" + answerer.caption(0) + "\"").c_str() : "no message");
    if (capture) {
        WIN32_FILE_ATTRIBUTE_DATA a;
        uint64_t size = GetFileAttributesExA(capturePath.c_str(), GetFileExInfoStandard, &a)
                            ? (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow
                            : 0;
        bench::figures("  capture file %.1f MiB\n", size / mib);
        term.command(IDC_CLEAR);  // the end of the capture need not render it all
        term.check(IDC_CAPTURE, false);
        DeleteFileA(capturePath.c_str());
    } else {
        bench::figures("  view %u characters\n", term.viewLength());
    }
    bench::figures("  %s\n", describe(gauges()).c_str());
    std::fflush(stdout);
}

// Presses OK on the settings dialog whenever it comes up.
struct SettingsAnswerer {
    volatile bool stop = false;
    volatile LONG answered = 0;
    HANDLE thread = nullptr;
    SettingsAnswerer() { thread = CreateThread(nullptr, 0, &SettingsAnswerer::run, this, 0, nullptr); }
    ~SettingsAnswerer()
    {
        stop = true;
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    static DWORD WINAPI run(LPVOID arg)
    {
        SettingsAnswerer *a = static_cast<SettingsAnswerer *>(arg);
        while (!a->stop) {
            HWND d = FindWindowA("#32770", "Communication Setting");
            DWORD pid = 0;
            if (d)
                GetWindowThreadProcessId(d, &pid);
            if (d && pid == GetCurrentProcessId() && IsWindowVisible(d)) {
                PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(d, IDOK)));
                InterlockedIncrement(&a->answered);
                while (!a->stop && IsWindow(d) && IsWindowVisible(d))
                    Sleep(2);
            }
            Sleep(2);
        }
        return 0;
    }
};

struct Sender {
    SerialPeer *peer;
    const unsigned char *data;
    DWORD count;
    static DWORD WINAPI run(LPVOID arg)
    {
        Sender *s = static_cast<Sender *>(arg);
        s->peer->send(s->data, s->count);
        return 0;
    }
};

// Sends from a thread of its own while the dialog runs: the cable holds only
// so much, and the terminal drains it on this thread.
void sendWhileRunning(rig::Terminal &term, SerialPeer &peer, const unsigned char *data, DWORD count)
{
    Sender s{&peer, data, count};
    HANDLE t = CreateThread(nullptr, 0, &Sender::run, &s, 0, nullptr);
    term.waitFor([&] { return WaitForSingleObject(t, 0) == WAIT_OBJECT_0; }, 60000);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
}

template <class Op>
void series(rig::Terminal &term, const char *what, int times, Op op)
{
    op();  // the first time may load what stays loaded
    term.settle(200);
    Gauges before = gauges();
    double start = rig::nowMs();
    for (int i = 0; i < times; ++i)
        op();
    term.settle(300);
    Gauges after = gauges();
    bench::figures("  %-26s x%4d %6.1f s: before %s\n  %-26s %6s %8s  after  %s\n", what, times,
                (rig::nowMs() - start) / 1000.0, describe(before).c_str(), "", "", "", describe(after).c_str());
    bench::figures("  %-26s growth: working set %+.1f MiB, handles %+d, GDI %+d, USER %+d\n", "",
                after.workingSetMiB - before.workingSetMiB, int(after.handles) - int(before.handles),
                int(after.gdiObjects) - int(before.gdiObjects), int(after.userObjects) - int(before.userObjects));
    std::fflush(stdout);
}

void operations(int times)
{
    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    if (!term.ready() || !peer.isOpen()) {
        bench::figures("ops: terminal or cable not available\n");
        return;
    }
    bench::figures("repeated operations (%d times each after one warm-up)\n", times);
    bench::figures("  at start: %s\n", describe(gauges()).c_str());
    series(term, "open and close the port", times, [&] {
        term.command(IDC_OPENCOMM);
        term.command(IDC_OPENCOMM);
    });
    term.openPort();
    {
        SettingsAnswerer settings;
        series(term, "settings dialog (OK)", times, [&] { term.command(IDC_SETUP); });
    }
    // Something to render: 4 KiB of history.
    std::vector<unsigned char> block = floodBlock();
    sendWhileRunning(term, peer, block.data(), 4096);
    term.waitFor([&] { return term.historyCount() >= 4097; }, 30000);
    series(term, "Show Hex on and off", times, [&] {
        term.check(IDC_SHOWHEX, true);
        term.check(IDC_SHOWHEX, false);
    });
    std::string capturePath = rig::tempPath("soak-ops-capture.bin");
    series(term, "Capture on and off", times, [&] {
        startCapture(term, capturePath);
        sendWhileRunning(term, peer, block.data(), 512);
        term.waitFor([&] { return term.historyCount() >= 513; }, 5000);
        term.check(IDC_CAPTURE, false);
    });
    std::string sendPath = rig::tempPath("soak-send.bin");
    rig::writeFile(sendPath, std::vector<unsigned char>(block.begin(), block.begin() + 1300));
    series(term, "send a file", times, [&] {
        // The peer keeps what it gets, with a time for every byte: not ours.
        peer.forget();
        MessageBoxAnswerer answerer(IDOK, 1, 20000);
        FileDialogDriver driver(sendPath.c_str());
        term.command(IDC_SENDFILE);
        driver.waitDone();
        answerer.waitAnswered(1);
    });
    // Which side a growth around the file dialogs belongs to: the same
    // common dialog cancelled through the terminal, and called directly.
    series(term, "file dialog cancelled", times, [&] {
        FileDialogDriver driver(nullptr);
        term.command(IDC_SENDFILE);
        driver.waitDone();
    });
    auto bareDialog = [&](const char *choose) {
        FileDialogDriver driver(choose);
        char name[MAX_PATH] = "";
        OPENFILENAMEA ofn;
        std::memset(&ofn, 0, sizeof ofn);
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = term.dialog();
        ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
        ofn.lpstrFile = name;
        ofn.nMaxFile = sizeof name;
        ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
        GetOpenFileNameA(&ofn);
        driver.waitDone();
    };
    series(term, "GetOpenFileNameA cancelled", times, [&] { bareDialog(nullptr); });
    series(term, "GetOpenFileNameA, file chosen", times, [&] { bareDialog(sendPath.c_str()); });
    series(term, "receive and clear", times, [&] {
        sendWhileRunning(term, peer, block.data(), 2048);
        term.waitFor([&] { return term.historyCount() >= 2049; }, 5000);
        term.command(IDC_CLEAR);
    });
    DeleteFileA(capturePath.c_str());
    DeleteFileA(sendPath.c_str());
    bench::figures("  at end: %s\n", describe(gauges()).c_str());
    std::fflush(stdout);
}

// Grows a history in 1 MiB appends until it is full, as a flood would.
void ceiling()
{
    PVect<unsigned char> bytes(16384);
    ByteHistory history(bytes);
    std::vector<unsigned char> block = floodBlock();
    double start = rig::nowMs();
    while (history.append(block.data(), uint32_t(block.size()))) {
    }
    double secs = (rig::nowMs() - start) / 1000.0;
    bench::figures("history ceiling in this %d-bit process: %.1f MiB held (storage %.1f MiB) after %.2f s; "
                "at 256000 baud (25,600 bytes/s) that is %.1f hours, at 115200 %.1f hours, at 9600 %.1f days\n",
                int(sizeof(void *) * 8), history.held() / mib, bytes.capacity() / mib, secs,
                history.held() / 25600.0 / 3600.0, history.held() / 11520.0 / 3600.0,
                history.held() / 960.0 / 86400.0);
    std::fflush(stdout);
}

bool wanted(int argc, char **argv, const char *what)
{
    bool named = false;
    for (int i = 1; i < argc; ++i) {
        if (std::atoi(argv[i]) > 0)
            continue;
        named = true;
        if (!std::strcmp(argv[i], what))
            return true;
    }
    return !named && std::strcmp(what, "ceiling") != 0;
}

} // namespace

int main(int argc, char **argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    uint64_t totalMiB = 512;
    int times = 200;
    for (int i = 1; i < argc; ++i)
        if (std::atoi(argv[i]) > 0)
            totalMiB = uint64_t(std::atoi(argv[i])), times = std::atoi(argv[i]);
    if (wanted(argc, argv, "capture"))
        flood("capture", totalMiB);
    if (wanted(argc, argv, "text"))
        flood("text", totalMiB);
    if (wanted(argc, argv, "ops"))
        operations(times > 1000 ? 200 : times);
    if (wanted(argc, argv, "ceiling"))
        ceiling();
    return 0;
}
