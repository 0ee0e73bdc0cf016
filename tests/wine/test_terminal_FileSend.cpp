#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/LineConfig.h"
#include "tests/wine/helpers/DriverThread.h"
#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

using rig::bytesOf;

namespace {

std::vector<unsigned char> pattern(size_t n)
{
    std::vector<unsigned char> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = (unsigned char)((i * 131 + i / 256) & 0xFF);
    return b;
}

class FileSend : public rig::DataPathTest
{
protected:
    explicit FileSend(DWORD delay = 0) : DataPathTest(rig::dataPathDelayed(delay)) {}

    std::string makeFile(const char *name, const std::vector<unsigned char> &bytes)
    {
        std::string path = rig::tempPath(name);
        EXPECT_TRUE(rig::writeFile(path, bytes));
        return path;
    }

    rig::Spy spy;
};

class FileSendWithDelay : public FileSend
{
protected:
    FileSendWithDelay() : FileSend(10) {}
};


} // namespace

TEST_F(FileSend, FileOf1300BytesGoesOutIn512512276AndReportsSuccess)
{
    std::vector<unsigned char> data = pattern(1300);
    std::string path = makeFile("f1300.bin", data);
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "File Transfered");
    EXPECT_EQ(answerer.caption(0), "Success");
    std::vector<std::string> steps;
    for (const std::string &t : spy.progressTexts)
        if (t.find("Sending file...") == 0)
            steps.push_back(t);
    EXPECT_EQ(steps, (std::vector<std::string>{"Sending file...\n\rbyte 512 of 1300", "Sending file...\n\rbyte 1024 of 1300",
                                               "Sending file...\n\rbyte 1300 of 1300"}));
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 1300; }, 5000));
    EXPECT_EQ(peer.received(), data);
}

TEST_F(FileSend, EmptyFileShowsNoProgressAndNoMessage)
{
    std::string path = makeFile("empty.bin", {});
    MessageBoxAnswerer answerer(IDOK, 1, 3000);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 0);
    EXPECT_EQ(spy.progressDialogs, 0);
    EXPECT_EQ(peer.receivedCount(), 0u);
}

TEST_F(FileSend, CancelledDialogSendsNothing)
{
    MessageBoxAnswerer answerer(IDOK, 1, 3000);
    FileDialogDriver driver(nullptr);
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    term.settle(200);
    EXPECT_EQ(answerer.answeredCount(), 0);
    EXPECT_EQ(peer.receivedCount(), 0u);
}

TEST_F(FileSend, AbortDuringTheFirstChunkReportsACorruptTransfer)
{
    std::vector<unsigned char> data = pattern(1300);
    std::string path = makeFile("abort.bin", data);
    spy.abortOnShow = true;
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Transfer aborted\r\nFile may be corrupted!");
    EXPECT_EQ(answerer.caption(0), "Error");
    term.settle(300);
    // The chunk under way was sent; nothing after it.
    EXPECT_EQ(peer.received(), std::vector<unsigned char>(data.begin(), data.begin() + 512));
}

TEST_F(FileSendWithDelay, DelayAnsweredYesSendsByteByByte)
{
    std::string path = makeFile("three.bin", bytesOf("xyz"));
    // Yes to the delay question, then OK to the success box.
    MessageBoxAnswerer answerer(IDYES, 2);
    FileDialogDriver driver(path.c_str());
    double start = rig::nowMs();
    term.command(IDC_SENDFILE);
    double took = rig::nowMs() - start;
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(2));
    EXPECT_EQ(answerer.text(0), "Delay is not null!\r\nDo you want to use it anywhere?");
    EXPECT_EQ(answerer.caption(0), "Warning");
    EXPECT_EQ(answerer.text(1), "File Transfered");
    EXPECT_GE(took, 30.0);
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= 3; }, 3000));
    EXPECT_EQ(peer.received(), bytesOf("xyz"));
    std::vector<double> t = peer.arrivals();
    EXPECT_GE(t[1] - t[0], 5.0);
    EXPECT_GE(t[2] - t[1], 5.0);
}

TEST_F(FileSendWithDelay, DelayQuestionCancelledSendsNothing)
{
    std::string path = makeFile("cancel.bin", bytesOf("abc"));
    MessageBoxAnswerer answerer(IDCANCEL, 2, 5000);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 1);
    EXPECT_EQ(peer.receivedCount(), 0u);
    EXPECT_EQ(spy.progressDialogs, 0);
}

