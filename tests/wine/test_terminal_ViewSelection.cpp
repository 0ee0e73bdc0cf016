#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "terminal/receive/HexDump.h"
#include "win/PEdit.h"
#include "win/PTextView.h"
#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/TerminalRig.h"

// What the operator does with the receive view while data comes: selecting
// and copying, scrolling back and coming back to the end, and how the view
// looks. Through the real dialog, the real view and the real clipboard.

using rig::bytesOf;
using rig::hexDump;
using rig::printable;

namespace {


// Leaves a known text on the clipboard, so a copy that does nothing shows.
void putOnClipboard(const char *text)
{
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i)
        Sleep(10);
    EmptyClipboard();
    size_t n = strlen(text) + 1;
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, n);
    if (g) {
        memcpy(GlobalLock(g), text, n);
        GlobalUnlock(g);
        if (!SetClipboardData(CF_TEXT, g))
            GlobalFree(g);
    }
    CloseClipboard();
}

struct Selection {
    DWORD start;
    DWORD end;
};

Selection selectionOf(HWND view)
{
    Selection s = {0, 0};
    SendMessageA(view, EM_GETSEL, WPARAM(&s.start), LPARAM(&s.end));
    return s;
}

int firstVisible(HWND view) { return int(SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0)); }
int lineCount(HWND view) { return int(SendMessageA(view, EM_GETLINECOUNT, 0, 0)); }
int lineOf(HWND view, DWORD offset) { return int(SendMessageA(view, EM_EXLINEFROMCHAR, 0, LPARAM(offset))); }
bool following(HWND view) { return SendMessageA(view, PTVM_ISFOLLOWING, 0, 0) != 0; }

std::string textRange(HWND view, LONG from, LONG to)
{
    std::vector<char> buf(size_t(to - from) + 1, '\0');
    TEXTRANGEA range;
    range.chrg.cpMin = from;
    range.chrg.cpMax = to;
    range.lpstrText = buf.data();
    LRESULT n = SendMessageA(view, EM_GETTEXTRANGE, 0, LPARAM(&range));
    return std::string(buf.data(), size_t(n > 0 ? n : 0));
}

std::string lineText(HWND view, int line)
{
    LONG from = LONG(SendMessageA(view, EM_LINEINDEX, WPARAM(line), 0));
    LONG to = LONG(SendMessageA(view, EM_LINEINDEX, WPARAM(line + 1), 0));
    if (from < 0)
        return std::string();
    if (to < from)
        to = LONG(SendMessageA(view, WM_GETTEXTLENGTH, 0, 0));
    return textRange(view, from, to);
}

// Height and average width of the view's characters, in pixels.
SIZE cellOf(HWND view)
{
    TEXTMETRICA tm = rig::fontMetricsOf(view);
    SIZE s = {tm.tmAveCharWidth, tm.tmHeight};
    return s;
}

// The text of a popup menu item without its mnemonic mark, in lower case.
std::string plainItemText(HMENU menu, int i)
{
    char raw[128] = "";
    GetMenuStringA(menu, UINT(i), raw, sizeof raw, MF_BYPOSITION);
    std::string t;
    for (const char *p = raw; *p; ++p)
        if (*p != '&')
            t += char(std::tolower((unsigned char)*p));
    return t;
}

struct MenuPick {
    const char *item;  // lower case, without "&"
    volatile LONG found = 0;
    volatile LONG shown = 0;
};

BOOL CALLBACK findPopup(HWND w, LPARAM p)
{
    char cls[32] = "";
    GetClassNameA(w, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(w) && strcmp(cls, "#32768") == 0) {
        *reinterpret_cast<HWND *>(p) = w;
        return FALSE;
    }
    return TRUE;
}

