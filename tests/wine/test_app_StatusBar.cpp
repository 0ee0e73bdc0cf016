#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

// The frame's status bar: the port and its state, the line, the counts and
// a note, following the terminal whatever changed it; the counts at most
// ten times a second during a flood, and exact at its end.

namespace {

enum { portPart, linePart, countsPart, notePart };

// Counts the texts set into the counts part, from the terminal's thread.
class CountsWatch
{
public:
    explicit CountsWatch(HWND bar)
    {
        current() = this;
        self.bar = bar;
        hook = SetWindowsHookExA(WH_CALLWNDPROC, &CountsWatch::onSent, nullptr, GetCurrentThreadId());
    }
    ~CountsWatch()
    {
        if (hook)
            UnhookWindowsHookEx(hook);
        current() = nullptr;
    }
    CountsWatch(const CountsWatch &) = delete;
    CountsWatch &operator=(const CountsWatch &) = delete;
    int sets() const { return self.sets; }

private:
    struct State
    {
        HWND bar = nullptr;
        int sets = 0;
    };
    static CountsWatch *&current()
    {
        static CountsWatch *watch = nullptr;
        return watch;
    }
    static LRESULT CALLBACK onSent(int code, WPARAM wParam, LPARAM lParam)
    {
        const CWPSTRUCT *m = reinterpret_cast<const CWPSTRUCT *>(lParam);
        CountsWatch *w = current();
        if (code == HC_ACTION && w && m->hwnd == w->self.bar && m->message == SB_SETTEXTA &&
            LOBYTE(m->wParam) == countsPart)
            ++w->self.sets;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    State self;
    HHOOK hook = nullptr;
};

class StatusBar : public rig::DataPathTest
{
protected:
    // No flow control kept beside the word from before: the terminal reads
    // the settings as it starts.
    explicit StatusBar(const rig::Stored &stored = rig::dataPath) : DataPathTest(withoutExtras(stored)) {}
    static const rig::Stored &withoutExtras(const rig::Stored &stored)
    {
        rig::removeValue("SetupFlow");
        rig::removeValue("SetupPort");
        return stored;
    }
    void TearDown() override { withoutExtras(rig::dataPath); }
    void SetUp() override
    {
        ASSERT_TRUE(term.ready());
        ASSERT_NE(term.statusBar(), nullptr);
        ASSERT_TRUE(peer.isOpen());
    }
    std::string part(int i) const { return term.status(i); }
    // The note without the driver's notice, which a pseudo-terminal under
    // Wine brings for a while after each open.
    std::string note() const
    {
        std::string n = part(notePart);
        const std::string said = LineControl::noSignalsNotice;
        size_t at = n.find(said);
        if (at != std::string::npos) {
            n.erase(at, said.size());
            while (!n.empty() && n.back() == ' ')
                n.pop_back();
        }
        return n;
    }
};

} // namespace

TEST_F(StatusBar, SitsBelowTheDialogInAFrameThatStillFitsAroundThem)
{
    RECT bar, dialog, client;
    GetWindowRect(term.statusBar(), &bar);
    GetWindowRect(term.dialog(), &dialog);
    GetClientRect(term.frame->hwnd, &client);
    EXPECT_EQ(bar.top, dialog.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right);
    EXPECT_EQ(client.right, dialog.right - dialog.left);
    EXPECT_EQ(client.bottom, (dialog.bottom - dialog.top) + (bar.bottom - bar.top));
    char cls[64] = "";
    GetClassNameA(term.statusBar(), cls, sizeof cls);
    EXPECT_STREQ(cls, "msctls_statusbar32");
    // Port, line, counts, note, and the lamps of CTS, DSR, DCD and RI.
    EXPECT_EQ(SendMessageA(term.statusBar(), SB_GETPARTS, 0, 0), 8);
}

TEST_F(StatusBar, FollowsOpenCloseAndASettingsChangeWhileOpen)
{
    EXPECT_EQ(part(portPart), "COM2 closed");
    // The stored word drops DTR and RTS: no choice of the flow list says so.
    EXPECT_EQ(part(linePart), "256000 8N1 DTR off, RTS off");
    EXPECT_EQ(part(countsPart), "RX 0  TX 0");
    EXPECT_EQ(note(), "");

    ASSERT_TRUE(term.openPort());
    EXPECT_EQ(part(portPart), "COM2 open");

    {
        rig::ModalDriver driver("Communication Setting", [](HWND d) {
            rig::selectComboText(d, IDC_SET_BAUD, "115.200");
            rig::selectComboText(d, IDC_SET_DATA, "7");
            rig::selectComboText(d, IDC_SET_PARITY, "EVENPARITY");
            rig::selectComboText(d, IDC_SET_STOP, "TWOSTOPBITS");
            rig::selectComboText(d, IDC_SET_FLOW, "None");
            rig::click(d, IDOK);
        });
        term.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    ASSERT_TRUE(term.client->isPortOpen());
    EXPECT_EQ(part(portPart), "COM2 open");
    EXPECT_EQ(part(linePart), "115200 7E2 None");

    term.command(IDC_OPENCOMM);
    EXPECT_EQ(part(portPart), "COM2 closed");
    EXPECT_EQ(part(linePart), "115200 7E2 None");
}

TEST_F(StatusBar, NamesTheCaptureFileAndAFullHistoryUntilCleared)
{
    ASSERT_TRUE(term.openPort());
    std::string path = rig::tempPath("status-capture.bin");
    DeleteFileA(path.c_str());
    {
        FileDialogDriver driver("status-capture.bin");
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(term.client->isCapturing());
    EXPECT_EQ(note(), "Capturing status-capture.bin");
    term.check(IDC_CAPTURE, false);
    EXPECT_EQ(note(), "");

    term.client->setHistoryLimit(1000);
    MessageBoxAnswerer answerer(IDOK);
    ASSERT_TRUE(peer.send(rig::printable(2000, 7)));
    ASSERT_TRUE(term.waitFor([&] { return term.viewLength() >= 2000; }, 10000));
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "Buffer Full");
    EXPECT_EQ(note(), "Buffer Full");
    // Counted as received, kept or not.
    EXPECT_TRUE(term.waitFor([&] { return part(countsPart) == "RX 2,000  TX 0"; }, 2000)) << part(countsPart);

    term.command(IDC_CLEAR);
    EXPECT_EQ(note(), "");
    EXPECT_EQ(part(countsPart), "RX 0  TX 0");
}

TEST_F(StatusBar, CountsAFloodOfOneMebibyteExactlyAtMostTenTimesASecond)
{
    ASSERT_TRUE(term.openPort());
    CountsWatch watch(term.statusBar());
    const size_t total = 1048576;
    DWORD start = GetTickCount();
    ASSERT_TRUE(peer.startFlood(rig::printable(total, 3)));
    ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= total; }, 60000));
    EXPECT_TRUE(peer.waitFlood(5000));
    DWORD took = GetTickCount() - start;
    EXPECT_TRUE(term.waitFor([&] { return part(countsPart) == "RX 1,048,576  TX 0"; }, 2000)) << part(countsPart);
    DWORD shownAfter = GetTickCount() - start;
    std::printf("1 MiB in %lu ms, the counts shown %d times\n", (unsigned long)took, watch.sets());
    // Ten a second, and one more at each end.
    EXPECT_LE(watch.sets(), int(shownAfter / 100) + 2);
    EXPECT_GE(watch.sets(), 1);
}