namespace {

// Everything that would disturb a transfer, as the pump would deliver it
// from the buttons, the menu bar and the view's menu; none may run.
struct NestedTry {
    HWND dialog;
    HWND frame;
    std::vector<int> enabledButtons;
    std::vector<UINT> enabledItems;
    int tries = 0;
    static void onShown(HWND, void *arg)
    {
        NestedTry *n = static_cast<NestedTry *>(arg);
        if (n->tries++ > 0)
            return;
        for (int id : {IDC_SENDFILE, IDC_SENDSTRING, IDC_SENDBYTE, IDC_SETUP, IDC_OPENCOMM, IDC_SAVE, IDC_CAPTURE,
                       IDC_SHOWHEX, IDC_CLEAR})
            if (IsWindowEnabled(GetDlgItem(n->dialog, id)))
                n->enabledButtons.push_back(id);
        HMENU bar = GetMenu(n->frame);
        for (int m = 0; m < GetMenuItemCount(bar); ++m)
            SendMessageA(n->frame, WM_INITMENUPOPUP, WPARAM(GetSubMenu(bar, m)), 0);
        for (UINT id : {IDM_FILE_SENDFILE, IDM_FILE_RECEIVE, IDM_FILE_SAVE, IDM_FILE_CAPTURE, IDM_EDIT_CLEAR, IDM_VIEW_HEX, IDM_VIEW_TIME,
                        IDM_VIEW_SENT, IDM_PORT_OPENCLOSE, IDM_PORT_SETTINGS})
            if (!(GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED))
                n->enabledItems.push_back(id);
        for (int id : {IDC_SENDFILE, IDC_SENDSTRING, IDC_SENDBYTE, IDC_SETUP, IDC_OPENCOMM, IDC_SAVE, IDC_CLEAR,
                       IDC_SHOWHEX, IDC_CAPTURE, IDM_VIEW_SHOWTIME, IDM_VIEW_SHOWSENT})
            PostMessageA(n->dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        for (UINT id : {IDM_FILE_RECEIVE, IDM_FILE_SAVE, IDM_FILE_CAPTURE, IDM_EDIT_CLEAR, IDM_VIEW_HEX, IDM_VIEW_TIME, IDM_VIEW_SENT,
                        IDM_PORT_OPENCLOSE, IDM_PORT_SETTINGS})
            PostMessageA(n->frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PostMessageA(n->dialog, PWM_EDITENTER, IDC_DECFIELD, 0);
    }
};

} // namespace

TEST_F(FileSend, NothingThatWouldDisturbATransferRunsDuringIt)
{
    ASSERT_TRUE(receive("kept"));
    std::vector<unsigned char> data = pattern(6000);
    std::string path = makeFile("nested.bin", data);
    term.setText(IDC_SENDBOX, "INTERLOPER");
    term.setText(IDC_DECFIELD, "33");
    NestedTry nested;
    nested.dialog = term.dialog();
    nested.frame = term.frame->hwnd;
    spy.onProgressShown = &NestedTry::onShown;
    spy.onProgressArg = &nested;
    MessageBoxAnswerer answerer(IDOK, 3);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(driver.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "File Transfered");
    // A second file dialog would mean a nested transfer or a Save: none
    // must come, nor a box (the settings dialog, "Nothing to Save").
    FileDialogDriver second(nullptr, IDOK, 2000);
    term.settle(500);
    spy.onProgressShown = nullptr;
    EXPECT_FALSE(second.sawDialog());
    EXPECT_EQ(answerer.answeredCount(), 1);
    EXPECT_TRUE(nested.enabledButtons.empty()) << nested.enabledButtons.front();
    EXPECT_TRUE(nested.enabledItems.empty()) << nested.enabledItems.front();
    EXPECT_EQ(peer.received(), data);
    EXPECT_TRUE(term.client->isPortOpen());
    EXPECT_FALSE(term.client->showsHex());
    EXPECT_FALSE(term.client->showsTime());
    EXPECT_FALSE(term.client->showsSent());
    EXPECT_EQ(term.history(), bytesOf("kept"));
    for (int id : {IDC_SENDFILE, IDC_SENDSTRING, IDC_SENDBYTE, IDC_SETUP, IDC_OPENCOMM, IDC_SAVE, IDC_CAPTURE,
                   IDC_SHOWHEX, IDC_CLEAR})
        EXPECT_TRUE(IsWindowEnabled(term.item(id))) << id;
}

TEST_F(FileSend, ReceptionContinuesDuringATransfer)
{
    std::vector<unsigned char> data = pattern(20000);
    std::string path = makeFile("duplex.bin", data);
    struct Talk {
        SerialPeer *peer;
        int n = 0;
        static void onShown(HWND, void *arg)
        {
            Talk *t = static_cast<Talk *>(arg);
            if (t->n++ == 0)
                t->peer->send(std::string("back"));
        }
    } talk;
    talk.peer = &peer;
    spy.onProgressShown = &Talk::onShown;
    spy.onProgressArg = &talk;
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(path.c_str());
    term.command(IDC_SENDFILE);
    ASSERT_TRUE(answerer.waitAnswered(1));
    spy.onProgressShown = nullptr;
    ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= 4; }, 5000));
    EXPECT_EQ(term.history(), bytesOf("back"));
    ASSERT_TRUE(term.waitFor([&] { return peer.receivedCount() >= data.size(); }, 5000));
    EXPECT_EQ(peer.received(), data);
}

