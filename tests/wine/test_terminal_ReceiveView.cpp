#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"
#include "win/PEdit.h"
#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"
#include "wine/helpers/PopupMenuDriver.h"

using rig::bytesOf;
using rig::hexDump;
using rig::printable;

using rig::linesOf;
using rig::timeOfLine;

namespace {

class ReceiveView : public rig::DataPathTest
{
protected:
    void SetUp() override
    {
        DataPathTest::SetUp();
        spy.view = term.view();
        spy.dialog = term.dialog();
    }

    rig::Spy spy;
};

} // namespace

TEST_F(ReceiveView, ABThenCInHexGiveOneLine)
{
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("AB"));
    ASSERT_TRUE(receive("C"));
    EXPECT_EQ(term.viewText(), "000000 414243" + std::string(11, ' ') + "ABC\r\n");
    EXPECT_EQ(term.client->hexLines(), 1u);
}

TEST_F(ReceiveView, EightThenThreeBytesGiveLabels000000And000008)
{
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("ABCDEFGH"));
    ASSERT_TRUE(receive("IJK"));
    std::string t = term.viewText();
    ASSERT_EQ(t.size(), 34u + 29u);
    EXPECT_EQ(t.substr(0, 7), "000000 ");
    EXPECT_EQ(t.substr(34, 7), "000008 ");
    EXPECT_EQ(term.client->hexLines(), 2u);
}

TEST_F(ReceiveView, TenBytesInHexGiveAFullLineAndATwoByteLine)
{
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("0123456789"));
    EXPECT_EQ(term.viewText(), hexDump(bytesOf("0123456789")));
    EXPECT_EQ(term.viewLength(), 34u + 28u);
}

TEST_F(ReceiveView, NulShowsAsDotInTextModeAlsoAsLastByte)
{
    ASSERT_TRUE(receive(std::string("A\0B\0", 4)));
    EXPECT_EQ(term.viewText(), "A.B.");
    EXPECT_EQ(term.history(), bytesOf(std::string("A\0B\0", 4)));
    EXPECT_EQ(term.historyCount(), 5u);
}

TEST_F(ReceiveView, HistoryKeepsEveryByteWithATerminatingNul)
{
    ASSERT_TRUE(receive("xyz"));
    const PVect<unsigned char> &b = term.client->received();
    ASSERT_EQ(b.count(), 4u);
    EXPECT_EQ(b.items()[3], 0);
}

TEST_F(ReceiveView, ShowHexWith2000BytesRendersInOneInsertion)
{
    std::vector<unsigned char> data;
    for (int i = 0; i < 200; ++i) {
        std::string l = "line " + std::to_string(100 + i) + "\r\n";  // ten bytes
        data.insert(data.end(), l.begin(), l.end());
    }
    ASSERT_EQ(data.size(), 2000u);
    ASSERT_TRUE(receive(data));

    spy.viewInserts = 0;
    term.check(IDC_SHOWHEX, true);
    EXPECT_EQ(spy.viewInserts, 1);
    EXPECT_EQ(term.viewText(), hexDump(data));
    EXPECT_EQ(term.client->hexLines(), 250u);

    spy.viewInserts = 0;
    term.check(IDC_SHOWHEX, false);
    EXPECT_EQ(spy.viewInserts, 1);
    std::string shown = term.viewText();
    ASSERT_EQ(shown.size(), 2000u);
    EXPECT_EQ(shown.find('\r'), std::string::npos);
    EXPECT_EQ(shown.substr(0, 10), "line 100..");
}

TEST_F(ReceiveView, ShowHexWithNothingReceivedOnlyEmptiesTheView)
{
    term.setText(IDC_VIEW, "left over");
    spy.progressDialogs = 0;
    term.check(IDC_SHOWHEX, true);
    EXPECT_EQ(term.viewText(), "");
    EXPECT_EQ(spy.progressDialogs, 0);
}

TEST_F(ReceiveView, ClearEmptiesViewAndHistoryAndRestartsLabels)
{
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("0123456789"));
    term.command(IDC_CLEAR);
    EXPECT_EQ(term.viewText(), "");
    EXPECT_EQ(term.historyCount(), 0u);
    ASSERT_TRUE(receive("Q"));
    EXPECT_EQ(term.viewText(), hexDump(bytesOf("Q")));
}

