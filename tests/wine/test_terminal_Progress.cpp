// The progress dialog that long operations drive: its bar and two-line text,
// abort by its button or by any other end of its window, and the focus
// given back when it goes.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "terminal/ui/progressBar.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace rig;

namespace {

const char *const sendFormat = "Sending file...\n\rbyte %d of %d";

class ProgressDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        owner = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 80, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(owner);
        SetFocus(owner);
    }
    void TearDown() override
    {
        if (owner)
            DestroyWindow(owner);
        app.pumpMessages();
    }
    std::string text(HWND dialog)
    {
        char buf[500] = "";
        GetDlgItemTextA(dialog, IDC_PROG_TEXT, buf, sizeof buf);
        return buf;
    }
    LRESULT position(HWND dialog) { return SendDlgItemMessageA(dialog, IDC_PROG_BAR, PBM_GETPOS, 0, 0); }

    genApp app{GetModuleHandleA(nullptr), SW_SHOWNORMAL};
    HWND owner = nullptr;
};

} // namespace

TEST_F(ProgressDialog, ShowSetsRangeAndTheTemplate)
{
    progressBar bar(nullptr, sendFormat, 1300, 0x103FFF);
    ASSERT_TRUE(bar.show());
    ASSERT_NE(bar.hwnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar.hwnd));
    EXPECT_EQ(SendDlgItemMessageA(bar.hwnd, IDC_PROG_BAR, PBM_GETRANGE, FALSE, 0), 1300);
    EXPECT_EQ(SendDlgItemMessageA(bar.hwnd, IDC_PROG_BAR, PBM_GETRANGE, TRUE, 0), 0);
    char cls[64] = "";
    GetClassNameA(GetDlgItem(bar.hwnd, IDC_PROG_BAR), cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, PROGRESS_CLASSA), 0);
    EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(bar.hwnd, IDC_PROG_BAR), GWL_STYLE) & PBS_SMOOTH);
    EXPECT_EQ(text(bar.hwnd), "");
    // PBM_GETBARCOLOR (WM_USER + 15)
    EXPECT_EQ(SendDlgItemMessageA(bar.hwnd, IDC_PROG_BAR, WM_USER + 15, 0, 0), 0x103FFF);
    char abort[32] = "";
    GetDlgItemTextA(bar.hwnd, IDC_PROG_ABORT, abort, sizeof abort);
    EXPECT_STREQ(abort, "&Abort");
    EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(bar.hwnd, IDC_PROG_ABORT), GWL_STYLE) & 0xF, BS_OWNERDRAW);
    LONG_PTR style = GetWindowLongPtrA(bar.hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION);
}

TEST_F(ProgressDialog, UpdateShowsTheFileSendTextOnTwoLines)
{
    progressBar bar(nullptr, sendFormat, 1300, 0x103FFF);
    ASSERT_TRUE(bar.show());
    EXPECT_TRUE(bar.update(512));
    EXPECT_EQ(text(bar.hwnd), "Sending file...\n\rbyte 512 of 1300");
    EXPECT_EQ(position(bar.hwnd), 512);
}

TEST_F(ProgressDialog, AmountsPast2GiBAreShownWholeAndTheBarStillMoves)
{
    // A file or a history of 3 GiB: the program has 4 GiB to hold one.
    progressBar bar(nullptr, sendFormat, 3221225472u, 0x103FFF);
    ASSERT_TRUE(bar.show());
    EXPECT_TRUE(bar.update(2684354560u));
    EXPECT_EQ(text(bar.hwnd), "Sending file...\n\rbyte 2684354560 of 3221225472");
    int at = position(bar.hwnd);
    PBRANGE range = {0, 0};
    SendDlgItemMessageA(bar.hwnd, IDC_PROG_BAR, PBM_GETRANGE, FALSE, LPARAM(&range));
    EXPECT_EQ(range.iLow, 0);
    ASSERT_GT(range.iHigh, 0);
    EXPECT_NEAR(double(at) / double(range.iHigh), 2684354560.0 / 3221225472.0, 0.01);
}

TEST_F(ProgressDialog, UpdateAfterAbortReturnsFalseAndLeavesBarAndText)
{
    progressBar bar(nullptr, sendFormat, 1300, 0x103FFF);
    ASSERT_TRUE(bar.show());
    ASSERT_TRUE(bar.update(100));
    HWND dialog = bar.hwnd;
    std::string before = text(dialog);
    // The window goes with the abort; keep what it showed through a copy of
    // its controls' state taken just before.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROG_ABORT, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDC_PROG_ABORT)));
    EXPECT_TRUE(bar.isAborted());
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(bar.update(900));
    EXPECT_FALSE(bar.update(1300));
    EXPECT_EQ(before, "Sending file...\n\rbyte 100 of 1300");
}

