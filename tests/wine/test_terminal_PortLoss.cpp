#include <gtest/gtest.h>

#include <windows.h>
// GetProcessMemoryInfo from kernel32 itself (K32GetProcessMemoryInfo).
#define PSAPI_VERSION 2
#include <psapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/PCom.h"
#include "terminal/port/PortKeeper.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/PortRig.h"
#include "tests/wine/helpers/PullableCable.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"
#include "wine/helpers/SerialPeer.h"

// The terminal on COM6, whose cable (to COM13) the run lets a test pull out
// and plug back in: the device behind the open port vanishes as an unplugged
// USB adapter does, and comes back under the same name.

namespace {

const char peerName[] = "\\\\.\\COM13";   // COM10 and up only by their device name
const char lostTitle[] = "Received - COM6 lost, waiting";

// COM6 at 256000 baud, 8N1, no handshake (the cable raises none).
const DWORD com6Setup = 0x5u | (14u << 4) | (0u << 9) | (2u << 11) | (3u << 14);
// COM6 at 19200 baud, 7 data bits, even parity, two stop bits: settings the
// pseudo-terminal shows plainly.
const DWORD com6Unusual = 0x5u | (8u << 4) | (2u << 9) | (0u << 11) | (2u << 14);

using rig::Cable;

// True when stty's report holds `word` as a word of its own.
bool hasWord(const std::string &text, const std::string &word)
{
    auto separator = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == ';'; };
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        size_t end = at + word.size();
        if ((at == 0 || separator(text[at - 1])) && (end == text.size() || separator(text[end])))
            return true;
    }
    return false;
}

double cpuSeconds()
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return double(k.QuadPart + u.QuadPart) / 1e7;
}

// What the process holds: its handle count where the platform tells it
// (Wine answers 0), the value the next new handle gets (a leaked handle
// takes the lowest free slot, so that value moves), and its private memory.
struct Holdings
{
    DWORD handles;
    uintptr_t nextHandle;
    SIZE_T privateBytes;
};

Holdings holdings()
{
    Holdings h = {0, 0, 0};
    GetProcessHandleCount(GetCurrentProcess(), &h.handles);
    HANDLE probe = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    h.nextHandle = uintptr_t(probe);
    CloseHandle(probe);
    PROCESS_MEMORY_COUNTERS m;
    ZeroMemory(&m, sizeof m);
    m.cb = sizeof m;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m))
        h.privateBytes = m.PagefileUsage;
    return h;
}

// Watches the terminal's thread: when the "Received" title first said the
// port was lost, how often it said so, and how many bytes the port's reader
// had queued when it reported the loss.
class LossWatch
{
public:
    explicit LossWatch(mainClient *client) : client(client)
    {
        current() = this;
        sent = SetWindowsHookExA(WH_CALLWNDPROC, &LossWatch::onSent, nullptr, GetCurrentThreadId());
        posted = SetWindowsHookExA(WH_GETMESSAGE, &LossWatch::onPosted, nullptr, GetCurrentThreadId());
    }
    ~LossWatch()
    {
        if (sent)
            UnhookWindowsHookEx(sent);
        if (posted)
            UnhookWindowsHookEx(posted);
        current() = nullptr;
    }
    LossWatch(const LossWatch &) = delete;
    LossWatch &operator=(const LossWatch &) = delete;

    volatile DWORD lostAt = 0;        // GetTickCount when the title first said so
    volatile int lostNotices = 0;     // titles saying so
    volatile LONG queuedAtLoss = -1;  // the reader's total when it reported the loss
    volatile DWORD reportedAt = 0;    // GetTickCount when the terminal took the report

private:
    static LossWatch *&current()
    {
        static LossWatch *watch = nullptr;
        return watch;
    }

