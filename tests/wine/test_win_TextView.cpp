// The text view as a window of its own and in a dialog: its text, selection,
// line and scrolling messages with good and bad input, following the end,
// the operator's mouse and keyboard, the clipboard, the context menu, what
// it paints, and its messages sent from another process.

#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/helpers/PopupMenuDriver.h"
#include "tests/wine/helpers/Pump.h"
#include "tests/wine/helpers/ScreenCapture.h"
#include "tests/wine/res/textviewIds.h"
#include "win/PTextView.h"

namespace {

HINSTANCE self()
{
    return GetModuleHandleA(nullptr);
}

LRESULT CALLBACK hostProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(w, msg, wParam, lParam);
}

const char hostClass[] = "TextViewTestHost";

std::string textOf(HWND view)
{
    LRESULT n = SendMessageA(view, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> buf(size_t(n) + 1, 'X');
    LRESULT got = SendMessageA(view, WM_GETTEXT, WPARAM(buf.size()), LPARAM(buf.data()));
    return std::string(buf.data(), size_t(got));
}

std::string lines(int first, int count)
{
    std::string s;
    char line[32];
    for (int i = first; i < first + count; ++i) {
        wsprintfA(line, "line %06d\r\n", i);
        s += line;
    }
    return s;
}

class TextView : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PTextView::registerClass(self()));
        WNDCLASSA wc = {};
        wc.lpfnWndProc = hostProc;
        wc.hInstance = self();
        wc.lpszClassName = hostClass;
        wc.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
        RegisterClassA(&wc);
        host = CreateWindowExA(0, hostClass, "Text view host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE,
                               40, 40, 420, 320, nullptr, nullptr, self(), nullptr);
        ASSERT_NE(host, nullptr);
        // The terminal's style: child, visible, vertical scroll bar, sizing
        // border, border, multiline, auto-vscroll, read-only, tab stop.
        view = CreateWindowExA(0, PTextView::className, "", 0x50A50844 | WS_TABSTOP, 10, 10, 320, 240, host,
                               HMENU(115), self(), nullptr);
        ASSERT_NE(view, nullptr);
        pumpUntil([] { return false; }, 50);
    }

    void TearDown() override
    {
        if (host)
            DestroyWindow(host);
        pumpThreadMessages();
    }

    LRESULT send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(view, msg, wParam, lParam);
    }

    LRESULT append(const std::string &s)
    {
        return send(PTVM_APPEND, WPARAM(s.size()), LPARAM(s.data()));
    }

    std::pair<DWORD, DWORD> selection()
    {
        DWORD a = 0xDEAD, b = 0xBEEF;
        send(EM_GETSEL, WPARAM(&a), LPARAM(&b));
        return {a, b};
    }

    LRESULT firstVisible() { return send(EM_GETFIRSTVISIBLELINE); }
    LRESULT lineCount() { return send(EM_GETLINECOUNT); }

    HWND host = nullptr;
    HWND view = nullptr;
};

} // namespace

TEST_F(TextView, ClassRegistersOnceAndADialogTemplateMakesTheView)
{
    EXPECT_TRUE(PTextView::registerClass(self()));
    EXPECT_TRUE(PTextView::registerClass(self()));
    HWND dlg = CreateDialogParamA(self(), MAKEINTRESOURCEA(IDD_TV_DIALOG), host, nullptr, 0);
    ASSERT_NE(dlg, nullptr);
    HWND item = GetDlgItem(dlg, IDC_TV_VIEW);
    ASSERT_NE(item, nullptr);
    char cls[64] = "";
    GetClassNameA(item, cls, sizeof cls);
    EXPECT_STREQ(cls, "PTextView");
    EXPECT_TRUE(GetWindowLongA(item, GWL_STYLE) & WS_VSCROLL);
    SendMessageA(item, WM_SETTEXT, 0, LPARAM("from the template"));
    EXPECT_EQ(SendMessageA(item, WM_GETTEXTLENGTH, 0, 0), 17);
    DestroyWindow(dlg);
}

TEST_F(TextView, SetTextGetTextAndLengthCountCrLfAsTwo)
{
    EXPECT_EQ(send(WM_SETTEXT, 0, LPARAM("abc\r\ndef")), TRUE);
    EXPECT_EQ(send(WM_GETTEXTLENGTH), 8);
    EXPECT_EQ(textOf(view), "abc\r\ndef");
    char buf[16];
    std::memset(buf, 'X', sizeof buf);
    // A buffer shorter than the text: bounded and terminated.
    EXPECT_EQ(send(WM_GETTEXT, 4, LPARAM(buf)), 3);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(buf[4], 'X');
    EXPECT_EQ(send(WM_GETTEXT, 1, LPARAM(buf)), 0);
    EXPECT_EQ(buf[0], '\0');
    buf[0] = 'X';
    EXPECT_EQ(send(WM_GETTEXT, 0, LPARAM(buf)), 0);
    EXPECT_EQ(buf[0], 'X');
    EXPECT_EQ(send(WM_GETTEXT, 10, 0), 0);
    // Window text functions go through the same messages.
    EXPECT_EQ(GetWindowTextLengthA(view), 8);
    EXPECT_TRUE(SetWindowTextA(view, "x"));
    EXPECT_EQ(textOf(view), "x");
    EXPECT_EQ(send(WM_SETTEXT, 0, 0), TRUE);
    EXPECT_EQ(send(WM_GETTEXTLENGTH), 0);
}

TEST_F(TextView, AppendAddsAtTheEndAndAnswersTheLength)
{
    EXPECT_EQ(append("one\r"), 4);
    EXPECT_EQ(append("\ntwo"), 8);
    EXPECT_EQ(send(PTVM_APPEND, WPARAM(-1), LPARAM("\tthree")), 14);
    EXPECT_EQ(textOf(view), "one\r\ntwo\tthree");
    // A CR LF split over two appends is one line end.
    EXPECT_EQ(lineCount(), 2);
    // Explicit lengths keep what the text holds, control characters included.
    EXPECT_EQ(send(PTVM_APPEND, 3, LPARAM("\x01\x02\x7F" "ignored")), 17);
    EXPECT_EQ(send(PTVM_APPEND, 0, 0), 17);
    EXPECT_EQ(send(PTVM_APPEND, 5, 0), 17);
    EXPECT_EQ(textOf(view).substr(14), "\x01\x02\x7F");
}

TEST_F(TextView, AppendLeavesTheOperatorsSelectionAlone)
{
    append("hello world\r\n");
    send(EM_SETSEL, 6, 11);
    append("more text\r\n");
    EXPECT_EQ(selection(), std::make_pair(DWORD(6), DWORD(11)));
    send(EM_SETSEL, 3, 3);
    append("x");
    EXPECT_EQ(selection(), std::make_pair(DWORD(3), DWORD(3)));
}

