#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/PAppl.h"
#include "helpers/Pump.h"
#include "tests/wine/res/controlsIds.h"
#include "win/PDialog.h"
#include "win/PEdit.h"
#include "win/PEditSel.h"
#include "win/PEditSend.h"
#include "win/PFilter.h"
#include "win/myBinaryFilter.h"
#include "win/myHexFilter.h"
#include "win/myNumbFilter.h"

namespace {

// What each item's own procedure received, and a way to make an item lie
// about its selection (as if the text changed under the filter's feet).
struct ItemSpy
{
    WNDPROC original = nullptr;
    std::vector<WPARAM> keyDowns;
    bool fakeSelection = false;
    LRESULT fakeSelectionValue = 0;
};
std::map<HWND, ItemSpy> spies;

LRESULT CALLBACK spyProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ItemSpy &spy = spies[wnd];
    if (msg == WM_KEYDOWN)
        spy.keyDowns.push_back(wParam);
    if (msg == EM_GETSEL && spy.fakeSelection && !wParam && !lParam)
        return spy.fakeSelectionValue;
    return CallWindowProcA(spy.original, wnd, msg, wParam, lParam);
}

// Counts its attachments and its deletion.
struct CountingFilter : public PFilter
{
    explicit CountingFilter(int *deleted) : deletions(deleted) {}
    ~CountingFilter() override { ++*deletions; }
    void attach(HWND) override { ++attachments; }
    int attachments = 0;
    int *deletions;
};

// The byte fields as the terminal sets them up, in a modeless dialog that
// runs the dialog manager's keyboard handling from the message loop.
class EditDialog : public PDialog
{
public:
    EditDialog() : PDialog(nullptr, IDD_CT_EDITS)
    {
        dec = new PEditSend(this, IDC_CT_DEC, 255);
        dec->setFilter(new myNumbFilter);
        hex = new PEditSend(this, IDC_CT_HEX, 255);
        hex->setFilter(new myHexFilter);
        bin = new PEditSend(this, IDC_CT_BIN, 255);
        bin->setFilter(new myBinaryFilter);
        chr = new PEditSel(this, IDC_CT_CHAR, 1);
        plain = new PEdit(this, IDC_CT_PLAIN, 255);
        plain2 = new PEdit(this, IDC_CT_PLAIN2, 255);
    }

    bool preTranslate(MSG *msg) override { return hwnd && IsDialogMessageA(hwnd, msg); }

    LRESULT windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_INITDIALOG) {
            // Before the objects attach, so their saved procedure is the spy.
            for (int id = IDC_CT_DEC; id <= IDC_CT_RAW; ++id) {
                HWND item = GetDlgItem(wnd, id);
                spies[item].original = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(item, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(spyProc)));
            }
        }
        if (msg == PWM_EDITENTER)
            enters.push_back(wParam);
        return PDialog::windowProc(wnd, msg, wParam, lParam);
    }

    HWND item(int id) { return GetDlgItem(hwnd, id); }

    PEditSend *dec;
    PEditSend *hex;
    PEditSend *bin;
    PEditSel *chr;
    PEdit *plain;
    PEdit *plain2;
    std::vector<WPARAM> enters;
};

class EditTest : public testing::Test
{
protected:
    void SetUp() override
    {
        spies.clear();
        dlg = new EditDialog;
        ASSERT_TRUE(dlg->create());
        ASSERT_NE(dlg->hwnd, nullptr);
        ShowWindow(dlg->hwnd, SW_SHOW);
        SetForegroundWindow(dlg->hwnd);
        pumpFor(50);
    }
    void TearDown() override
    {
        delete dlg;
        pumpFor(20);
    }

    // The test's waits go through the application's loop.
    template <class C>
    bool pumpUntil(C cond, DWORD ms = defaultWaitMs)
    {
        return ::pumpUntil(app, cond, ms);
    }
    void pumpFor(DWORD ms)
    {
        ::pumpFor(app, ms);
    }

    bool focusOn(int id)
    {
        SetForegroundWindow(dlg->hwnd);
        SetFocus(dlg->item(id));
        return pumpUntil([&] { return GetFocus() == dlg->item(id); });
    }
    std::string text(int id)
    {
        char buf[64] = {0};
        GetWindowTextA(dlg->item(id), buf, sizeof buf);
        return buf;
    }
    void set(int id, const char *t, int start, int end)
    {
        SetWindowTextA(dlg->item(id), t);
        SendMessageA(dlg->item(id), EM_SETSEL, WPARAM(start), LPARAM(end));
    }
    DWORD selection(int id) { return DWORD(SendMessageA(dlg->item(id), EM_GETSEL, 0, 0)); }
    void type(int id, char ch) { SendMessageA(dlg->item(id), WM_CHAR, WPARAM((unsigned char)ch), 1); }
    LRESULT limit(int id) { return SendMessageA(dlg->item(id), EM_GETLIMITTEXT, 0, 0); }