    static LRESULT CALLBACK onSent(int code, WPARAM wParam, LPARAM lParam)
    {
        LossWatch *self = current();
        const CWPSTRUCT *m = reinterpret_cast<const CWPSTRUCT *>(lParam);
        if (code == HC_ACTION && self && m->message == WM_SETTEXT && m->lParam &&
            GetDlgCtrlID(m->hwnd) == IDC_RECEIVEDTITLE) {
            const char *t = reinterpret_cast<const char *>(m->lParam);
            if (std::string(t, strnlen(t, 200)).find("lost") != std::string::npos) {
                if (self->lostNotices++ == 0)
                    self->lostAt = GetTickCount();
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static LRESULT CALLBACK onPosted(int code, WPARAM wParam, LPARAM lParam)
    {
        LossWatch *self = current();
        const MSG *m = reinterpret_cast<const MSG *>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && self && m->message == PWM_COMMLOST && self->queuedAtLoss < 0) {
            self->reportedAt = GetTickCount();
            PCom *port = self->client->currentPort();
            if (port)
                self->queuedAtLoss = LONG(port->bytesQueued());
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    mainClient *client;
    HHOOK sent;
    HHOOK posted;
};

// Pulls the cable from a thread of its own once `ready` says so, while the
// terminal's thread is busy sending.
class Puller
{
public:
    Puller(Cable &cable, std::function<bool()> ready)
        : cable(cable), ready(std::move(ready)), pulledAt(0), pulled(false)
    {
        thread = CreateThread(nullptr, 0, &Puller::main, this, 0, nullptr);
    }
    ~Puller() { finish(); }
    Puller(const Puller &) = delete;
    Puller &operator=(const Puller &) = delete;

    bool finish()
    {
        if (thread) {
            WaitForSingleObject(thread, 30000);
            CloseHandle(thread);
            thread = nullptr;
        }
        return pulled;
    }

    Cable &cable;
    std::function<bool()> ready;
    volatile DWORD pulledAt;
    volatile bool pulled;

private:
    static DWORD WINAPI main(LPVOID p)
    {
        Puller *self = static_cast<Puller *>(p);
        DWORD start = GetTickCount();
        while (!self->ready() && GetTickCount() - start < 20000)
            Sleep(5);
        self->pulledAt = self->cable.pull();
        self->pulled = self->pulledAt != 0;
        return 0;
    }

    HANDLE thread;
};

class PortLoss : public ::testing::Test
{
protected:
    explicit PortLoss(DWORD delay = 0, DWORD setup = com6Setup) : term(rig::dataPathDelayed(delay)), setup(setup) {}

    void SetUp() override
    {
        ASSERT_TRUE(cable.present()) << "the run gives no pullable cable (LT_CABLE_COM6)";
        if (!cable.plugged()) {
            ASSERT_TRUE(cable.plugIn());
        }
        ASSERT_TRUE(term.ready());
        rig::storeDword("Setup", setup);
        ASSERT_TRUE(term.openPort());
        watch.reset(new LossWatch(term.client));
    }

    void TearDown() override
    {
        watch.reset();
        if (!cable.plugged())
            cable.plugIn();
    }

    std::string title() const { return term.text(IDC_RECEIVEDTITLE); }
    std::string button() const { return term.text(IDC_OPENCOMM); }
    bool waiting() const { return term.client->isWaitingForPort(); }
    std::string history() const
    {
        std::vector<unsigned char> h = term.history();
        return std::string(h.begin(), h.end());
    }

    // Pulls the cable with the terminal looking on; the time it was pulled.
    DWORD pullNow()
    {
        DWORD at = cable.pull([this] { term.pump(); });
        EXPECT_NE(at, 0u);
        return at;
    }

    // The processor time the whole process takes over `ms` of waiting.
    double cpuOver(DWORD ms)
    {
        double before = cpuSeconds();
        term.settle(ms);
        return cpuSeconds() - before;
    }

    void expectWaitingShown()
    {
        EXPECT_TRUE(waiting());
        EXPECT_FALSE(term.client->isPortOpen());
        EXPECT_EQ(title(), lostTitle);
        EXPECT_EQ(button(), "Stop &Waiting");
    }

    Cable cable;
    rig::Terminal term{rig::dataPath};
    DWORD setup;
    std::unique_ptr<LossWatch> watch;
};

class PortLossDelayed : public PortLoss
{
protected:
    PortLossDelayed() : PortLoss(20) {}
};

class PortLossFileDelay : public PortLoss
{
protected:
    PortLossFileDelay() : PortLoss(3) {}
};

class PortLossUnusual : public PortLoss
{
protected:
    PortLossUnusual() : PortLoss(0, com6Unusual) {}
};

// A port whose device is there but whose writes come up short (a full
// driver buffer, a write time-out): what a pseudo-terminal never does.
class ShortWritePort : public PCom
{
public:
    explicit ShortWritePort(HWND notify) : PCom(notify) {}
    LONG write(const void *buffer, DWORD count) override
    {
        ++writes;
        if (count > 1)
            return PCom::write(buffer, count - 1);
        return 0;
    }
    static int writes;
};
int ShortWritePort::writes = 0;

PCom *makeShortWritePort(HWND notify)
{
    return new ShortWritePort(notify);
}

// A port whose reader cannot start while failedStarts is above 0, as when
// the device is still coming up.
class LateStartPort : public PCom
{
public:
    explicit LateStartPort(HWND notify) : PCom(notify) {}
    static volatile LONG failedStarts;

protected:
    bool startReceiving(HANDLE port) override
    {
        if (InterlockedDecrement(&failedStarts) >= 0)
            return false;
        return PCom::startReceiving(port);
    }
};
volatile LONG LateStartPort::failedStarts = 0;

PCom *makeLateStartPort(HWND notify)
{
    return new LateStartPort(notify);
}

std::string pad(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += char('a' + i % 26);
    return s;
}

} // namespace

TEST_F(PortLoss, IdleLossIsNoticedWithinASecondAndShownOnceWithoutABox)
{
    {
        SerialPeer peer(peerName);
        ASSERT_TRUE(peer.isOpen());
        ASSERT_TRUE(peer.send("hello\r\n", 7));
        ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= 7; }, 3000));
    }
    MessageBoxAnswerer answerer(IDOK, 1, 12000);
    DWORD pulled = pullNow();
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    ASSERT_NE(watch->lostAt, 0u);
    EXPECT_LT(watch->lostAt - pulled, 1000u);
    expectWaitingShown();
    EXPECT_EQ(history(), "hello\r\n");