// From a thread of its own (the test's thread sits in the menu's loop):
// waits for the context menu, finds the item by its text and chooses it with
// the keyboard, as an operator would; Esc when it is not there.
DWORD WINAPI pickFromMenu(LPVOID arg)
{
    MenuPick *pick = static_cast<MenuPick *>(arg);
    HWND popup = nullptr;
    for (DWORD start = GetTickCount(); !popup && GetTickCount() - start < 5000;) {
        EnumWindows(findPopup, LPARAM(&popup));
        if (!popup)
            Sleep(10);
    }
    if (!popup)
        return 0;
    InterlockedExchange(&pick->shown, 1);
    Sleep(50);
    HMENU menu = HMENU(SendMessageA(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
    int count = menu ? GetMenuItemCount(menu) : 0;
    int downs = 0;
    for (int i = 0; i < count; ++i) {
        if (GetMenuState(menu, UINT(i), MF_BYPOSITION) & MF_SEPARATOR)
            continue;
        ++downs;
        if (plainItemText(menu, i).find(pick->item) != std::string::npos) {
            InterlockedExchange(&pick->found, 1);
            for (int k = 0; k < downs; ++k)
                pressKey(VK_DOWN);
            pressKey(VK_RETURN);
            return 0;
        }
    }
    pressKey(VK_ESCAPE);
    return 0;
}

class ViewSelection : public rig::DataPathTest
{
protected:
    void SetUp() override
    {
        DataPathTest::SetUp();
        SetForegroundWindow(term.frame->hwnd);
    }

    // Floods from a thread of its own (more than the cable holds would block
    // this thread, which is also the terminal's) until the history holds it.
    bool flood(const std::vector<unsigned char> &data, DWORD timeoutMs)
    {
        size_t expected = term.history().size() + data.size();
        Flood f = {&peer, &data};
        HANDLE t = CreateThread(nullptr, 0, &Flood::run, &f, 0, nullptr);
        bool arrived = term.waitFor([&] { return term.history().size() >= expected; }, timeoutMs);
        while (t && WaitForSingleObject(t, 0) == WAIT_TIMEOUT)
            term.settle(20);
        if (t)
            CloseHandle(t);
        term.settle(100);
        return arrived;
    }

    // Opens the view's context menu and chooses the item; true when it was
    // offered.
    bool chooseFromContextMenu(const char *item)
    {
        HWND view = term.view();
        RECT r;
        GetWindowRect(view, &r);
        MenuPick pick;
        pick.item = item;
        HANDLE t = CreateThread(nullptr, 0, pickFromMenu, &pick, 0, nullptr);
        SetFocus(view);
        PostMessageA(view, WM_CONTEXTMENU, WPARAM(view), MAKELPARAM(r.left + 20, r.top + 20));
        term.waitFor([&] { return WaitForSingleObject(t, 0) == WAIT_OBJECT_0; }, 10000);
        WaitForSingleObject(t, 5000);
        CloseHandle(t);
        term.settle(100);
        return pick.found != 0;
    }

    struct Flood {
        SerialPeer *peer;
        const std::vector<unsigned char> *bytes;
        static DWORD WINAPI run(LPVOID arg)
        {
            Flood *f = static_cast<Flood *>(arg);
            for (size_t at = 0; at < f->bytes->size(); at += 4096) {
                size_t n = std::min<size_t>(4096, f->bytes->size() - at);
                if (!f->peer->send(f->bytes->data() + at, DWORD(n)))
                    break;
            }
            return 0;
        }
    };
};

std::string numberedLines(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += "line " + std::to_string(1000 + i) + " of the received text\r\n";
    return s;
}

} // namespace

TEST_F(ViewSelection, ADragSelectionThenCtrlCPutsExactlyTheSelectedTextOnTheClipboard)
{
    ASSERT_TRUE(receive(numberedLines(6)));
    HWND view = term.view();
    SIZE cell = cellOf(view);
    ASSERT_GT(cell.cy, 0);
    putOnClipboard("nothing copied");

    // From the start of the second row to the middle of the fourth.
    int x0 = 2, y0 = cell.cy + cell.cy / 2;
    int x1 = 7 * cell.cx + cell.cx / 2, y1 = 3 * cell.cy + cell.cy / 2;
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
    for (int k = 1; k <= 4; ++k)
        PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON,
                     MAKELPARAM(x0 + (x1 - x0) * k / 4, y0 + (y1 - y0) * k / 4));
    PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(x1, y1));
    term.settle(100);

    Selection s = selectionOf(view);
    ASSERT_LT(s.start, s.end);
    EXPECT_EQ(lineOf(view, s.start), 1);
    EXPECT_EQ(lineOf(view, s.end), 3);
    EXPECT_EQ(s.start, DWORD(SendMessageA(view, EM_LINEINDEX, 1, 0))) << "the drag began before the row's first character";
    std::string expected = term.viewText().substr(s.start, s.end - s.start);

    SetFocus(view);
    ASSERT_TRUE(term.waitFor([&] { return GetFocus() == view; }));
    pressKeyWithModifier('C', VK_CONTROL, 0);
    ASSERT_TRUE(term.waitFor([&] { return rig::clipboardText() == expected; }, 5000)) << rig::clipboardText();
    EXPECT_EQ(expected.substr(0, 9), "line 1001");
    // Copying changed nothing in the view.
    EXPECT_EQ(term.viewText(), numberedLines(6));
}

