// Throughput of the terminal's data path through the real dialog over the
// virtual null-modem COM2 <-> COM9: a 4 MiB receive flood in text, hex and
// capture mode, and in text mode with the arrival times shown against a
// capture flood of the same run; Show Time and the Show Hex re-render of an
// 8 MiB history, emptying that view, the processor time of an idle terminal
// with that view full and its port open, a 1 MiB file send without delay,
// and the same file by YMODEM to lrzsz's rb against its raw send in the same
// run; the 1 MiB hex flood against the capture of the same run, and a
// 16 MiB text flood with a tab every 32 characters against the same flood
// without; the 4 MiB text flood with Show Sent on and a stored command
// repeating every 100 ms against the same flood without; a coloured log
// (ESC[32m, 60 characters, ESC[0m) into the view with colours on against
// off, and the memory its runs take in a full view; the same log end to end
// over the cable with ANSI Colours on against off.
// Prints one line per figure.
//
//   bench_terminal_DataPath.exe [receive|capture|hex|text|timed|hexrate|tabs|showsent|colour|colourrate|render|send|ymodem|zmodem]...
//   and, one at a time for a profiler or a closer look: tabsalone, plainalone,
//   hexalone, capturealone (one flood each), tabview (the tabbed flood into
//   the view alone), renderalone (the drain's render of chunks, no port),
//   colourpieces (a coloured chunk's parse and runs against its bytes).
//   (receive is the three floods). Without arguments every figure is taken,
//   each in a process of its own, so that each peak working set is its own.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "terminal/receive/AnsiParser.h"
#include "terminal/receive/ReceiveRenderer.h"
#include "terminal/send/StoredCommands.h"
#include "terminal/transfer/XmodemSender.h"
#include "tests/bench/BenchFigures.h"
#include "tests/bench/BenchView.h"
#include "tests/wine/helpers/FarEndProgram.h"
#include "tests/wine/helpers/TerminalRig.h"
// The dialog drivers are test helpers; benchmarks build them in.
#include "wine/helpers/DriverThread.cpp"
#include "wine/helpers/SerialPeer.cpp"
#include "wine/helpers/FileDialogDriver.cpp"
// Both helpers name their private constants alike; one translation unit
// holds them here, so the second set is renamed.
#define fileNameComboId answererFileNameComboId
#define fileNameEditId answererFileNameEditId
#include "wine/helpers/MessageBoxAnswerer.cpp"
#undef fileNameComboId
#undef fileNameEditId