TEST_F(TextView, EraseTailAndHeadClampAndCarryTheSelection)
{
    append("0123456789\r\nabcdefghij\r\n");
    send(EM_SETSEL, 5, 20);
    EXPECT_EQ(send(PTVM_ERASETAIL, 10), 14);
    EXPECT_EQ(textOf(view), "0123456789\r\nab");
    EXPECT_EQ(selection(), std::make_pair(DWORD(5), DWORD(14)));
    EXPECT_EQ(send(PTVM_ERASEHEAD, 12), 2);
    EXPECT_EQ(textOf(view), "ab");
    EXPECT_EQ(selection(), std::make_pair(DWORD(0), DWORD(2)));
    EXPECT_EQ(send(PTVM_ERASETAIL, 1000), 0);
    EXPECT_EQ(send(PTVM_ERASEHEAD, 1000), 0);
    EXPECT_EQ(textOf(view), "");
    EXPECT_EQ(lineCount(), 1);
}

TEST_F(TextView, SetSelClampsReversedNegativeAndPastTheEnd)
{
    send(WM_SETTEXT, 0, LPARAM("0123456789"));
    send(EM_SETSEL, 2, 5);
    EXPECT_EQ(selection(), std::make_pair(DWORD(2), DWORD(5)));
    EXPECT_EQ(send(EM_GETSEL), MAKELRESULT(2, 5));
    // Reversed: reported in order.
    send(EM_SETSEL, 7, 3);
    EXPECT_EQ(selection(), std::make_pair(DWORD(3), DWORD(7)));
    // Past the end, and the two ways of saying "the end".
    send(EM_SETSEL, 4, 1000);
    EXPECT_EQ(selection(), std::make_pair(DWORD(4), DWORD(10)));
    send(EM_SETSEL, 0x7FFFFFF, 0x7FFFFFF);
    EXPECT_EQ(selection(), std::make_pair(DWORD(10), DWORD(10)));
    send(EM_SETSEL, 0, -1);
    EXPECT_EQ(selection(), std::make_pair(DWORD(0), DWORD(10)));
    // A negative start drops the selection, leaving the caret at its end.
    send(EM_SETSEL, 2, 6);
    send(EM_SETSEL, WPARAM(-1), 0);
    EXPECT_EQ(selection(), std::make_pair(DWORD(6), DWORD(6)));
    send(EM_SETSEL, WPARAM(-5), LPARAM(-5));
    EXPECT_EQ(selection(), std::make_pair(DWORD(10), DWORD(10)));
    CHARRANGE cr = {3, 0x7FFFFFF};
    send(EM_EXSETSEL, 0, LPARAM(&cr));
    CHARRANGE got = {-9, -9};
    send(EM_EXGETSEL, 0, LPARAM(&got));
    EXPECT_EQ(got.cpMin, 3);
    EXPECT_EQ(got.cpMax, 10);
    cr = {-1, -1};
    send(EM_EXSETSEL, 0, LPARAM(&cr));
    send(EM_EXGETSEL, 0, LPARAM(&got));
    EXPECT_EQ(got.cpMin, 10);
    EXPECT_EQ(got.cpMax, 10);
    // Null pointers are not written through.
    EXPECT_EQ(send(EM_EXSETSEL, 0, 0), 10);
    send(EM_EXGETSEL, 0, 0);
    EXPECT_EQ(send(EM_GETSEL, 0, 0), MAKELRESULT(10, 10));
}

TEST_F(TextView, GetTextRangeNeverWritesMoreThanItsRangeAllows)
{
    send(WM_SETTEXT, 0, LPARAM("0123456789"));
    char buf[32];
    TEXTRANGEA tr;
    tr.lpstrText = buf;
    auto range = [&](LONG a, LONG b) {
        std::memset(buf, 'X', sizeof buf);
        tr.chrg.cpMin = a;
        tr.chrg.cpMax = b;
        return send(EM_GETTEXTRANGE, 0, LPARAM(&tr));
    };
    EXPECT_EQ(range(2, 5), 3);
    EXPECT_STREQ(buf, "234");
    EXPECT_EQ(range(0, -1), 10);
    EXPECT_STREQ(buf, "0123456789");
    EXPECT_EQ(range(7, 100), 3);
    EXPECT_STREQ(buf, "789");
    EXPECT_EQ(range(3, 0x7FFFFFF), 7);
    EXPECT_STREQ(buf, "3456789");
    EXPECT_EQ(range(20, 25), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(range(4, 4), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], 'X');
    // Reversed and negative ranges write nothing.
    EXPECT_EQ(range(5, 2), 0);
    EXPECT_EQ(buf[0], 'X');
    EXPECT_EQ(range(-3, 4), 0);
    EXPECT_EQ(buf[0], 'X');
    EXPECT_EQ(send(EM_GETTEXTRANGE, 0, 0), 0);
    tr.lpstrText = nullptr;
    tr.chrg.cpMin = 0;
    tr.chrg.cpMax = 3;
    EXPECT_EQ(send(EM_GETTEXTRANGE, 0, LPARAM(&tr)), 0);
}

TEST_F(TextView, ReplaceSelInsertsAtTheSelectionAndPutsTheCaretAfterIt)
{
    send(WM_SETTEXT, 0, LPARAM("hello world"));
    send(EM_SETSEL, 6, 11);
    send(EM_REPLACESEL, 0, LPARAM("there\r\nnext"));
    EXPECT_EQ(textOf(view), "hello there\r\nnext");
    EXPECT_EQ(selection(), std::make_pair(DWORD(17), DWORD(17)));
    EXPECT_EQ(lineCount(), 2);
    // The terminal's way of appending: caret to the end, then replace.
    CHARRANGE end = {0x7FFFFFF, 0x7FFFFFF};
    send(EM_EXSETSEL, 0, LPARAM(&end));
    send(EM_REPLACESEL, 0, LPARAM("!"));
    EXPECT_EQ(textOf(view), "hello there\r\nnext!");
    send(EM_SETSEL, 0, 6);
    send(EM_REPLACESEL, 0, 0);
    EXPECT_EQ(textOf(view), "there\r\nnext!");
}

TEST_F(TextView, LinesAreRowsAndOffsetsMapBothWays)
{
    send(WM_SETTEXT, 0, LPARAM("ab\r\ncd\nef\rgh"));
    EXPECT_EQ(lineCount(), 4);
    EXPECT_EQ(send(EM_LINEINDEX, 0), 0);
    EXPECT_EQ(send(EM_LINEINDEX, 1), 4);
    EXPECT_EQ(send(EM_LINEINDEX, 2), 7);
    EXPECT_EQ(send(EM_LINEINDEX, 3), 10);
    EXPECT_EQ(send(EM_LINEINDEX, 4), -1);
    EXPECT_EQ(send(EM_LINEINDEX, 100000), -1);
    EXPECT_EQ(send(EM_EXLINEFROMCHAR, 0, 5), 1);
    EXPECT_EQ(send(EM_EXLINEFROMCHAR, 0, 1000), 3);
    EXPECT_EQ(send(EM_EXLINEFROMCHAR, 0, -4), 0);
    send(EM_SETSEL, 8, 8);
    EXPECT_EQ(send(EM_LINEINDEX, WPARAM(-1)), 7);
    // A line longer than the view wraps into more rows.
    send(WM_SETTEXT, 0, LPARAM(std::string(1000, 'w').c_str()));
    EXPECT_GT(lineCount(), 3);
    LRESULT row1 = send(EM_LINEINDEX, 1);
    EXPECT_GT(row1, 10);
    EXPECT_EQ(send(EM_EXLINEFROMCHAR, 0, row1), 1);
    EXPECT_EQ(send(EM_EXLINEFROMCHAR, 0, row1 - 1), 0);
}