// A line that holds: the far end (COM9) stops reading, so once the
// pseudo-terminals and the cable between them are full (some 40 KB) every
// write pends, as flow control holds it on a real line.
namespace {

// COM2 at 115200 baud, 8N1, no handshake.
const DWORD heldLineSetup = 0x1u | (12u << 4) | (0u << 9) | (2u << 11) | (3u << 14);
const rig::Stored heldLine = {heldLineSetup, 0, true};

// Asks the terminal's window for a reply every 50 ms from a thread of its
// own, as the system does to tell a hung window: the longest wait for one.
class Prober : public DriverThread
{
public:
    explicit Prober(HWND window) : DriverThread(120000), window(window) { start(); }
    ~Prober() override { stop(); }
    DWORD longest() const
    {
        Hold h(*this);
        return worst;
    }
    int replies() const
    {
        Hold h(*this);
        return answered;
    }

private:
    void run() override
    {
        while (!stopped(50) && !expired()) {
            DWORD start = GetTickCount();
            DWORD_PTR result = 0;
            bool ok = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
            DWORD took = GetTickCount() - start;
            Hold h(*this);
            if (took > worst)
                worst = took;
            if (ok)
                ++answered;
        }
    }

    HWND window;
    DWORD worst = 0;
    int answered = 0;
};

class HeldLine : public rig::DataPathTest
{
public:
    HeldLine() : DataPathTest(heldLine, SerialPeer::pulling) {}
    // The clicker thread and the helpers below reach the terminal too.
    using DataPathTest::term;

    bool writeHeld() const
    {
        PCom *port = term.client->currentPort();
        return port && port->isWriting();
    }

    // The far end reads again: everything the line held, until it is quiet.
    std::vector<unsigned char> readAll()
    {
        std::vector<unsigned char> all;
        for (;;) {
            std::vector<unsigned char> part = peer.receive(1u << 16, 400);
            if (part.empty())
                return all;
            all.insert(all.end(), part.begin(), part.end());
        }
    }

    void expectSendingWorks()
    {
        term.setText(IDC_SENDBOX, "after");
        term.command(IDC_SENDSTRING);
        EXPECT_EQ(peer.receive(5, 3000), bytesOf("after"));
    }

    void abortHeldTransfer(DWORD heldForMs);

    rig::Spy spy;
};

std::string letters(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += char('a' + i % 26);
    return s;
}

} // namespace

