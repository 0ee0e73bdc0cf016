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

TEST(MessageBoxAnswerer, AnswersABoxShownByAnotherThread)
{
    MessageBoxAnswerer answerer(IDCANCEL);
    HANDLE t = CreateThread(
        nullptr, 0,
        [](void *) -> DWORD { return DWORD(MessageBoxA(nullptr, "from a thread", "Worker", MB_OKCANCEL)); },
        nullptr, 0, nullptr);
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
