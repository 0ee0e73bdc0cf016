#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>
#include <richedit.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/helpers/MessageBoxAnswerer.h"
#include "tests/wine/helpers/PopupMenuDriver.h"
#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/TerminalRig.h"

// Finding what was received: the system's Find dialog over the receive view,
// in text and in hex, F3 and Shift+F3, data arriving while it is open, and
// the terminal closing with it open. Through the real dialog, the real view
// and bytes received over the null-modem.

using rig::bytesOf;

namespace {

BOOL CALLBACK findFindDialog(HWND w, LPARAM p)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[16] = "";
    if (pid == GetCurrentProcessId() && IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) &&
        lstrcmpA(cls, "#32770") == 0 && GetDlgItem(w, edt1) && GetDlgItem(w, rad1) && GetDlgItem(w, chx2)) {
        *reinterpret_cast<HWND *>(p) = w;
        return FALSE;
    }
    return TRUE;
}

// The Find dialog on screen, null when there is none.
HWND findDialog()
{
    HWND found = nullptr;
    EnumWindows(findFindDialog, LPARAM(&found));
    return found;
}

struct Range {
    LONG from;
    LONG to;
    bool operator==(const Range &o) const { return from == o.from && to == o.to; }
};

std::ostream &operator<<(std::ostream &os, const Range &r)
{
    return os << "[" << r.from << ", " << r.to << ")";
}

Range selectionOf(HWND view)
{
    CHARRANGE r = {0, 0};
    SendMessageA(view, EM_EXGETSEL, 0, LPARAM(&r));
    return Range{r.cpMin, r.cpMax};
}

int rowOf(HWND view, LONG offset) { return int(SendMessageA(view, EM_EXLINEFROMCHAR, 0, LPARAM(offset))); }

// The rows the view shows whole.
int visibleRows(HWND view)
{
    TEXTMETRICA tm = rig::fontMetricsOf(view);
    RECT r;
    GetClientRect(view, &r);
    return tm.tmHeight > 0 ? int(r.bottom / tm.tmHeight) : 0;
}

bool rowInView(HWND view, LONG offset)
{
    int row = rowOf(view, offset);
    int top = int(SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0));
    return row >= top && row < top + visibleRows(view);
}

// Chooses "&Find..." on the next context menu by its mnemonic, as an
// operator would; records whether the item was there.
struct MenuPick {
    volatile LONG found = 0;
    static DWORD WINAPI run(LPVOID arg)
    {
        MenuPick *pick = static_cast<MenuPick *>(arg);
        HWND popup = nullptr;
        for (DWORD start = GetTickCount(); !popup && GetTickCount() - start < 5000; Sleep(10))
            popup = PopupMenuDriver::findMenu();
        if (!popup)
            return 0;
        HMENU menu = HMENU(SendMessageA(popup, MN_GETHMENU, 0, 0));
        for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
            char text[64] = "";
            GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
            if (std::strcmp(text, "&Find...") == 0)
                InterlockedExchange(&pick->found, 1);
        }
        // The menu's own loop reads the keys of its thread.
        if (pick->found)
            PostMessageA(popup, WM_CHAR, 'f', 1);
        else
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 1);
        return 0;
    }
};

// The peer only sends: it reads nothing back.
class Find : public rig::DataPathTest
{
protected:
    Find() : DataPathTest(rig::dataPath, SerialPeer::pulling) {}

    void SetUp() override
    {
        DataPathTest::SetUp();
        SetForegroundWindow(term.frame->hwnd);
    }
    void TearDown() override
    {
        if (HWND d = findDialog())
            SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
    }

    // A few bytes straight away; more from a thread of its own (more than
    // the cable holds would block this thread, which is also the
    // terminal's; a peer floods once). Waits until the history holds them.
    bool receive(const std::vector<unsigned char> &bytes, DWORD timeoutMs = 60000)
    {
        size_t expected = term.history().size() + bytes.size();
        if (bytes.size() <= 1024 ? !peer.send(bytes) : !peer.startFlood(bytes))
            return false;
        bool arrived = term.waitFor([&] { return term.history().size() >= expected; }, timeoutMs);
        peer.waitFlood(5000);
        term.settle(50);
        return arrived;
    }
    bool receive(const std::string &s) { return receive(bytesOf(s)); }