TEST_F(ReceiveView, AnySplitRendersLikeTheWholeSequenceInTheRealView)
{
    term.check(IDC_SHOWHEX, true);
    std::vector<unsigned char> all = printable(150, 7);
    std::mt19937 rng(99);
    size_t at = 0;
    while (at < all.size()) {
        size_t n = 1 + rng() % 13;
        if (n > all.size() - at)
            n = all.size() - at;
        ASSERT_TRUE(receive(std::vector<unsigned char>(all.begin() + long(at), all.begin() + long(at + n))));
        at += n;
    }
    EXPECT_EQ(term.history(), all);
    EXPECT_EQ(term.viewText(), hexDump(all));
}

TEST_F(ReceiveView, CaptureSendsBytesToTheFileNotTheViewAndShowsThemWhenEnded)
{
    std::string path = rig::tempPath("capture.bin");
    {
        FileDialogDriver driver(path.c_str(), IDYES);
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(term.isChecked(IDC_CAPTURE));
    ASSERT_TRUE(receive("hello"));
    EXPECT_EQ(term.viewText(), "");
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("hello"));

    term.check(IDC_CAPTURE, false);
    EXPECT_EQ(term.viewText(), "hello");
    ASSERT_TRUE(receive("!"));
    EXPECT_EQ(term.viewText(), "hello!");
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("hello"));
}

TEST_F(ReceiveView, CaptureStartClearsTheHistory)
{
    ASSERT_TRUE(receive("before"));
    std::string path = rig::tempPath("capture-clears.bin");
    FileDialogDriver driver(path.c_str(), IDYES);
    term.check(IDC_CAPTURE, true);
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(term.historyCount(), 0u);
    EXPECT_EQ(term.viewText(), "");
    term.check(IDC_CAPTURE, false);
}

TEST_F(ReceiveView, CancelledCaptureDialogUnchecksTheBox)
{
    FileDialogDriver driver(nullptr);
    term.check(IDC_CAPTURE, true);
    ASSERT_TRUE(driver.waitDone());
    EXPECT_FALSE(term.isChecked(IDC_CAPTURE));
    ASSERT_TRUE(receive("v"));
    EXPECT_EQ(term.viewText(), "v");
}

TEST_F(ReceiveView, UncreatableCaptureFileIsReportedAndReceptionStaysInTheView)
{
    // Another program holds the file open without sharing, so it can be
    // neither replaced nor emptied.
    std::string path = rig::tempPath("held.bin");
    ASSERT_TRUE(rig::writeFile(path, bytesOf("keep")));
    {
        rig::HeldFile holder(path);
        ASSERT_TRUE(holder.held());
        MessageBoxAnswerer answerer(IDOK, 3, 8000);
        FileDialogDriver driver(path.c_str(), IDYES);
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
        // The dialog's replace question may come first; the terminal's own
        // box must come exactly once.
        ASSERT_TRUE(term.waitFor([&] {
            for (const MessageBoxAnswerer::Box &b : answerer.boxes())
                if (b.text == "Unable to creat File")
                    return true;
            return false;
        }));
        term.settle(300);
        int reported = 0;
        for (const MessageBoxAnswerer::Box &b : answerer.boxes())
            if (b.text == "Unable to creat File" && b.caption == "Error on file")
                ++reported;
        EXPECT_EQ(reported, 1);
        EXPECT_FALSE(term.isChecked(IDC_CAPTURE));
    }
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("keep"));
    ASSERT_TRUE(receive("seen"));
    EXPECT_EQ(term.viewText(), "seen");
}

TEST_F(ReceiveView, FailingCaptureWriteIsReportedOnceAndEndsTheCaptureKeepingTheBytes)
{
    std::string full = rig::fullDevice();
    ASSERT_FALSE(full.empty()) << "Z:\\dev\\full cannot be opened";
    {
        // Opening must succeed without a box; one that comes anyway is
        // answered so the test ends.
        MessageBoxAnswerer unexpected(IDOK, 3, 8000);
        FileDialogDriver driver(full.c_str(), IDYES);
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
        term.settle(200);
        EXPECT_EQ(unexpected.answeredCount(), 0);
    }
    ASSERT_TRUE(term.isChecked(IDC_CAPTURE)) << "the full device did not open as a capture file";
    MessageBoxAnswerer answerer(IDOK, 3);
    ASSERT_TRUE(receive("abc"));
    ASSERT_TRUE(answerer.waitAnswered(1));
    ASSERT_TRUE(receive("def"));
    term.settle(300);
    EXPECT_EQ(answerer.answeredCount(), 1);
    EXPECT_EQ(answerer.text(0), "Unable to write to File");
    EXPECT_EQ(answerer.caption(0), "Error on file");
    EXPECT_FALSE(term.isChecked(IDC_CAPTURE));
    EXPECT_EQ(term.history(), bytesOf("abcdef"));
    EXPECT_EQ(term.viewText(), "abcdef");
}

