#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "helpers/MessageBoxAnswerer.h"
#include "helpers/Pump.h"
#include "tests/wine/res/winTestIds.h"
#include "win/PControl.h"
#include "win/PDialog.h"
#include "win/PModDialog.h"

namespace {


void pumpPending()
{
    pumpUntil([] { return true; }, 0);
}

// An edit item of a template, subclassed and bound; records what reaches it.
class EditItem : public PControl
{
public:
    EditItem(PWin *parentObj, int itemId) : PControl(parentObj, itemId) {}
    const char *className() override { return "edit"; }
    LRESULT windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        ++messages;
        if (msg == WM_SETFONT) {
            fontSent = reinterpret_cast<HFONT>(wParam);
            redrawFlag = int(lParam);
        }
        return PControl::windowProc(wnd, msg, wParam, lParam);
    }
    int messages = 0;
    HFONT fontSent = nullptr;
    int redrawFlag = -1;
};

// What a dialog saw when WM_INITDIALOG reached its windowProc.
struct InitView
{
    bool seen = false;
    HWND hwnd = reinterpret_cast<HWND>(1);
    HWND editHwnd = reinterpret_cast<HWND>(1);
    bool editBound = false;
};

// The terminal-style dialog: ends itself on OK/Cancel.
class TestDialog : public PModDialog
{
public:
    explicit TestDialog(PWin *parentObj = nullptr, bool *deletedFlag = nullptr)
        : PModDialog(parentObj, IDD_WT_POPUP), deleted(deletedFlag)
    {
        edit = new EditItem(this, IDC_WT_EDIT);
    }
    ~TestDialog() override
    {
        if (deleted)
            *deleted = true;
    }
    LRESULT windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_INITDIALOG) {
            init.seen = true;
            init.hwnd = hwnd;
            init.editHwnd = edit->hwnd;
            init.editBound = edit->hwnd && fromHandle(edit->hwnd) == edit;
            for (const MSG &m : postAtInit)
                PostMessageA(wnd, m.message, m.wParam, m.lParam);
        }
        if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            commands.push_back(LOWORD(wParam));
        if (msg == WM_CLOSE)
            ++closes;
        return PModDialog::windowProc(wnd, msg, wParam, lParam);
    }
    void postOnInit(UINT msg, WPARAM wParam, LPARAM lParam = 0)
    {
        MSG m = {};
        m.message = msg;
        m.wParam = wParam;
        m.lParam = lParam;
        postAtInit.push_back(m);
    }

    EditItem *edit;
    InitView init;
    std::vector<MSG> postAtInit;
    std::vector<int> commands;
    int closes = 0;
    bool *deleted;
};

// Ends the running modal dialog of this object from a thread timer, which the
// dialog's own loop dispatches.
PDialog *toEnd = nullptr;
void CALLBACK endTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (toEnd && toEnd->hwnd) {
        EndDialog(toEnd->hwnd, 7);
        KillTimer(nullptr, timer);
    }
}

class DialogTest : public testing::Test
{
protected:
    void TearDown() override { pumpPending(); }
};

} // namespace

TEST_F(DialogTest, ModalInitFindsControlsAttachedAndHwndSet)
{
    TestDialog dlg;
    dlg.postOnInit(WM_COMMAND, IDOK);
    EXPECT_EQ(dlg.execute(), 1);
    ASSERT_TRUE(dlg.init.seen);
    EXPECT_NE(dlg.init.hwnd, nullptr);
    EXPECT_NE(dlg.init.editHwnd, nullptr);
    EXPECT_TRUE(dlg.init.editBound);
    EXPECT_TRUE(dlg.hasFlag(PWin::modal));
    // The window went with the end of the dialog; so did the bindings.
    EXPECT_EQ(dlg.hwnd, nullptr);
    EXPECT_EQ(dlg.edit->hwnd, nullptr);
}

