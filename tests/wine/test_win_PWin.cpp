#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "helpers/MessageBoxAnswerer.h"
#include "helpers/Pump.h"
#include "win/PWin.h"

namespace {


void pumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A framework window that records what reaches its windowProc.
class Recorder : public PWin
{
public:
    Recorder(PWin *parentObj, const char *text) : PWin(parentObj, text) {}
    Recorder(PWin *parentObj, int childId, int l, int t, int w, int h)
        : PWin(parentObj, childId, l, t, w, h, nullptr)
    {
    }
    ~Recorder() override
    {
        if (deletions)
            deletions->push_back(name);
    }

    LRESULT windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(msg);
        if (msg == WM_CREATE)
            hwndAtCreate = hwnd;
        if (msg == WM_DESTROY) {
            sawDestroy = true;
            hwndAtDestroy = hwnd;
            boundAtDestroy = fromHandle(wnd) != nullptr;
            childrenLeftAtDestroy = childCount();
            procAtDestroy = GetWindowLongPtrA(wnd, GWLP_WNDPROC);
            prevProcAtDestroy = prevProc;
        }
        if (msg == WM_DRAWITEM) {
            ++drawItems;
            return TRUE;
        }
        if (msg == WM_SYSCOMMAND && swallowSysCommand)
            return 0;
        return PWin::windowProc(wnd, msg, wParam, lParam);
    }

    int count(UINT msg) const
    {
        int n = 0;
        for (UINT m : seen)
            n += m == msg;
        return n;
    }

    std::vector<UINT> seen;
    HWND hwndAtCreate = reinterpret_cast<HWND>(1);
    HWND hwndAtDestroy = reinterpret_cast<HWND>(1);
    bool sawDestroy = false;
    bool boundAtDestroy = true;
    int childrenLeftAtDestroy = -1;
    LONG_PTR procAtDestroy = 0;
    WNDPROC prevProcAtDestroy = reinterpret_cast<WNDPROC>(1);
    int drawItems = 0;
    bool swallowSysCommand = false;
    std::vector<std::string> *deletions = nullptr;
    std::string name;
};

// A system button made by the framework, so it is subclassed and bound.
class ButtonChild : public Recorder
{
public:
    ButtonChild(PWin *parentObj, int childId) : Recorder(parentObj, childId, 5, 5, 60, 20)
    {
        style |= BS_OWNERDRAW;
    }
    const char *className() override { return "button"; }
};