    // No spin while waiting, and the notice is not repeated per attempt.
    double cpu = cpuOver(5000);
    std::printf("idle loss: script done after %lu ms, reported after %lu ms, shown after %lu ms, %.3f s of processor in 5 s, %u attempts\n",
                (unsigned long)cable.finishedAfter, (unsigned long)(watch->reportedAt - pulled),
                (unsigned long)(watch->lostAt - pulled), cpu,
                term.client->portKeeper().attempts());
    EXPECT_LT(cpu, 0.5);
    EXPECT_EQ(watch->lostNotices, 1);
    EXPECT_EQ(answerer.answeredCount(), 0);
    EXPECT_GE(term.client->portKeeper().attempts(), 4u);
    EXPECT_LE(term.client->portKeeper().attempts(), 7u);
    expectWaitingShown();
}

TEST_F(PortLoss, LossDuringAFloodKeepsEveryByteTheReaderTook)
{
    std::vector<unsigned char> flood = SerialPeer::pattern(4 * 1024 * 1024, 7);
    DWORD pulled;
    {
        SerialPeer peer(peerName);
        ASSERT_TRUE(peer.isOpen());
        // The terminal drains a flood without coming back to the test's
        // loop: the cable is pulled from a thread of its own meanwhile.
        Puller puller(cable, [&] { return peer.floodSent() >= 256 * 1024; });
        ASSERT_TRUE(peer.startFlood(flood, 1024));
        ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 30000));
        ASSERT_TRUE(puller.finish());
        pulled = puller.pulledAt;
        EXPECT_TRUE(peer.waitFlood(5000));
    }
    ASSERT_NE(watch->lostAt, 0u);
    EXPECT_LT(watch->lostAt - pulled, 1000u);
    expectWaitingShown();

    // Everything the reader moved out of the driver is in the history, and
    // the history is the flood from its first byte on, without a gap.
    std::vector<unsigned char> h = term.history();
    ASSERT_GE(watch->queuedAtLoss, 0);
    EXPECT_EQ(h.size(), size_t(watch->queuedAtLoss));
    EXPECT_GE(h.size(), 200000u);
    EXPECT_LT(h.size(), flood.size()) << "the flood was over before the cable went";
    ASSERT_LE(h.size(), flood.size());
    EXPECT_TRUE(std::equal(h.begin(), h.end(), flood.begin()));

    double cpu = cpuOver(5000);
    std::printf("flood loss: %u bytes kept, noticed after %lu ms, %.3f s of processor in 5 s\n", unsigned(h.size()),
                (unsigned long)(watch->lostAt - pulled), cpu);
    EXPECT_LT(cpu, 0.5);
    EXPECT_EQ(watch->lostNotices, 1);
}