TEST_F(DialogTest, AModalDialogCanRunAgainWithItsControlsAttachedAfresh)
{
    TestDialog dlg;
    dlg.postOnInit(WM_COMMAND, IDOK);
    EXPECT_EQ(dlg.execute(), 1);
    dlg.init = InitView();
    EXPECT_EQ(dlg.execute(), 1);
    EXPECT_NE(dlg.init.editHwnd, nullptr);
    EXPECT_TRUE(dlg.init.editBound);
}

TEST_F(DialogTest, ModelessInitComesBeforeAttachmentAndCreateFinishesIt)
{
    TestDialog *dlg = new TestDialog;
    ASSERT_TRUE(dlg->create());
    ASSERT_TRUE(dlg->init.seen);
    EXPECT_EQ(dlg->init.hwnd, nullptr);
    EXPECT_EQ(dlg->init.editHwnd, nullptr);
    ASSERT_NE(dlg->hwnd, nullptr);
    EXPECT_EQ(PWin::fromHandle(dlg->hwnd), dlg);
    EXPECT_EQ(dlg->edit->hwnd, GetDlgItem(dlg->hwnd, IDC_WT_EDIT));
    EXPECT_EQ(PWin::fromHandle(dlg->edit->hwnd), dlg->edit);
    EXPECT_FALSE(dlg->hasFlag(PWin::modal));
    delete dlg;
}

TEST_F(DialogTest, OkAndCancelEndAModalDialogWithOneAndTwo)
{
    TestDialog ok;
    ok.postOnInit(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_EQ(ok.execute(), 1);
    TestDialog cancel;
    cancel.postOnInit(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0x1234));
    EXPECT_EQ(cancel.execute(), 2);
}