namespace {

// Presses things in the middle of drains: every insertion into the view gets
// another PWM_COMMDATA posted, and a chosen one a click on Show Hex. They are
// dispatched by the pumping of the next chunk's render.
struct Meddler {
    HWND dialog;
    HWND showHex;
    int seen = 0;
    int toggleAt = 0;
    static void onShown(void *arg)
    {
        Meddler *m = static_cast<Meddler *>(arg);
        ++m->seen;
        PostMessageA(m->dialog, PWM_COMMDATA, 1, 0);
        if (m->seen == m->toggleAt)
            PostMessageA(m->showHex, BM_CLICK, 0, 0);
    }
};

} // namespace

TEST_F(ReceiveView, NotificationsAndClicksDuringARenderKeepArrivalOrder)
{
    term.check(IDC_SHOWHEX, true);
    Meddler m;
    m.dialog = term.dialog();
    m.showHex = term.item(IDC_SHOWHEX);
    m.toggleAt = 5;
    spy.onViewInsert = &Meddler::onShown;
    spy.onViewInsertArg = &m;
    std::vector<unsigned char> data = printable(6000, 3);
    ASSERT_TRUE(peer.send(data));
    ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= data.size(); }, 30000));
    term.settle(200);
    spy.onViewInsert = nullptr;
    EXPECT_EQ(term.history(), data);
    ASSERT_GE(m.seen, m.toggleAt);
    // The click switched to text; the history was re-rendered once and
    // followed by exactly the bytes that came later.
    EXPECT_FALSE(term.isChecked(IDC_SHOWHEX));
    term.check(IDC_SHOWHEX, true);
    EXPECT_EQ(term.viewText(), hexDump(data));
}

namespace {

// Sends a block from a thread of its own, in pieces so others can see how far
// it is: more than the cable holds would block the test's thread, which is
// also the terminal's.
struct SendingThread {
    SerialPeer *peer;
    const std::vector<unsigned char> *bytes;
    volatile LONG sent = 0;
    HANDLE thread = nullptr;
    SendingThread(SerialPeer &p, const std::vector<unsigned char> &b) : peer(&p), bytes(&b)
    {
        thread = CreateThread(nullptr, 0, &SendingThread::run, this, 0, nullptr);
    }
    ~SendingThread()
    {
        if (thread) {
            WaitForSingleObject(thread, 120000);
            CloseHandle(thread);
        }
    }
    static DWORD WINAPI run(LPVOID arg)
    {
        SendingThread *self = static_cast<SendingThread *>(arg);
        const size_t piece = 4096;
        for (size_t at = 0; at < self->bytes->size(); at += piece) {
            size_t n = std::min(piece, self->bytes->size() - at);
            if (!self->peer->send(self->bytes->data() + at, DWORD(n)))
                break;
            InterlockedExchange(&self->sent, LONG(at + n));
        }
        return 0;
    }
};

// Floods the terminal from the far end until its history holds `expected`
// bytes; then lets the last paint through.
bool floodUntil(rig::Terminal &term, SerialPeer &peer, const std::vector<unsigned char> &data, size_t expected,
                DWORD timeoutMs = 60000)
{
    bool arrived;
    {
        SendingThread flood(peer, data);
        arrived = term.waitFor([&] { return term.history().size() >= expected; }, timeoutMs);
    }
    term.settle(200);
    return arrived;
}

// Types keys as an operator would while the sender is under way: from a
// thread of its own, because the terminal's thread is busy draining.
struct TypingThread {
    const SendingThread *sender;
    const char *keys;
    volatile LONG typedDuringFlood = 0;
    HANDLE thread = nullptr;
    TypingThread(const SendingThread &s, const char *k) : sender(&s), keys(k)
    {
        thread = CreateThread(nullptr, 0, &TypingThread::run, this, 0, nullptr);
    }
    ~TypingThread()
    {
        if (thread) {
            WaitForSingleObject(thread, 60000);
            CloseHandle(thread);
        }
    }
    bool finished() const { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }
    static DWORD WINAPI run(LPVOID arg)
    {
        TypingThread *self = static_cast<TypingThread *>(arg);
        DWORD start = GetTickCount();
        while (self->sender->sent < 16384 && GetTickCount() - start < 30000)
            Sleep(5);
        for (const char *k = self->keys; *k; ++k) {
            pressKey(BYTE(*k));
            if (size_t(self->sender->sent) < self->sender->bytes->size())
                InterlockedIncrement(&self->typedDuringFlood);
            Sleep(15);  // the pace of a fast typist
        }
        return 0;
    }
};

} // namespace