TEST_F(ProgressDialog, AbortThroughThePumpStopsTheOperation)
{
    progressBar bar(nullptr, sendFormat, 10000, 0x103FFF);
    ASSERT_TRUE(bar.show());
    UpdateWindow(bar.hwnd);
    app.pumpMessages();
    HWND button = GetDlgItem(bar.hwnd, IDC_PROG_ABORT);
    PostMessageA(bar.hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROG_ABORT, BN_CLICKED), LPARAM(button));
    int done = 0;
    while (done < 10000 && bar.update(done)) {
        app.pumpMessages();
        done += 10;
    }
    EXPECT_LT(done, 10000);
    EXPECT_TRUE(bar.isAborted());
}

TEST_F(ProgressDialog, DestroyingTheWindowCountsAsAbort)
{
    progressBar bar(nullptr, sendFormat, 1300, 0x103FFF);
    ASSERT_TRUE(bar.show());
    EXPECT_TRUE(bar.update(10));
    DestroyWindow(bar.hwnd);
    EXPECT_TRUE(bar.isAborted());
    EXPECT_EQ(bar.hwnd, nullptr);
    EXPECT_FALSE(bar.update(20));
}

TEST_F(ProgressDialog, AltF4IsAnAbortAndKeepsTheObject)
{
    progressBar bar(nullptr, sendFormat, 1300, 0x103FFF);
    ASSERT_TRUE(bar.show());
    HWND button = GetDlgItem(bar.hwnd, IDC_PROG_ABORT);
    PostMessageA(button, WM_SYSKEYDOWN, VK_F4, 0x20000001);
    EXPECT_TRUE(pumpUntil(app, [&] { return bar.isAborted(); }, 3000));
    EXPECT_FALSE(bar.update(5));
}

TEST_F(ProgressDialog, FocusReturnsToTheControlThatHadIt)
{
    ASSERT_EQ(GetFocus(), owner);
    {
        progressBar bar(nullptr, sendFormat, 1300, 0x103FFF);
        ASSERT_TRUE(bar.show());
        SetFocus(GetDlgItem(bar.hwnd, IDC_PROG_ABORT));
        EXPECT_NE(GetFocus(), owner);
        bar.update(1);
        app.pumpMessages();
    }
    EXPECT_EQ(GetFocus(), owner);
}

TEST_F(ProgressDialog, FocusOnAWindowThatWentIsNotRestored)
{
    HWND gone = CreateWindowExA(0, "EDIT", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SetFocus(gone);
    {
        progressBar bar(nullptr, sendFormat, 1300, 0x103FFF);
        ASSERT_TRUE(bar.show());
        DestroyWindow(gone);
        SetFocus(owner);
    }
    EXPECT_EQ(GetFocus(), owner);
}

TEST_F(ProgressDialog, InsideTheTerminalTheFocusGoesBackToTheSendBox)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    HWND box = t.item(IDC_SENDBOX);
    SetFocus(box);
    ASSERT_EQ(GetFocus(), box);
    {
        progressBar bar(t.client, "Performing...\n\rbyte %d of %d", 2048, 0x10FF3F);
        ASSERT_TRUE(bar.show());
        UpdateWindow(bar.hwnd);
        t.app.pumpMessages();
        EXPECT_TRUE(bar.update(1024));
        EXPECT_EQ(text(bar.hwnd), "Performing...\n\rbyte 1024 of 2048");
        t.app.pumpMessages();
    }
    EXPECT_EQ(GetFocus(), box);
    EXPECT_TRUE(IsWindow(t.dialog()));
}

TEST_F(ProgressDialog, ScreenshotOfTheProgressDialog)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    progressBar bar(t.client, sendFormat, 1300, 0x103FFF);
    ASSERT_TRUE(bar.show());
    UpdateWindow(bar.hwnd);
    t.app.pumpMessages();
    EXPECT_TRUE(bar.update(512));
    RedrawWindow(bar.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpFor(t.app, 300);
    EXPECT_TRUE(screenshot(bar.hwnd, "screenshot-progress.bmp"));
    // The filled part of the bar shows the colour asked for, not the theme's.
    HWND control = GetDlgItem(bar.hwnd, IDC_PROG_BAR);
    RECT r;
    GetClientRect(control, &r);
    POINT inside = {r.right / 10, r.bottom / 2};
    ClientToScreen(control, &inside);
    HDC screen = GetDC(nullptr);
    COLORREF shown = GetPixel(screen, inside.x, inside.y);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(shown, COLORREF(0x103FFF));
}
