#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/PAppl.h"
#include "app/PMainWin.h"
#include "tests/wine/res/winTestIds.h"
#include "win/PModDialog.h"

namespace {

const UINT WM_LONGOP = WM_APP + 1;
const UINT WM_STEP = WM_APP + 2;
const UINT WM_WAKE = WM_APP + 3;
const UINT WM_CLAIMED = WM_APP + 5;
const UINT WM_PASSED = WM_APP + 6;

// Empties this thread's queue (WM_QUIT included) so tests do not leak into
// each other.
void drainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// Ends a loop that would otherwise wait for ever.
bool watchdogFired = false;
void CALLBACK watchdog(HWND, UINT, UINT_PTR timer, DWORD)
{
    watchdogFired = true;
    KillTimer(nullptr, timer);
    PostQuitMessage(0);
}

class Watchdog
{
public:
    explicit Watchdog(UINT ms = 5000)
    {
        watchdogFired = false;
        timer = SetTimer(nullptr, 0, ms, watchdog);
    }
    ~Watchdog() { KillTimer(nullptr, timer); }
    UINT_PTR timer;
};

// A child window that wants idle time for a while.
class Idler : public PWin
{
public:
    Idler(PWin *parentObj) : PWin(parentObj, 1, 0, 0, 10, 10, nullptr) {}
    bool idleWork(int n) override
    {
        calls.push_back(n);
        if (calls.size() <= 3)
            return true;
        if (calls.size() == 4)
            PostMessageA(parent->hwnd, WM_WAKE, 0, 0);  // something to wait for
        else
            PostQuitMessage(0);
        return false;
    }
    std::vector<int> calls;
};

// A child window that notes which queued messages are offered to it.
class Listener : public PWin
{
public:
    Listener(PWin *parentObj, std::string *logTo)
        : PWin(parentObj, 2, 0, 0, 10, 10, nullptr), log(logTo)
    {
    }
    bool preTranslate(MSG *msg) override
    {
        if (msg->message == WM_CLAIMED || msg->message == WM_PASSED)
            *log += "child-pre ";
        return false;
    }
    LRESULT windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_CLAIMED || msg == WM_PASSED)
            *log += "child-proc ";
        return PWin::windowProc(wnd, msg, wParam, lParam);
    }
    std::string *log;
};

class TestFrame : public PMainWin
{
public:
    TestFrame() : PMainWin("test frame")
    {
        style &= ~uint32_t(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
        style |= WS_CLIPCHILDREN;
        width = 30;
        height = 30;
    }
    bool create() override
    {
        if (!PMainWin::create())
            return false;
        if (client)
            fitToClient(client);
        if (startLongOp)
            PostMessageA(hwnd, WM_LONGOP, 0, 0);
        return true;
    }
    bool preTranslate(MSG *msg) override
    {
        if (msg->message == WM_CLAIMED || msg->message == WM_PASSED)
            log += "frame-pre ";
        return msg->message == WM_CLAIMED;
    }
    LRESULT windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_WAKE)
            log += "wake ";
        if (msg == WM_STEP)
            log += "step ";
        if (msg == WM_LONGOP) {
            // A long operation that pumps between its steps.
            PostQuitMessage(0);
            PAppl::instance()->pumpMessages();
            quittingDuringOp = PAppl::instance()->quitting;
            PostMessageA(wnd, WM_STEP, 0, 0);
            PAppl::instance()->pumpMessages();
            log += "op-done ";
            return 0;
        }
        return PMainWin::windowProc(wnd, msg, wParam, lParam);
    }

    PWin *client = nullptr;
    bool startLongOp = false;
    int quittingDuringOp = -1;
    std::string log;
};

class TestAppl : public PAppl
{
public:
    enum Kind { none, failing, idling, longOp };
    explicit TestAppl(Kind k) : PAppl(GetModuleHandleA(nullptr), SW_SHOWNOACTIVATE), kind(k) {}

    PWin *createMainWindow(const char *title, HINSTANCE) override
    {
        givenTitle = title ? title : "";
        if (kind == none)
            return nullptr;
        if (kind == failing) {
            struct Unregistrable : PMainWin {
                Unregistrable() : PMainWin("x") {}
                const char *className() override { return nullptr; }
            };
            return new Unregistrable;
        }
        TestFrame *f = new TestFrame;
        frame = f;
        if (kind == idling)
            idler = new Idler(f);
        f->startLongOp = kind == longOp;
        return f;
    }
    int quitCode(WPARAM code) override { return int(code) + offset; }

    Kind kind;
    int offset = 0;
    std::string givenTitle;
    TestFrame *frame = nullptr;
    Idler *idler = nullptr;
};

class ApplTest : public testing::Test
{
protected:
    void SetUp() override { drainQueue(); }
    void TearDown() override { drainQueue(); }
};

} // namespace