TEST_F(TextView, ColourModeAndFont)
{
    EXPECT_EQ(send(EM_SETBKGNDCOLOR, 0, 0x00CFFFFF), LRESULT(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(send(EM_SETBKGNDCOLOR, 0, 0x00123456), 0x00CFFFFF);
    EXPECT_EQ(send(EM_SETTEXTMODE, TM_PLAINTEXT), 0);
    EXPECT_NE(send(EM_SETTEXTMODE, TM_RICHTEXT), 0);
    EXPECT_EQ(send(WM_GETFONT), 0);
    HFONT f = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                          PROOF_QUALITY, VARIABLE_PITCH | FF_SWISS, "courier");
    ASSERT_NE(f, nullptr);
    send(WM_SETFONT, WPARAM(f), TRUE);
    EXPECT_EQ(HFONT(send(WM_GETFONT)), f);
    DestroyWindow(view);
    view = nullptr;
    // The font stays the caller's: still usable after the view is gone.
    EXPECT_TRUE(DeleteObject(f));
}

TEST_F(TextView, FollowsTheEndUntilScrolledUpAndAgainAtTheBottom)
{
    append(lines(0, 200));
    EXPECT_EQ(send(PTVM_ISFOLLOWING), TRUE);
    LRESULT bottom = firstVisible();
    EXPECT_GT(bottom, 150);
    append(lines(200, 10));
    EXPECT_EQ(firstVisible(), bottom + 10);
    // Scrolled up: arriving text leaves the view where it is.
    send(WM_VSCROLL, SB_PAGEUP);
    LRESULT up = firstVisible();
    EXPECT_LT(up, bottom + 10);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), FALSE);
    append(lines(210, 50));
    EXPECT_EQ(firstVisible(), up);
    // Back at the bottom it follows again.
    send(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), TRUE);
    LRESULT end = firstVisible();
    append(lines(260, 5));
    EXPECT_EQ(firstVisible(), end + 5);
    // A selection held: no scrolling, the selection stays.
    send(EM_SETSEL, 100, 120);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), FALSE);
    append(lines(265, 5));
    EXPECT_EQ(firstVisible(), end + 5);
    EXPECT_EQ(selection(), std::make_pair(DWORD(100), DWORD(120)));
    // Emptying the view follows again.
    send(WM_SETTEXT, 0, LPARAM(""));
    EXPECT_EQ(send(PTVM_ISFOLLOWING), TRUE);
    EXPECT_EQ(firstVisible(), 0);
}

TEST_F(TextView, HeadCutKeepsTheFirstVisibleLineOnItsText)
{
    append(lines(0, 300));
    send(WM_VSCROLL, SB_TOP);
    send(EM_LINESCROLL, 0, 99);
    send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(firstVisible(), 100);
    send(EM_SETSEL, 100 * 13 + 5, 100 * 13 + 9);
    // Cut the first 40 lines.
    EXPECT_EQ(send(PTVM_ERASEHEAD, 40 * 13), 260 * 13);
    EXPECT_EQ(firstVisible(), 60);
    EXPECT_EQ(selection(), std::make_pair(DWORD(60 * 13 + 5), DWORD(60 * 13 + 9)));
    LRESULT top = send(EM_LINEINDEX, WPARAM(firstVisible()));
    char buf[16];
    TEXTRANGEA tr = {{LONG(top), LONG(top + 11)}, buf};
    send(EM_GETTEXTRANGE, 0, LPARAM(&tr));
    EXPECT_STREQ(buf, "line 000100");
}

TEST_F(TextView, ScrollPositionsGoPast16Bits)
{
    std::string many;
    for (int i = 0; i < 70000; ++i)
        many += "r\r\n";
    ASSERT_EQ(append(many), LRESULT(many.size()));
    EXPECT_EQ(lineCount(), 70001);
    send(WM_VSCROLL, SB_BOTTOM);
    LRESULT top = firstVisible();
    EXPECT_GT(top, 65535);
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(view, SB_VERT, &si));
    EXPECT_EQ(si.nPos, int(top));
    EXPECT_EQ(si.nMax, 70000);
    send(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(firstVisible(), top - 1);
    ASSERT_TRUE(GetScrollInfo(view, SB_VERT, &si));
    EXPECT_EQ(si.nPos, int(top - 1));
    send(WM_VSCROLL, SB_TOP);
    EXPECT_EQ(firstVisible(), 0);
}

namespace {

// The view's client area as it is on the screen.
std::vector<COLORREF> grab(HWND w, int &cx, int &cy)
{
    rig::Capture shot = rig::captureClient(w);
    cx = shot.cx;
    cy = shot.cy;
    std::vector<COLORREF> px;
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            px.push_back(shot.colorAt(x, y));
    return px;
}

bool dark(COLORREF c)
{
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
}

// Saves what the screen shows of a window as a .bmp in LT_BUILD, where the
// test script turns it into a PNG for people to look at.
void screenshot(HWND w, const char *name)
{
    char dir[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("LT_BUILD", dir, sizeof dir);
    if (n > 0 && n < sizeof dir)
        rig::writeBmp(rig::captureWindow(w), name);
}

HFONT terminalFont()
{
    return CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                       PROOF_QUALITY, VARIABLE_PITCH | FF_SWISS, "courier");
}

} // namespace

TEST_F(TextView, PaintsBlackTextOnTheBackgroundColour)
{
    HFONT f = terminalFont();
    send(WM_SETFONT, WPARAM(f), TRUE);
    send(EM_SETBKGNDCOLOR, 0, 0x00CFFFFF);
    send(WM_SETTEXT, 0, LPARAM("MMMMMMMM tab\there\r\nWWWW control \x01\x02 end"));
    SetForegroundWindow(host);
    UpdateWindow(view);
    int cx = 0, cy = 0;
    std::vector<COLORREF> px;
    int yellow = 0, black = 0;
    // Wait for what the screen shows, not for a time.
    pumpUntil([&] {
        px = grab(view, cx, cy);
        yellow = black = 0;
        for (COLORREF c : px) {
            yellow += c == 0x00CFFFFF;
            black += dark(c);
        }
        return black > 100 && yellow > int(px.size()) * 3 / 4;
    });
    screenshot(view, "screenshot-textview.bmp");
    EXPECT_GT(yellow, int(px.size()) * 3 / 4);
    EXPECT_GT(black, 100);
    // The text is in the first two rows; below them only the background.
    EXPECT_EQ(px[size_t((cy - 2) * cx + cx / 2)], COLORREF(0x00CFFFFF));
    // A selection is drawn in the system's highlight colour.
    COLORREF mark = GetSysColor(COLOR_HIGHLIGHT);
    send(EM_SETSEL, 9, 12);
    int marked = 0;
    EXPECT_TRUE(pumpUntil([&] {
        px = grab(view, cx, cy);
        marked = 0;
        for (COLORREF c : px)
            marked += c == mark;
        return marked > 50;
    }));
    screenshot(view, "screenshot-textview-selection.bmp");
    send(EM_SETSEL, 0, 0);
    EXPECT_TRUE(pumpUntil([&] {
        px = grab(view, cx, cy);
        for (COLORREF c : px)
            if (c == mark)
                return false;
        return true;
    }));
    DestroyWindow(view);
    view = nullptr;
    DeleteObject(f);
}