TEST_F(ReceiveView, ClearClickedDuringARenderTakesEffectBetweenChunks)
{
    Meddler m;
    m.dialog = term.dialog();
    m.showHex = nullptr;
    spy.onViewInsert = [](void *arg) {
        Meddler *self = static_cast<Meddler *>(arg);
        if (++self->seen == 3)
            PostMessageA(self->dialog, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED), 0);
    };
    spy.onViewInsertArg = &m;
    term.check(IDC_SHOWHEX, true);
    // A flood long enough to outlast the drain's pauses for the queue (a
    // chunk renders in microseconds, the queue is let through every few
    // milliseconds).
    std::vector<unsigned char> data = printable(400000, 5);
    {
        SendingThread flood(peer, data);
        // Whatever the clear kept is a tail of the data, and the view shows
        // that tail exactly.
        ASSERT_TRUE(term.waitFor([&] {
            std::vector<unsigned char> h = term.history();
            return h.size() > 0 && h.back() == data.back() && std::equal(h.begin(), h.end(), data.end() - long(h.size()));
        }, 60000));
    }
    term.settle(200);
    spy.onViewInsert = nullptr;
    std::vector<unsigned char> kept = term.history();
    ASSERT_LT(kept.size(), data.size());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), data.end() - long(kept.size())));
    EXPECT_EQ(term.viewText(), hexDump(kept));
}

TEST_F(ReceiveView, ReceivedChunksShowNoProgressDialogButAReRenderDoes)
{
    spy.progressDialogs = 0;
    ASSERT_TRUE(receive(printable(3000, 4)));
    EXPECT_EQ(spy.progressDialogs, 0);
    term.check(IDC_SHOWHEX, true);
    EXPECT_EQ(spy.progressDialogs, 1);
    ASSERT_TRUE(receive("more"));
    EXPECT_EQ(spy.progressDialogs, 1);
}

TEST_F(ReceiveView, AChunkOfNulsGoesIntoTheViewWithOneInsertion)
{
    std::vector<unsigned char> zeros(400, 0);
    spy.viewInserts = 0;
    ASSERT_TRUE(receive(zeros));
    EXPECT_EQ(term.viewText(), std::string(400, '.'));
    // However the cable split the block: one insertion a chunk, not one a NUL.
    EXPECT_LE(spy.viewInserts, 4);
}

TEST_F(ReceiveView, TypingIntoTheSendBoxDuringAFloodLosesNoKeystroke)
{
    HWND box = term.item(IDC_SENDBOX);
    SetForegroundWindow(term.dialog());
    SetFocus(box);
    ASSERT_TRUE(term.waitFor([&] { return GetFocus() == box; }));
    // In lines, as a device prints them.
    std::vector<unsigned char> data = printable(400000, 9);
    for (size_t i = 62; i + 1 < data.size(); i += 64)
        data[i] = '\r', data[i + 1] = '\n';
    const char keys[] = "HELLOWORLD";
    LONG typedDuringFlood;
    {
        SendingThread flood(peer, data);
        TypingThread typist(flood, keys);
        ASSERT_TRUE(term.waitFor([&] { return typist.finished() && term.history().size() >= data.size(); }, 120000));
        typedDuringFlood = typist.typedDuringFlood;
    }
    term.settle(300);
    ASSERT_GE(typedDuringFlood, 5) << "the flood ended before the typing";
    EXPECT_EQ(term.history(), data);
    char typed[64] = {0};
    GetWindowTextA(box, typed, sizeof typed);
    EXPECT_STREQ(typed, "helloworld");
    EXPECT_EQ(GetFocus(), box);
}

