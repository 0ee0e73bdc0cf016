#include <gtest/gtest.h>

#include "util/dupString.h"

TEST(dupString, CopiesTheTextWithItsTerminator)
{
    const char original[] = "Line Talk";
    char *copy = dupString(original);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, original);
    EXPECT_STREQ(copy, "Line Talk");
    delete[] copy;
}

TEST(dupString, NullGivesAFreshEmptyTextToRelease)
{
    char *a = dupString(nullptr);
    char *b = dupString(nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a, "");
    EXPECT_NE(a, b);
    // Both come from new[]; AddressSanitizer checks the matching delete[].
    delete[] a;
    delete[] b;
}

TEST(dupString, EmptyTextGivesAnEmptyCopy)
{
    char *copy = dupString("");
    EXPECT_STREQ(copy, "");
    delete[] copy;
}