TEST_F(ApplTest, ConstructorRecordsTheInstanceAndTheApplication)
{
    TestAppl app(TestAppl::none);
    EXPECT_EQ(PAppl::instance(), &app);
    EXPECT_EQ(appInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(app.showCmd, SW_SHOWNOACTIVATE);
    EXPECT_EQ(app.idleCount, 0u);
    EXPECT_EQ(app.quitting, 0);
    EXPECT_EQ(app.mainWindow, nullptr);
    EXPECT_STREQ(appClassName(), "pAppl Base");
}

TEST_F(ApplTest, RunReturnsZeroWhenNoMainWindowIsMade)
{
    TestAppl app(TestAppl::none);
    EXPECT_EQ(app.run("Line Talk"), 0);
    EXPECT_EQ(app.givenTitle, "Line Talk");
    EXPECT_EQ(app.mainWindow, nullptr);
}

TEST_F(ApplTest, RunReturnsZeroWhenTheMainWindowCannotBeCreated)
{
    TestAppl app(TestAppl::failing);
    EXPECT_EQ(app.run("t"), 0);
    ASSERT_NE(app.mainWindow, nullptr);  // kept, and deleted with the application
    EXPECT_EQ(app.mainWindow->hwnd, nullptr);
}

TEST_F(ApplTest, IdleCountsGrowWhileWantedAndRestartAfterAWait)
{
    TestAppl app(TestAppl::idling);
    Watchdog dog;
    EXPECT_EQ(app.run("t"), 0);
    EXPECT_FALSE(watchdogFired);
    ASSERT_NE(app.idler, nullptr);
    // Never waited while the child wanted more; waited once it did not.
    EXPECT_EQ(app.idler->calls, (std::vector<int>{0, 1, 2, 3, 0}));
    EXPECT_NE(app.frame->log.find("wake"), std::string::npos);
}

TEST_F(ApplTest, QuitTakenByANestedPumpDoesNotStopTheOperation)
{
    TestAppl app(TestAppl::longOp);
    Watchdog dog;
    int result = app.run("t");
    EXPECT_FALSE(watchdogFired);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(app.frame->quittingDuringOp, 1);
    EXPECT_EQ(app.frame->log, "step op-done ");
    EXPECT_EQ(app.quitting, 1);
}

TEST_F(ApplTest, PumpOneReportsWhatItFoundAndMapsTheQuitCode)
{
    TestAppl app(TestAppl::none);
    app.offset = 100;
    PostQuitMessage(5);
    bool more = false;
    EXPECT_EQ(app.pumpOne(more), 105);
    EXPECT_TRUE(more);
    EXPECT_EQ(app.quitting, 1);
    EXPECT_EQ(app.pumpOne(more), 0);
    EXPECT_FALSE(more);
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    EXPECT_EQ(app.pumpMessages(), 0);
}

TEST_F(ApplTest, QueuedMessagesAreOfferedToTheWindowAndThenItsAncestors)
{
    TestAppl app(TestAppl::none);
    TestFrame *frame = new TestFrame;
    app.mainWindow = frame;
    std::string log;
    Listener *child = new Listener(frame, &log);
    ASSERT_TRUE(frame->create());
    drainQueue();

    PostMessageA(child->hwnd, WM_CLAIMED, 0, 0);
    app.pumpMessages();
    EXPECT_EQ(log + frame->log, "child-pre frame-pre ");  // claimed: not dispatched

    log.clear();
    frame->log.clear();
    PostMessageA(child->hwnd, WM_PASSED, 0, 0);
    app.pumpMessages();
    EXPECT_EQ(frame->log, "frame-pre ");
    EXPECT_EQ(log, "child-pre child-proc ");
}

TEST_F(ApplTest, FrameDefaultsAndQuitOnDestroy)
{
    PMainWin *frame = new PMainWin("plain frame");
    EXPECT_EQ(frame->style, 0x10CF0000u);
    EXPECT_TRUE(frame->exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(frame->hasFlag(PWin::quitOnDestroy));
    EXPECT_STREQ(frame->className(), "PWin");
    EXPECT_EQ(frame->parent, nullptr);
    ASSERT_TRUE(frame->create());
    delete frame;
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(ApplTest, FrameIsSizedAroundItsDialogPlusThreeEdgesAndACaption)
{
    TestAppl app(TestAppl::none);
    TestFrame *frame = new TestFrame;
    app.mainWindow = frame;
    frame->client = new PModDialog(frame, IDD_WT_CHILD);
    ASSERT_TRUE(frame->create());
    frame->setIcon(1);
    ASSERT_NE(frame->client->hwnd, nullptr);
    EXPECT_EQ(frame->style, 0x12C80000u);

    RECT outer, inner;
    GetWindowRect(frame->hwnd, &outer);
    GetWindowRect(frame->client->hwnd, &inner);
    EXPECT_EQ(outer.right - outer.left,
              inner.right - inner.left + 3 * GetSystemMetrics(SM_CXEDGE));
    EXPECT_EQ(outer.bottom - outer.top, inner.bottom - inner.top +
                                            3 * GetSystemMetrics(SM_CYEDGE) +
                                            GetSystemMetrics(SM_CYCAPTION));
    // The dialog sits at the frame's client origin and is shown.
    POINT origin = {0, 0};
    ClientToScreen(frame->hwnd, &origin);
    EXPECT_EQ(inner.left, origin.x);
    EXPECT_EQ(inner.top, origin.y);
    EXPECT_TRUE(IsWindowVisible(frame->client->hwnd));
    EXPECT_NE(SendMessageA(frame->hwnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(frame->hwnd, WM_GETICON, ICON_SMALL, 0), 0);
}
