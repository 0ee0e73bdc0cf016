// The text view as a window of its own and in a dialog: its text, selection,
// line and scrolling messages with good and bad input, following the end,
// the operator's mouse and keyboard, the clipboard, the context menu, what
// it paints, and its messages sent from another process.

#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/res/textviewIds.h"
#include "win/PTextView.h"

namespace {

HINSTANCE self()
{
    return GetModuleHandleA(nullptr);
}

void pumpOnce()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Handles this thread's messages until the condition holds or the deadline passes.
template <class C>
bool pumpUntil(C cond, DWORD ms = 5000)
{
    DWORD start = GetTickCount();
    for (;;) {
        pumpOnce();
        if (cond())
            return true;
        if (GetTickCount() - start > ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
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
        pumpOnce();
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
    for (int i = 0; i < 100; ++i)
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
    RECT r;
    GetClientRect(w, &r);
    cx = r.right;
    cy = r.bottom;
    std::vector<COLORREF> px;
    HDC dc = GetDC(w);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bm = CreateCompatibleBitmap(dc, cx, cy);
    HGDIOBJ old = SelectObject(mem, bm);
    BitBlt(mem, 0, 0, cx, cy, dc, 0, 0, SRCCOPY);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            px.push_back(GetPixel(mem, x, y));
    SelectObject(mem, old);
    DeleteObject(bm);
    DeleteDC(mem);
    ReleaseDC(w, dc);
    return px;
}

bool dark(COLORREF c)
{
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
}

// Saves what the screen shows of a window as a 24-bit .bmp in LT_BUILD, where
// the test script turns it into a PNG for people to look at.
void screenshot(HWND w, const char *name)
{
    char dir[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("LT_BUILD", dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        return;
    RECT r;
    GetWindowRect(w, &r);
    int cx = r.right - r.left, cy = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, cx, cy, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(mem, old);
    DWORD size = ((DWORD(cx) * 3 + 3) & ~3u) * DWORD(cy);
    std::string path = std::string(dir) + "\\" + name;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE && bits) {
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        DWORD done = 0;
        WriteFile(f, &fh, sizeof fh, &done, nullptr);
        WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &done, nullptr);
        WriteFile(f, bits, size, &done, nullptr);
    }
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
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
    DestroyWindow(view);
    view = nullptr;
    DeleteObject(f);
}