namespace {

// Where a click puts the caret before offset: just inside its cell.
LPARAM clickAt(HWND view, size_t offset, int dy = 2)
{
    LRESULT p = SendMessageA(view, EM_POSFROMCHAR, offset, 0);
    return MAKELPARAM(short(LOWORD(p)) + 1, short(HIWORD(p)) + dy);
}

std::string clipboardText(HWND owner)
{
    std::string text;
    if (!OpenClipboard(owner))
        return "<clipboard busy>";
    HANDLE h = GetClipboardData(CF_TEXT);
    if (h) {
        const char *p = static_cast<const char *>(GlobalLock(h));
        if (p)
            text.assign(p, strnlen(p, GlobalSize(h)));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

void clearClipboard(HWND owner)
{
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// Real keystrokes, through the system's input as an operator's.
void chord(std::initializer_list<BYTE> mods, BYTE key)
{
    for (BYTE m : mods)
        keybd_event(m, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    for (BYTE m : mods)
        keybd_event(m, 0, KEYEVENTF_KEYUP, 0);
}

// Posts a keystroke and its release, as the input would; pressed modifiers
// cannot be posted, so this serves keys that need none.
void postKey(HWND w, WPARAM key)
{
    PostMessageA(w, WM_KEYDOWN, key, 1);
    PostMessageA(w, WM_KEYUP, key, LPARAM(0xC0000001));
}

} // namespace

class TextViewInput : public TextView
{
protected:
    void SetUp() override
    {
        TextView::SetUp();
        HFONT f = terminalFont();
        font = f;
        send(WM_SETFONT, WPARAM(f), TRUE);
        SetForegroundWindow(host);
        SetFocus(view);
        ASSERT_TRUE(pumpUntil([&] { return GetFocus() == view; }));
    }

    void TearDown() override
    {
        TextView::TearDown();
        DeleteObject(font);
    }

    void click(size_t offset, WPARAM keys = 0)
    {
        PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON | keys, clickAt(view, offset));
        PostMessageA(view, WM_LBUTTONUP, keys, clickAt(view, offset));
        pumpThreadMessages();
    }

    HFONT font = nullptr;
};

TEST_F(TextViewInput, ClickPlacesTheCaretAndADragSelects)
{
    send(WM_SETTEXT, 0, LPARAM("first line\r\nsecond line\r\nthird line"));
    click(3);
    EXPECT_EQ(selection(), std::make_pair(DWORD(3), DWORD(3)));
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, clickAt(view, 6));
    PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, clickAt(view, 14));
    PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, clickAt(view, 18));
    PostMessageA(view, WM_LBUTTONUP, 0, clickAt(view, 18));
    pumpThreadMessages();
    EXPECT_EQ(selection(), std::make_pair(DWORD(6), DWORD(18)));
    EXPECT_EQ(GetCapture(), nullptr);
    // Dragging backwards selects backwards; the reported range is in order.
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, clickAt(view, 20));
    PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, clickAt(view, 2));
    PostMessageA(view, WM_LBUTTONUP, 0, clickAt(view, 2));
    pumpThreadMessages();
    EXPECT_EQ(selection(), std::make_pair(DWORD(2), DWORD(20)));
    // A click past the end of a line puts the caret at its end.
    LRESULT p = send(EM_POSFROMCHAR, 3);
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, short(HIWORD(p)) + 2));
    PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(300, short(HIWORD(p)) + 2));
    pumpThreadMessages();
    EXPECT_EQ(selection(), std::make_pair(DWORD(10), DWORD(10)));
}

TEST_F(TextViewInput, ShiftClickExtendsAndDoubleClickSelectsAWord)
{
    send(WM_SETTEXT, 0, LPARAM("alpha beta gamma\r\ndelta"));
    click(2);
    click(13, MK_SHIFT);
    EXPECT_EQ(selection(), std::make_pair(DWORD(2), DWORD(13)));
    PostMessageA(view, WM_LBUTTONDBLCLK, MK_LBUTTON, clickAt(view, 8));
    PostMessageA(view, WM_LBUTTONUP, 0, clickAt(view, 8));
    pumpThreadMessages();
    EXPECT_EQ(selection(), std::make_pair(DWORD(6), DWORD(10)));
}

TEST_F(TextViewInput, CtrlCAndCtrlInsertCopyExactlyTheSelection)
{
    const char *text = "0123456789\r\nabcdefghij\r\nKLMNOPQRST";
    send(WM_SETTEXT, 0, LPARAM(text));
    clearClipboard(host);
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, clickAt(view, 4));
    PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, clickAt(view, 17));
    PostMessageA(view, WM_LBUTTONUP, 0, clickAt(view, 17));
    pumpThreadMessages();
    ASSERT_EQ(selection(), std::make_pair(DWORD(4), DWORD(17)));
    chord({VK_CONTROL}, 'C');
    EXPECT_TRUE(pumpUntil([&] { return clipboardText(host) == "456789\r\nabcde"; }))
        << clipboardText(host);
    send(EM_SETSEL, 24, 28);
    chord({VK_CONTROL}, VK_INSERT);
    EXPECT_TRUE(pumpUntil([&] { return clipboardText(host) == "KLMN"; })) << clipboardText(host);
    // WM_COPY copies the selection too, and an empty selection leaves the clipboard alone.
    send(EM_SETSEL, 0, 2);
    send(WM_COPY);
    EXPECT_EQ(clipboardText(host), "01");
    send(EM_SETSEL, 5, 5);
    send(WM_COPY);
    EXPECT_EQ(clipboardText(host), "01");
}

TEST_F(TextViewInput, KeysMoveAndExtendAndTypingChangesNothing)
{
    send(WM_SETTEXT, 0, LPARAM("abcdef\r\nghijkl\r\nmnopqr"));
    send(EM_SETSEL, 0, 0);
    chord({VK_SHIFT}, VK_RIGHT);
    chord({VK_SHIFT}, VK_RIGHT);
    ASSERT_TRUE(pumpUntil([&] { return selection() == std::make_pair(DWORD(0), DWORD(2)); }));
    chord({VK_SHIFT}, VK_DOWN);
    ASSERT_TRUE(pumpUntil([&] { return selection() == std::make_pair(DWORD(0), DWORD(10)); }));
    // Right without Shift drops the selection at its end; over a CR LF in one step.
    chord({}, VK_RIGHT);
    ASSERT_TRUE(pumpUntil([&] { return selection() == std::make_pair(DWORD(10), DWORD(10)); }));
    chord({}, VK_END);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == 14; }));
    chord({}, VK_RIGHT);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == 16; }));
    chord({}, VK_LEFT);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == 14; }));
    chord({}, VK_HOME);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == 8; }));
    chord({VK_CONTROL}, VK_END);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == 22; }));
    chord({VK_CONTROL, VK_SHIFT}, VK_HOME);
    ASSERT_TRUE(pumpUntil([&] { return selection() == std::make_pair(DWORD(0), DWORD(22)); }));
    chord({}, 'X');
    chord({}, VK_BACK);
    chord({}, VK_DELETE);
    PostMessageA(view, WM_CHAR, 'y', 1);
    PostMessageA(view, WM_PASTE, 0, 0);
    PostMessageA(view, WM_CUT, 0, 0);
    send(EM_SETSEL, 1, 1);
    chord({VK_CONTROL}, 'A');
    ASSERT_TRUE(pumpUntil([&] { return selection() == std::make_pair(DWORD(0), DWORD(22)); }));
    EXPECT_EQ(textOf(view), "abcdef\r\nghijkl\r\nmnopqr");
    EXPECT_EQ(send(WM_GETDLGCODE) & (DLGC_WANTARROWS | DLGC_WANTCHARS), DLGC_WANTARROWS | DLGC_WANTCHARS);
    EXPECT_EQ(send(WM_GETDLGCODE) & (DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_HASSETSEL), 0);
}