namespace {

const double lineRate = 25600.0;  // 256000 baud, 8N1: ten bits per byte

struct Flood {
    SerialPeer *peer;
    const std::vector<unsigned char> *bytes;
    volatile bool done = false;
    volatile bool stop = false;
    // The peer is held back by the cable when the terminal falls behind, so
    // the rate it gets its bytes out is the rate the terminal takes them in.
    // Printed every 10 s, it shows whether the terminal slows down as its
    // view grows.
    static DWORD WINAPI run(LPVOID arg)
    {
        Flood *f = static_cast<Flood *>(arg);
        const size_t block = 4096;
        double start = rig::nowMs(), lastReport = start;
        size_t lastAt = 0;
        for (size_t at = 0; at < f->bytes->size() && !f->stop; at += block) {
            size_t n = f->bytes->size() - at < block ? f->bytes->size() - at : block;
            if (!f->peer->send(f->bytes->data() + at, DWORD(n)))
                break;
            double now = rig::nowMs();
            if (now - lastReport >= 10000) {
                bench::figures("    %6.0f s: %8zu bytes sent, %8.0f bytes/s over the last %.0f s\n", (now - start) / 1000.0,
                       at + n, double(at + n - lastAt) * 1000.0 / (now - lastReport), (now - lastReport) / 1000.0);
                fflush(stdout);
                lastReport = now;
                lastAt = at + n;
            }
        }
        f->done = true;
        return 0;
    }
};

// F1: "PING" with CR LF, every 100 ms.
void storeRepeatingCommand()
{
    StoredCommands c;
    c.set(0, "ping", 4, "PING\\0D\\0A", 10, 100);
    std::vector<unsigned char> form(c.storedSize());
    form.resize(c.store(form.data(), uint32_t(form.size())));
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, rig::settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Commands", 0, REG_BINARY, form.data(), DWORD(form.size()));
    RegCloseKey(key);
}

bool startCapture(rig::Terminal &term, const std::string &path)
{
    FileDialogDriver driver(path.c_str(), IDYES);
    term.check(IDC_CAPTURE, true);
    driver.waitDone();
    return term.isChecked(IDC_CAPTURE);
}

// One receive flood; returns false when it could not run. "timed" is the
// text flood with the arrival times shown. rateOut: the bytes per second.
bool receiveFlood(const char *mode, size_t total, double limitSeconds, double *rateOut = nullptr,
                  const std::vector<unsigned char> *bytes = nullptr)
{
    // "sent": the text flood with Show Sent on and F1 repeating every 100 ms.
    const bool sent = !strcmp(mode, "sent");
    if (sent) {
        rig::storeDword("ShowSent", 1);
        storeRepeatingCommand();
    }
    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    if (!term.ready() || !peer.isOpen() || !term.openPort()) {
        bench::figures("receive %-7s: terminal or cable not available\n", mode);
        return false;
    }
    if (!strcmp(mode, "hex"))
        term.check(IDC_SHOWHEX, true);
    if (!strcmp(mode, "timed") && !term.client->showsTime())
        term.client->toggleTime();
    if (!strcmp(mode, "ansi") && !term.client->showsColours())
        term.client->toggleColours();
    if (!strcmp(mode, "capture") && !startCapture(term, rig::tempPath("bench-capture.bin"))) {
        bench::figures("receive capture: capture could not start\n");
        return false;
    }
    std::vector<unsigned char> data = bytes ? *bytes : bench::printableLines(total, 12345);
    Flood flood;
    flood.peer = &peer;
    flood.bytes = &data;
    double start = rig::nowMs();
    double cpuStart = bench::processorSeconds();
    if (sent)
        term.client->commandKeys().press(0);
    HANDLE t = CreateThread(nullptr, 0, &Flood::run, &flood, 0, nullptr);
    double lastGrowth = start;
    uint32_t last = 0;
    // Done when every byte is in the history, or when nothing has come for
    // three seconds after the peer finished (what is missing then is lost).
    term.waitFor([&] {
        uint32_t c = term.historyCount();
        double now = rig::nowMs();
        if (c != last) {
            last = c;
            lastGrowth = now;
        }
        if (c >= total + 1)
            return true;
        if (flood.done && now - lastGrowth > 3000)
            return true;
        return (now - start) / 1000.0 > limitSeconds;
    }, DWORD(limitSeconds * 1000 + 10000));
    double end = rig::nowMs();
    double cpu = bench::processorSeconds() - cpuStart;
    flood.stop = true;
    // The peer may be blocked on a full cable: closing the terminal's port
    // lets nothing more through, so drain by letting the dialog run a little.
    while (WaitForSingleObject(t, 0) == WAIT_TIMEOUT)
        term.settle(50);
    CloseHandle(t);
    std::vector<unsigned char> got = term.history();
    size_t lost = total > got.size() ? total - got.size() : 0;
    bool inOrder = got.size() <= total && std::equal(got.begin(), got.end(), data.begin());
    double secs = (got.size() >= total ? end : lastGrowth) / 1000.0 - start / 1000.0;
    double rate = secs > 0 ? double(got.size()) / secs : 0;
    bench::Memory m = bench::memory();
    bool complete = got.size() >= total;
    bench::figures("receive %-7s: %zu bytes in %.2f s = %.0f bytes/s (%.1fx the 25,600 bytes/s line), %s %zu, %s, "
           "view %u characters, peak working set %.1f MiB, peak pagefile %.1f MiB, processor %.2f s (%.2f s/MiB)\n",
           mode, got.size(), secs, rate, rate / lineRate, complete || flood.done ? "lost" : "not yet received (time limit)",
           lost, inOrder ? "in order" : "OUT OF ORDER", unsigned(GetWindowTextLengthA(term.view())),
           m.peakWorkingSetMiB, m.peakPrivateMiB, cpu, got.size() ? cpu * 1048576.0 / double(got.size()) : 0);
    if (!strcmp(mode, "capture"))
        term.check(IDC_SHOWHEX, false), term.check(IDC_CAPTURE, false);
    if (!strcmp(mode, "timed"))
        rig::removeValue("ShowTime");
    if (sent) {
        bench::figures("receive sent   : %.0f commands sent meanwhile, %.1f a second\n",
                       double(term.client->sentCount()) / 6.0, double(term.client->sentCount()) / 6.0 / (secs > 0 ? secs : 1));
        term.client->commandKeys().stopRepeating();
        rig::removeValue("ShowSent");
        rig::removeValue("Commands");
    }
    if (!strcmp(mode, "ansi"))
        rig::removeValue("AnsiColours");
    if (rateOut)
        *rateOut = rate;
    fflush(stdout);
    return true;
}

// The text flood with times shown against the capture rate of the same run.
void timedFlood(size_t total)
{
    double capture = 0, timed = 0;
    if (!receiveFlood("capture", total, 600, &capture) || !receiveFlood("timed", total, 600, &timed))
        return;
    printf("receive timed  : %.2fx the capture rate of this run\n", capture > 0 ? timed / capture : 0);
    fflush(stdout);
}

void renderHistory(size_t total)
{
    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    if (!term.ready() || !peer.isOpen() || !term.openPort()) {
        bench::figures("render: terminal or cable not available\n");
        return;
    }
    // Fill the history fast: captured data does not touch the view.
    if (!startCapture(term, rig::tempPath("bench-render.bin"))) {
        bench::figures("render: capture could not start\n");
        return;
    }
    std::vector<unsigned char> data = bench::printableLines(total, 12345);
    // Sent from a thread of its own: the cable holds only so much, and the
    // terminal drains it on this thread.
    Flood flood;
    flood.peer = &peer;
    flood.bytes = &data;
    HANDLE sender = CreateThread(nullptr, 0, &Flood::run, &flood, 0, nullptr);
    term.waitFor([&] { return term.historyCount() >= total + 1; }, 120000);
    flood.stop = true;
    while (WaitForSingleObject(sender, 0) == WAIT_TIMEOUT)
        term.settle(50);
    CloseHandle(sender);
    HWND view = term.view();
    double t0 = rig::nowMs();
    term.check(IDC_CAPTURE, false);  // renders the history as text
    double t1 = rig::nowMs();
    // The times turned on over the text history, and off again.
    term.client->toggleTime();
    double t1on = rig::nowMs();
    unsigned timedShown = unsigned(GetWindowTextLengthA(view));
    term.client->toggleTime();
    double t1off = rig::nowMs();
    rig::removeValue("ShowTime");
    printf("render: history of %u bytes: Show Time on %.3f s (view of %u characters), off again %.3f s\n",
           unsigned(term.historyCount() ? term.historyCount() - 1 : 0), (t1on - t1) / 1000.0, timedShown,
           (t1off - t1on) / 1000.0);
    fflush(stdout);
    t1 = rig::nowMs();
    // Every hex line, and the empty line after the last line end.
    LRESULT lines = LRESULT((total + 7) / 8) + 1;
    term.check(IDC_SHOWHEX, true);
    term.waitFor([&] { return SendMessageA(view, EM_GETLINECOUNT, 0, 0) >= lines; }, 60000);
    double t2 = rig::nowMs();
    unsigned hexShown = unsigned(GetWindowTextLengthA(view));
    unsigned hexLines = unsigned(SendMessageA(view, EM_GETLINECOUNT, 0, 0));
    bench::figures("render: history of %u bytes: Show Hex %.3f s until the view holds every line (%u lines, %u of the "
           "dump's %u characters), end-of-capture text render %.3f s\n",
           unsigned(term.historyCount() ? term.historyCount() - 1 : 0), (t2 - t1) / 1000.0, hexLines - 1, hexShown,
           unsigned(((total + 7) / 8) * 34), (t1 - t0) / 1000.0);
    fflush(stdout);

    // Idle with the view full and the port open: what the terminal costs
    // while nothing arrives. The thread sleeps until a message comes, as in
    // the program's main loop (the test pump polls every 5 ms).
    term.settle(500);
    double cpu0 = bench::processorSeconds(), w0 = rig::nowMs();
    while (rig::nowMs() - w0 < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
        term.pump();
    }
    double cpu1 = bench::processorSeconds(), w1 = rig::nowMs();
    bench::figures("idle: view of %u characters, port open: %.3f s of processor in %.1f s (%.2f%%)\n", hexShown,
           cpu1 - cpu0, (w1 - w0) / 1000.0, 100.0 * (cpu1 - cpu0) * 1000.0 / (w1 - w0));
    fflush(stdout);

    double t3 = rig::nowMs();
    double held = bench::memory().workingSetMiB;
    term.command(IDC_CLEAR);
    term.waitFor([&] { return GetWindowTextLengthA(view) == 0; }, 60000);
    double t4 = rig::nowMs();
    bench::figures("clear: view of %u characters emptied in %.1f ms; working set %.1f MiB before, %.1f MiB after\n",
                   hexShown, t4 - t3, held, bench::memory().workingSetMiB);
    fflush(stdout);
}

void sendFile(size_t total)
{
    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    if (!term.ready() || !peer.isOpen() || !term.openPort()) {
        bench::figures("send: terminal or cable not available\n");
        return;
    }
    std::vector<unsigned char> data = bench::printableLines(total, 12345);
    std::string path = rig::tempPath("bench-send.bin");
    rig::writeFile(path, data);
    MessageBoxAnswerer answerer(IDOK, 1, 600000);
    FileDialogDriver driver(path.c_str());
    double start = rig::nowMs();
    term.command(IDC_SENDFILE);
    term.waitFor([&] { return peer.receivedCount() >= total; }, 120000);
    std::vector<double> t = peer.arrivals();
    std::vector<unsigned char> got = peer.received();
    double first = t.empty() ? start : t.front();
    double end = t.empty() ? start : t.back();
    double rate = end > start ? double(got.size()) * 1000.0 / (end - start) : 0;
    bench::figures("send: file of %zu bytes: %zu at the peer in %.2f s (first byte after %.0f ms) = %.0f bytes/s (%.1fx the line), %s, "
           "message \"%s\"\n",
           total, got.size(), (end - start) / 1000.0, first - start, rate, rate / lineRate,
           got == data ? "intact" : "DIFFERENT", answerer.waitAnswered(1, 5000) ? answerer.text(0).c_str() : "none");
    fflush(stdout);
}

// One "&File" of path with the "Transfer" value given; the milliseconds
// from the progress dialog's coming up (after `atStart` ran) to the end of
// the send, and the outcome box's text.
struct Timed
{
    double ms = 0;
    std::string outcome;
};

Timed timedSend(rig::Terminal &term, const std::string &path, DWORD transfer, void (*atStart)(void *), void *arg)
{
    rig::storeDword("Transfer", transfer);
    struct Start
    {
        void (*run)(void *);
        void *arg;
        double at;
    } start = {atStart, arg, 0};
    rig::Spy spy;
    spy.onProgressShown = [](HWND, void *p) {
        Start *s = static_cast<Start *>(p);
        if (s->at != 0)
            return;
        if (s->run)
            s->run(s->arg);
        s->at = rig::nowMs();
    };
    spy.onProgressArg = &start;
    MessageBoxAnswerer answerer(IDOK, 1, 600000);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    Timed t;
    t.ms = rig::nowMs() - start.at;
    t.outcome = answerer.waitAnswered(1, 5000) ? answerer.text(0) : "none";
    rig::removeValue("Transfer");
    return t;
}

// The same file raw to a listening peer and by YMODEM to rb, one after the
// other in this process.
void ymodemAgainstRaw(size_t total)
{
    rig::Terminal term{rig::dataPath};
    if (!term.ready() || !term.openPort()) {
        printf("ymodem: terminal or cable not available\n");
        return;
    }
    std::vector<unsigned char> data = SerialPeer::pattern(total, 5);
    std::string path = rig::tempPath("bench-ymodem.bin");
    rig::writeFile(path, data);
    Timed raw;
    bool rawIntact;
    {
        SerialPeer peer{"COM9", SerialPeer::listening};
        raw = timedSend(term, path, 0, nullptr, nullptr);
        term.waitFor([&] { return peer.receivedCount() >= total; }, 120000);
        rawIntact = peer.received() == data;
    }
    std::unique_ptr<rig::FarEndProgram> rb;
    Timed ymodem = timedSend(term, path, 3, [](void *p) {
        static_cast<std::unique_ptr<rig::FarEndProgram> *>(p)->reset(new rig::FarEndProgram("COM9", "rb -y"));
    }, &rb);
    bool ymodemIntact = false;
    if (rb) {
        term.waitFor([&] { return rb->exited(); }, 20000);
        std::vector<unsigned char> got;
        ymodemIntact = rig::readFile(rb->path("bench-ymodem.bin"), got) && got == data;
    }
    double rawRate = raw.ms > 0 ? double(total) * 1000.0 / raw.ms : 0;
    double ymodemRate = ymodem.ms > 0 ? double(total) * 1000.0 / ymodem.ms : 0;
    printf("ymodem: %zu bytes raw in %.2f s = %.0f bytes/s (%s, \"%s\"); by YMODEM to rb in %.2f s = %.0f bytes/s "
           "(%s, \"%s\"); YMODEM at %.2fx the raw rate\n",
           total, raw.ms / 1000.0, rawRate, rawIntact ? "intact" : "DIFFERENT", raw.outcome.c_str(),
           ymodem.ms / 1000.0, ymodemRate, ymodemIntact ? "intact" : "DIFFERENT", ymodem.outcome.c_str(),
           rawRate > 0 ? ymodemRate / rawRate : 0);
    fflush(stdout);
}

bool wanted(int argc, char **argv, const char *what)
{
    if (argc < 2)
        return true;
    for (int i = 1; i < argc; ++i)
        if (!strcmp(argv[i], what))
            return true;
    return false;
}

// Two kinds of flood of the same bytes count against each other in rounds
// of A B B A, so that what the first flood of a process pays and a machine
// that slows down or speeds up meanwhile weigh on both alike; the middle
// round (of three, or LT_BENCH_ROUNDS) counts, and every round is printed. On a machine others
// share, a flood's rate swings by two or three times from one to the next
// (the terminal waits on the cable most of the time), so one pair says
// little.
double pairedRates(const char *modeA, const char *modeB, size_t total, const std::vector<unsigned char> *bytesA,
                   const std::vector<unsigned char> *bytesB, double &rateA, double &rateB)
{
    // LT_BENCH_ROUNDS asks for more rounds (up to 9) where the machine is busy.
    char env[8] = "";
    GetEnvironmentVariableA("LT_BENCH_ROUNDS", env, sizeof env);
    int rounds = atoi(env) >= 1 && atoi(env) <= 9 ? atoi(env) : 3;
    double ratios[9], as[9], bs[9];
    for (int r = 0; r < rounds; ++r) {
        double a1 = 0, b1 = 0, b2 = 0, a2 = 0;
        if (!receiveFlood(modeA, total, 900, &a1, bytesA) || !receiveFlood(modeB, total, 900, &b1, bytesB) ||
            !receiveFlood(modeB, total, 900, &b2, bytesB) || !receiveFlood(modeA, total, 900, &a2, bytesA))
            return 0;
        as[r] = (a1 + a2) / 2;
        bs[r] = (b1 + b2) / 2;
        ratios[r] = as[r] > 0 ? bs[r] / as[r] : 0;
    }
    int mid = 0;
    for (int r = 0; r < rounds; ++r) {
        int below = 0, above = 0;
        for (int k = 0; k < rounds; ++k)
            below += ratios[k] < ratios[r], above += ratios[k] > ratios[r];
        if (below <= rounds / 2 && above <= rounds / 2)
            mid = r;
    }
    printf("rounds %s/%s:", modeB, modeA);
    for (int r = 0; r < rounds; ++r)
        printf(" %.2f", ratios[r]);
    printf("\n");
    rateA = as[mid];
    rateB = bs[mid];
    return ratios[mid];
}

// The 1 MiB hex flood against the capture rate of the same run: what the
// dump costs on top of taking the bytes in.
void hexAgainstCapture(size_t total)
{
    double capture = 0, hex = 0;
    double ratio = pairedRates("capture", "hex", total, nullptr, nullptr, capture, hex);
    printf("receive hex    : %.0f against %.0f bytes/s captured, %.2fx the capture rate of this run (%zu bytes)\n",
           hex, capture, ratio, total);
    fflush(stdout);
}

// The text flood with Show Sent on and a command repeating every 100 ms
// against the same flood without, same run: the sent lines go in between
// the received chunks.
void sentAgainstPlain(size_t total)
{
    double plainRate = 0, sentRate = 0;
    double ratio = pairedRates("text", "sent", total, nullptr, nullptr, plainRate, sentRate);
    printf("receive sent   : %.0f with Show Sent and a command every 100 ms against %.0f bytes/s without, %.2fx "
           "(%zu bytes)\n", sentRate, plainRate, ratio, total);
    fflush(stdout);
}

// The text flood with a tab every 32 characters against the same flood
// without, same run: a tab takes a walk of its own in the layout.
void tabsAgainstPlain(size_t total)
{
    std::vector<unsigned char> plain = bench::printableLines(total, 12345);
    std::vector<unsigned char> tabbed = plain;
    for (size_t i = 31; i < tabbed.size(); i += 32)
        if (tabbed[i] != '\r' && tabbed[i] != '\n')
            tabbed[i] = '\t';
    double plainRate = 0, tabsRate = 0;
    double ratio = pairedRates("text", "tabs", total, &plain, &tabbed, plainRate, tabsRate);
    printf("receive tabs   : %.0f against %.0f bytes/s without tabs, %.2fx (%zu bytes)\n", tabsRate, plainRate,
           ratio, total);
    fflush(stdout);
}

// Lines as a coloured log prints them: ESC[32m, 60 characters, ESC[0m, CR LF.
std::vector<unsigned char> colouredLines(size_t lines)
{
    std::vector<unsigned char> b;
    b.reserve(lines * 71);
    std::vector<unsigned char> text = bench::printableLines(64, 777);
    for (size_t i = 0; i < lines; ++i) {
        static const char on[] = "\x1b[32m", off[] = "\x1b[0m\r\n";
        b.insert(b.end(), on, on + 5);
        b.insert(b.end(), text.begin() + long(i % 2), text.begin() + long(i % 2) + 60);
        b.insert(b.end(), off, off + 6);
    }
    return b;
}

// The coloured log end to end, from the far end of the cable into the view:
// ANSI Colours on against the same bytes with colours off (shown as they
// came), same run.
void colourAgainstPlain(size_t lines)
{
    std::vector<unsigned char> data = colouredLines(lines);
    double offRate = 0, onRate = 0;
    double ratio = pairedRates("text", "ansi", data.size(), &data, &data, offRate, onRate);
    printf("receive colour : %.0f bytes/s with ANSI Colours against %.0f bytes/s without, %.2fx (%zu bytes)\n",
           onRate, offRate, ratio, data.size());
    fflush(stdout);
}

// The parser's text and runs of one chunk, put into the view with one message.
class RunCollector : public AnsiSink
{
public:
    void text(const char *t, size_t n, const TextAttr &a) override
    {
        if (!pieces.empty() && pieces.back().attr == a) {
            pieces.back().length += n;
        } else {
            pieces.push_back({nullptr, n, a});
        }
        chars.insert(chars.end(), t, t + n);
    }
    LRESULT put(HWND view)
    {
        size_t at = 0;
        for (PTextViewRun &r : pieces) {
            r.text = chars.data() + at;
            at += r.length;
        }
        LRESULT n = SendMessageA(view, PTVM_APPENDRUNS, pieces.size(), LPARAM(pieces.data()));
        pieces.clear();
        chars.clear();
        return n;
    }

private:
    std::vector<PTextViewRun> pieces;
    std::vector<char> chars;
};

void pumpView()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The coloured flood into the receive view in 511-byte chunks as the drain
// takes them, the view painting its frames meanwhile: with colours, through
// the parser and the runs; without, the bytes as they are. Bytes per second.
double colourFill(const std::vector<unsigned char> &data, bool colours, size_t *viewChars = nullptr)
{
    HWND view = bench::makeReceiveView("BenchColourHost");
    if (!view)
        return 0;
    HWND host = GetParent(view);
    AnsiParser parser;
    RunCollector runs;
    std::vector<char> plain;
    plain.reserve(512);
    double start = bench::seconds();
    for (size_t at = 0; at < data.size(); at += 511) {
        size_t n = data.size() - at < 511 ? data.size() - at : 511;
        if (colours) {
            parser.feed(data.data() + at, n, runs);
            runs.put(view);
        } else {
            // As the drain puts a chunk in: through a batch of its own.
            plain.assign(data.begin() + long(at), data.begin() + long(at + n));
            SendMessageA(view, PTVM_APPEND, n, LPARAM(plain.data()));
        }
        if ((at / 511) % 16 == 0)
            pumpView();
    }
    pumpView();
    double secs = bench::seconds() - start;
    if (viewChars)
        *viewChars = size_t(GetWindowTextLengthA(view));
    DestroyWindow(host);
    pumpView();
    return secs > 0 ? double(data.size()) / secs : 0;
}

// The coloured flood with colours on against off (A B B A), and the view
// filled to its 64 Mi characters with it: what the runs add beyond the text.
void colourFlood()
{
    std::vector<unsigned char> data = colouredLines(60000);
    // Each fill takes a fraction of a second: five rounds of A B B A, and
    // the middle round of them counts, so that a busy moment of the machine
    // weighs on one round only.
    std::vector<double> ratios, ons, offs;
    for (int round = 0; round < 5; ++round) {
        double off1 = colourFill(data, false), on1 = colourFill(data, true);
        double on2 = colourFill(data, true), off2 = colourFill(data, false);
        double off = (off1 + off2) / 2, on = (on1 + on2) / 2;
        ratios.push_back(off > 0 ? on / off : 0);
        ons.push_back(on);
        offs.push_back(off);
    }
    std::vector<double> sorted = ratios;
    std::sort(sorted.begin(), sorted.end());
    size_t mid = size_t(std::find(ratios.begin(), ratios.end(), sorted[2]) - ratios.begin());
    printf("colour flood   : %zu bytes into the view, colours on %.0f bytes/s, off %.0f bytes/s: %.2fx (rounds:",
           data.size(), ons[mid], offs[mid], ratios[mid]);
    for (double r : ratios)
        printf(" %.2f", r);
    printf(")\n");
    fflush(stdout);
    // 64 Mi characters of coloured lines shown: 62 characters and 2 runs a line.
    const size_t lines = (64u << 20) / 62;
    std::vector<unsigned char> full = colouredLines(lines);
    std::vector<unsigned char> plain;
    plain.reserve(lines * 62);
    for (size_t i = 0; i < full.size(); i += 71)
        plain.insert(plain.end(), full.begin() + long(i) + 5, full.begin() + long(i) + 65), plain.push_back('\r'),
            plain.push_back('\n');
    // Each view is measured on its own: the process's memory with it full
    // against without it.
    auto held = [&](const std::vector<unsigned char> &bytes, bool colours, size_t &chars) {
        HWND view = bench::makeReceiveView("BenchColourFull");
        if (!view)
            return 0.0;
        double before = bench::memory().privateMiB;
        AnsiParser parser;
        RunCollector runs;
        for (size_t at = 0; at < bytes.size(); at += 65536) {
            size_t n = bytes.size() - at < 65536 ? bytes.size() - at : 65536;
            if (colours) {
                parser.feed(bytes.data() + at, n, runs);
                runs.put(view);
            } else {
                SendMessageA(view, PTVM_APPEND, n, LPARAM(bytes.data() + at));
            }
        }
        pumpView();
        double after = bench::memory().privateMiB;
        chars = size_t(GetWindowTextLengthA(view));
        DestroyWindow(GetParent(view));
        pumpView();
        return (after - before) * 1048576.0;
    };
    size_t plainChars = 0, colourChars = 0;
    double plainBytes = held(plain, false, plainChars);
    double colourBytes = held(full, true, colourChars);
    double changes = 2.0 * double(lines);
    printf("colour fill    : %zu characters in %zu coloured lines: %.1f MiB against %.1f MiB plain, %.2f bytes per "
           "colour change beyond the text\n",
           colourChars, lines, colourBytes / 1048576.0, plainBytes / 1048576.0,
           (colourBytes - plainBytes) / changes);
    fflush(stdout);
}

// Runs this program again for one figure and waits for it; its output goes
// where ours goes.
void runChild(const char *what)
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self)
        return;
    std::string command = std::string("\"") + self + "\" " + what;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        bench::figures("%s: could not start (%lu)\n", what, (unsigned long)GetLastError());
        return;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// ZMODEM both ways against raw bytes, in this one run: 1 MiB sent raw to a