    PAppl app{GetModuleHandleA(nullptr), SW_SHOW};
    EditDialog *dlg = nullptr;
};

} // namespace

TEST_F(EditTest, ByteFieldsTakeTheirFiltersLimitsOtherEditsTheirOwn)
{
    EXPECT_EQ(limit(IDC_CT_DEC), 3);
    EXPECT_EQ(limit(IDC_CT_HEX), 2);
    EXPECT_EQ(limit(IDC_CT_BIN), 8);
    EXPECT_EQ(limit(IDC_CT_CHAR), 1);
    EXPECT_EQ(limit(IDC_CT_PLAIN), 255);
}

TEST_F(EditTest, RefusedCharacterChangesNeitherTextNorSelection)
{
    set(IDC_CT_HEX, "1", 0, 1);
    type(IDC_CT_HEX, 'g');
    EXPECT_EQ(text(IDC_CT_HEX), "1");
    EXPECT_EQ(selection(IDC_CT_HEX), DWORD(MAKELONG(0, 1)));

    set(IDC_CT_DEC, "25", 2, 2);
    type(IDC_CT_DEC, '6');
    EXPECT_EQ(text(IDC_CT_DEC), "25");
    EXPECT_EQ(selection(IDC_CT_DEC), DWORD(MAKELONG(2, 2)));

    set(IDC_CT_BIN, "10", 1, 1);
    type(IDC_CT_BIN, '2');
    EXPECT_EQ(text(IDC_CT_BIN), "10");
    EXPECT_EQ(selection(IDC_CT_BIN), DWORD(MAKELONG(1, 1)));
}

TEST_F(EditTest, AcceptedDigitsReachTheItem)
{
    set(IDC_CT_DEC, "25", 2, 2);
    type(IDC_CT_DEC, '5');
    EXPECT_EQ(text(IDC_CT_DEC), "255");
    set(IDC_CT_DEC, "25", 0, 0);
    type(IDC_CT_DEC, '1');
    EXPECT_EQ(text(IDC_CT_DEC), "125");
    set(IDC_CT_HEX, "", 0, 0);
    type(IDC_CT_HEX, 'a');
    type(IDC_CT_HEX, 'F');
    EXPECT_EQ(text(IDC_CT_HEX), "aF");
}

TEST_F(EditTest, DecimalFieldSurvivesASelectionReportedBeyondItsText)
{
    set(IDC_CT_DEC, "25", 2, 2);
    ItemSpy &spy = spies[dlg->item(IDC_CT_DEC)];
    spy.fakeSelection = true;
    spy.fakeSelectionValue = LRESULT(MAKELONG(60000, 65535));
    WPARAM six = '6';
    WPARAM zero = '0';
    PFilter *f = dlg->dec->getFilter();
    EXPECT_FALSE(f->accept(six, dlg->item(IDC_CT_DEC)));
    EXPECT_TRUE(f->accept(zero, dlg->item(IDC_CT_DEC)));
    // A failed selection query refuses.
    spy.fakeSelectionValue = LRESULT(-1);
    EXPECT_FALSE(f->accept(zero, dlg->item(IDC_CT_DEC)));
    spy.fakeSelection = false;
}

TEST_F(EditTest, EnterInSendFieldPostsOneNotificationAndSelectsAll)
{
    set(IDC_CT_DEC, "12", 1, 1);
    ASSERT_TRUE(focusOn(IDC_CT_DEC));
    pressKey(VK_RETURN);
    ASSERT_TRUE(pumpUntil([&] { return !dlg->enters.empty(); }));
    pumpFor(300);
    ASSERT_EQ(dlg->enters.size(), 1u);
    EXPECT_EQ(dlg->enters[0], WPARAM(IDC_CT_DEC));
    EXPECT_EQ(text(IDC_CT_DEC), "12");
    EXPECT_EQ(selection(IDC_CT_DEC), DWORD(MAKELONG(0, 2)));
    EXPECT_EQ(GetFocus(), dlg->item(IDC_CT_DEC));
}