TEST_F(TextViewInput, CtrlEndResumesFollowingAfterScrollingUp)
{
    append(lines(0, 300));
    send(WM_VSCROLL, SB_TOP);
    send(EM_SETSEL, 30, 50);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), FALSE);
    append(lines(300, 20));
    EXPECT_EQ(firstVisible(), 0);
    chord({VK_CONTROL}, VK_END);
    ASSERT_TRUE(pumpUntil([&] { return send(PTVM_ISFOLLOWING) == TRUE; }));
    LRESULT end = firstVisible();
    EXPECT_GT(end, 250);
    append(lines(320, 3));
    EXPECT_EQ(firstVisible(), end + 3);
}

TEST_F(TextViewInput, PageKeysAndTheWheelScroll)
{
    append(lines(0, 500));
    send(WM_VSCROLL, SB_TOP);
    send(EM_SETSEL, 0, 0);
    postKey(view, VK_NEXT);
    ASSERT_TRUE(pumpUntil([&] { return firstVisible() > 0; }));
    LRESULT page = firstVisible();
    EXPECT_GT(page, 5);
    postKey(view, VK_PRIOR);
    ASSERT_TRUE(pumpUntil([&] { return firstVisible() == 0; }));
    UINT perNotch = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), 0);
    EXPECT_EQ(firstVisible(), LRESULT(perNotch));
    // Half notches add up.
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA / 2)), 0);
    EXPECT_EQ(firstVisible(), LRESULT(perNotch));
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA / 2)), 0);
    EXPECT_EQ(firstVisible(), LRESULT(2 * perNotch));
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(WHEEL_DELTA * 5)), 0);
    EXPECT_EQ(firstVisible(), 0);
}

TEST_F(TextViewInput, DraggingAboveTheViewScrollsAndGoesOnSelecting)
{
    append(lines(0, 400));
    send(WM_VSCROLL, SB_TOP);
    send(EM_LINESCROLL, 0, 200);
    ASSERT_EQ(firstVisible(), 200);
    size_t start = size_t(send(EM_LINEINDEX, 202)) + 3;
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, clickAt(view, start));
    PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, WORD(-30)));
    // The mouse stands still above the view: the view goes on scrolling.
    EXPECT_TRUE(pumpUntil([&] { return firstVisible() <= 190; }));
    PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(20, WORD(-30)));
    pumpThreadMessages();
    std::pair<DWORD, DWORD> s = selection();
    EXPECT_EQ(s.second, DWORD(start));
    // The caret follows the mouse onto the first row in view.
    EXPECT_GE(s.first, DWORD(send(EM_LINEINDEX, WPARAM(firstVisible()))));
    EXPECT_LT(s.first, DWORD(send(EM_LINEINDEX, WPARAM(firstVisible() + 1))));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TextViewInput, ContextMenuOffersCopyAndSelectAll)
{
    const char *text = "menu text\r\nsecond";
    send(WM_SETTEXT, 0, LPARAM(text));
    clearClipboard(host);
    send(EM_SETSEL, 2, 2);
    RECT r;
    GetWindowRect(view, &r);
    {
        PopupMenuDriver driver(2);
        PostMessageA(view, WM_CONTEXTMENU, WPARAM(view), MAKELPARAM(r.left + 30, r.top + 30));
        ASSERT_TRUE(pumpUntil([&] { return driver.done() && !PopupMenuDriver::findMenu(); }, 10000));
        std::vector<PopupMenuDriver::Item> items = driver.items();
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0].text, "Copy");
        EXPECT_TRUE(items[0].grayed);
        EXPECT_EQ(items[1].text, "Select All");
        EXPECT_FALSE(items[1].grayed);
    }
    EXPECT_TRUE(pumpUntil([&] { return selection() == std::make_pair(DWORD(0), DWORD(17)); }));
    {
        PopupMenuDriver driver(1);
        PostMessageA(view, WM_CONTEXTMENU, WPARAM(view), MAKELPARAM(r.left + 30, r.top + 30));
        ASSERT_TRUE(pumpUntil([&] { return driver.done() && !PopupMenuDriver::findMenu(); }, 10000));
        ASSERT_EQ(driver.items().size(), 2u);
        EXPECT_FALSE(driver.items()[0].grayed);
    }
    EXPECT_TRUE(pumpUntil([&] { return clipboardText(host) == text; })) << clipboardText(host);
}

TEST_F(TextViewInput, CaretStandsAtTheCaretOffsetWhileFocused)
{
    send(WM_SETTEXT, 0, LPARAM("abc\r\ndefgh"));
    send(EM_SETSEL, 8, 8);
    pumpThreadMessages();
    POINT caret = {-1, -1};
    ASSERT_TRUE(GetCaretPos(&caret));
    LRESULT p = send(EM_POSFROMCHAR, 8);
    EXPECT_NEAR(caret.x, short(LOWORD(p)), 2);
    EXPECT_EQ(caret.y, short(HIWORD(p)));
    EXPECT_GT(short(HIWORD(p)), 0);
}