TEST_F(PortLoss, LossDuringACapturedFloodKeepsEveryByteInTheFile)
{
    std::string path = rig::tempPath("loss-capture.bin");
    {
        FileDialogDriver driver(path.c_str(), IDYES);
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(term.isChecked(IDC_CAPTURE));
    std::vector<unsigned char> flood = SerialPeer::pattern(4 * 1024 * 1024, 11);
    {
        SerialPeer peer(peerName);
        ASSERT_TRUE(peer.isOpen());
        Puller puller(cable, [&] { return peer.floodSent() >= 256 * 1024; });
        ASSERT_TRUE(peer.startFlood(flood, 1024));
        ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 30000));
        ASSERT_TRUE(puller.finish());
        EXPECT_LT(watch->lostAt - puller.pulledAt, 1000u);
        EXPECT_TRUE(peer.waitFlood(5000));
    }
    expectWaitingShown();
    // Capturing goes on while the port is awaited; the file holds all the
    // reader took, from the flood's first byte on.
    EXPECT_TRUE(term.isChecked(IDC_CAPTURE));
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    ASSERT_GE(watch->queuedAtLoss, 0);
    EXPECT_EQ(file.size(), size_t(watch->queuedAtLoss));
    EXPECT_GE(file.size(), 200000u);
    ASSERT_LT(file.size(), flood.size());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), flood.begin()));
    term.check(IDC_CAPTURE, false);
}

TEST_F(PortLossFileDelay, LossDuringAFileTransferEndsItAsAborted)
{
    std::vector<unsigned char> data = SerialPeer::pattern(3000, 3);
    std::string path = rig::tempPath("loss.bin");
    ASSERT_TRUE(rig::writeFile(path, data));
    std::unique_ptr<SerialPeer> peer(new SerialPeer(peerName, SerialPeer::listening));
    ASSERT_TRUE(peer->isOpen());
    // "Delay is not null!": yes, use it (a byte every 3 ms); then the outcome.
    MessageBoxAnswerer answerer(IDYES, 2, 30000);
    FileDialogDriver driver(path.c_str());
    Puller puller(cable, [&] { return peer->receivedCount() >= 200; });
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(puller.finish());
    ASSERT_TRUE(answerer.waitAnswered(2));
    EXPECT_EQ(answerer.text(1), "Transfer aborted\r\nFile may be corrupted!");
    EXPECT_EQ(answerer.caption(1), "Error");
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    ASSERT_NE(watch->lostAt, 0u);
    EXPECT_LT(watch->lostAt - puller.pulledAt, 1000u + 500u) << "the answerer takes its time with the box";
    expectWaitingShown();
    std::vector<unsigned char> got = peer->received();
    // The peer's own reader would spin on its dead port.
    peer.reset();
    EXPECT_LT(got.size(), data.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));

    double cpu = cpuOver(5000);
    std::printf("transfer loss: %u of %u bytes out, %.3f s of processor in 5 s\n", unsigned(got.size()),
                unsigned(data.size()), cpu);
    EXPECT_LT(cpu, 0.5);
    EXPECT_EQ(watch->lostNotices, 1);
}

TEST_F(PortLossDelayed, LossDuringADelayedSendStopsItAtTheNextByte)
{
    std::unique_ptr<SerialPeer> peer(new SerialPeer(peerName, SerialPeer::listening));
    ASSERT_TRUE(peer->isOpen());
    std::string text = pad(400);
    term.setText(IDC_SENDBOX, text);
    MessageBoxAnswerer answerer(IDOK, 1, 15000);
    Puller puller(cable, [&] { return peer->receivedCount() >= 20; });
    DWORD start = GetTickCount();
    term.command(IDC_SENDSTRING);
    DWORD back = GetTickCount();
    ASSERT_TRUE(puller.finish());
    // 400 bytes 20 ms apart would take 8 s: the send stopped at the loss.
    EXPECT_LT(back - start, 4000u);
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    ASSERT_NE(watch->lostAt, 0u);
    EXPECT_LT(watch->lostAt - puller.pulledAt, 1000u);
    expectWaitingShown();
    // The loss is what the operator sees, not a write error.
    EXPECT_EQ(answerer.answeredCount(), 0);
    std::string got;
    for (unsigned char c : peer->received())
        got += char(c);
    peer.reset();
    EXPECT_EQ(got, text.substr(0, got.size()));

    double cpu = cpuOver(5000);
    std::printf("delayed send loss: %u of 400 bytes out, %.3f s of processor in 5 s\n", unsigned(got.size()), cpu);
    EXPECT_LT(cpu, 0.5);
    EXPECT_EQ(watch->lostNotices, 1);
}