TEST_F(EditTest, EnterInPlainEditMovesToTheNextTabStop)
{
    ASSERT_TRUE(focusOn(IDC_CT_PLAIN));
    pressKey(VK_RETURN);
    EXPECT_TRUE(pumpUntil([&] { return GetFocus() == dlg->item(IDC_CT_PLAIN2); }));
    pumpFor(100);
    EXPECT_TRUE(dlg->enters.empty());
    EXPECT_EQ(text(IDC_CT_PLAIN), "");
}

TEST_F(EditTest, DownAndUpMoveTheFocusAndNeverReachTheItem)
{
    ASSERT_TRUE(focusOn(IDC_CT_HEX));
    pressKey(VK_DOWN);
    EXPECT_TRUE(pumpUntil([&] { return GetFocus() == dlg->item(IDC_CT_BIN); }));
    pressKey(VK_UP);
    EXPECT_TRUE(pumpUntil([&] { return GetFocus() == dlg->item(IDC_CT_HEX); }));
    pressKey(VK_UP);
    EXPECT_TRUE(pumpUntil([&] { return GetFocus() == dlg->item(IDC_CT_DEC); }));
    ASSERT_TRUE(focusOn(IDC_CT_CHAR));
    pressKey(VK_DOWN);
    EXPECT_TRUE(pumpUntil([&] { return GetFocus() == dlg->item(IDC_CT_PLAIN); }));
    pressKey(VK_DOWN);
    EXPECT_TRUE(pumpUntil([&] { return GetFocus() == dlg->item(IDC_CT_PLAIN2); }));
    pumpFor(100);
    for (int id = IDC_CT_DEC; id <= IDC_CT_PLAIN2; ++id)
        for (WPARAM k : spies[dlg->item(id)].keyDowns)
            EXPECT_TRUE(k != VK_DOWN && k != VK_UP) << "item " << id << " saw arrow " << k;
}

TEST_F(EditTest, SelectingFieldWithLimitOneKeepsTheLastCharacter)
{
    set(IDC_CT_CHAR, "", 0, 0);
    type(IDC_CT_CHAR, 'a');
    EXPECT_EQ(text(IDC_CT_CHAR), "a");
    type(IDC_CT_CHAR, 'b');
    EXPECT_EQ(text(IDC_CT_CHAR), "b");
}

TEST_F(EditTest, SetFilterKeepsTheSameFilterAndDeletesAReplacedOne)
{
    int deletedFirst = 0;
    int deletedSecond = 0;
    CountingFilter *first = new CountingFilter(&deletedFirst);
    dlg->plain2->setFilter(first);
    EXPECT_EQ(first->attachments, 1);
    dlg->plain2->setFilter(first);
    EXPECT_EQ(deletedFirst, 0);
    EXPECT_EQ(first->attachments, 2);
    EXPECT_EQ(dlg->plain2->getFilter(), first);

    CountingFilter *second = new CountingFilter(&deletedSecond);
    dlg->plain2->setFilter(second);
    EXPECT_EQ(deletedFirst, 1);
    EXPECT_EQ(deletedSecond, 0);
    EXPECT_EQ(dlg->plain2->getFilter(), second);

    delete dlg;
    dlg = nullptr;
    EXPECT_EQ(deletedSecond, 1);
}

TEST_F(EditTest, FilterSetBeforeTheWindowIsAttachedAtCreation)
{
    int deleted = 0;
    CountingFilter *f = new CountingFilter(&deleted);
    {
        EditDialog second;
        second.plain->setFilter(f);
        EXPECT_EQ(f->attachments, 0);
        ASSERT_TRUE(second.create());
        EXPECT_EQ(f->attachments, 1);
    }
    EXPECT_EQ(deleted, 1);
}

TEST_F(EditTest, WithoutEnterOrArrowsHeldTheItemAnswersDialogCode)
{
    LRESULT own = SendMessageA(dlg->item(IDC_CT_PLAIN), WM_GETDLGCODE, 0, 0);
    LRESULT raw = SendMessageA(dlg->item(IDC_CT_RAW), WM_GETDLGCODE, 0, 0);
    EXPECT_EQ(own, raw);
}

TEST_F(EditTest, KeySynthesisTypesThroughTheInputQueue)
{
    set(IDC_CT_PLAIN, "", 0, 0);
    ASSERT_TRUE(focusOn(IDC_CT_PLAIN));
    pressShiftKey('A');
    pressKey('B');
    pressKeyWithModifier('C', VK_SHIFT, 2);
    EXPECT_TRUE(pumpUntil([&] { return text(IDC_CT_PLAIN) == "AbCCC"; })) << text(IDC_CT_PLAIN);
}