namespace {

// A copy of this program started with --textview-peer=<window> talks to a
// view of the parent from its own process, as an operator's tool would, and
// ends with 0 when every answer was right (its step number otherwise).
int runPeer(HWND view)
{
    char buf[64];
    std::memset(buf, 'X', sizeof buf);
    if (SendMessageA(view, WM_GETTEXTLENGTH, 0, 0) != 13)
        return 10;
    if (SendMessageA(view, WM_GETTEXT, sizeof buf, LPARAM(buf)) != 13 || std::strcmp(buf, "from the test") != 0)
        return 11;
    std::memset(buf, 'X', sizeof buf);
    if (SendMessageA(view, WM_GETTEXT, 5, LPARAM(buf)) != 4 || std::strcmp(buf, "from") != 0 || buf[5] != 'X')
        return 12;
    DWORD start = 0xDEAD, end = 0xBEEF;
    LRESULT packed = SendMessageA(view, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    if (start != 2 || end != 9 || packed != MAKELRESULT(2, 9))
        return 13;
    if (SendMessageA(view, EM_GETSEL, 0, 0) != MAKELRESULT(2, 9))
        return 14;
    if (!SendMessageA(view, WM_SETTEXT, 0, LPARAM("set from afar")))
        return 15;
    if (SendMessageA(view, WM_GETTEXTLENGTH, 0, 0) != 13)
        return 16;
    return 0;
}

struct PeerMode
{
    PeerMode()
    {
        const char *flag = std::strstr(GetCommandLineA(), "--textview-peer=");
        if (flag)
            ExitProcess(UINT(runPeer(HWND(uintptr_t(std::strtoull(flag + 16, nullptr, 16))))));
    }
} peerMode;

} // namespace

TEST_F(TextView, TextAndSelectionMessagesWorkFromAnotherProcess)
{
    send(WM_SETTEXT, 0, LPARAM("from the test"));
    send(EM_SETSEL, 2, 9);
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    ASSERT_TRUE(n > 0 && n < sizeof self);
    char cmd[MAX_PATH + 64];
    wsprintfA(cmd, "\"%s\" --textview-peer=%lx", self, static_cast<unsigned long>(uintptr_t(view)));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // The peer's messages are answered by this thread: keep pumping.
    bool ended = pumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 30000);
    DWORD code = 99;
    if (!ended)
        TerminateProcess(pi.hProcess, 98);
    WaitForSingleObject(pi.hProcess, 5000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    ASSERT_TRUE(ended);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(textOf(view), "set from afar");
}

TEST_F(TextView, AppendThatCannotGrowAnswersMinusOneAndKeepsTheText)
{
    append("kept\r\n");
    send(EM_SETSEL, 1, 3);
    const char small[] = "x";
    // A length no memory holds: refused before the text is read.
    EXPECT_EQ(send(PTVM_APPEND, WPARAM(-2), LPARAM(small)), -1);
    EXPECT_EQ(send(PTVM_APPEND, WPARAM(-2) / 2, LPARAM(small)), -1);
    const PTextViewRun runs[] = {{small, 1, TextAttr()}, {small, size_t(-2) / 2, TextAttr()}};
    EXPECT_EQ(send(PTVM_APPENDRUNS, 2, LPARAM(runs)), -1);
    EXPECT_EQ(textOf(view), "kept\r\n");
    EXPECT_EQ(lineCount(), 2);
    EXPECT_EQ(selection(), std::make_pair(DWORD(1), DWORD(3)));
    EXPECT_EQ(append("more"), 10);
}

TEST_F(TextView, StaysInTheDialogsTabOrder)
{
    HWND dlg = CreateDialogParamA(self(), MAKEINTRESOURCEA(IDD_TV_DIALOG), nullptr, nullptr, 0);
    ASSERT_NE(dlg, nullptr);
    HWND before = GetDlgItem(dlg, IDC_TV_BEFORE), item = GetDlgItem(dlg, IDC_TV_VIEW);
    HWND after = GetDlgItem(dlg, IDC_TV_AFTER);
    SetForegroundWindow(dlg);
    SetFocus(before);
    auto pumpDialog = [&](HWND want) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 5000) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!IsDialogMessageA(dlg, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            if (GetFocus() == want)
                return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return false;
    };
    ASSERT_TRUE(pumpDialog(before));
    SendMessageA(item, WM_SETTEXT, 0, LPARAM("abc"));
    postKey(before, VK_TAB);
    EXPECT_TRUE(pumpDialog(item));
    // Arrows stay with the view; Tab goes on to the next control.
    postKey(item, VK_RIGHT);
    EXPECT_TRUE(pumpDialog(item));
    postKey(item, VK_TAB);
    EXPECT_TRUE(pumpDialog(after));
    DestroyWindow(dlg);
}

namespace {

WNDPROC countedProc = nullptr;
long paintCount = 0;

LRESULT CALLBACK countPaints(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT)
        ++paintCount;
    return CallWindowProcA(countedProc, w, msg, wParam, lParam);
}

} // namespace

TEST_F(TextView, AFloodIsPaintedAtMostAFrameAtATimeAndItsEndIsShown)
{
    countedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countPaints)));
    pumpThreadMessages();
    std::string chunk = lines(0, 20);
    paintCount = 0;
    DWORD start = GetTickCount();
    int appended = 0;
    // Appends as fast as they come, nothing else handled in between.
    while (GetTickCount() - start < 300) {
        append(chunk);
        ++appended;
    }
    DWORD elapsed = GetTickCount() - start;
    long duringFlood = paintCount;
    EXPECT_GT(appended, 100);
    // About 30 frames a second: never one per append.
    EXPECT_LE(duringFlood, long(elapsed / 30 + 2)) << appended << " appends in " << elapsed << " ms";
    // The last append is painted once the queue is handled.
    EXPECT_TRUE(pumpUntil([&] { return paintCount > duringFlood; }, 1000));
    EXPECT_EQ(send(PTVM_ISFOLLOWING), TRUE);
    // The end is in view.
    RECT client;
    GetClientRect(view, &client);
    LRESULT endAt = send(EM_POSFROMCHAR, WPARAM(send(WM_GETTEXTLENGTH)));
    EXPECT_GE(short(HIWORD(endAt)), 0);
    EXPECT_LT(short(HIWORD(endAt)), client.bottom);
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(view, SB_VERT, &si));
    EXPECT_EQ(si.nMax + 1, int(lineCount()));
    EXPECT_EQ(si.nPos, int(firstVisible()));
    SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countedProc));
}

namespace {

// A view's vertical scroll bar as the screen shows it.
std::vector<COLORREF> scrollBarPixels(HWND view)
{
    SCROLLBARINFO sbi = {};
    sbi.cbSize = sizeof sbi;
    if (!GetScrollBarInfo(view, OBJID_VSCROLL, &sbi))
        return {};
    RECT r = sbi.rcScrollBar;
    int cx = r.right - r.left, cy = r.bottom - r.top;
    if (cx <= 0 || cy <= 0)
        return {};
    std::vector<COLORREF> px;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, cx, cy);
    HGDIOBJ old = SelectObject(mem, bm);
    BitBlt(mem, 0, 0, cx, cy, screen, r.left, r.top, SRCCOPY);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            px.push_back(GetPixel(mem, x, y));
    SelectObject(mem, old);
    DeleteObject(bm);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

} // namespace

// During a flood the scroll bar is set with every frame but drawn only a few
// times a second; once the text stops, the bar on the screen must still catch
// up with the last of it.
TEST_F(TextView, TheScrollBarOnTheScreenCatchesUpWithTheEndOfAFlood)
{
    // A view of the same size given the whole text at once shows what the
    // bar must look like.
    HWND refHost = CreateWindowExA(0, hostClass, "Reference host", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 480,
                                   40, 420, 320, nullptr, nullptr, self(), nullptr);
    ASSERT_NE(refHost, nullptr);
    HWND ref = CreateWindowExA(0, PTextView::className, "", 0x50A50844 | WS_TABSTOP, 10, 10, 320, 240, refHost,
                               HMENU(115), self(), nullptr);
    ASSERT_NE(ref, nullptr);

    // Lines with the queue handled in between, as the terminal drains a
    // port: the frames come from the view's frame timer. Few of them, so
    // the thumb's size and place show the count.
    std::string all;
    int chunks = 0;
    DWORD start = GetTickCount();
    while (chunks < 20 && GetTickCount() - start < 400) {
        std::string chunk = lines(chunks, 1);
        append(chunk);
        all += chunk;
        ++chunks;
        pumpThreadMessages();
    }
    // Scrolling draws the bar at once, so the chunk that follows at once
    // comes in a frame that sets the bar without drawing it. It doubles the
    // text: the thumb halves.
    send(WM_VSCROLL, SB_LINEUP);
    send(WM_VSCROLL, SB_BOTTOM);
    ASSERT_EQ(send(PTVM_ISFOLLOWING), TRUE);
    std::string last = lines(100, chunks);
    append(last);
    all += last;

    SendMessageA(ref, WM_SETTEXT, 0, LPARAM(all.c_str()));
    ASSERT_EQ(SendMessageA(ref, EM_GETLINECOUNT, 0, 0), chunks * 2 + 1);
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    EXPECT_TRUE(pumpUntil(
        [&] {
            std::vector<COLORREF> shown = scrollBarPixels(view);
            return GetScrollInfo(view, SB_VERT, &si) && si.nMax + 1 == chunks * 2 + 1 && !shown.empty() &&
                   shown == scrollBarPixels(ref);
        },
        1000))
        << "scroll bar range " << si.nMax + 1 << " rows";
    EXPECT_EQ(si.nPos, int(firstVisible()));
    EXPECT_EQ(firstVisible(), SendMessageA(ref, EM_GETFIRSTVISIBLELINE, 0, 0));
    DestroyWindow(refHost);
}