// A window over others; a button, since a static lets the pointer through.
HWND topLevelAt(const RECT &r)
{
    return CreateWindowExA(WS_EX_TOPMOST, "button", "", WS_POPUP | WS_VISIBLE, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

class PWinTest : public testing::Test
{
protected:
    void SetUp() override
    {
        // Keep the real pointer away from the windows under test.
        SetCursorPos(1270, 1010);
    }
    void TearDown() override { pumpPending(); }
};

} // namespace

TEST_F(PWinTest, MessagesBeforeCreateGetTheDefaultProcedureAndCreateFindsHwndStillNull)
{
    Recorder *w = new Recorder(nullptr, "binding");
    w->style = WS_OVERLAPPEDWINDOW;
    ASSERT_TRUE(w->create());
    ASSERT_NE(w->hwnd, nullptr);
    ASSERT_FALSE(w->seen.empty());
    EXPECT_EQ(w->seen.front(), UINT(WM_CREATE));
    EXPECT_EQ(w->count(WM_NCCREATE), 0);
    EXPECT_EQ(w->hwndAtCreate, nullptr);
    EXPECT_EQ(PWin::fromHandle(w->hwnd), w);
    char text[32] = "";
    GetWindowTextA(w->hwnd, text, sizeof text);
    EXPECT_STREQ(text, "binding");
    delete w;
}

TEST_F(PWinTest, DestroyUnbindsBeforeWindowProcAndClearsHwnd)
{
    Recorder *w = new Recorder(nullptr, "unbind");
    w->style = WS_OVERLAPPEDWINDOW;
    ASSERT_TRUE(w->create());
    HWND wnd = w->hwnd;
    DestroyWindow(wnd);
    EXPECT_TRUE(w->sawDestroy);
    EXPECT_EQ(w->hwndAtDestroy, nullptr);
    EXPECT_FALSE(w->boundAtDestroy);
    EXPECT_EQ(w->hwnd, nullptr);
    // The object outlives its window and can be deleted afterwards.
    delete w;
}

TEST_F(PWinTest, SubclassedControlHasItsProcedureBackAtDestroy)
{
    Recorder *frame = new Recorder(nullptr, "frame");
    frame->style = WS_OVERLAPPEDWINDOW;
    ButtonChild *button = new ButtonChild(frame, 77);
    ASSERT_TRUE(frame->create());
    ASSERT_NE(button->hwnd, nullptr);
    EXPECT_TRUE(button->hasFlag(PWin::foreignClass));
    EXPECT_TRUE(button->hasFlag(PWin::subclassed));
    EXPECT_EQ(PWin::fromHandle(button->hwnd), button);
    EXPECT_EQ(GetWindowLongPtrA(button->hwnd, GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(PWin::frameworkProc));
    LONG_PTR original = reinterpret_cast<LONG_PTR>(button->prevProc);
    ASSERT_NE(original, 0);

    DestroyWindow(button->hwnd);
    EXPECT_TRUE(button->sawDestroy);
    EXPECT_EQ(button->procAtDestroy, original);
    EXPECT_EQ(button->prevProcAtDestroy, nullptr);
    EXPECT_FALSE(button->boundAtDestroy);
    EXPECT_EQ(button->hwnd, nullptr);
    delete frame;
}

TEST_F(PWinTest, DrawItemIsReflectedToTheControlOnce)
{
    Recorder *frame = new Recorder(nullptr, "reflect");
    frame->style = WS_OVERLAPPEDWINDOW;
    Recorder *control = new Recorder(frame, 42, 0, 0, 80, 40);
    ASSERT_TRUE(frame->create());
    // A window inside the control with the control's own id: a second
    // reflection would land there.
    HWND inner = CreateWindowExA(0, "static", "", WS_CHILD, 0, 0, 10, 10, control->hwnd,
                                 reinterpret_cast<HMENU>(INT_PTR(42)), GetModuleHandleA(nullptr),
                                 nullptr);
    ASSERT_NE(inner, nullptr);
    ASSERT_EQ(GetDlgItem(control->hwnd, 42), inner);

    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = 42;
    dis.hwndItem = control->hwnd;
    SendMessageA(frame->hwnd, WM_DRAWITEM, 42, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(frame->drawItems, 0);
    EXPECT_EQ(control->drawItems, 1);

    // An item the window does not have stays with the window itself.
    SendMessageA(frame->hwnd, WM_DRAWITEM, 99, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(frame->drawItems, 1);
    // wParam 0 (a menu) is never reflected.
    SendMessageA(frame->hwnd, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(frame->drawItems, 2);
    EXPECT_EQ(control->drawItems, 1);
    delete frame;
}

TEST_F(PWinTest, CloseCommandOfAPlainWindowReachesWindowProc)
{
    Recorder *w = new Recorder(nullptr, "close");
    w->style = WS_OVERLAPPEDWINDOW;
    w->swallowSysCommand = true;
    ASSERT_TRUE(w->create());
    SendMessageA(w->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(w->count(WM_SYSCOMMAND), 1);
    EXPECT_TRUE(IsWindow(w->hwnd));
    delete w;
}

namespace {

LRESULT CALLBACK foreignProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

class NamedClass : public PWin
{
public:
    explicit NamedClass(const char *name) : PWin(nullptr, nullptr), name_(name) {}
    const char *className() override { return name_; }
    const char *name_;
};

} // namespace

TEST_F(PWinTest, RegisterClassKeepsAnExistingClassOfTheModule)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = foreignProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WinTestExisting";
    ASSERT_NE(RegisterClassA(&wc), 0);

    NamedClass obj("WinTestExisting");
    EXPECT_TRUE(obj.registerClass());
    EXPECT_FALSE(obj.hasFlag(PWin::foreignClass));
    WNDCLASSA got = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WinTestExisting", &got));
    EXPECT_EQ(got.lpfnWndProc, foreignProc);
}

TEST_F(PWinTest, RegisterClassMarksSystemClassesForeignAndRegistersNew)
{
    NamedClass edit("edit");
    EXPECT_TRUE(edit.registerClass());
    EXPECT_TRUE(edit.hasFlag(PWin::foreignClass));

    NamedClass fresh("WinTestFresh");
    EXPECT_TRUE(fresh.registerClass());
    EXPECT_FALSE(fresh.hasFlag(PWin::foreignClass));
    WNDCLASSA got = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WinTestFresh", &got));
    EXPECT_EQ(got.lpfnWndProc, PWin::frameworkProc);
    EXPECT_EQ(got.style, UINT(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(got.cbWndExtra, 4);
    // Asking again finds it registered.
    EXPECT_TRUE(fresh.registerClass());

    NamedClass none(nullptr);
    EXPECT_FALSE(none.registerClass());
}

TEST_F(PWinTest, FailedCreationIsReportedAndCreateGoesOn)
{
    MessageBoxAnswerer answerer(IDOK);
    Recorder *w = new Recorder(nullptr, "orphan");
    // A child window without a parent window cannot be made.
    w->style = WS_CHILD | WS_VISIBLE;
    EXPECT_TRUE(w->create());
    EXPECT_EQ(w->hwnd, nullptr);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "Descrizione Errore");
    delete w;
}

TEST_F(PWinTest, ReportSystemErrorShowsTheSystemText)
{
    MessageBoxAnswerer answerer(IDOK);
    reportSystemError(ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "Descrizione Errore");
    EXPECT_FALSE(answerer.text(0).empty());
}

TEST_F(PWinTest, SetTextStoresACopyAndUpdatesTheWindow)
{
    Recorder *w = new Recorder(nullptr, "old");
    w->style = WS_OVERLAPPEDWINDOW;
    ASSERT_TRUE(w->create());
    char buf[] = "new title";
    w->setText(buf);
    buf[0] = 'X';
    EXPECT_STREQ(w->title, "new title");
    char text[32] = "";
    GetWindowTextA(w->hwnd, text, sizeof text);
    EXPECT_STREQ(text, "new title");
    w->setText(nullptr);
    EXPECT_EQ(w->title, nullptr);
    delete w;
}

TEST_F(PWinTest, IsInClientAndIsInWindowIncludeTheEdges)
{
    Recorder *w = new Recorder(nullptr, "edges");
    w->style = WS_POPUP | WS_VISIBLE;
    w->x = 100;
    w->y = 100;
    w->width = 50;
    w->height = 40;
    ASSERT_TRUE(w->create());
    EXPECT_TRUE(w->isInClient(POINT{0, 0}));
    EXPECT_TRUE(w->isInClient(POINT{50, 40}));
    EXPECT_FALSE(w->isInClient(POINT{51, 40}));
    EXPECT_FALSE(w->isInClient(POINT{-1, 0}));
    EXPECT_TRUE(w->isInWindow(POINT{100, 100}));
    EXPECT_TRUE(w->isInWindow(POINT{150, 140}));
    EXPECT_FALSE(w->isInWindow(POINT{150, 141}));
    delete w;
}

// ---- child list ----

namespace {

// Notes the moment a watched window gets WM_DESTROY, with its object's child
// count, whatever class the object has got down to in its destructor.
HWND watchedWindow = nullptr;
PWin *watchedObject = nullptr;
std::vector<std::string> *watchLog = nullptr;

LRESULT CALLBACK watchDestroy(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *cwp = reinterpret_cast<const CWPSTRUCT *>(lParam);
    if (code == HC_ACTION && cwp->message == WM_DESTROY && cwp->hwnd == watchedWindow && watchLog)
        watchLog->push_back("parent window, children " + std::to_string(watchedObject->childCount()));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(PWinTest, DeletingAParentDeletesItsChildrenInListOrderAndEmptiesTheListBeforeItsWindowGoes)
{
    std::vector<std::string> deletions;
    Recorder *frame = new Recorder(nullptr, "family");
    frame->style = WS_OVERLAPPEDWINDOW;
    const char *names[] = {"first", "second", "third"};
    for (int i = 0; i < 3; ++i) {
        Recorder *c = new Recorder(frame, 10 + i, 0, 0, 20, 20);
        c->deletions = &deletions;
        c->name = names[i];
    }
    ASSERT_TRUE(frame->create());
    EXPECT_EQ(frame->childCount(), 3);
    watchedWindow = frame->hwnd;
    watchedObject = frame;
    watchLog = &deletions;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchDestroy, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    delete frame;
    UnhookWindowsHookEx(hook);
    watchLog = nullptr;
    std::vector<std::string> expected = {"first", "second", "third", "parent window, children 0"};
    EXPECT_EQ(deletions, expected);
}

TEST_F(PWinTest, RemovingTheLastChildMakesItsPredecessorLast)
{
    PWin parentObj(nullptr, nullptr);
    PWin *a = new PWin(&parentObj, nullptr);
    PWin *b = new PWin(&parentObj, nullptr);
    PWin *c = new PWin(&parentObj, nullptr);
    EXPECT_EQ(parentObj.firstChild(), a);
    EXPECT_EQ(parentObj.lastChild, c);
    EXPECT_EQ(c->nextSibling, a);

    parentObj.removeChild(c);
    EXPECT_EQ(parentObj.lastChild, b);
    EXPECT_EQ(b->nextSibling, a);
    EXPECT_EQ(parentObj.childCount(), 2);
    delete c;  // no longer in the list: its own unlink is ignored

    PWin stranger(nullptr, nullptr);
    parentObj.removeChild(&stranger);
    EXPECT_EQ(parentObj.childCount(), 2);

    parentObj.removeChild(a);
    EXPECT_EQ(parentObj.lastChild, b);
    EXPECT_EQ(b->nextSibling, b);
    delete a;
    parentObj.removeChild(b);
    EXPECT_EQ(parentObj.lastChild, nullptr);
    EXPECT_EQ(parentObj.firstChild(), nullptr);
    delete b;
}

TEST_F(PWinTest, IterationSurvivesAChildDeletingItself)
{
    PWin parentObj(nullptr, nullptr);
    PWin *kids[4];
    for (auto &k : kids)
        k = new PWin(&parentObj, nullptr);
    std::vector<PWin *> visited;
    parentObj.forEachChild([&](PWin *c) {
        visited.push_back(c);
        delete c;
    });
    ASSERT_EQ(visited.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(visited[i], kids[i]);
    EXPECT_EQ(parentObj.lastChild, nullptr);
}

TEST_F(PWinTest, FindChildReturnsTheFirstMatchOrNull)
{
    PWin parentObj(nullptr, nullptr);
    PWin *a = new PWin(&parentObj, 1, 0, 0, 1, 1, nullptr);
    PWin *b = new PWin(&parentObj, 2, 0, 0, 1, 1, nullptr);
    PWin *c = new PWin(&parentObj, 2, 0, 0, 1, 1, nullptr);
    (void)a;
    (void)c;
    EXPECT_EQ(parentObj.findChild([](PWin *w) { return w->id == 2; }), b);
    EXPECT_EQ(parentObj.findChild([](PWin *w) { return w->id == 9; }), nullptr);
}

TEST_F(PWinTest, ConstructorsSetTheirDefaults)
{
    PWin top(nullptr, "t");
    EXPECT_EQ(top.x, int(CW_USEDEFAULT));
    EXPECT_EQ(top.height, int(CW_USEDEFAULT));
    EXPECT_EQ(top.style, uint32_t(WS_VISIBLE));
    EXPECT_EQ(top.nextSibling, nullptr);
    RECT r = {10, 20, 110, 70};
    PWin *child = new PWin(&top, 7, r, nullptr);
    EXPECT_EQ(child->x, 10);
    EXPECT_EQ(child->y, 20);
    EXPECT_EQ(child->width, 100);
    EXPECT_EQ(child->height, 50);
    EXPECT_EQ(child->style, uint32_t(WS_CHILD | WS_VISIBLE | WS_TABSTOP));
    EXPECT_EQ(child->title, nullptr);
    EXPECT_EQ(child->parent, &top);
    EXPECT_EQ(top.lastChild, child);
}

TEST_F(PWinTest, IdleWorkAsksEveryChildFirstThenOnlyThoseThatWantMore)
{
    struct Idler : PWin {
        Idler(PWin *p, int wantUntil) : PWin(p, nullptr), until(wantUntil) {}
        bool idleWork(int n) override
        {
            calls.push_back(n);
            return n < until;
        }
        int until;
        std::vector<int> calls;
    };
    PWin root(nullptr, nullptr);
    Idler *eager = new Idler(&root, 2);
    Idler *lazy = new Idler(&root, 0);
    EXPECT_TRUE(root.idleWork(0));
    EXPECT_TRUE(eager->hasFlag(PWin::wantsIdle));
    EXPECT_FALSE(lazy->hasFlag(PWin::wantsIdle));
    EXPECT_TRUE(root.idleWork(1));
    EXPECT_FALSE(root.idleWork(2));
    EXPECT_FALSE(root.idleWork(3));
    EXPECT_EQ(eager->calls, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(lazy->calls, (std::vector<int>{0}));
    EXPECT_TRUE(root.idleWork(0));
    EXPECT_EQ(lazy->calls, (std::vector<int>{0, 0}));

    PWin alone(nullptr, nullptr);
    EXPECT_FALSE(alone.idleWork(0));
}

TEST_F(PWinTest, ChildOrderPutsHigherNumbersOnTop)
{
    Recorder *frame = new Recorder(nullptr, "order");
    frame->style = WS_OVERLAPPEDWINDOW;
    Recorder *a = new Recorder(frame, 1, 0, 0, 20, 20);
    Recorder *b = new Recorder(frame, 2, 0, 0, 20, 20);
    Recorder *c = new Recorder(frame, 3, 0, 0, 20, 20);
    a->childOrder = 1;
    b->childOrder = 3;
    c->childOrder = 2;
    ASSERT_TRUE(frame->create());
    HWND top = GetWindow(frame->hwnd, GW_CHILD);
    EXPECT_EQ(top, b->hwnd);
    EXPECT_EQ(GetWindow(top, GW_HWNDNEXT), c->hwnd);
    EXPECT_EQ(GetWindow(c->hwnd, GW_HWNDNEXT), a->hwnd);
    delete frame;
}

// ---- mouse tracking ----

namespace {

struct Event
{
    char kind;  // 'E'nter, 'O'ver, 'L'eave
    POINT pt;
    UINT keys;
};

class Tracker : public PWin
{
public:
    Tracker() : PWin(nullptr, "tracker")
    {
        style = WS_POPUP | WS_VISIBLE;
        x = 100;
        y = 100;
        width = 200;
        height = 150;
    }
    void mouseEnter(const POINT &pt, UINT keys) override { events.push_back({'E', pt, keys}); }
    void mouseOver(const POINT &pt, UINT keys) override { events.push_back({'O', pt, keys}); }
    void mouseLeave(const POINT &pt, UINT keys) override { events.push_back({'L', pt, keys}); }

    void move(int cx, int cy, UINT keys = 0)
    {
        SendMessageA(hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(cx, cy));
    }
    std::string kinds() const
    {
        std::string s;
        for (const Event &e : events)
            s += e.kind;
        return s;
    }
    std::vector<Event> events;
};

class TrackingTest : public PWinTest
{
protected:
    void SetUp() override
    {
        PWinTest::SetUp();
        t = new Tracker;
        ASSERT_TRUE(t->create());
        EXPECT_FALSE(t->setMouseTracking(true));
        pumpPending();
        t->events.clear();
    }
    void TearDown() override
    {
        delete t;
        if (GetCapture())
            ReleaseCapture();
        PWinTest::TearDown();
    }
    Tracker *t = nullptr;
};

} // namespace

TEST_F(TrackingTest, EnterOverAndLeaveFollowThePointerWithTheCapture)
{
    t->move(10, 10);
    EXPECT_EQ(t->kinds(), "E");
    EXPECT_EQ(GetCapture(), t->hwnd);
    EXPECT_TRUE(t->trackFlags & PWin::pointerInside);
    t->move(20, 30, MK_SHIFT);
    EXPECT_EQ(t->kinds(), "EO");
    EXPECT_EQ(t->events[1].pt.x, 20);
    EXPECT_EQ(t->events[1].pt.y, 30);
    EXPECT_EQ(t->events[1].keys, UINT(MK_SHIFT));
    t->move(300, 10);
    EXPECT_EQ(t->kinds(), "EOL");
    EXPECT_EQ(t->events[2].pt.x, 300);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(t->trackFlags & PWin::pointerInside);
}

TEST_F(TrackingTest, PointLeftOfTheWindowIsOutside)
{
    t->move(10, 10);
    // Under capture, a point left of the window arrives as a large unsigned x.
    SendMessageA(t->hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(-5, 10));
    EXPECT_EQ(t->kinds(), "EL");
    EXPECT_EQ(t->events[1].pt.x, 65531);
}

TEST_F(TrackingTest, HeldButtonKeepsTheCaptureUntilReleaseGivesLeave)
{
    t->move(10, 10);
    t->move(300, 10, MK_LBUTTON);
    EXPECT_EQ(t->kinds(), "EO");
    EXPECT_EQ(GetCapture(), t->hwnd);
    SendMessageA(t->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 10));
    EXPECT_EQ(t->kinds(), "EO");  // the move is posted, not sent
    ASSERT_TRUE(pumpUntil([&] { return t->kinds() == "EOL"; }));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TrackingTest, ButtonDownRepostsAMoveThatGivesEnter)
{
    SendMessageA(t->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 15));
    ASSERT_TRUE(pumpUntil([&] { return t->kinds() == "E"; }));
    EXPECT_EQ(t->events[0].keys, UINT(MK_LBUTTON));
}

TEST_F(TrackingTest, ACoveredPointCountsAsOutside)
{
    RECT cover = {150, 150, 250, 200};  // over client point (50, 50)
    HWND lid = topLevelAt(cover);
    ASSERT_NE(lid, nullptr);
    pumpPending();
    t->move(10, 10);
    t->move(60, 60);
    EXPECT_EQ(t->kinds(), "EL");
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(lid);
}

TEST_F(TrackingTest, SwitchingOffInsideGivesLeaveAtOrigin)
{
    t->move(10, 10);
    EXPECT_TRUE(t->setMouseTracking(false));
    EXPECT_EQ(t->kinds(), "EL");
    EXPECT_EQ(t->events[1].pt.x, 0);
    EXPECT_EQ(t->events[1].pt.y, 0);
    EXPECT_EQ(t->events[1].keys, 0u);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(t->setMouseTracking(false));
    EXPECT_EQ(t->kinds(), "EL");
    t->move(10, 10);
    EXPECT_EQ(t->kinds(), "EL");  // off: moves are not tracked
    EXPECT_FALSE(t->setMouseTracking(true));
    EXPECT_TRUE(t->setMouseTracking(true));
}