TEST_F(PortLossUnusual, RestoredCableReopensByItselfWithTheSameSettings)
{
    pullNow();
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    // Whatever the registry says by now, the lost port comes back as it was.
    rig::storeDword("Setup", com6Setup);
    term.settle(1500);
    ASSERT_TRUE(cable.plugIn());
    DWORD plugged = GetTickCount();
    ASSERT_TRUE(term.waitFor([&] { return term.client->isPortOpen(); }, 2500));
    DWORD reopenMs = GetTickCount() - plugged;
    std::printf("reopened %lu ms after the cable came back\n", (unsigned long)reopenMs);
    EXPECT_LT(reopenMs, 2000u);
    EXPECT_FALSE(waiting());
    EXPECT_EQ(title(), "Received");
    EXPECT_EQ(button(), "&Close Comm");

    // A Linux pseudo-terminal keeps cs8 and no parity whatever it is told:
    // the speed and the stop bits are what it shows of the settings.
    std::string stty = cable.stty();
    EXPECT_TRUE(hasWord(stty, "19200")) << stty;
    EXPECT_TRUE(hasWord(stty, "cstopb")) << stty;

    SerialPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    term.setText(IDC_SENDBOX, "after\\0D");
    term.command(IDC_SENDSTRING);
    EXPECT_EQ(peer.receive(6, 3000), rig::bytesOf("after\r"));
    ASSERT_TRUE(peer.send("back", 4));
    ASSERT_TRUE(term.waitFor([&] { return history().size() >= 4; }, 3000));
    EXPECT_EQ(history(), "back");
}

TEST_F(PortLoss, StatusBarSaysLostWhileWaitingAndOpenOnceBack)
{
    EXPECT_EQ(term.status(0), "COM6 open");
    EXPECT_EQ(term.status(1), "256000 8N1 DTR off, RTS off");   // the word drops both lines
    pullNow();
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    EXPECT_EQ(term.status(0), "COM6 lost, waiting");
    EXPECT_EQ(term.status(1), "256000 8N1 DTR off, RTS off");   // the word drops both lines
    ASSERT_TRUE(cable.plugIn());
    ASSERT_TRUE(term.waitFor([&] { return term.client->isPortOpen(); }, 2500));
    EXPECT_EQ(term.status(0), "COM6 open");
    term.command(IDC_OPENCOMM);
    EXPECT_EQ(term.status(0), "COM6 closed");
}

TEST_F(PortLoss, NeverRestoredWaitsQuietlyForAMinuteAndTheButtonStopsIt)
{
    pullNow();
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    // Let the first attempts make whatever Wine makes once.
    term.settle(3000);
    Holdings before = holdings();
    uint32_t attemptsBefore = term.client->portKeeper().attempts();
    double cpu = cpuOver(60000);
    Holdings after = holdings();
    uint32_t attempts = term.client->portKeeper().attempts() - attemptsBefore;
    std::printf("60 s of waiting: %u attempts, %.3f s of processor, handles %lu -> %lu, next handle %#lx -> %#lx, "
                "private memory %lu -> %lu KB\n",
                attempts, cpu, (unsigned long)before.handles, (unsigned long)after.handles,
                (unsigned long)before.nextHandle, (unsigned long)after.nextHandle,
                (unsigned long)(before.privateBytes / 1024), (unsigned long)(after.privateBytes / 1024));
    EXPECT_GE(attempts, 55u);
    EXPECT_LE(attempts, 62u);
    EXPECT_LT(cpu, 3.0);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.nextHandle, before.nextHandle);
    // Each attempt would take a 4 KB queue and more: 60 of them would show.
    EXPECT_LT(after.privateBytes, before.privateBytes + 128 * 1024);
    expectWaitingShown();
    EXPECT_EQ(watch->lostNotices, 1);

    term.command(IDC_OPENCOMM);
    EXPECT_FALSE(waiting());
    EXPECT_FALSE(term.client->isPortOpen());
    EXPECT_EQ(button(), "&Open Comm");
    EXPECT_EQ(title(), "Received");
    uint32_t stoppedAt = term.client->portKeeper().attempts();
    ASSERT_TRUE(cable.plugIn());
    term.settle(2500);
    EXPECT_EQ(term.client->portKeeper().attempts(), stoppedAt);
    EXPECT_FALSE(term.client->isPortOpen());
}