// listening peer and by ZMODEM to rz; received raw into a capture and by
// ZMODEM from sz into the "Receive into" folder.
void zmodemAgainstRaw(size_t total)
{
    std::vector<unsigned char> data = SerialPeer::pattern(total, 7);
    std::string path = rig::tempPath("bench-zmodem.bin");
    rig::writeFile(path, data);
    double rawSendRate = 0, zSendRate = 0, rawReceiveRate = 0, zReceiveRate = 0;
    {
        rig::Terminal term{rig::dataPath};
        if (!term.ready() || !term.openPort()) {
            printf("zmodem: terminal or cable not available\n");
            return;
        }
        Timed raw;
        bool rawIntact;
        {
            SerialPeer peer{"COM9", SerialPeer::listening};
            raw = timedSend(term, path, 0, nullptr, nullptr);
            term.waitFor([&] { return peer.receivedCount() >= total; }, 120000);
            rawIntact = peer.received() == data;
        }
        std::unique_ptr<rig::FarEndProgram> rz;
        Timed z = timedSend(term, path, 4, [](void *p) {
            static_cast<std::unique_ptr<rig::FarEndProgram> *>(p)->reset(new rig::FarEndProgram("COM9", "rz -y"));
        }, &rz);
        bool zIntact = false;
        if (rz) {
            term.waitFor([&] { return rz->exited(); }, 20000);
            std::vector<unsigned char> got;
            zIntact = rig::readFile(rz->path("bench-zmodem.bin"), got) && got == data;
        }
        rawSendRate = raw.ms > 0 ? double(total) * 1000.0 / raw.ms : 0;
        zSendRate = z.ms > 0 ? double(total) * 1000.0 / z.ms : 0;
        printf("zmodem send    : %zu bytes raw in %.2f s = %.0f bytes/s (%s); by ZMODEM to rz in %.2f s = %.0f bytes/s "
               "(%s, \"%s\"): %.2fx the raw rate\n",
               total, raw.ms / 1000.0, rawSendRate, rawIntact ? "intact" : "DIFFERENT", z.ms / 1000.0, zSendRate,
               zIntact ? "intact" : "DIFFERENT", z.outcome.c_str(), rawSendRate > 0 ? zSendRate / rawSendRate : 0);
        fflush(stdout);
    }
    receiveFlood("capture", total, 120, &rawReceiveRate, &data);
    {
        rig::Terminal term{rig::dataPath};
        std::string inbox = rig::tempPath("bench-inbox");
        CreateDirectoryA(inbox.c_str(), nullptr);
        DeleteFileA((inbox + "\\bench-zmodem.bin").c_str());
        rig::storeText("ReceiveFolder", inbox);
        rig::storeDword("Transfer", 4);
        if (!term.ready() || !term.openPort()) {
            printf("zmodem: terminal or cable not available\n");
            return;
        }
        struct Start
        {
            std::string command;
            std::unique_ptr<rig::FarEndProgram> sz;
            double at = 0;
        } start;
        start.command = "sz '" + rig::unixPath(path) + "'";
        rig::Spy spy;
        spy.onProgressShown = [](HWND, void *p) {
            Start *s = static_cast<Start *>(p);
            if (s->at != 0)
                return;
            s->sz.reset(new rig::FarEndProgram("COM9", s->command));
            s->at = rig::nowMs();
        };
        spy.onProgressArg = &start;
        MessageBoxAnswerer answerer(IDOK, 1, 600000);
        term.command(IDM_FILE_RECEIVE);
        double ms = rig::nowMs() - start.at;
        std::string outcome = answerer.waitAnswered(1, 5000) ? answerer.text(0) : "none";
        std::vector<unsigned char> got;
        bool intact = rig::readFile(inbox + "\\bench-zmodem.bin", got) && got == data;
        if (start.sz)
            term.waitFor([&] { return start.sz->exited(); }, 20000);
        rig::removeValue("Transfer");
        rig::removeValue("ReceiveFolder");
        zReceiveRate = ms > 0 ? double(total) * 1000.0 / ms : 0;
        printf("zmodem receive : %zu bytes by ZMODEM from sz in %.2f s = %.0f bytes/s (%s, \"%s\"); raw capture "
               "%.0f bytes/s: %.2fx the raw rate\n",
               total, ms / 1000.0, zReceiveRate, intact ? "intact" : "DIFFERENT", outcome.c_str(), rawReceiveRate,
               rawReceiveRate > 0 ? zReceiveRate / rawReceiveRate : 0);
    }
    printf("zmodem ratios  : send %.2fx, receive %.2fx the raw rates of this run\n",
           rawSendRate > 0 ? zSendRate / rawSendRate : 0, rawReceiveRate > 0 ? zReceiveRate / rawReceiveRate : 0);
    fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (argc < 2) {
        for (const char *what : {"capture", "hex", "text", "timed", "hexrate", "tabs", "showsent", "colour", "colourrate",
                                 "render", "send", "ymodem", "zmodem"})
            runChild(what);
        return 0;
    }
    const size_t flood = 4u << 20;
    bool all = wanted(argc, argv, "receive");
    if (all || wanted(argc, argv, "capture"))
        receiveFlood("capture", flood, 600);
    if (all || wanted(argc, argv, "hex"))
        receiveFlood("hex", flood, 600);
    if (all || wanted(argc, argv, "text"))
        receiveFlood("text", flood, 600);
    if (wanted(argc, argv, "timed"))
        timedFlood(flood);
    if (wanted(argc, argv, "hexrate"))
        hexAgainstCapture(1u << 20);
    if (wanted(argc, argv, "tabs"))
        tabsAgainstPlain(16u << 20);
    if (wanted(argc, argv, "showsent"))
        sentAgainstPlain(4u << 20);
    // One flood of the pair alone, for a profiler.
    if (wanted(argc, argv, "tabsalone") || wanted(argc, argv, "plainalone")) {
        std::vector<unsigned char> bytes = bench::printableLines(16u << 20, 12345);
        if (wanted(argc, argv, "tabsalone"))
            for (size_t i = 31; i < bytes.size(); i += 32)
                if (bytes[i] != '\r' && bytes[i] != '\n')
                    bytes[i] = '\t';
        receiveFlood(wanted(argc, argv, "tabsalone") ? "tabs" : "text", bytes.size(), 900, nullptr, &bytes);
    }
    if (wanted(argc, argv, "hexalone"))
        receiveFlood("hex", 1u << 20, 600);
    if (wanted(argc, argv, "capturealone"))
        receiveFlood("capture", 1u << 20, 600);
    if (wanted(argc, argv, "tabview")) {
        // The tabbed and the plain flood into the view alone, no port.
        std::vector<unsigned char> plain = bench::printableLines(16u << 20, 12345), tabbed = plain;
        for (size_t i = 31; i < tabbed.size(); i += 32)
            if (tabbed[i] != '\r' && tabbed[i] != '\n')
                tabbed[i] = '\t';
        for (int r = 0; r < 2; ++r) {
            double p1 = colourFill(plain, false), t1 = colourFill(tabbed, false);
            double t2 = colourFill(tabbed, false), p2 = colourFill(plain, false);
            printf("view alone     : tabs %.0f bytes/s, plain %.0f bytes/s: %.2fx\n", (t1 + t2) / 2, (p1 + p2) / 2,
                   (t1 + t2) / (p1 + p2));
        }
        fflush(stdout);
    }
    if (wanted(argc, argv, "renderalone")) {
        // The drain's render of 511-byte chunks into a view, no port and no
        // cable: what a chunk costs the window thread in each mode.
        std::vector<unsigned char> bytes = bench::printableLines(4u << 20, 12345);
        for (int round = 0; round < 3; ++round) {
            for (int hex = 0; hex < 2; ++hex) {
                HWND view = bench::makeReceiveView("BenchRenderHost");
                ReceiveRenderer r(nullptr);
                r.attach(view, HFONT(GetStockObject(ANSI_FIXED_FONT)));
                double start = bench::seconds(), cpu0 = bench::processorSeconds();
                for (size_t at = 0; at < bytes.size(); at += 511) {
                    uint32_t n = uint32_t(bytes.size() - at < 511 ? bytes.size() - at : 511);
                    if (hex)
                        r.appendHex(bytes.data() + at, n, false);
                    else
                        r.appendText(bytes.data() + at, n, false);
                }
                double secs = bench::seconds() - start, cpu = bench::processorSeconds() - cpu0;
                size_t chunks = (bytes.size() + 510) / 511;
                printf("render alone   : %s %.1f us a chunk (processor %.1f us), %.0f bytes/s\n", hex ? "hex " : "text",
                       secs * 1e6 / double(chunks), cpu * 1e6 / double(chunks), double(bytes.size()) / secs);
                DestroyWindow(GetParent(view));
                pumpView();
            }
        }
        // The pieces of a hex chunk: asking the view's length, and
        // appending a chunk's dump lines to the view.
        HWND view = bench::makeReceiveView("BenchRenderHost");
        const int asks = 20000;
        double start = bench::seconds();
        for (int i = 0; i < asks; ++i)
            SendMessageA(view, WM_GETTEXTLENGTH, 0, 0);
        double ask = (bench::seconds() - start) * 1e6 / asks;
        std::string lines;
        for (int i = 0; i < 64; ++i)
            lines += "000000 4142434445464748 ABCDEFGH\r\n";
        start = bench::seconds();
        const int appends = 4000;
        for (int i = 0; i < appends; ++i)
            SendMessageA(view, PTVM_APPEND, lines.size(), LPARAM(lines.data()));
        double put = (bench::seconds() - start) * 1e6 / appends;
        printf("render pieces  : WM_GETTEXTLENGTH %.2f us, PTVM_APPEND of 64 dump lines %.2f us\n", ask, put);
        DestroyWindow(GetParent(view));
        pumpView();
        fflush(stdout);
    }
    if (wanted(argc, argv, "colourpieces")) {
        // What a coloured chunk costs, piece by piece: the parser with its
        // runs collected, and the view taking the runs against the bytes.
        std::vector<unsigned char> data = colouredLines(60000);
        for (int round = 0; round < 3; ++round) {
            HWND view = bench::makeReceiveView("BenchPiecesHost");
            AnsiParser parser;
            RunCollector runs;
            double parse = 0, put = 0, plain = 0;
            for (size_t at = 0; at < data.size(); at += 511) {
                size_t n = data.size() - at < 511 ? data.size() - at : 511;
                double t0 = bench::seconds();
                parser.feed(data.data() + at, n, runs);
                double t1 = bench::seconds();
                runs.put(view);
                double t2 = bench::seconds();
                parse += t1 - t0;
                put += t2 - t1;
            }
            DestroyWindow(GetParent(view));
            view = bench::makeReceiveView("BenchPiecesHost");
            for (size_t at = 0; at < data.size(); at += 511) {
                size_t n = data.size() - at < 511 ? data.size() - at : 511;
                double t0 = bench::seconds();
                SendMessageA(view, PTVM_APPEND, n, LPARAM(data.data() + at));
                plain += bench::seconds() - t0;
            }
            DestroyWindow(GetParent(view));
            pumpView();
            double chunks = double((data.size() + 510) / 511);
            printf("colour pieces  : a chunk parsed %.2f us, its runs into the view %.2f us, its bytes as they are %.2f us\n",
                   parse * 1e6 / chunks, put * 1e6 / chunks, plain * 1e6 / chunks);
        }
        fflush(stdout);
    }
    if (wanted(argc, argv, "colour"))
        colourFlood();
    if (wanted(argc, argv, "colourrate"))
        colourAgainstPlain((2u << 20) / 71);
    if (wanted(argc, argv, "render"))
        renderHistory(8u << 20);
    if (wanted(argc, argv, "send"))
        sendFile(1u << 20);
    if (wanted(argc, argv, "ymodem"))
        ymodemAgainstRaw(1u << 20);
    if (wanted(argc, argv, "zmodem"))
        zmodemAgainstRaw(1u << 20);
    return 0;
}
