// The program's application object and frame: the main window it makes and
// the run from start to "&Done".

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "app/genApp.h"
#include "app/mainWin.h"
#include "res/resource.h"
#include "terminal/mainClient.h"

namespace {

const char *const settingsKey = "Software\\Kerovia_Apps\\lineTalk";

void storeDefaults()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    DWORD word = 0x000AD061u, delay = 0;
    RegSetValueExA(key, "Setup", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&word), sizeof word);
    RegSetValueExA(key, "DelayOnSend", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&delay), sizeof delay);
    RegCloseKey(key);
}

void dropQuit()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

// Presses "&Done" of the terminal, from a thread timer of the test's own
// thread, once the frame exists.
HWND frameSeen = nullptr;
int pressesLeft = 0;

void CALLBACK pressDone(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND frame = FindWindowA("pAppl Base", "Line Talk by QV");
    if (!frame)
        return;
    HWND dialog = GetWindow(frame, GW_CHILD);
    if (!dialog || !IsWindowVisible(frame))
        return;
    frameSeen = frame;
    KillTimer(nullptr, timer);
    if (pressesLeft-- > 0)
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDCANCEL)));
}

} // namespace

TEST(GenApp, MainWindowIsTheTerminalFrameWhateverTheTitle)
{
    storeDefaults();
    genApp app(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    PWin *w = app.createMainWindow("Anything", GetModuleHandleA(nullptr));
    ASSERT_NE(w, nullptr);
    mainWin *frame = dynamic_cast<mainWin *>(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_STREQ(frame->title, "Line Talk by QV");
    EXPECT_STREQ(frame->className(), "pAppl Base");
    EXPECT_EQ(frame->style, 0x12C80000u);
    EXPECT_TRUE(frame->exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(frame->hasFlag(PWin::quitOnDestroy));
    EXPECT_EQ(frame->width, 30);
    EXPECT_EQ(frame->height, 30);
    ASSERT_NE(frame->getClient(), nullptr);
    EXPECT_EQ(frame->getClient()->parent, frame);
    EXPECT_EQ(frame->firstChild(), frame->getClient());
    // Nothing is on screen before create.
    EXPECT_EQ(frame->hwnd, nullptr);
    EXPECT_EQ(frame->getClient()->hwnd, nullptr);
    delete w;
}

TEST(GenApp, RunShowsTheFrameAndReturnsZeroAfterDone)
{
    storeDefaults();
    frameSeen = nullptr;
    pressesLeft = 1;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, pressDone);
    ASSERT_NE(timer, 0u);
    int result;
    {
        genApp app(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
        result = app.run("Line Talk");
        EXPECT_NE(app.mainWindow, nullptr);
        EXPECT_EQ(app.quitting, 1);
    }
    KillTimer(nullptr, timer);
    dropQuit();
    EXPECT_EQ(result, 0);
    ASSERT_NE(frameSeen, nullptr);
    // The application object took the frame with it.
    EXPECT_FALSE(IsWindow(frameSeen));
}

TEST(GenApp, FrameGetsTheProgramIconInBothSizes)
{
    storeDefaults();
    genApp app(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    PWin *w = app.createMainWindow("Line Talk", GetModuleHandleA(nullptr));
    app.mainWindow = w;
    ASSERT_TRUE(w->create());
    HICON big = HICON(SendMessageA(w->hwnd, WM_GETICON, ICON_BIG, 0));
    HICON smallIcon = HICON(SendMessageA(w->hwnd, WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(big, nullptr);
    EXPECT_EQ(big, smallIcon);
    EXPECT_EQ(big, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_LINETALK)));
    delete w;
    app.mainWindow = nullptr;
    dropQuit();
}
