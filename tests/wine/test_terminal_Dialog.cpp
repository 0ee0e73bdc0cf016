// The terminal dialog as the program builds it: the frame around it, its
// controls and tooltips, opening and closing the port on the virtual
// null-modem, and ending the program from the keyboard.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "helpers/MessageBoxAnswerer.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "win/POwnBtnImage.h"
#include "win/PSeqTraspBitmap.h"

using namespace rig;

namespace {

struct Item
{
    int id;
    const char *className;
    const char *text;
};

// Every control of the terminal, in template order, with the class the
// system reports and the text the template gives it.
const Item items[] = {
    {IDC_STRINGFRAME, "Button", "String to Send"},
    {IDC_SENDBOX, "Edit", ""},
    {IDC_BYTEFRAME, "Button", "Byte to Send"},
    {IDC_DECLABEL, "Static", "Dec"},
    {IDC_CHARLABEL, "Static", "Char"},
    {IDC_HEXLABEL, "Static", "Hex"},
    {IDC_BINLABEL, "Static", "Bin"},
    {IDC_DECFIELD, "Edit", ""},
    {IDC_CHARFIELD, "Edit", ""},
    {IDC_HEXFIELD, "Edit", ""},
    {IDC_BINFIELD, "Edit", ""},
    {IDC_SENDSTRING, "Button", "&String"},
    {IDC_SENDBYTE, "Button", "&Byte"},
    {IDC_SENDFILE, "Button", "&File"},
    {IDC_RECEIVEDTITLE, "Static", "Received"},
    {IDC_CLEAR, "Button", ""},
    {IDC_VIEW, "PTextView", ""},
    {IDC_SETUP, "Button", "Se&tup"},
    {IDC_OPENCOMM, "Button", "&Open Com"},
    {IDCANCEL, "Button", "&Done"},
    {IDC_SAVE, "Button", ""},
    {IDC_CHECKFRAME, "Static", "Frame1"},
    {IDC_SHOWHEX, "Button", "Show Hex"},
    {IDC_CAPTURE, "Button", "Capture to File"},
};

struct Tip
{
    int id;
    const char *text;
};

const Tip tips[] = {
    {IDC_SETUP, "Communication Setting"},
    {IDC_OPENCOMM, "Open/Close communication"},
    {IDC_SENDSTRING, "Send content of Window Text"},
    {IDC_SENDBYTE, "Send single byte"},
    {IDC_SENDFILE, "Send the specified file"},
    {IDCANCEL, "Exit program"},
    {IDC_CLEAR, "Clear buffer of received"},
    {IDC_SAVE, "Save buffer to file"},
    {IDC_SHOWHEX, "Change the show in Hex Or String"},
    {IDC_CAPTURE, "Capture all the receipt in a file"},
};

BOOL CALLBACK matchTooltip(HWND w, LPARAM p)
{
    HWND *found = reinterpret_cast<HWND *>(p);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0)
        return TRUE;
    if (SendMessageA(w, TTM_GETTOOLCOUNT, 0, 0) > 0) {
        *found = w;
        return FALSE;
    }
    return TRUE;
}

// The tooltip control of this thread that holds tools.
HWND findTooltip(HWND)
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), matchTooltip, LPARAM(&found));
    return found;
}

// The tooltip text registered for a control, "" when it has none.
std::string tipOf(HWND tooltip, HWND dialog, HWND control)
{
    char text[256] = "";
    TOOLINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = dialog;
    info.uId = UINT_PTR(control);
    info.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, 0, LPARAM(&info));
    return text;
}

PBitmap *lightOf(HWND button)
{
    POwnBtnImage *b = dynamic_cast<POwnBtnImage *>(PWin::fromHandle(button));
    if (!b || !b->strip)
        return nullptr;
    return b->strip->frame(0);
}

class TerminalDialog : public ::testing::Test
{
protected:
    void SetUp() override { removeValue("DelayOnSend"); }
    void TearDown() override
    {
        storeDword("Setup", 0x000AD061u);
        removeValue("DelayOnSend");
    }
};

} // namespace