TEST_F(DialogTest, OkAndCancelDestroyAModelessWindowButKeepTheObject)
{
    bool deleted = false;
    TestDialog *dlg = new TestDialog(nullptr, &deleted);
    ASSERT_TRUE(dlg->create());
    HWND first = dlg->hwnd;
    SendMessageA(first, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(dlg->hwnd, nullptr);
    EXPECT_EQ(dlg->edit->hwnd, nullptr);
    EXPECT_FALSE(deleted);

    // Made again, with its control attached again.
    ASSERT_TRUE(dlg->create());
    ASSERT_NE(dlg->hwnd, nullptr);
    EXPECT_EQ(PWin::fromHandle(dlg->edit->hwnd), dlg->edit);
    SendMessageA(dlg->hwnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(dlg->hwnd, nullptr);
    EXPECT_FALSE(deleted);
    delete dlg;
    EXPECT_TRUE(deleted);
}

TEST_F(DialogTest, APlainDialogDoesNotEndItselfOnOk)
{
    PDialog *dlg = new PDialog(nullptr, IDD_WT_POPUP);
    ASSERT_TRUE(dlg->create());
    SendMessageA(dlg->hwnd, WM_COMMAND, IDOK, 0);
    SendMessageA(dlg->hwnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindow(dlg->hwnd));
    delete dlg;
}

TEST_F(DialogTest, CloseCommandEndsAModalDialogWithCancel)
{
    TestDialog dlg;
    dlg.postOnInit(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_EQ(dlg.execute(), 2);
    pumpPending();
    // Handled by the framework: neither a close nor a command follows.
    EXPECT_EQ(dlg.closes, 0);
    EXPECT_TRUE(dlg.commands.empty());
}

TEST_F(DialogTest, CloseCommandDeletesAModelessDialogAndUnlinksIt)
{
    PWin owner(nullptr, nullptr);
    bool deleted = false;
    TestDialog *dlg = new TestDialog(&owner, &deleted);
    ASSERT_TRUE(dlg->create());
    HWND wnd = dlg->hwnd;
    EXPECT_EQ(owner.childCount(), 1);
    SendMessageA(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(owner.childCount(), 0);
    pumpPending();
}

TEST_F(DialogTest, RegisterChildClassesStopsAtTheFirstFailure)
{
    MessageBoxAnswerer answerer(IDOK, 1, 5000);
    PModDialog *dlg = new PModDialog(nullptr, IDD_WT_POPUP);
    EditItem *before = new EditItem(dlg, IDC_WT_EDIT);
    PControl *plain = new PControl(dlg, IDC_WT_STATIC);  // no class name
    EditItem *after = new EditItem(dlg, IDC_WT_EDIT2);
    EXPECT_FALSE(dlg->registerChildClasses());
    EXPECT_TRUE(before->hasFlag(PWin::foreignClass));
    EXPECT_FALSE(after->hasFlag(PWin::foreignClass));

    ASSERT_TRUE(dlg->create());
    EXPECT_EQ(PWin::fromHandle(before->hwnd), before);
    // Attached, but neither subclassed nor bound: no messages reach it.
    EXPECT_EQ(after->hwnd, GetDlgItem(dlg->hwnd, IDC_WT_EDIT2));
    EXPECT_EQ(plain->hwnd, GetDlgItem(dlg->hwnd, IDC_WT_STATIC));
    EXPECT_EQ(PWin::fromHandle(after->hwnd), nullptr);
    SendMessageA(after->hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
    SendMessageA(after->hwnd, WM_CHAR, 'a', 0);
    EXPECT_EQ(after->messages, 0);
    SendMessageA(before->hwnd, WM_CHAR, 'a', 0);
    EXPECT_GT(before->messages, 0);

    // Their handles die with the dialog window instead of being destroyed a
    // second time when the objects go.
    delete dlg;
    Sleep(300);
    EXPECT_EQ(answerer.answeredCount(), 0);
}

TEST_F(DialogTest, ModalDialogWithUnboundItemsDeletesWithoutAnErrorReport)
{
    MessageBoxAnswerer answerer(IDOK, 1, 5000);
    {
        PModDialog dlg(nullptr, IDD_WT_POPUP);
        PControl *plain = new PControl(&dlg, IDC_WT_STATIC);
        toEnd = &dlg;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, endTimer);
        EXPECT_EQ(dlg.execute(), 7);
        KillTimer(nullptr, timer);
        toEnd = nullptr;
        EXPECT_EQ(plain->hwnd, nullptr);
    }
    Sleep(300);
    EXPECT_EQ(answerer.answeredCount(), 0);
}

TEST_F(DialogTest, FocusReturnsToTheControlThatHadItBeforeAModalDialog)
{
    PWin *frame = new PWin(nullptr, "owner");
    frame->style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    ASSERT_TRUE(frame->create());
    HWND field = CreateWindowExA(0, "edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 80, 20,
                                 frame->hwnd, reinterpret_cast<HMENU>(INT_PTR(9)),
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(field, nullptr);
    SetForegroundWindow(frame->hwnd);
    SetActiveWindow(frame->hwnd);
    SetFocus(field);
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == field; }));

    TestDialog *dlg = new TestDialog(frame);
    dlg->postOnInit(WM_COMMAND, IDOK);
    EXPECT_EQ(dlg->execute(), 1);
    EXPECT_EQ(dlg->savedFocus, field);
    delete dlg;
    EXPECT_EQ(GetFocus(), field);
    delete frame;
}

TEST_F(DialogTest, DialogClassIsTheSystemDialogAtom)
{
    PDialog dlg(nullptr, IDD_WT_POPUP);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(dlg.className()), UINT_PTR(32770));
    EXPECT_EQ(dlg.id, IDD_WT_POPUP);
    EXPECT_TRUE(dlg.hasFlag(PWin::fromTemplate));
    EXPECT_TRUE(dlg.hasFlag(PWin::isDialog));
    EXPECT_EQ(dlg.savedFocus, nullptr);
}

// ---- control base ----

namespace {

HFONT makeFont()
{
    return CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
}

bool fontAlive(HFONT f)
{
    return GetObjectType(f) == OBJ_FONT;
}

// A button control that makes a window of its own (not a template item).
class OwnButton : public EditItem
{
public:
    OwnButton(PWin *parentObj, int itemId) : EditItem(parentObj, itemId)
    {
        clearFlag(fromTemplate);
        style = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON;
        x = 100;
        y = 40;
        width = 50;
        height = 16;
    }
    const char *className() override { return "button"; }
};

} // namespace

TEST_F(DialogTest, ABorrowedFontIsNeverDeletedByTheControl)
{
    HFONT shared = makeFont();
    {
        PModDialog *dlg = new PModDialog(nullptr, IDD_WT_POPUP);
        EditItem *e = new EditItem(dlg, IDC_WT_EDIT);
        e->setFont(shared, false);
        ASSERT_TRUE(dlg->create());
        e->setFont(nullptr, false);
        e->setFont(shared, false);
        delete dlg;
    }
    EXPECT_TRUE(fontAlive(shared));
    DeleteObject(shared);
}

TEST_F(DialogTest, ReplacingAnOwnedFontDeletesTheOldOne)
{
    HFONT first = makeFont();
    HFONT second = makeFont();
    PModDialog *dlg = new PModDialog(nullptr, IDD_WT_POPUP);
    EditItem *e = new EditItem(dlg, IDC_WT_EDIT);
    e->setFont(first, true);
    e->setFont(first, true);  // the same font again is kept
    EXPECT_TRUE(fontAlive(first));
    e->setFont(second, true);
    EXPECT_FALSE(fontAlive(first));
    EXPECT_TRUE(fontAlive(second));
    delete dlg;
    EXPECT_FALSE(fontAlive(second));
}

TEST_F(DialogTest, AFontSetBeforeCreationIsSentAtCreationWithRedraw)
{
    HFONT f = makeFont();
    PModDialog *dlg = new PModDialog(nullptr, IDD_WT_POPUP);
    EditItem *e = new EditItem(dlg, IDC_WT_EDIT);
    e->setFont(f, false);
    EXPECT_EQ(e->fontSent, nullptr);
    ASSERT_TRUE(dlg->create());
    EXPECT_EQ(e->fontSent, f);
    EXPECT_EQ(e->redrawFlag, 1);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(e->hwnd, WM_GETFONT, 0, 0)), f);
    delete dlg;
    DeleteObject(f);
}