TEST_F(ViewSelection, SelectAllAndCopyFromTheContextMenuCopyTheWholeView)
{
    std::string sent = numberedLines(40);
    ASSERT_TRUE(receive(sent));
    putOnClipboard("nothing copied");

    ASSERT_TRUE(chooseFromContextMenu("select all")) << "no Select All in the context menu";
    Selection s = selectionOf(term.view());
    EXPECT_EQ(s.start, 0u);
    EXPECT_EQ(s.end, DWORD(sent.size()));
    ASSERT_TRUE(chooseFromContextMenu("copy")) << "no Copy in the context menu";
    EXPECT_TRUE(term.waitFor([&] { return rig::clipboardText() == sent; }, 5000));
    EXPECT_EQ(term.viewText(), sent);
}

TEST_F(ViewSelection, AHexFloodWhileScrolledUpLeavesTheViewAndTheSelectionWhereTheyWereUntilCtrlEnd)
{
    term.check(IDC_SHOWHEX, true);
    std::vector<unsigned char> all = printable(4000, 21);
    ASSERT_TRUE(flood(all, 30000));
    HWND view = term.view();
    ASSERT_TRUE(following(view)) << "an untouched view follows the end";

    // The operator scrolls back and selects something.
    SendMessageA(view, WM_VSCROLL, SB_TOP, 0);
    for (int i = 0; i < 3; ++i)
        SendMessageA(view, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageA(view, EM_SETSEL, 120, 250);
    term.settle(50);
    ASSERT_EQ(firstVisible(view), 3);
    ASSERT_FALSE(following(view));

    std::vector<unsigned char> more = printable(300000, 22);
    ASSERT_TRUE(flood(more, 120000));
    all.insert(all.end(), more.begin(), more.end());
    EXPECT_EQ(term.viewText(), hexDump(all)) << "everything arrived";
    EXPECT_EQ(firstVisible(view), 3);
    Selection s = selectionOf(view);
    EXPECT_EQ(s.start, 120u);
    EXPECT_EQ(s.end, 250u);
    EXPECT_FALSE(following(view));

    // Ctrl+End: back at the end, and it follows what comes next.
    SetFocus(view);
    ASSERT_TRUE(term.waitFor([&] { return GetFocus() == view; }));
    pressKeyWithModifier(VK_END, VK_CONTROL, 0);
    ASSERT_TRUE(term.waitFor([&] { return following(view); }, 5000));
    std::vector<unsigned char> last = printable(8000, 23);
    ASSERT_TRUE(flood(last, 30000));
    RECT client;
    GetClientRect(view, &client);
    int rows = client.bottom / cellOf(view).cy;
    int lines = lineCount(view);
    EXPECT_GE(firstVisible(view) + rows, lines - 1) << "the last line is in view";
    EXPECT_GT(firstVisible(view), 3);
}

TEST_F(ViewSelection, AfterAHexFloodOf2MiBScrollingToTheTopShowsTheLineLabelled000000)
{
    term.check(IDC_SHOWHEX, true);
    std::vector<unsigned char> data = printable(2u << 20, 31);
    ASSERT_TRUE(flood(data, 200000));
    HWND view = term.view();
    EXPECT_EQ(term.viewLength(), uint32_t((2u << 20) / 8 * 34)) << "the view holds every line";

    SendMessageA(view, WM_VSCROLL, SB_TOP, 0);
    term.settle(50);
    EXPECT_EQ(firstVisible(view), 0);
    SCROLLINFO si = {sizeof si, SIF_POS | SIF_RANGE, 0, 0, 0, 0, 0};
    GetScrollInfo(view, SB_VERT, &si);
    EXPECT_EQ(si.nPos, si.nMin);
    std::string top = lineText(view, 0);
    EXPECT_EQ(top.substr(0, 7), "000000 ");
    EXPECT_EQ(top, hexDump(std::vector<unsigned char>(data.begin(), data.begin() + 8)));

    // And at the bottom the last line, labelled with its offset.
    SendMessageA(view, WM_VSCROLL, SB_BOTTOM, 0);
    term.settle(50);
    EXPECT_EQ(lineText(view, lineCount(view) - 2).substr(0, 7), "1FFFF8 ");
}

namespace {

// What the screen shows of a window's client area, as 0x00RRGGBB pixels,
// row by row from the top; also saved as a .bmp in LT_BUILD.
std::vector<DWORD> capture(HWND w, int &cx, int &cy, const char *fileName)
{
    RECT r;
    GetClientRect(w, &r);
    cx = r.right;
    cy = r.bottom;
    rig::Capture shot = rig::captureClient(w);
    if (!rig::env("LT_BUILD").empty())
        rig::writeBmp(shot, fileName);
    return shot.pixels;
}

bool dark(DWORD px)
{
    return ((px >> 16) & 0xFF) < 96 && ((px >> 8) & 0xFF) < 96 && (px & 0xFF) < 96;
}

// Leftmost and rightmost dark column within rows [top, bottom); -1 when none.
void darkExtent(const std::vector<DWORD> &px, int cx, int top, int bottom, int &left, int &right)
{
    left = right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < cx; ++x)
            if (dark(px[size_t(y) * size_t(cx) + size_t(x)])) {
                if (left < 0 || x < left)
                    left = x;
                if (x > right)
                    right = x;
            }
}

} // namespace