TEST_F(TerminalDialog, FrameIsLineTalkByQvSizedAroundTheDialog)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    HWND frame = t.frame->hwnd;
    char text[64] = "", cls[64] = "";
    GetWindowTextA(frame, text, sizeof text);
    GetClassNameA(frame, cls, sizeof cls);
    EXPECT_STREQ(text, "Line Talk by QV");
    EXPECT_STREQ(cls, "pAppl Base");
    EXPECT_EQ(DWORD(GetWindowLongPtrA(frame, GWL_STYLE)) & ~DWORD(WS_CLIPSIBLINGS), 0x12C80000u);
    EXPECT_NE(SendMessageA(frame, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(frame, WM_GETICON, ICON_SMALL, 0), 0);

    HWND dialog = t.dialog();
    EXPECT_EQ(GetParent(dialog), frame);
    EXPECT_EQ(DWORD(GetWindowLongPtrA(dialog, GWL_STYLE)) & 0xFFFF00FFu, 0x50000044u & 0xFFFF00FFu);
    RECT f, d, dc;
    GetWindowRect(frame, &f);
    GetWindowRect(dialog, &d);
    GetClientRect(dialog, &dc);
    // The dialog sits at the frame's client origin...
    POINT origin = {0, 0};
    ClientToScreen(frame, &origin);
    EXPECT_EQ(d.left, origin.x);
    EXPECT_EQ(d.top, origin.y);
    // ...and the frame is the dialog plus three edges and a caption, with
    // the menu bar above the dialog and the status bar below it.
    RECT bar = {0, 0, 0, 0};
    GetWindowRect(t.statusBar(), &bar);
    EXPECT_EQ(bar.top, d.bottom);
    // The menu bar: one row, between the caption and the client area.
    LONG menuBar = origin.y - f.top - (3 * GetSystemMetrics(SM_CYEDGE)) / 2 - GetSystemMetrics(SM_CYCAPTION);
    EXPECT_GE(menuBar, GetSystemMetrics(SM_CYMENU));
    EXPECT_LT(menuBar, 2 * GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(f.right - f.left, (d.right - d.left) + 3 * GetSystemMetrics(SM_CXEDGE));
    EXPECT_EQ(f.bottom - f.top, (d.bottom - d.top) + 3 * GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION) +
                                    menuBar + (bar.bottom - bar.top));
    // 396 x 215 dialog units.
    RECT units = {0, 0, 396, 215};
    MapDialogRect(dialog, &units);
    EXPECT_EQ(dc.right, units.right);
    EXPECT_EQ(dc.bottom, units.bottom);
}

TEST_F(TerminalDialog, AllTwentyFourControlsArePresentWithTheirTexts)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    int count = 0;
    for (HWND c = GetWindow(t.dialog(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ++count;
    EXPECT_EQ(count, 24);
    for (const Item &i : items) {
        HWND c = t.item(i.id);
        ASSERT_NE(c, nullptr) << i.id;
        char cls[64] = "";
        GetClassNameA(c, cls, sizeof cls);
        EXPECT_EQ(lstrcmpiA(cls, i.className), 0) << i.id << " is " << cls;
        EXPECT_EQ(t.text(i.id), i.text) << i.id;
        EXPECT_TRUE(IsWindowVisible(c)) << i.id;
        EXPECT_TRUE(IsWindowEnabled(c)) << i.id;
    }
    // The image buttons draw themselves.
    for (int id : {IDC_SETUP, IDC_OPENCOMM, IDC_SENDSTRING, IDC_SENDBYTE, IDC_SENDFILE, IDCANCEL, IDC_CLEAR, IDC_SAVE}) {
        EXPECT_EQ(GetWindowLongPtrA(t.item(id), GWL_STYLE) & 0xF, BS_OWNERDRAW) << id;
        EXPECT_NE(dynamic_cast<POwnBtnImage *>(PWin::fromHandle(t.item(id))), nullptr) << id;
    }
    // The byte fields are limited by their filters, the character field to one.
    EXPECT_EQ(SendMessageA(t.item(IDC_CHARFIELD), EM_GETLIMITTEXT, 0, 0), 1);
    // The receive view and the send box use the courier font.
    HFONT viewFont = HFONT(SendMessageA(t.item(IDC_VIEW), WM_GETFONT, 0, 0));
    HFONT boxFont = HFONT(SendMessageA(t.item(IDC_SENDBOX), WM_GETFONT, 0, 0));
    ASSERT_NE(boxFont, nullptr);
    LOGFONTA lf;
    ASSERT_EQ(GetObjectA(boxFont, sizeof lf, &lf), int(sizeof lf));
    EXPECT_STREQ(lf.lfFaceName, "courier");
    EXPECT_EQ(lf.lfHeight, 16);
    EXPECT_EQ(viewFont, boxFont);
    // The receive view is the library's own: no rich-edit library is loaded.
    EXPECT_EQ(GetModuleHandleA("RICHED32.DLL"), nullptr);
    EXPECT_EQ(HFONT(SendMessageA(t.item(IDC_DECFIELD), WM_GETFONT, 0, 0)), boxFont);
}

TEST_F(TerminalDialog, TenTooltipsAreRegisteredForTheButtonsAndCheckBoxes)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    HWND tooltip = findTooltip(t.dialog());
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 10);
    for (const Tip &tip : tips)
        EXPECT_EQ(tipOf(tooltip, t.dialog(), t.item(tip.id)), tip.text) << tip.id;
    for (int id : {IDC_SENDBOX, IDC_DECFIELD, IDC_HEXFIELD, IDC_BINFIELD, IDC_CHARFIELD, IDC_VIEW})
        EXPECT_EQ(tipOf(tooltip, t.dialog(), t.item(id)), "") << id;
}