namespace {

// A pause after each byte, so the file send lasts long enough to look at.
class StatusBarFileSend : public StatusBar
{
protected:
    StatusBarFileSend() : StatusBar(rig::dataPathDelayed(1)) {}
};

// What a menu opening during the transfer showed of "Send &File...".
struct DuringTransfer
{
    static rig::Terminal *term;
    static int looks;
    static int greyed;
    static void CALLBACK look(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!term || !term->client->isTransferring())
            return;
        HMENU bar = term->menuBar();
        SendMessageA(term->frame->hwnd, WM_INITMENUPOPUP, WPARAM(GetSubMenu(bar, 0)), 0);
        ++looks;
        if (GetMenuState(bar, IDM_FILE_SENDFILE, MF_BYCOMMAND) & MF_GRAYED)
            ++greyed;
    }
};
rig::Terminal *DuringTransfer::term = nullptr;
int DuringTransfer::looks = 0;
int DuringTransfer::greyed = 0;

} // namespace

TEST_F(StatusBarFileSend, CountsAFileSentAndGreysTheSendsWhileItRuns)
{
    ASSERT_TRUE(term.openPort());
    std::vector<unsigned char> data = rig::printable(400, 11);
    std::string path = rig::tempPath("status-send.bin");
    ASSERT_TRUE(rig::writeFile(path, data));
    DuringTransfer::term = &term;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, &DuringTransfer::look);
    {
        // Yes to the pause after each byte, then the end's report.
        MessageBoxAnswerer answerer(IDYES, 2);
        FileDialogDriver driver(path.c_str());
        term.command(IDC_SENDFILE);
        ASSERT_TRUE(driver.waitDone());
        ASSERT_TRUE(answerer.waitAnswered(2));
        EXPECT_EQ(answerer.text(1), "File Transfered");
    }
    KillTimer(nullptr, timer);
    DuringTransfer::term = nullptr;
    EXPECT_GT(DuringTransfer::looks, 0);
    EXPECT_EQ(DuringTransfer::greyed, DuringTransfer::looks);
    EXPECT_TRUE(term.waitFor([&] { return part(countsPart) == "RX 0  TX 400"; }, 2000)) << part(countsPart);
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 400; }, 5000));
    EXPECT_EQ(peer.received(), data);
    // Greyed no more.
    SendMessageA(term.frame->hwnd, WM_INITMENUPOPUP, WPARAM(GetSubMenu(term.menuBar(), 0)), 0);
    EXPECT_FALSE(GetMenuState(term.menuBar(), IDM_FILE_SENDFILE, MF_BYCOMMAND) & MF_GRAYED);
}