TEST_F(PortLoss, ClosingByHandNeverStartsWaiting)
{
    term.command(IDC_OPENCOMM);
    ASSERT_FALSE(term.client->isPortOpen());
    pullNow();
    term.settle(1500);
    EXPECT_FALSE(waiting());
    EXPECT_EQ(title(), "Received");
    EXPECT_EQ(button(), "&Open Comm");
    EXPECT_EQ(watch->lostNotices, 0);
}

TEST_F(PortLoss, SendingWhileWaitingAsksAndTriesThePortAtOnce)
{
    pullNow();
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    term.setText(IDC_SENDBOX, "x");
    {
        // "Do you want to open now?" yes; the port is still away.
        MessageBoxAnswerer answerer(IDYES, 2, 10000);
        term.command(IDC_SENDSTRING);
        ASSERT_TRUE(answerer.waitAnswered(2));
        EXPECT_EQ(answerer.text(0), "Do you want to open now?");
        EXPECT_EQ(answerer.text(1), "Unable to open Comm");
    }
    EXPECT_TRUE(waiting());
    ASSERT_TRUE(cable.plugIn());
    SerialPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    {
        MessageBoxAnswerer answerer(IDYES, 1, 10000);
        term.command(IDC_SENDSTRING);
        // The timer may have been first: then nothing is asked.
        term.settle(200);
    }
    ASSERT_TRUE(term.waitFor([&] { return term.client->isPortOpen(); }, 2500));
    EXPECT_EQ(peer.receive(1, 3000), rig::bytesOf("x"));
}

class PortWriteFailure : public PortLoss
{
protected:
    explicit PortWriteFailure(DWORD delay = 0) : PortLoss(delay) {}
    void SetUp() override
    {
        ShortWritePort::writes = 0;
        PortKeeper::factory = makeShortWritePort;
        PortLoss::SetUp();
    }
    void TearDown() override
    {
        PortKeeper::factory = nullptr;
        PortLoss::TearDown();
    }
    // Sends with the command; the one write falls short and is said once
    // ("boxes" answers are on offer, so a second box would show), and the
    // port, being there, stays open.
    void expectOneWriteFailure(int command, int boxes)
    {
        MessageBoxAnswerer answerer(IDOK, boxes, 8000);
        term.command(command);
        ASSERT_TRUE(answerer.waitAnswered(1));
        term.settle(500);
        EXPECT_EQ(answerer.answeredCount(), 1);
        EXPECT_EQ(answerer.text(0), "Unable to write to Comm");
        EXPECT_EQ(answerer.caption(0), "Error Comm");
        EXPECT_EQ(ShortWritePort::writes, 1);
        EXPECT_TRUE(term.client->isPortOpen());
    }
};

class PortWriteFailureDelayed : public PortWriteFailure
{
protected:
    PortWriteFailureDelayed() : PortWriteFailure(10) {}
};

TEST_F(PortWriteFailure, AShortStringWriteOnAPresentPortIsReportedOnce)
{
    SerialPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    term.setText(IDC_SENDBOX, "hello");
    ASSERT_NO_FATAL_FAILURE(expectOneWriteFailure(IDC_SENDSTRING, 2));
    // The port is there: nothing is awaited.
    EXPECT_FALSE(waiting());
    EXPECT_EQ(title(), "Received");
    EXPECT_EQ(peer.receive(4, 3000), rig::bytesOf("hell"));
}

TEST_F(PortWriteFailure, AFailedByteWriteIsReportedOnce)
{
    term.setText(IDC_DECFIELD, "65");
    ASSERT_NO_FATAL_FAILURE(expectOneWriteFailure(IDC_SENDBYTE, 2));
    EXPECT_FALSE(waiting());
}

TEST_F(PortWriteFailureDelayed, ADelayedSendStopsAtTheFirstFailedByteWithOneReport)
{
    term.setText(IDC_SENDBOX, "abcdef");
    ASSERT_NO_FATAL_FAILURE(expectOneWriteFailure(IDC_SENDSTRING, 3));
}