TEST_F(ReceiveView, AHexFloodRendersLikeOneDumpOfTheWhole)
{
    // Starts on an odd offset so the flood's chunks must realign.
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("odd"));
    std::vector<unsigned char> data = printable(100000, 12);
    ASSERT_TRUE(floodUntil(term, peer, data, data.size() + 3, 120000));
    std::vector<unsigned char> all = bytesOf("odd");
    all.insert(all.end(), data.begin(), data.end());
    EXPECT_EQ(term.history(), all);
    EXPECT_EQ(term.viewText(), hexDump(all));
}

namespace {

bool endsWith(const std::string &whole, const std::string &tail)
{
    return tail.size() <= whole.size() && whole.compare(whole.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST_F(ReceiveView, AHexFloodPastTheScrollbackKeepsWholeLinesOfTheDumpAndItsContinuation)
{
    term.client->setViewLimit(20000);
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("odd"));
    std::vector<unsigned char> data = printable(60000, 3);
    ASSERT_TRUE(floodUntil(term, peer, data, data.size() + 3));
    std::vector<unsigned char> all = bytesOf("odd");
    all.insert(all.end(), data.begin(), data.end());
    EXPECT_EQ(term.history(), all) << "the history keeps everything";

    // 60003 bytes end in a three-byte line; five more complete it.
    ASSERT_TRUE(receive("12345"));
    all.insert(all.end(), {'1', '2', '3', '4', '5'});
    std::string whole = hexDump(all);
    std::string shown = term.viewText();
    EXPECT_LE(shown.size(), 20000u);
    EXPECT_GE(shown.size(), 10000u - 34u);
    EXPECT_EQ((whole.size() - shown.size()) % 34, 0u) << "the view starts on a line";
    EXPECT_TRUE(endsWith(whole, shown));
    EXPECT_EQ(shown.substr(shown.size() - 34), whole.substr(whole.size() - 34));
    EXPECT_EQ(term.client->hexLines(), uint32_t((all.size() + 7) / 8));
}

TEST_F(ReceiveView, ATextFloodPastTheScrollbackIsCutAtALineStart)
{
    term.client->setViewLimit(20000);
    std::string sent;
    for (int i = 0; sent.size() < 50000; ++i)
        sent += "line " + std::to_string(100000 + i) + " of the flood\r\n";
    std::vector<unsigned char> data = bytesOf(sent);
    ASSERT_TRUE(floodUntil(term, peer, data, data.size()));
    EXPECT_EQ(term.history(), data);
    std::string shown = term.viewText();
    EXPECT_LE(shown.size(), 20000u);
    EXPECT_GE(shown.size(), 9000u);
    ASSERT_TRUE(endsWith(sent, shown));
    EXPECT_EQ(shown.compare(0, 5, "line "), 0) << shown.substr(0, 40);
}

TEST_F(ReceiveView, ATextFloodOfLinesWiderThanTheViewIsCutAtALineStartNotARowStart)
{
    // Each line wraps over several rows of the view: the cut must still
    // fall where a line begins.
    term.client->setViewLimit(20000);
    std::string sent;
    for (int i = 0; sent.size() < 50000; ++i)
        sent += "line " + std::to_string(100000 + i) + std::string(150, '=') + "end\r\n";
    std::vector<unsigned char> data = bytesOf(sent);
    ASSERT_TRUE(floodUntil(term, peer, data, data.size()));
    std::string shown = term.viewText();
    EXPECT_LE(shown.size(), 20000u);
    EXPECT_GE(shown.size(), 9000u);
    ASSERT_TRUE(endsWith(sent, shown));
    EXPECT_EQ(shown.compare(0, 5, "line "), 0) << shown.substr(0, 40);
}

TEST_F(ReceiveView, ShowHexOfAHistoryPastTheScrollbackRendersItsEndWithTheRightLabels)
{
    term.client->setViewLimit(20000);
    std::vector<unsigned char> data = printable(40003, 5);
    ASSERT_TRUE(floodUntil(term, peer, data, data.size()));

    spy.viewInserts = 0;
    term.check(IDC_SHOWHEX, true);
    EXPECT_EQ(spy.viewInserts, 1) << "one insertion, nothing cut again";
    // As many whole lines of the end as the scrollback holds.
    std::string whole = hexDump(data);
    std::string shown = term.viewText();
    EXPECT_LE(shown.size(), 20000u);
    EXPECT_GT(shown.size(), 20000u - 34u);
    EXPECT_TRUE(endsWith(whole, shown));
    EXPECT_EQ((whole.size() - shown.size()) % 34, 0u);
    EXPECT_EQ(term.client->hexLines(), 5001u);

    // The short last line still continues.
    ASSERT_TRUE(receive("XYZ"));
    data.insert(data.end(), {'X', 'Y', 'Z'});
    EXPECT_TRUE(endsWith(hexDump(data), term.viewText()));
    EXPECT_EQ(term.client->hexLines(), 5001u);

    // Back to text: the last bytes the scrollback holds, one character each,
    // with no line end put in (the bytes hold none).
    term.check(IDC_SHOWHEX, false);
    EXPECT_EQ(term.viewText(), std::string(data.end() - 20000, data.end()));
}

TEST_F(ReceiveView, ShowHexOfAHistoryThatFitsTheScrollbackShowsItWhole)
{
    term.client->setViewLimit(40000);
    std::vector<unsigned char> data = printable(9000, 8);
    ASSERT_TRUE(floodUntil(term, peer, data, data.size()));
    term.check(IDC_SHOWHEX, true);
    EXPECT_EQ(term.viewText(), hexDump(data));
    EXPECT_EQ(term.viewText().substr(0, 7), "000000 ");
}

TEST_F(ReceiveView, TextWithoutLineEndsShowsAsItCame)
{
    // A device that never ends a line: the view wraps it at its width, the
    // text keeps no line end that the device did not send.
    std::vector<unsigned char> data = printable(5000, 9);
    ASSERT_TRUE(floodUntil(term, peer, data, data.size()));
    EXPECT_EQ(term.history(), data);
    std::string sent(data.begin(), data.end());
    EXPECT_EQ(term.viewText(), sent);
    ASSERT_TRUE(receive("\r\nshort"));
    EXPECT_EQ(term.viewText(), sent + "\r\nshort");
}

TEST_F(ReceiveView, AnEmptiedViewKeepsItsPlaceLookAndFocus)
{
    HWND before = term.view();
    RECT r0;
    GetWindowRect(before, &r0);
    LONG style0 = GetWindowLongA(before, GWL_STYLE);
    HFONT font0 = HFONT(SendMessageA(before, WM_GETFONT, 0, 0));
    HWND next0 = GetNextDlgTabItem(term.dialog(), before, FALSE);
    ASSERT_TRUE(receive("some text"));
    SetFocus(before);

    term.command(IDC_CLEAR);
    HWND after = term.view();
    ASSERT_TRUE(after != nullptr);
    RECT r1;
    GetWindowRect(after, &r1);
    EXPECT_TRUE(EqualRect(&r0, &r1));
    EXPECT_EQ(GetWindowLongA(after, GWL_STYLE), style0);
    EXPECT_EQ(HFONT(SendMessageA(after, WM_GETFONT, 0, 0)), font0);
    EXPECT_EQ(GetNextDlgTabItem(term.dialog(), after, FALSE), next0) << "same place in the tab order";
    EXPECT_EQ(GetFocus(), after);
    EXPECT_EQ(term.viewText(), "");
    // Exactly one receive view in the dialog, and it takes what comes next.
    int views = 0;
    for (HWND c = GetWindow(term.dialog(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        views += GetDlgCtrlID(c) == IDC_VIEW;
    EXPECT_EQ(views, 1);
    ASSERT_TRUE(receive("more"));
    EXPECT_EQ(term.viewText(), "more");
}

namespace {

const int msPerDay = 86400000;

// The local time of day now, in milliseconds.
int localMsOfDay()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
}

// a - b on the clock face, in -12 h .. +12 h: right across midnight.
int clockDiff(int a, int b)
{
    int d = ((a - b) % msPerDay + msPerDay) % msPerDay;
    return d > msPerDay / 2 ? d - msPerDay : d;
}

// The times shown before lines: the choice is kept in the registry, so each
// test starts and ends without it.
struct NoStoredTime
{
    NoStoredTime() { rig::removeValue("ShowTime"); }
    ~NoStoredTime() { rig::removeValue("ShowTime"); }
};

class TimesShown : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(term->ready());
        ASSERT_TRUE(peer.isOpen());
        ASSERT_TRUE(term->openPort());
    }

    bool receive(const std::string &s) { return term->receiveFrom(peer, s); }
    // Lets `ms` pass on the clock, handling messages meanwhile.
    void letPass(double ms)
    {
        double until = rig::nowMs() + ms;
        term->waitFor([&] { return rig::nowMs() >= until; }, DWORD(ms) + 5000);
    }

    // The items of the view's context menu, the menu closed with Esc.
    std::vector<PopupMenuDriver::Item> menuItems(int presses = 0)
    {
        RECT r;
        GetWindowRect(term->view(), &r);
        PopupMenuDriver driver(presses);
        PostMessageA(term->view(), WM_CONTEXTMENU, WPARAM(term->view()), MAKELPARAM(r.left + 30, r.top + 30));
        if (!term->waitFor([&] { return driver.done() && !PopupMenuDriver::findMenu(); }, 10000))
            return std::vector<PopupMenuDriver::Item>();
        return driver.items();
    }

    // Picks "Show Time" on the view's context menu with the keys an
    // operator would press (Down passes over separators); returns the item
    // as the menu showed it.
    PopupMenuDriver::Item chooseShowTime()
    {
        bool wasOn = term->client->showsTime();
        int presses = 0;
        for (const PopupMenuDriver::Item &item : menuItems()) {
            if (item.text.empty())
                continue;
            ++presses;
            if (item.text == "Show &Time") {
                menuItems(presses);
                term->waitFor([&] { return term->client->showsTime() != wasOn; }, 5000);
                return item;
            }
        }
        return PopupMenuDriver::Item{"", true, false};
    }

    NoStoredTime clean;
    std::unique_ptr<rig::Terminal> term{new rig::Terminal(rig::dataPath)};
    SerialPeer peer{"COM9", SerialPeer::listening};
};

} // namespace

TEST_F(TimesShown, LinesShowWhenTheyCameAndOffAgainTheViewIsAsWithout)
{
    PopupMenuDriver::Item item = chooseShowTime();
    EXPECT_EQ(item.text, "Show &Time");
    EXPECT_FALSE(item.checked);
    ASSERT_TRUE(term->client->showsTime());
    DWORD stored = 0;
    EXPECT_TRUE(rig::readDword("ShowTime", stored) && stored == 1);

    int sentAt = localMsOfDay();
    ASSERT_TRUE(receive("one\r\npar"));
    letPass(1200);
    // The rest of a line keeps the time of its start.
    ASSERT_TRUE(receive("tial\r\nthree\r\n"));
    std::vector<std::string> lines = linesOf(term->viewText());
    ASSERT_EQ(lines.size(), 3u) << term->viewText();
    EXPECT_EQ(lines[0].substr(13), "one");
    EXPECT_EQ(lines[1].substr(13), "partial");
    EXPECT_EQ(lines[2].substr(13), "three");
    int t0 = timeOfLine(lines[0]), t1 = timeOfLine(lines[1]), t2 = timeOfLine(lines[2]);
    ASSERT_GE(t0, 0);
    EXPECT_LT(std::abs(clockDiff(t0, sentAt)), 1000);
    EXPECT_LT(std::abs(clockDiff(t1, t0)), 100);
    EXPECT_NEAR(clockDiff(t2, t0), 1200, 300);

    // The history re-rendered with times shows the same.
    std::string timed = term->viewText();
    term->check(IDC_SHOWHEX, true);
    term->check(IDC_SHOWHEX, false);
    EXPECT_EQ(term->viewText(), timed);

    // Copy takes what the view shows; Save and the capture the bytes alone.
    SendMessageA(term->view(), EM_SETSEL, 0, -1);
    SendMessageA(term->view(), WM_COPY, 0, 0);
    EXPECT_TRUE(term->waitFor([&] { return rig::clipboardText() == timed; }, 5000)) << rig::clipboardText();
    std::string path = rig::tempPath("timed-save.bin");
    DeleteFileA(path.c_str());
    {
        MessageBoxAnswerer answerer(IDYES, 1);
        FileDialogDriver driver(path.c_str(), IDYES);
        term->command(IDC_SAVE);
        ASSERT_TRUE(driver.waitDone());
        ASSERT_TRUE(answerer.waitAnswered(1));
    }
    std::vector<unsigned char> saved;
    ASSERT_TRUE(rig::readFile(path, saved));
    EXPECT_EQ(saved, bytesOf("one\r\npartial\r\nthree\r\n"));

    EXPECT_TRUE(chooseShowTime().checked);
    ASSERT_FALSE(term->client->showsTime());
    EXPECT_TRUE(rig::readDword("ShowTime", stored) && stored == 0);
    EXPECT_EQ(term->viewText(), "one\r\npartial\r\nthree\r\n");
}

TEST_F(TimesShown, HexLinesShowTheirFirstBytesTimeAndTheChoiceOutlivesARestart)
{
    chooseShowTime();
    term->check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("ABCDEFGH"));
    letPass(600);
    ASSERT_TRUE(receive("IJ"));
    letPass(600);
    // Completes the short line, which keeps the time of its first byte.
    ASSERT_TRUE(receive("K"));
    std::vector<std::string> lines = linesOf(term->viewText());
    ASSERT_EQ(lines.size(), 2u) << term->viewText();
    EXPECT_EQ(lines[0].substr(13), "000000 4142434445464748 ABCDEFGH");
    EXPECT_EQ(lines[1].substr(13), "000008 494A4B" + std::string(10, ' ') + " IJK");
    int t0 = timeOfLine(lines[0]), t1 = timeOfLine(lines[1]);
    EXPECT_NEAR(clockDiff(t1, t0), 600, 300);
    std::string shown = term->viewText();

    // The capture file holds the bytes alone.
    std::string path = rig::tempPath("timed-capture.bin");
    {
        FileDialogDriver driver(path.c_str(), IDYES);
        term->check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(receive("cap\r\n"));
    term->check(IDC_CAPTURE, false);
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("cap\r\n"));

    // A new start shows the times again, for what arrives from then on.
    term.reset();
    term.reset(new rig::Terminal(rig::dataPath));
    ASSERT_TRUE(term->ready());
    EXPECT_TRUE(term->client->showsTime());
    ASSERT_TRUE(term->openPort());
    ASSERT_TRUE(receive("again\n"));
    EXPECT_GE(timeOfLine(term->viewText()), 0) << term->viewText();
    EXPECT_EQ(term->viewText().substr(13), "again\n");
}

// What a flood shows as it comes is what a render of the history shows
// after it: each line (text) or dump line (hex) with the arrival of its first
// byte, however the reads and the drain cut the stream; a CR LF split
// between two chunks stays one line end.
TEST_F(TimesShown, AFloodShowsTheTimesThatARenderOfItsHistoryShows)
{
    std::mt19937 rng(22);
    std::vector<unsigned char> data;
    const char *ends[] = {"\n", "\r\n", "\r"};
    while (data.size() < 60000) {
        size_t n = rng() % 90;
        for (size_t i = 0; i < n; ++i)
            data.push_back(static_cast<unsigned char>(i % 31 == 30 ? 0 : 0x20 + rng() % 0x5F));
        const char *e = ends[rng() % 3];
        data.insert(data.end(), e, e + strlen(e));
    }
    chooseShowTime();
    ASSERT_TRUE(term->client->showsTime());
    term->check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive("odd"));
    ASSERT_TRUE(floodUntil(*term, peer, data, data.size() + 3));
    std::string live = term->viewText();
    term->check(IDC_SHOWHEX, false);
    term->check(IDC_SHOWHEX, true);
    EXPECT_EQ(term->viewText(), live);

    term->command(IDC_CLEAR);
    term->check(IDC_SHOWHEX, false);
    ASSERT_TRUE(floodUntil(*term, peer, data, data.size()));
    live = term->viewText();
    ASSERT_GT(live.size(), data.size());
    term->check(IDC_SHOWHEX, true);
    term->check(IDC_SHOWHEX, false);
    EXPECT_EQ(term->viewText(), live);
}
