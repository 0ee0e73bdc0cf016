#include <gtest/gtest.h>

#include <windows.h>

#include "tests/wine/helpers/MessageBoxAnswerer.h"
#include "util/showWarning.h"

TEST(showWarning, ShowsTheCaptionAndTextInAnOkBox)
{
    MessageBoxAnswerer answerer(IDOK);
    EXPECT_EQ(showWarning("Attenzione", "Testo del messaggio"), IDOK);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "Attenzione");
    EXPECT_EQ(answerer.text(0), "Testo del messaggio");
}

TEST(showWarning, WorksWithNoWindowOfItsOwn)
{
    MessageBoxAnswerer answerer(IDOK, 2);
    EXPECT_EQ(showWarning("One", "first"), IDOK);
    EXPECT_EQ(showWarning("Two", "second"), IDOK);
    ASSERT_TRUE(answerer.waitAnswered(2));
    EXPECT_EQ(answerer.caption(1), "Two");
}

TEST(showWarning, IsOwnedByTheForegroundWindow)
{
    HWND frame = CreateWindowExA(0, "STATIC", "foreground", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    SetForegroundWindow(frame);
    HWND foreground = GetForegroundWindow();
    ASSERT_EQ(foreground, frame);
    MessageBoxAnswerer answerer(IDOK);
    EXPECT_EQ(showWarning("Owned", "by the foreground"), IDOK);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.boxes()[0].owner, foreground);
    DestroyWindow(frame);
}