namespace {

// Drags the view's scroll thumb with the real mouse, from another thread
// while the view's thread runs the scroll bar's tracking loop: press on the
// thumb, move to `fraction` of the track, release.
struct ThumbDrag
{
    HWND view;
    DWORD guiThread;
    double fraction;
    int trackSeen = -1;
    volatile LONG finished = 0;

    static void mouseAt(int x, int y, DWORD flags)
    {
        int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
        mouse_event(flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, DWORD(x * 65535 / (sx - 1)),
                    DWORD(y * 65535 / (sy - 1)), 0, 0);
    }


    bool tracking() const
    {
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof gti;
        return GetGUIThreadInfo(guiThread, &gti) && gti.hwndCapture == view;
    }

    void run()
    {
        SCROLLBARINFO sbi = {};
        sbi.cbSize = sizeof sbi;
        if (GetScrollBarInfo(view, OBJID_VSCROLL, &sbi)) {
            int x = (sbi.rcScrollBar.left + sbi.rcScrollBar.right) / 2;
            int top = sbi.rcScrollBar.top;
            mouseAt(x, top + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2, 0);
            mouseAt(x, top + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2, MOUSEEVENTF_LEFTDOWN);
            if (waitFor([&] { return tracking(); }, 5000)) {
                int trackTop = sbi.dxyLineButton, trackBottom = sbi.rcScrollBar.bottom - top - sbi.dxyLineButton;
                int y = top + trackTop + int((trackBottom - trackTop) * fraction);
                mouseAt(x, y, 0);
                waitFor([&] {
                    SCROLLINFO si = {};
                    si.cbSize = sizeof si;
                    si.fMask = SIF_TRACKPOS;
                    GetScrollInfo(view, SB_VERT, &si);
                    trackSeen = si.nTrackPos;
                    return si.nTrackPos > 65535;
                }, 5000);
                mouseAt(x, y, MOUSEEVENTF_LEFTUP);
                waitFor([&] { return !tracking(); }, 5000);
            } else {
                mouseAt(x, top, MOUSEEVENTF_LEFTUP);
            }
        }
        InterlockedExchange(&finished, 1);
    }

    static DWORD WINAPI main(void *self)
    {
        static_cast<ThumbDrag *>(self)->run();
        return 0;
    }
};

} // namespace

TEST_F(TextView, DraggingTheThumbReachesRowsPast16Bits)
{
    std::string many;
    for (int i = 0; i < 200000; ++i)
        many += "r\r\n";
    ASSERT_EQ(append(many), LRESULT(many.size()));
    send(WM_VSCROLL, SB_TOP);
    SetForegroundWindow(host);
    pumpThreadMessages();
    ThumbDrag drag{view, GetCurrentThreadId(), 0.75};
    HANDLE thread = CreateThread(nullptr, 0, ThumbDrag::main, &drag, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    bool done = pumpUntil([&] { return drag.finished != 0; }, 20000);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    ASSERT_TRUE(done);
    EXPECT_GT(drag.trackSeen, 65535);
    // The view went where the thumb was let go: three quarters down, far
    // past what the 16-bit position of WM_VSCROLL could say.
    LRESULT top = firstVisible();
    EXPECT_GT(top, 120000);
    EXPECT_LT(top, 180000);
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    ASSERT_TRUE(GetScrollInfo(view, SB_VERT, &si));
    EXPECT_EQ(si.nPos, int(top));
    EXPECT_EQ(send(PTVM_ISFOLLOWING), FALSE);
}

TEST_F(TextView, ScrollCaretAndTheScrollBarCommands)
{
    append(lines(0, 1000));
    send(WM_VSCROLL, SB_TOP);
    EXPECT_EQ(firstVisible(), 0);
    // The caret far below: EM_SETSEL alone does not scroll, EM_SCROLLCARET does.
    LRESULT at = send(EM_LINEINDEX, 500) + 3;
    send(EM_SETSEL, WPARAM(at), LPARAM(at));
    EXPECT_EQ(firstVisible(), 0);
    send(EM_SCROLLCARET);
    LRESULT top = firstVisible();
    EXPECT_GT(top, 400);
    EXPECT_LE(top, 500);
    LRESULT y = short(HIWORD(send(EM_POSFROMCHAR, WPARAM(at))));
    RECT client;
    GetClientRect(view, &client);
    EXPECT_GE(y, 0);
    EXPECT_LT(y, client.bottom);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), FALSE);
    // A caret above the view: it scrolls up to it.
    send(EM_SETSEL, 20, 20);
    send(EM_SCROLLCARET);
    EXPECT_EQ(firstVisible(), 1);
    send(WM_VSCROLL, SB_PAGEDOWN);
    LRESULT page = firstVisible() - 1;
    EXPECT_GT(page, 5);
    send(WM_VSCROLL, SB_PAGEUP);
    EXPECT_EQ(firstVisible(), 1);
    // A thumb position sent by a program, in a range 16 bits can hold.
    send(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 700));
    EXPECT_EQ(firstVisible(), 700);
    send(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 65000));
    EXPECT_EQ(firstVisible(), 1001 - page);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), TRUE);
    // The caret at the end scrolled into view follows again.
    send(WM_VSCROLL, SB_TOP);
    send(EM_SETSEL, WPARAM(-1), LPARAM(-1));
    send(EM_SCROLLCARET);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), TRUE);
    EXPECT_EQ(send(EM_LINESCROLL, 0, -10), TRUE);
    EXPECT_EQ(send(PTVM_ISFOLLOWING), FALSE);
}