// Puts the pointer on a control and waits for the tooltip to show for it;
// the text it shows, "" when it did not show.
std::string hoverTip(Terminal &t, int id)
{
    HWND tooltip = findTooltip(t.dialog());
    if (!tooltip)
        return std::string();
    SetForegroundWindow(t.frame->hwnd);
    HWND control = t.item(id);
    RECT r;
    GetClientRect(control, &r);
    POINT centre = {r.right / 2, r.bottom / 2};
    POINT screen = centre;
    ClientToScreen(control, &screen);
    SetCursorPos(screen.x, screen.y);
    // The control's own mouse messages reach the tooltip only through the
    // dialog's relay in the message loop.
    PostMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
    std::string shown;
    DWORD lastMove = GetTickCount();
    t.waitFor(
        [&] {
            if (!IsWindowVisible(tooltip)) {
                // A resting mouse still reports where it is now and then; a
                // single move can be lost to a busy loop before the relay.
                if (GetTickCount() - lastMove >= 500) {
                    PostMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y));
                    lastMove = GetTickCount();
                }
                return false;
            }
            char text[256] = "";
            TOOLINFOA info;
            ZeroMemory(&info, sizeof info);
            info.cbSize = TTTOOLINFOA_V1_SIZE;
            info.lpszText = text;
            if (!SendMessageA(tooltip, TTM_GETCURRENTTOOLA, 0, LPARAM(&info)) || info.uId != UINT_PTR(control))
                return false;
            shown = text;
            return true;
        },
        5000);
    return shown;
}

TEST_F(TerminalDialog, HoveringOverAnImageButtonShowsItsTooltip)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    EXPECT_EQ(hoverTip(t, IDC_SAVE), "Save buffer to file");
}

TEST_F(TerminalDialog, HoveringOverACheckBoxShowsItsTooltip)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    EXPECT_EQ(hoverTip(t, IDC_SHOWHEX), "Change the show in Hex Or String");
}

TEST_F(TerminalDialog, EditsArePaleYellowWithBlackText)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    HDC dc = GetDC(t.item(IDC_SENDBOX));
    LRESULT brush = SendMessageA(t.dialog(), WM_CTLCOLOREDIT, WPARAM(dc), LPARAM(t.item(IDC_SENDBOX)));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetBkColor(dc), COLORREF(0x00CFFFFF));
    EXPECT_EQ(GetTextColor(dc), COLORREF(0));
    LOGBRUSH lb;
    ASSERT_EQ(GetObjectA(HBRUSH(brush), sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbColor, COLORREF(0x00CFFFFF));
    ReleaseDC(t.item(IDC_SENDBOX), dc);
    EXPECT_EQ(t.client->onCtlColor(nullptr, nullptr, WM_CTLCOLORSTATIC), nullptr);
    EXPECT_EQ(t.client->onCtlColor(nullptr, nullptr, WM_CTLCOLORBTN), nullptr);
}