    // Ctrl+F in the receive view.
    HWND openWithCtrlF()
    {
        HWND view = term.view();
        SetFocus(view);
        term.waitFor([&] { return GetFocus() == view; }, 5000);
        pressKeyWithModifier('F', VK_CONTROL, 0);
        HWND d = nullptr;
        term.waitFor([&] { return (d = findDialog()) != nullptr; }, 5000);
        return d;
    }

    // Sets what the dialog looks for and how, then presses "Find Next".
    void findNext(HWND d, const char *text, bool down = true, bool matchCase = false)
    {
        SetDlgItemTextA(d, edt1, text);
        CheckRadioButton(d, rad1, rad2, down ? rad2 : rad1);
        CheckDlgButton(d, chx2, matchCase ? BST_CHECKED : BST_UNCHECKED);
        // The click reaches the terminal, and the search runs, before this returns.
        SendMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
    }

    // Presses a key (with Shift when asked) with the focus in the view;
    // waits for the selection to move.
    void keyInView(BYTE vk, bool shift)
    {
        HWND view = term.view();
        SetFocus(view);
        term.waitFor([&] { return GetFocus() == view; }, 5000);
        Range before = selectionOf(view);
        if (shift)
            pressKeyWithModifier(vk, VK_SHIFT, 0);
        else
            pressKey(vk);
        term.waitFor([&] { return !(selectionOf(view) == before); }, 5000);
    }

    std::string selectedText()
    {
        Range r = selectionOf(term.view());
        return term.viewText().substr(size_t(r.from), size_t(r.to - r.from));
    }
};

// About 1 MiB of numbered lines with a few errors in it.
std::string logWithErrors(size_t *first, size_t *middle, size_t *last)
{
    std::string s;
    char line[64];
    for (int i = 0; s.size() < (1u << 20); ++i) {
        if (i == 40) {
            *first = s.size();
            s += "Error 1 at the start\r\n";
        } else if (i == 25000) {
            *middle = s.size();
            s += "ERROR 2 in the middle\r\n";
        }
        std::snprintf(line, sizeof line, "line %06d all fine\r\n", i);
        s += line;
    }
    *last = s.size();
    s += "ERROR 3 at the end";
    return s;
}

} // namespace