TEST_F(HeldLine, AStringSendKeepsTheWindowAnsweringAndFailsOnceAtItsBound)
{
    const std::string text = letters(499);
    term.setText(IDC_SENDBOX, text);
    MessageBoxAnswerer answerer(IDOK, 2, 60000);
    std::unique_ptr<Prober> prober(new Prober(term.dialog()));
    DWORD heldMs = 0;
    int sends = 0;
    // A send the line takes returns at once; the first it holds fails.
    while (heldMs < 1000 && sends < 400) {
        DWORD start = GetTickCount();
        term.command(IDC_SENDSTRING);
        heldMs = GetTickCount() - start;
        ++sends;
    }
    DWORD longest = prober->longest();
    int replies = prober->replies();
    prober.reset();
    ASSERT_TRUE(answerer.waitAnswered(1)) << sends << " sends";
    EXPECT_EQ(answerer.text(0), "Unable to write to Comm");
    EXPECT_EQ(answerer.caption(0), "Error Comm");
    DWORD bound = term.client->currentPort()->writeBoundMs(DWORD(text.size()));
    std::printf("held line: %d sends went, the last held %lu ms (bound %lu ms); longest reply %lu ms, %d replies\n",
                sends - 1, (unsigned long)heldMs, (unsigned long)bound, (unsigned long)longest, replies);
    EXPECT_GE(heldMs + 50, bound);
    EXPECT_LT(heldMs, bound + PCom::writeSlackMs + 1500);
    EXPECT_LT(longest, 1000u);
    EXPECT_GE(replies, int(bound / 200));
    EXPECT_TRUE(term.client->isPortOpen());
    EXPECT_FALSE(term.client->isWaitingForPort());

    // What went out stays out, in order (the write that timed out may have
    // put out its first bytes); the line works again.
    std::vector<unsigned char> got = readAll();
    EXPECT_GE(got.size(), size_t(sends - 1) * text.size());
    EXPECT_LT(got.size(), size_t(sends) * text.size());
    for (size_t at = 0; at < got.size(); ++at)
        ASSERT_EQ(char(got[at]), text[at % text.size()]) << at;
    expectSendingWorks();
    term.settle(200);
    EXPECT_EQ(answerer.answeredCount(), 1);
}

namespace {

// The operator's side of a held transfer: once the write has been held for a
// while the peer says something (which must be shown meanwhile) and then
// "&Abort" is pressed.
class HeldTransferDriver : public DriverThread
{
public:
    HeldTransferDriver(const std::function<bool()> &held, const std::function<size_t()> &shown, SerialPeer &peer,
                       rig::Spy &spy, DWORD heldForMs)
        : DriverThread(60000), held(held), shown(shown), peer(peer), heldForMs(heldForMs)
    {
        spy.onProgressShown = &HeldTransferDriver::onShown;
        spy.onProgressArg = this;
        start();
    }
    ~HeldTransferDriver() override { stop(); }

    volatile HWND progress = nullptr;
    volatile DWORD abortedAt = 0;
    volatile DWORD releasedAt = 0;   // the held write was given up
    volatile bool shownWhileHeld = false;

private:
    static void onShown(HWND dialog, void *arg) { static_cast<HeldTransferDriver *>(arg)->progress = dialog; }

    void run() override
    {
        DWORD since = 0;
        while (!stopped(10)) {
            if (expired())
                return;
            if (!held()) {
                since = 0;
                continue;
            }
            if (since == 0)
                since = GetTickCount();
            if (GetTickCount() - since >= heldForMs)
                break;
        }
        peer.send(std::string("ping"));
        DWORD start = GetTickCount();
        while (shown() < 4 && GetTickCount() - start < 3000 && !stopped(10)) {
        }
        shownWhileHeld = shown() >= 4 && held();
        abortedAt = GetTickCount();
        HWND dialog = progress;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROG_ABORT, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDC_PROG_ABORT)));
        while (held() && !stopped(1)) {
        }
        releasedAt = GetTickCount();
    }

    std::function<bool()> held;
    std::function<size_t()> shown;
    SerialPeer &peer;
    DWORD heldForMs;
};

} // namespace

