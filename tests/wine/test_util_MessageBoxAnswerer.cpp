#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/helpers/MessageBoxAnswerer.h"

// The answerer presses what it is told to, as an operator would, and tells
// what it saw; other test programs rely on it.

TEST(MessageBoxAnswerer, PressesTheChosenButton)
{
    MessageBoxAnswerer no(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Question", MB_YESNO), IDNO);
    ASSERT_TRUE(no.waitAnswered(1));
    EXPECT_EQ(no.boxes()[0].pressed, IDNO);
}

TEST(MessageBoxAnswerer, AnswersSeveralBoxesInTurn)
{
    MessageBoxAnswerer yes(IDYES, 2);
    EXPECT_EQ(MessageBoxA(nullptr, "first", "One", MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "second", "Two", MB_YESNO | MB_ICONQUESTION), IDYES);
    ASSERT_TRUE(yes.waitAnswered(2));
    EXPECT_EQ(yes.caption(0), "One");
    EXPECT_EQ(yes.text(1), "second");
}

TEST(MessageBoxAnswerer, ABoxWithoutTheChosenButtonIsStillClosed)
{
    MessageBoxAnswerer answerer(IDYES);
    int r = MessageBoxA(nullptr, "only OK here", "Info", MB_OK);
    EXPECT_TRUE(r == IDOK || r == IDCANCEL) << r;
    ASSERT_TRUE(answerer.waitAnswered(1));
}

namespace {

DWORD WINAPI showFromThread(void *)
{
    return DWORD(MessageBoxA(nullptr, "from a thread", "Worker", MB_OKCANCEL));
}

INT_PTR CALLBACK quietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

} // namespace

TEST(MessageBoxAnswerer, AnswersABoxShownByAnotherThread)
{
    MessageBoxAnswerer answerer(IDCANCEL);
    HANDLE t = CreateThread(nullptr, 0, showFromThread, nullptr, 0, nullptr);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(answerer.waitAnswered(1));
    ASSERT_EQ(WaitForSingleObject(t, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    CloseHandle(t);
    EXPECT_EQ(code, DWORD(IDCANCEL));
    EXPECT_EQ(answerer.text(0), "from a thread");
}

TEST(MessageBoxAnswerer, SeesNothingWhenNoBoxIsShown)
{
    MessageBoxAnswerer answerer(IDOK);
    EXPECT_FALSE(answerer.waitAnswered(1, 200));
    EXPECT_EQ(answerer.answeredCount(), 0);
    EXPECT_EQ(answerer.caption(0), "");
}

namespace {

// A modeless dialog of the program's own with an unnumbered label, built in
// memory: the answerer must leave it alone.
HWND makeLabelledDialog()
{
    alignas(4) static WORD tmpl[64];
    WORD *p = tmpl;
    DLGTEMPLATE *dt = reinterpret_cast<DLGTEMPLATE *>(p);
    dt->style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT;
    dt->dwExtendedStyle = 0;
    dt->cdit = 1;
    dt->x = 10;
    dt->y = 10;
    dt->cx = 120;
    dt->cy = 40;
    p = reinterpret_cast<WORD *>(dt + 1);
    *p++ = 0;   // no menu
    *p++ = 0;   // default class
    for (const char *c = "Own"; ; ++c) {
        *p++ = WORD(*c);
        if (!*c)
            break;
    }
    *p++ = 8;   // font size and name
    for (const char *c = "MS Shell Dlg"; ; ++c) {
        *p++ = WORD(*c);
        if (!*c)
            break;
    }
    p = reinterpret_cast<WORD *>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~ULONG_PTR(3));
    DLGITEMTEMPLATE *it = reinterpret_cast<DLGITEMTEMPLATE *>(p);
    it->style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    it->dwExtendedStyle = 0;
    it->x = 5;
    it->y = 5;
    it->cx = 100;
    it->cy = 10;
    it->id = 0xFFFF;
    p = reinterpret_cast<WORD *>(it + 1);
    *p++ = 0xFFFF;
    *p++ = 0x0082;   // static
    for (const char *c = "label"; ; ++c) {
        *p++ = WORD(*c);
        if (!*c)
            break;
    }
    *p++ = 0;   // no creation data
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dt, nullptr, quietDialogProc, 0);
}

} // namespace

TEST(MessageBoxAnswerer, LeavesTheProgramsOwnDialogsAlone)
{
    HWND own = makeLabelledDialog();
    ASSERT_NE(own, nullptr);
    ASSERT_NE(GetDlgItem(own, 0xFFFF), nullptr);
    EXPECT_FALSE(MessageBoxAnswerer::isMessageBox(own));
    MessageBoxAnswerer answerer(IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "real one", "Box", MB_OK), IDOK);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "real one");
    EXPECT_TRUE(IsWindow(own));
    DestroyWindow(own);
}