TEST_F(Find, TheFindDialogFindsInAMiBOfTextDownUpWithCaseAndSaysSoOnAMiss)
{
    size_t e1 = 0, e2 = 0, e3 = 0;
    std::string log = logWithErrors(&e1, &e2, &e3);
    ASSERT_TRUE(receive(log));
    ASSERT_EQ(term.viewText(), log);
    HWND view = term.view();
    // A word of one line selected is what the dialog comes up with.
    SendMessageA(view, EM_SETSEL, 0, 4);

    HWND d = openWithCtrlF();
    ASSERT_NE(d, nullptr) << "Ctrl+F opened no Find dialog";
    char offered[32] = "";
    GetDlgItemTextA(d, edt1, offered, sizeof offered);
    EXPECT_STREQ(offered, "line");
    SendMessageA(view, EM_SETSEL, 0, 0);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, chx1))) << "whole words are not offered";
    RECT viewRect, dialogRect, both;
    GetWindowRect(view, &viewRect);
    GetWindowRect(d, &dialogRect);
    EXPECT_FALSE(IntersectRect(&both, &viewRect, &dialogRect)) << "the dialog covers the matches it finds";

    findNext(d, "error");
    EXPECT_EQ(selectionOf(view), (Range{LONG(e1), LONG(e1 + 5)}));
    EXPECT_EQ(selectedText(), "Error");
    findNext(d, "error");
    EXPECT_EQ(selectionOf(view), (Range{LONG(e2), LONG(e2 + 5)}));
    EXPECT_TRUE(rowInView(view, LONG(e2))) << "the match is scrolled into view";
    EXPECT_FALSE(SendMessageA(view, PTVM_ISFOLLOWING, 0, 0)) << "a match holds the view";
    findNext(d, "error");
    EXPECT_EQ(selectionOf(view), (Range{LONG(e3), LONG(e3 + 5)}));
    EXPECT_TRUE(rowInView(view, LONG(e3)));

    {
        MessageBoxAnswerer answerer(IDOK);
        findNext(d, "error");
        ASSERT_TRUE(answerer.waitAnswered(1));
        EXPECT_EQ(answerer.text(), "Cannot find \"error\"");
        EXPECT_EQ(answerer.boxes()[0].owner, d) << "the answer comes over the Find dialog";
    }
    EXPECT_EQ(selectionOf(view), (Range{LONG(e3), LONG(e3 + 5)})) << "a miss leaves the selection";

    findNext(d, "ERROR", false);
    EXPECT_EQ(selectionOf(view), (Range{LONG(e2), LONG(e2 + 5)}));
    {
        // "Error 1" is no match for "ERROR" with the case matched.
        MessageBoxAnswerer answerer(IDOK);
        findNext(d, "ERROR", false, true);
        ASSERT_TRUE(answerer.waitAnswered(1));
        EXPECT_EQ(answerer.text(), "Cannot find \"ERROR\"");
    }
    EXPECT_EQ(selectionOf(view), (Range{LONG(e2), LONG(e2 + 5)}));
    findNext(d, "ERROR", false, false);
    EXPECT_EQ(selectionOf(view), (Range{LONG(e1), LONG(e1 + 5)}));
    EXPECT_TRUE(rowInView(view, LONG(e1)));

    // Down again, and the dialog closed with Esc: F3 goes on down and
    // Shift+F3 back up.
    findNext(d, "ERROR", true, true);
    EXPECT_EQ(selectionOf(view), (Range{LONG(e2), LONG(e2 + 5)}));
    SetFocus(GetDlgItem(d, edt1));
    pressKey(VK_ESCAPE);
    ASSERT_TRUE(term.waitFor([] { return findDialog() == nullptr; }, 5000)) << "Esc closes the dialog";
    keyInView(VK_F3, false);
    EXPECT_EQ(selectionOf(view), (Range{LONG(e3), LONG(e3 + 5)}));
    keyInView(VK_F3, true);
    EXPECT_EQ(selectionOf(view), (Range{LONG(e2), LONG(e2 + 5)}));
    EXPECT_EQ(findDialog(), nullptr);
}

TEST_F(Find, InHexTheTypedBytesAreFoundAcrossLinesAtTheStartAndTheEnd)
{
    std::vector<unsigned char> data = rig::printable(2000, 5);
    const unsigned char head[] = {0xDE, 0xAD};
    const unsigned char crlf[] = {0x0D, 0x0A};   // bytes 7 and 8: the end of line 0, the start of line 1
    const unsigned char tail[] = {0xBE, 0xEF};
    std::memcpy(&data[0], head, 2);
    std::memcpy(&data[7], crlf, 2);
    std::memcpy(&data[data.size() - 2], tail, 2);
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive(data));
    ASSERT_EQ(term.viewText(), rig::hexDump(data));
    HWND view = term.view();
    SendMessageA(view, EM_SETSEL, 0, 0);

    // "&Find..." on the view's context menu.
    MenuPick pick;
    HANDLE t = CreateThread(nullptr, 0, MenuPick::run, &pick, 0, nullptr);
    RECT r;
    GetWindowRect(view, &r);
    SetFocus(view);
    PostMessageA(view, WM_CONTEXTMENU, WPARAM(view), MAKELPARAM(r.left + 20, r.top + 20));
    HWND d = nullptr;
    term.waitFor([&] { return (d = findDialog()) != nullptr; });
    WaitForSingleObject(t, 5000);
    CloseHandle(t);
    ASSERT_TRUE(pick.found) << "no \"&Find...\" on the context menu";
    ASSERT_NE(d, nullptr);

    const LONG line = 34, digits = 7;
    // 2000 bytes make 250 full lines: BE EF are the last line's bytes 6 and 7.
    const LONG tailAt = LONG(data.size() - 1) / 8 * line + digits + 2 * 6;
    struct Step {
        const char *typed;
        bool down;
        Range selected;
    } steps[] = {
        {"de ad", true, {digits, digits + 4}},
        {"0d0a", true, {digits + 14, line + digits + 2}},
        {"BE EF", true, {tailAt, tailAt + 4}},
        {"DEAD", false, {digits, digits + 4}},
    };
    for (const Step &s : steps) {
        findNext(d, s.typed, s.down);
        EXPECT_EQ(selectionOf(view), s.selected) << s.typed;
        EXPECT_TRUE(rowInView(view, s.selected.from)) << s.typed;
        if (std::strcmp(s.typed, "0d0a") != 0)
            continue;
        // The terminal and its Find dialog as the operator sees them, a
        // match across two lines selected.
        RedrawWindow(term.frame->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        term.settle(100);
        rig::screenshot(GetDesktopWindow(), "screenshot-find-hex.bmp");
    }
    EXPECT_EQ(selectedText(), "DEAD");

    MessageBoxAnswerer answerer(IDOK);
    findNext(d, "0D 0");
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_NE(answerer.text().find("\"0D 0\" is not hex"), std::string::npos) << answerer.text();
    EXPECT_NE(answerer.text().find("pairs of hex digits"), std::string::npos) << answerer.text();
    EXPECT_EQ(selectionOf(view), (Range{digits, digits + 4})) << "nothing was searched";
}

