// What a session that runs for days repeats must leave the process as it
// found it: no handle, GDI object or window more after each round.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/ProcessCounts.h"

namespace {

class LongSession : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(term.ready());
        ASSERT_TRUE(peer.isOpen());
        // The pointer goes outside the window: a tooltip that pops up during
        // the rounds makes a GDI object the first time it shows, and the
        // display's pointer rests wherever an earlier program left it (seen:
        // over "Open Comm", 232 objects before the rounds and 233 after).
        RECT frame;
        GetWindowRect(GetAncestor(term.dialog(), GA_ROOT), &frame);
        POINT corner = {GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
        ASSERT_FALSE(PtInRect(&frame, corner));
        SetCursorPos(corner.x, corner.y);
    }

    // The counts before and after `times` rounds of op; one round first,
    // for what the first use loads and keeps.
    template <class Op>
    void repeat(int times, Op op)
    {
        op();
        before = settled();
        for (int i = 0; i < times; ++i)
            op();
        after = settled();
    }

    // The counts once they stop moving: what a round draws lazily and keeps
    // (the view's off-screen bitmap, a button's snapshot of its background)
    // comes with a paint, and on a busy machine a paint can come after any
    // fixed pause. A leak never settles back, so waiting hides none.
    // The focus is put on a button first: a focused edit box has a caret,
    // which Wine draws with a bitmap of its own, and where the focus lands
    // after a dialog closes depends on when the activation comes.
    ProcessCounts settled()
    {
        SetFocus(term.item(IDC_OPENCOMM));
        ProcessCounts last = ProcessCounts::now();
        for (int i = 0; i < 30; ++i) {
            RedrawWindow(term.client->hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            term.settle(100);
            ProcessCounts c = ProcessCounts::now();
            if (c.handles == last.handles && c.gdiObjects == last.gdiObjects && c.userObjects == last.userObjects)
                return c;
            last = c;
        }
        return last;
    }

    void expectLevel() const
    {
        EXPECT_EQ(after.handles, before.handles) << before.describe() << " / " << after.describe();
        EXPECT_EQ(after.gdiObjects, before.gdiObjects) << before.describe() << " / " << after.describe();
        EXPECT_EQ(after.userObjects, before.userObjects) << before.describe() << " / " << after.describe();
    }

    rig::Terminal term{rig::dataPath};
    SerialPeer peer{"COM9", SerialPeer::listening};
    ProcessCounts before = {};
    ProcessCounts after = {};
};

} // namespace

TEST_F(LongSession, SettingsDialogRunsLeaveNoGdiObjectBehind)
{
    // Each image button took a snapshot of the dialog behind it; the pump
    // in the middle of taking it could draw the button and take a second
    // one, and the first was lost: one bitmap per run of the dialog.
    ASSERT_TRUE(term.openPort());
    repeat(25, [&] {
        rig::ModalDriver driver("Communication Setting", [](HWND d) {
            PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(d, IDOK)));
        });
        term.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    });
    expectLevel();
    EXPECT_TRUE(term.client->isPortOpen());
}

TEST_F(LongSession, OpeningAndClosingThePortLeavesTheCountsLevel)
{
    repeat(60, [&] {
        term.command(IDC_OPENCOMM);
        term.command(IDC_OPENCOMM);
    });
    expectLevel();
    EXPECT_FALSE(term.client->isPortOpen());
}

TEST_F(LongSession, ShowHexRoundsLeaveTheCountsLevel)
{
    ASSERT_TRUE(term.openPort());
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "a line of the history, number " + std::to_string(1000 + i) + "\r\n";
    ASSERT_TRUE(peer.send(text));
    ASSERT_TRUE(term.waitFor([&] { return term.historyCount() >= text.size() + 1; }));
    repeat(20, [&] {
        term.check(IDC_SHOWHEX, true);
        term.check(IDC_SHOWHEX, false);
    });
    expectLevel();
    EXPECT_EQ(term.history(), rig::bytesOf(text));
}