TEST_F(TerminalDialog, MissingDelayIsStoredAsZeroAtCreation)
{
    removeValue("DelayOnSend");
    {
        genApp app(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
        storeDword("Setup", 0x000AD061u);
        PWin *frame = app.createMainWindow("Line Talk", GetModuleHandleA(nullptr));
        app.mainWindow = frame;
        ASSERT_TRUE(frame->create());
        DWORD delay = 99;
        EXPECT_TRUE(readDword("DelayOnSend", delay));
        EXPECT_EQ(delay, 0u);
        EXPECT_EQ(dynamic_cast<mainWin *>(frame)->getClient()->getSendDelay(), 0u);
    }
    dropQuit();
}

TEST_F(TerminalDialog, StoredDelayIsReadAtCreation)
{
    Terminal t(0x000AD061u, 40);
    ASSERT_TRUE(t.ready());
    EXPECT_EQ(t.client->getSendDelay(), 40u);
}

TEST_F(TerminalDialog, OpenThenCloseSwapsCaptionAndLightAndHoldsThePort)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    HWND button = t.item(IDC_OPENCOMM);
    PBitmap *red = lightOf(button);
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Open Com");
    setPtySpeed("COM2", "38400");

    MessageBoxAnswerer answerer(IDOK, 1, 3000);
    t.command(IDC_OPENCOMM);
    EXPECT_TRUE(t.client->isPortOpen());
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Close Comm");
    PBitmap *green = lightOf(button);
    EXPECT_NE(green, nullptr);
    EXPECT_NE(green, red);
    // The terminal has COM2 open at the stored 9600 baud 8N1, and what the
    // far end sends arrives.
    std::string line = sttyOf("COM2");
    ASSERT_FALSE(line.empty()) << "stty gave nothing";
    EXPECT_NE(line.find("speed 9600 baud"), std::string::npos) << line;
    EXPECT_NE(line.find("cs8"), std::string::npos) << line;
    EXPECT_NE(line.find("-parenb"), std::string::npos) << line;
    EXPECT_NE(line.find("-cstopb"), std::string::npos) << line;
    EXPECT_TRUE(portCarries(t));

    t.command(IDC_OPENCOMM);
    EXPECT_FALSE(t.client->isPortOpen());
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Open Comm");
    EXPECT_EQ(lightOf(button), red);
    EXPECT_TRUE(portFree("COM2"));
    EXPECT_EQ(answerer.answeredCount(), 0);
}

