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