TEST_F(PortWriteFailure, AWholeWriteShowsNothing)
{
    PortKeeper::factory = nullptr;
    term.command(IDC_OPENCOMM);
    term.command(IDC_OPENCOMM);
    ASSERT_TRUE(term.client->isPortOpen());
    SerialPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    term.setText(IDC_SENDBOX, "fine");
    MessageBoxAnswerer answerer(IDOK, 1, 3000);
    term.command(IDC_SENDSTRING);
    EXPECT_EQ(peer.receive(4, 3000), rig::bytesOf("fine"));
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 0);
}

// A port beyond the word's reach is lost, awaited and reopened by its own
// name: the terminal on COM200, whose cable to COM16 is pulled and plugged
// back in.
TEST(PortLossBeyondCom16, Com200IsAwaitedAndReopenedByName)
{
    rig::PortCable cable("COM16");
    ASSERT_TRUE(cable.present()) << "the run gives no pullable cable COM16-COM200";
    if (!rig::deviceBehind(200)) {
        ASSERT_TRUE(cable.plugIn());
    }
    rig::Terminal term{rig::dataPath};
    ASSERT_TRUE(term.ready());
    rig::storeDword("Setup", (com6Setup & ~0xFu) | 15u);
    rig::storeDword("SetupPort", 200);
    ASSERT_TRUE(term.openPort());
    ASSERT_TRUE(cable.pull());
    ASSERT_TRUE(term.waitFor([&] { return term.client->isWaitingForPort(); }, 10000));
    EXPECT_EQ(term.text(IDC_RECEIVEDTITLE), "Received - COM200 lost, waiting");
    ASSERT_TRUE(cable.plugIn());
    // Sending to a port that is not back would ask to open it: no further.
    ASSERT_TRUE(term.waitFor([&] { return term.client->isPortOpen(); }, 15000));
    EXPECT_EQ(term.text(IDC_RECEIVEDTITLE), "Received");
    SerialPeer peer("\\\\.\\COM16");
    ASSERT_TRUE(peer.isOpen());
    term.setText(IDC_SENDBOX, "far");
    term.command(IDC_SENDSTRING);
    EXPECT_EQ(peer.receive(3, 3000), rig::bytesOf("far"));
    term.command(IDC_OPENCOMM);
    rig::removeValue("SetupPort");
}

TEST_F(PortLoss, YesAfterThePortCameBackWhileAskingKeepsItOpenAndSends)
{
    pullNow();
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    term.setText(IDC_SENDBOX, "x");
    std::unique_ptr<SerialPeer> peer;
    bool backWhileAsking = false;
    // While "Do you want to open now?" is up the cable comes back and the
    // keeper's timer opens the port; only then is the answer "Yes".
    rig::ModalDriver asked("Comm is not opened", [&](HWND box) {
        if (cable.plugIn()) {
            peer.reset(new SerialPeer(peerName));
            backWhileAsking = waitFor([&] { return term.client->isPortOpen(); }, 5000);
        }
        rig::click(box, IDYES);
    });
    term.command(IDC_SENDSTRING);
    ASSERT_TRUE(asked.finish());
    ASSERT_TRUE(backWhileAsking);
    EXPECT_TRUE(term.client->isPortOpen());
    EXPECT_FALSE(waiting());
    EXPECT_EQ(button(), "&Close Comm");
    ASSERT_TRUE(peer && peer->isOpen());
    EXPECT_EQ(peer->receive(1, 3000), rig::bytesOf("x"));
}

class PortFailedStart : public PortLoss
{
protected:
    void SetUp() override
    {
        LateStartPort::failedStarts = 1;
        PortKeeper::factory = makeLateStartPort;
        PortLoss::SetUp();
    }
    void TearDown() override
    {
        PortKeeper::factory = nullptr;
        PortLoss::TearDown();
    }
};

// The open in SetUp made a port whose reader could not start.
TEST_F(PortFailedStart, AReaderThatCannotStartIsALossAndTheKeeperBringsThePortBack)
{
    ASSERT_TRUE(term.waitFor([&] { return waiting(); }, 3000));
    EXPECT_EQ(title(), lostTitle);
    ASSERT_TRUE(term.waitFor([&] { return term.client->isPortOpen(); }, 3000));
    EXPECT_FALSE(waiting());
    EXPECT_EQ(title(), "Received");
    EXPECT_EQ(watch->lostNotices, 1);
    SerialPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    ASSERT_TRUE(peer.send("back", 4));
    ASSERT_TRUE(term.waitFor([&] { return history().size() >= 4; }, 3000));
    EXPECT_EQ(history(), "back");
}