TEST_F(TextViewInput, EndOfAWrappedRowKeepsTheCaretOnThatRow)
{
    send(WM_SETTEXT, 0, LPARAM((std::string(300, 'w') + "\r\nnext").c_str()));
    ASSERT_GT(lineCount(), 3);
    LRESULT row1 = send(EM_LINEINDEX, 1), row2 = send(EM_LINEINDEX, 2);
    send(EM_SETSEL, 0, 0);
    postKey(view, VK_END);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == DWORD(row1); }));
    POINT caret;
    ASSERT_TRUE(GetCaretPos(&caret));
    LRESULT first = send(EM_POSFROMCHAR, 0), last = send(EM_POSFROMCHAR, WPARAM(row1 - 1));
    EXPECT_EQ(caret.y, short(HIWORD(first)));
    EXPECT_GT(caret.x, short(LOWORD(last)));
    // Down along the row ends, then Home to the start of the row it is on.
    postKey(view, VK_DOWN);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == DWORD(row2); }));
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(caret.y, short(HIWORD(send(EM_POSFROMCHAR, WPARAM(row1)))));
    postKey(view, VK_HOME);
    ASSERT_TRUE(pumpUntil([&] { return selection().first == DWORD(row1); }));
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(caret.y, short(HIWORD(send(EM_POSFROMCHAR, WPARAM(row1)))));
    EXPECT_LE(caret.x, 2);
}

namespace {

// The process's private bytes, as the system counts them.
double privateMiB()
{
    typedef BOOL(WINAPI * Query)(HANDLE, PROCESS_MEMORY_COUNTERS *, DWORD);
    Query query = reinterpret_cast<Query>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    if (!query || !query(GetCurrentProcess(), &c, sizeof c))
        return -1;
    return double(c.PagefileUsage) / 1048576.0;
}

} // namespace

TEST_F(TextView, EmptyingTheViewGivesBackWhatALongTextHeld)
{
    std::string part;
    for (int i = 0; i < 64 * 1024; ++i)
        part += "OK\r\n";
    double before = privateMiB();
    ASSERT_GE(before, 0);
    for (int i = 0; i < 32; ++i)
        ASSERT_GT(append(part), 0);
    double full = privateMiB();
    // 8 MiB of text in 2 Mi lines, each with its index entries.
    EXPECT_GT(full - before, 20.0);
    send(WM_SETTEXT, 0, LPARAM(""));
    EXPECT_LT(privateMiB() - before, 4.0) << "held " << full - before << " MiB full";
    EXPECT_EQ(append("after\r\n"), 7);
    EXPECT_EQ(lineCount(), 2);
}

namespace {

TextAttr attrOf(uint32_t fg, uint32_t bg = TextAttr::viewColour, uint8_t flags = 0)
{
    TextAttr a;
    a.fg = fg;
    a.bg = bg;
    a.flags = flags;
    return a;
}

// Pixels of the view's client area that pass `is`, counted once the screen
// shows at least `least` of them (with least 0: none at all).
int countShown(HWND view, int least, bool (*is)(COLORREF))
{
    int cx = 0, cy = 0, n = 0;
    pumpUntil([&] {
        std::vector<COLORREF> px = grab(view, cx, cy);
        n = 0;
        for (COLORREF c : px)
            n += is(c);
        return least == 0 ? n == 0 : n >= least;
    });
    return n;
}

bool pureRed(COLORREF c) { return c == RGB(255, 0, 0); }
bool greenish(COLORREF c) { return GetGValue(c) > 120 && GetRValue(c) < 90 && GetBValue(c) < 90; }
bool pureBlack(COLORREF c) { return c == RGB(0, 0, 0); }
bool paleBlue(COLORREF c) { return c == RGB(0xC0, 0xE0, 0xFF); }

} // namespace

// Runs show their colours (text, background, reverse), follow a head cut
// and a painted range; the text itself, and so a copy, stays plain.
TEST_F(TextView, ColouredRunsShowTheirColoursAndTheTextStaysPlain)
{
    HFONT f = terminalFont();
    send(WM_SETFONT, WPARAM(f), TRUE);
    send(EM_SETBKGNDCOLOR, 0, 0x00FFFFFF);
    SetForegroundWindow(host);
    const PTextViewRun runs[] = {
        {"plain ", 6, TextAttr()},
        {"GREENGREEN", 10, attrOf(RGB(0, 205, 0))},
        {"  on red  ", 10, attrOf(RGB(255, 255, 255), RGB(255, 0, 0), TextAttr::bold)},
        {"reversed", 8, attrOf(TextAttr::viewColour, TextAttr::viewColour, TextAttr::reverse)},
    };
    EXPECT_EQ(send(PTVM_APPENDRUNS, 4, LPARAM(runs)), 34);
    EXPECT_EQ(append("\r\nnext line\r\n"), 47);
    EXPECT_EQ(textOf(view), "plain GREENGREEN  on red  reversed\r\nnext line\r\n");
    int cell = 4 * 8;  // at least a few rows of a cell's pixels
    EXPECT_GT(countShown(view, 10 * cell, pureRed), 10 * cell);
    EXPECT_GT(countShown(view, 20, greenish), 20);
    EXPECT_GT(countShown(view, 8 * cell, pureBlack), 8 * cell);
    screenshot(view, "screenshot-textview-colours.bmp");
    // Copy takes the characters only.
    send(EM_SETSEL, 0, -1);
    send(WM_COPY);
    EXPECT_EQ(clipboardText(host), "plain GREENGREEN  on red  reversed\r\nnext line\r\n");
    send(EM_SETSEL, 0, 0);
    // The head cut takes the plain and green text; the red stays red.
    EXPECT_EQ(send(PTVM_ERASEHEAD, 16), 31);
    EXPECT_EQ(countShown(view, 0, greenish), 0);
    EXPECT_GT(countShown(view, 10 * cell, pureRed), 10 * cell);
    // A line painted after it came.
    PTextViewPaint line = {20, 29, attrOf(TextAttr::viewColour, RGB(0xC0, 0xE0, 0xFF)), false};
    EXPECT_EQ(send(PTVM_PAINTRANGE, 0, LPARAM(&line)), TRUE);
    EXPECT_GT(countShown(view, 9 * cell, paleBlue), 9 * cell);
    PTextViewPaint outside = {500, 600, TextAttr(), false};
    EXPECT_EQ(send(PTVM_PAINTRANGE, 0, LPARAM(&outside)), FALSE);
    // A background alone, over the white-on-red text: no red is left.
    PTextViewPaint under = {0, 10, attrOf(TextAttr::viewColour, RGB(0xC0, 0xE0, 0xFF)), true};
    EXPECT_EQ(send(PTVM_PAINTRANGE, 0, LPARAM(&under)), TRUE);
    EXPECT_EQ(countShown(view, 0, pureRed), 0);
    EXPECT_GT(countShown(view, 19 * cell, paleBlue), 19 * cell);
    // Emptied, the view shows no colour again.
    send(WM_SETTEXT, 0, LPARAM("again"));
    EXPECT_EQ(countShown(view, 0, pureRed), 0);
    // Runs cut from one text, as a parser hands them over, go in at once.
    const char both[] = "plainRED!";
    const PTextViewRun split[] = {{both, 5, TextAttr()}, {both + 5, 4, attrOf(RGB(255, 255, 255), RGB(255, 0, 0))}};
    EXPECT_EQ(send(PTVM_APPENDRUNS, 2, LPARAM(split)), 14);
    EXPECT_EQ(textOf(view), "againplainRED!");
    EXPECT_GT(countShown(view, 3 * cell, pureRed), 3 * cell);
    DestroyWindow(view);
    view = nullptr;
    DeleteObject(f);
}