TEST_F(ViewSelection, TheViewShowsBlackFixedPitchTextOnPaleYellow)
{
    // Ten wide and ten narrow letters: in a fixed font both rows are as wide.
    ASSERT_TRUE(receive("MMMMMMMMMM\r\niiiiiiiiii\r\n"));
    HWND view = term.view();
    SetForegroundWindow(term.frame->hwnd);
    // The caret shows only while the view has the focus: it is elsewhere.
    SetFocus(term.item(IDC_SENDBOX));
    InvalidateRect(view, nullptr, TRUE);
    UpdateWindow(view);
    term.settle(200);
    int cx = 0, cy = 0;
    std::vector<DWORD> px = capture(view, cx, cy, "screenshot-receive-view.bmp");
    ASSERT_FALSE(px.empty());

    std::map<DWORD, size_t> counts;
    for (DWORD p : px)
        ++counts[p];
    auto most = std::max_element(counts.begin(), counts.end(),
                                 [](const std::pair<const DWORD, size_t> &a, const std::pair<const DWORD, size_t> &b) {
                                     return a.second < b.second;
                                 });
    EXPECT_EQ(most->first, 0xFFFFCFu) << "the background is pale yellow (red 255, green 255, blue 207)";
    EXPECT_GT(most->second, px.size() * 8 / 10);
    size_t black = std::count_if(px.begin(), px.end(), dark);
    EXPECT_GT(black, 40u) << "the text is drawn in black";

    SIZE cell = cellOf(view);
    int wideLeft, wideRight, narrowLeft, narrowRight;
    darkExtent(px, cx, 0, cell.cy, wideLeft, wideRight);
    darkExtent(px, cx, cell.cy, 2 * cell.cy, narrowLeft, narrowRight);
    ASSERT_GE(wideLeft, 0) << "nothing drawn on the first row";
    ASSERT_GE(narrowLeft, 0) << "nothing drawn on the second row";
    int wide = wideRight - wideLeft, narrow = narrowRight - narrowLeft;
    EXPECT_GE(narrow, 8 * cell.cx) << "ten i's as wide as ten M's: a fixed font";
    EXPECT_LE(wide - narrow, cell.cx + 2);
    // Nothing below the two lines.
    int restLeft, restRight;
    darkExtent(px, cx, 2 * cell.cy + 2, cy - 2, restLeft, restRight);
    EXPECT_LT(restLeft, 0);
}