TEST_F(TerminalDialog, FirstOpenOnACleanProfileStoresAndUsesTheDefaultWord)
{
    removeValue("Setup");
    genApp app(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    PWin *frame = app.createMainWindow("Line Talk", GetModuleHandleA(nullptr));
    app.mainWindow = frame;
    ASSERT_TRUE(frame->create());
    mainClient *client = dynamic_cast<mainWin *>(frame)->getClient();
    EXPECT_TRUE(client->togglePort());
    DWORD word = 0;
    EXPECT_TRUE(readDword("Setup", word));
    EXPECT_EQ(word, 0x000AD061u);
    EXPECT_NE(client->currentPort(), nullptr);
    EXPECT_TRUE(client->togglePort());
    EXPECT_TRUE(portFree("COM2"));
    delete frame;
    app.mainWindow = nullptr;
    dropQuit();
}

TEST_F(TerminalDialog, MissingPortReportsUnableToOpenAndLeavesTheButton)
{
    // COM4 does not exist.
    Terminal t((0x000AD061u & ~0xFu) | 3u);
    ASSERT_TRUE(t.ready());
    PBitmap *red = lightOf(t.item(IDC_OPENCOMM));
    {
        MessageBoxAnswerer answerer(IDOK, 1, 10000);
        t.command(IDC_OPENCOMM);
        ASSERT_TRUE(answerer.waitAnswered(1));
        EXPECT_EQ(answerer.caption(0), "Error Comm");
        EXPECT_EQ(answerer.text(0), "Unable to open Comm");
    }
    EXPECT_FALSE(t.client->isPortOpen());
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Open Com");
    EXPECT_EQ(lightOf(t.item(IDC_OPENCOMM)), red);

    // After a successful open and close the caption is "&Open Comm" and a
    // failed open still leaves it so.
    storeDword("Setup", 0x000AD061u);
    t.command(IDC_OPENCOMM);
    t.command(IDC_OPENCOMM);
    storeDword("Setup", (0x000AD061u & ~0xFu) | 4u);
    {
        MessageBoxAnswerer answerer(IDOK, 1, 10000);
        EXPECT_FALSE(t.client->togglePort());
        ASSERT_TRUE(answerer.waitAnswered(1));
        EXPECT_EQ(answerer.text(0), "Unable to open Comm");
    }
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Open Comm");
}

TEST_F(TerminalDialog, StoredIndexBeyondItsTableFailsToOpen)
{
    // Baud index 15 names no entry of the 15-entry table.
    Terminal t((0x000AD061u & ~0x1F0u) | (15u << 4));
    ASSERT_TRUE(t.ready());
    MessageBoxAnswerer answerer(IDOK, 1, 10000);
    EXPECT_FALSE(t.client->togglePort());
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Unable to open Comm");
    EXPECT_FALSE(t.client->isPortOpen());
    EXPECT_TRUE(portFree("COM2"));
}

TEST_F(TerminalDialog, AnsweringNoToOpenNowLeavesThePortClosed)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    {
        MessageBoxAnswerer answerer(IDNO, 1, 10000);
        EXPECT_FALSE(t.client->ensurePortOpen());
        ASSERT_TRUE(answerer.waitAnswered(1));
        EXPECT_EQ(answerer.caption(0), "Comm is not opened");
        EXPECT_EQ(answerer.text(0), "Do you want to open now?");
    }
    EXPECT_FALSE(t.client->isPortOpen());
    {
        MessageBoxAnswerer answerer(IDYES, 1, 10000);
        EXPECT_TRUE(t.client->ensurePortOpen());
        ASSERT_TRUE(answerer.waitAnswered(1));
    }
    EXPECT_TRUE(t.client->isPortOpen());
    EXPECT_EQ(t.text(IDC_OPENCOMM), "&Close Comm");
    // Open already: no question.
    MessageBoxAnswerer none(IDNO, 1, 1000);
    EXPECT_TRUE(t.client->ensurePortOpen());
    EXPECT_EQ(none.answeredCount(), 0);
}

TEST_F(TerminalDialog, EscWhileAButtonHasTheFocusEndsTheProgram)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    HWND button = t.item(IDC_SENDSTRING);
    SetFocus(button);
    PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(button, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    EXPECT_TRUE(t.waitFor([&] { return t.app.quitting != 0; }, 5000));
    EXPECT_EQ(t.client->hwnd, nullptr);
}

TEST_F(TerminalDialog, DoneDestroysTheDialogAndPostsQuit)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    PostMessageA(t.dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(t.item(IDCANCEL)));
    EXPECT_TRUE(t.waitFor([&] { return t.app.quitting != 0; }, 5000));
    EXPECT_EQ(t.client->hwnd, nullptr);
}

TEST_F(TerminalDialog, ClosingTheFrameEndsTheProgram)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    PostMessageA(t.frame->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(t.waitFor([&] { return t.app.quitting != 0; }, 5000));
}

TEST_F(TerminalDialog, ScreenshotOfTheTerminal)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    SetWindowTextA(t.item(IDC_SENDBOX), "Hello\\0D\\0A");
    t.command(IDC_OPENCOMM);
    SetForegroundWindow(t.frame->hwnd);
    RedrawWindow(t.frame->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpFor(t.app, 300);
    EXPECT_TRUE(screenshot(t.frame->hwnd, "screenshot-terminal.bmp"));
    t.command(IDC_OPENCOMM);
}