TEST_F(DialogTest, AControlWithItsOwnWindowGetsTheFontWithoutRedraw)
{
    HFONT f = makeFont();
    PModDialog *dlg = new PModDialog(nullptr, IDD_WT_POPUP);
    OwnButton *b = new OwnButton(dlg, 1500);
    b->setFont(f, true);
    ASSERT_TRUE(dlg->create());
    ASSERT_NE(b->hwnd, nullptr);
    EXPECT_EQ(GetParent(b->hwnd), dlg->hwnd);
    EXPECT_EQ(GetDlgCtrlID(b->hwnd), 1500);
    EXPECT_EQ(PWin::fromHandle(b->hwnd), b);
    EXPECT_EQ(b->fontSent, f);
    EXPECT_EQ(b->redrawFlag, 0);
    delete dlg;
    EXPECT_FALSE(fontAlive(f));
}

TEST_F(DialogTest, APlainControlIsAttachedButNotBound)
{
    PModDialog *dlg = new PModDialog(nullptr, IDD_WT_POPUP);
    PControl *plain = new PControl(dlg, IDC_WT_STATIC);
    EXPECT_EQ(plain->className(), nullptr);
    EXPECT_EQ(plain->id, IDC_WT_STATIC);
    ASSERT_TRUE(dlg->create());
    EXPECT_EQ(plain->hwnd, GetDlgItem(dlg->hwnd, IDC_WT_STATIC));
    EXPECT_NE(plain->hwnd, nullptr);
    EXPECT_EQ(PWin::fromHandle(plain->hwnd), nullptr);
    EXPECT_FALSE(plain->hasFlag(PWin::subclassed));
    delete dlg;
}

TEST_F(DialogTest, AMissingItemLeavesTheControlWithoutWindowAndCreateStillSucceeds)
{
    PModDialog *dlg = new PModDialog(nullptr, IDD_WT_POPUP);
    EditItem *ghost = new EditItem(dlg, 1999);
    HFONT f = makeFont();
    ghost->setFont(f, true);
    ASSERT_TRUE(dlg->create());
    EXPECT_EQ(ghost->hwnd, nullptr);
    EXPECT_TRUE(ghost->create());
    delete dlg;
    EXPECT_FALSE(fontAlive(f));
}