TEST_F(Find, DataArrivingWhileTheDialogIsOpenIsShownAndTheNextFindNextFindsIt)
{
    ASSERT_TRUE(receive(std::string("all fine\r\n")));
    HWND d = openWithCtrlF();
    ASSERT_NE(d, nullptr);
    {
        MessageBoxAnswerer answerer(IDOK);
        findNext(d, "ERROR");
        ASSERT_TRUE(answerer.waitAnswered(1));
    }
    // Typed into the dialog, Enter for "Find Next": the dialog's keys work
    // through the program's own loop.
    std::string more = "then ERROR\r\n";
    ASSERT_TRUE(receive(more));
    EXPECT_EQ(term.viewText(), "all fine\r\n" + more);
    HWND edit = GetDlgItem(d, edt1);
    SetFocus(edit);
    ASSERT_TRUE(term.waitFor([&] { return GetFocus() == edit; }, 5000));
    pressKey(VK_RETURN);
    EXPECT_TRUE(term.waitFor([&] { return selectionOf(term.view()) == Range{15, 20}; }, 5000))
        << selectionOf(term.view());
    EXPECT_EQ(findDialog(), d) << "the dialog stays for the next Find Next";
}

struct Closing {
    const char *how;
    void (*close)(rig::Terminal &);
};

static void pressDone(rig::Terminal &t)
{
    PostMessageA(t.dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(t.item(IDCANCEL)));
}

static void closeFrame(rig::Terminal &t)
{
    PostMessageA(t.frame->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

class FindClosing : public ::testing::TestWithParam<Closing> {};

TEST_P(FindClosing, ClosingTheTerminalWithTheDialogOpenEndsBoth)
{
    rig::Terminal term{rig::dataPath};
    ASSERT_TRUE(term.ready());
    SetFocus(term.view());
    term.waitFor([&] { return GetFocus() == term.view(); }, 5000);
    pressKeyWithModifier('F', VK_CONTROL, 0);
    ASSERT_TRUE(term.waitFor([] { return findDialog() != nullptr; }, 5000));
    HWND d = findDialog();
    GetParam().close(term);
    EXPECT_TRUE(term.waitFor([&] { return term.app.quitting != 0; }, 5000)) << "the program goes on";
    EXPECT_TRUE(term.waitFor([&] { return !IsWindow(d); }, 5000)) << "the Find dialog outlived the terminal";
}

INSTANTIATE_TEST_SUITE_P(Ways, FindClosing,
                         ::testing::Values(Closing{"Done", pressDone}, Closing{"the frame's close box", closeFrame}));