// "&Abort" on a held line gives the chunk's write up at once, long before
// the write's own bound, and the outcome box follows within half a second.
void HeldLine::abortHeldTransfer(DWORD heldForMs)
{
    std::vector<unsigned char> data = pattern(4 * 1024 * 1024);
    std::string path = rig::tempPath("held.bin");
    ASSERT_TRUE(rig::writeFile(path, data));
    MessageBoxAnswerer answerer(IDOK, 2, 60000);
    FileDialogDriver files(path.c_str());
    std::unique_ptr<Prober> prober(new Prober(term.dialog()));
    // The history's count (its bytes and a NUL) is all the driver reads.
    const PVect<unsigned char> &history = term.client->received();
    HeldTransferDriver driver([this] { return writeHeld(); },
                              [&history] { return history.count() > 0 ? size_t(history.count() - 1) : 0; }, peer, spy,
                              heldForMs);
    term.command(IDC_SENDFILE);
    DWORD endedAt = GetTickCount();
    spy.onProgressShown = nullptr;
    DWORD longest = prober->longest();
    prober.reset();
    ASSERT_TRUE(files.waitDone());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Transfer aborted\r\nFile may be corrupted!");
    ASSERT_NE(driver.abortedAt, 0u);
    DWORD boxAfter = answerer.boxes()[0].shownAt - driver.abortedAt;
    std::printf("held transfer (%lu ms): write given up %lu ms, box %lu ms and transfer ended %lu ms after Abort, "
                "longest reply %lu ms\n",
                (unsigned long)heldForMs, (unsigned long)(driver.releasedAt - driver.abortedAt),
                (unsigned long)boxAfter, (unsigned long)(endedAt - driver.abortedAt), (unsigned long)longest);
    EXPECT_LT(boxAfter, 500u);
    EXPECT_LT(driver.releasedAt - driver.abortedAt, 500u);
    EXPECT_LT(endedAt - driver.abortedAt, 1000u);
    EXPECT_LT(longest, 1000u);
    EXPECT_TRUE(driver.shownWhileHeld);
    EXPECT_EQ(term.history(), bytesOf("ping"));
    EXPECT_TRUE(term.client->isPortOpen());

    std::vector<unsigned char> got = readAll();
    EXPECT_GE(got.size(), 512u);
    EXPECT_LT(got.size(), data.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
    expectSendingWorks();
}

TEST_F(HeldLine, AFileTransferAbortsWithinASecondWhileReceptionGoesOn)
{
    abortHeldTransfer(500);
}

// Pressed late in a chunk's write, as the write's own bound nears.
TEST_F(HeldLine, AbortLateInAHeldWriteShowsTheBoxWithinHalfASecond)
{
    abortHeldTransfer(1700);
}

namespace {

// Clicks `id` on the terminal once a write has been held for a while.
class HeldWriteClicker : public DriverThread
{
public:
    HeldWriteClicker(HeldLine *test, int id) : DriverThread(30000), test(test), id(id) { start(); }
    ~HeldWriteClicker() override { stop(); }
    volatile DWORD clickedAt = 0;

private:
    void run() override
    {
        DWORD since = 0;
        while (!stopped(10) && !expired()) {
            if (!test->writeHeld()) {
                since = 0;
            } else if (since == 0) {
                since = GetTickCount();
            } else if (GetTickCount() - since > 300) {
                clickedAt = GetTickCount();
                PostMessageA(test->term.dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
                return;
            }
        }
    }

    HeldLine *test;
    int id;
};

// Sends the send box until a send is held and `id` has been clicked during
// it; how long that last send took.
DWORD sendUntilClicked(HeldLine &t, int id)
{
    t.term.setText(IDC_SENDBOX, letters(499));
    HeldWriteClicker clicker(&t, id);
    DWORD heldMs = 0;
    for (int sends = 0; clicker.clickedAt == 0 && sends < 400; ++sends) {
        DWORD start = GetTickCount();
        t.term.command(IDC_SENDSTRING);
        heldMs = GetTickCount() - start;
    }
    EXPECT_NE(clicker.clickedAt, 0u);
    return heldMs;
}

} // namespace

TEST_F(HeldLine, ClosingThePortWhileAWriteIsHeldEndsItAndTheLineOpensAgain)
{
    MessageBoxAnswerer answerer(IDOK, 1, 30000);
    EXPECT_LT(sendUntilClicked(*this, IDC_OPENCOMM), 1500u) << "the close ended the write";
    EXPECT_FALSE(term.client->isPortOpen());
    term.settle(300);
    // The operator closed the port: no write error on top.
    EXPECT_EQ(answerer.answeredCount(), 0);
    readAll();
    ASSERT_TRUE(term.openPort());
    expectSendingWorks();
}

TEST_F(HeldLine, DoneWhileAWriteIsHeldEndsTheProgramWithoutABox)
{
    MessageBoxAnswerer answerer(IDOK, 1, 30000);
    EXPECT_LT(sendUntilClicked(*this, IDCANCEL), 1500u) << "the end of the terminal ended the write";
    EXPECT_TRUE(term.waitFor([&] { return term.app.quitting != 0; }, 3000));
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 0);
    readAll();
}
