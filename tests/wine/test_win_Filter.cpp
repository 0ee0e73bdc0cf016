#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win/PBinaryFilter.h"
#include "win/PFilter.h"
#include "win/PHexFilter.h"
#include "win/PNumbFilter.h"
#include "win/myBinaryFilter.h"
#include "win/myHexFilter.h"
#include "win/myNumbFilter.h"

namespace {

// A bare edit window for the filters to question.
class FilterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        edit = CreateWindowExA(0, "edit", "", WS_POPUP, 0, 0, 80, 20, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(edit, nullptr);
    }
    void TearDown() override { DestroyWindow(edit); }

    void set(const char *text, int start, int end)
    {
        SetWindowTextA(edit, text);
        SendMessageA(edit, EM_SETSEL, WPARAM(start), LPARAM(end));
    }
    bool accepts(PFilter &f, int ch)
    {
        WPARAM c = WPARAM(ch);
        return f.accept(c, edit);
    }
    LRESULT limit() { return SendMessageA(edit, EM_GETLIMITTEXT, 0, 0); }

    HWND edit = nullptr;
};

} // namespace

TEST_F(FilterTest, BaseFilterAcceptsEverythingIncludingHighCodes)
{
    PFilter f;
    for (int ch = 0; ch < 256; ++ch)
        EXPECT_TRUE(accepts(f, ch)) << ch;
}

TEST_F(FilterTest, DigitFiltersRefuseCodesAbove127)
{
    PNumbFilter numb;
    PHexFilter hex;
    PBinaryFilter bin;
    myNumbFilter byteNumb;
    set("", 0, 0);
    for (int ch = 128; ch < 256; ++ch) {
        EXPECT_FALSE(accepts(numb, ch)) << ch;
        EXPECT_FALSE(accepts(hex, ch)) << ch;
        EXPECT_FALSE(accepts(bin, ch)) << ch;
        EXPECT_FALSE(accepts(byteNumb, ch)) << ch;
    }
}

TEST_F(FilterTest, ControlCharactersPassEveryFilter)
{
    PNumbFilter numb;
    PHexFilter hex;
    PBinaryFilter bin;
    for (int ch : {8, 9, 13, 46}) {
        EXPECT_TRUE(accepts(numb, ch)) << ch;
        EXPECT_TRUE(accepts(hex, ch)) << ch;
        EXPECT_TRUE(accepts(bin, ch)) << ch;
        WPARAM c = WPARAM(ch);
        EXPECT_TRUE(numb.isControlChar(c));
    }
    WPARAM a = 'a';
    EXPECT_FALSE(numb.isControlChar(a));
}

TEST_F(FilterTest, HexAndBinaryFiltersTakeTheirDigits)
{
    PHexFilter hex;
    PBinaryFilter bin;
    EXPECT_TRUE(accepts(hex, 'a'));
    EXPECT_TRUE(accepts(hex, 'F'));
    EXPECT_FALSE(accepts(hex, 'g'));
    EXPECT_FALSE(accepts(hex, 'G'));
    EXPECT_TRUE(accepts(bin, '0'));
    EXPECT_TRUE(accepts(bin, '1'));
    EXPECT_FALSE(accepts(bin, '2'));
}

TEST_F(FilterTest, AttachLimitsTheByteFieldsToOneByteOfDigits)
{
    SendMessageA(edit, EM_LIMITTEXT, 255, 0);
    myNumbFilter numb;
    numb.attach(edit);
    EXPECT_EQ(limit(), 3);
    myHexFilter hex;
    hex.attach(edit);
    EXPECT_EQ(limit(), 2);
    myBinaryFilter bin;
    bin.attach(edit);
    EXPECT_EQ(limit(), 8);
    SendMessageA(edit, EM_LIMITTEXT, 255, 0);
    PNumbFilter plain;
    plain.attach(edit);
    EXPECT_EQ(limit(), 255);
}

TEST_F(FilterTest, DecimalByteWithCaretAfter25TakesFiveNotSix)
{
    myNumbFilter f;
    set("25", 2, 2);
    EXPECT_TRUE(accepts(f, '5'));
    EXPECT_FALSE(accepts(f, '6'));
    EXPECT_TRUE(accepts(f, 8));
}

TEST_F(FilterTest, DecimalByteWithCaretBefore25TakesOneAndZeroNotThree)
{
    myNumbFilter f;
    set("25", 0, 0);
    EXPECT_FALSE(accepts(f, '3'));
    EXPECT_TRUE(accepts(f, '1'));
    EXPECT_TRUE(accepts(f, '0'));
    EXPECT_TRUE(accepts(f, '.'));
}

TEST_F(FilterTest, DecimalByteWithAllOf255SelectedTakesAnyDigit)
{
    myNumbFilter f;
    set("255", 0, 3);
    for (int ch = '0'; ch <= '9'; ++ch)
        EXPECT_TRUE(accepts(f, ch)) << char(ch);
}

TEST_F(FilterTest, DecimalByteWithEmptyOrOneCharacterTextTakesEveryDigit)
{
    myNumbFilter f;
    for (const char *text : {"", "9"}) {
        set(text, 0, 0);
        for (int ch = '0'; ch <= '9'; ++ch)
            EXPECT_TRUE(accepts(f, ch)) << text << " " << char(ch);
        set(text, 1, 1);
        for (int ch = '0'; ch <= '9'; ++ch)
            EXPECT_TRUE(accepts(f, ch)) << text << " " << char(ch);
    }
}

TEST_F(FilterTest, DecimalByteReadsAPastedLongTextSafely)
{
    // Pasted text is not filtered: the check sees the first four characters
    // and a selection beyond them.
    myNumbFilter f;
    set("123456789", 9, 9);
    EXPECT_FALSE(accepts(f, '1'));
    set("000000012", 9, 9);
    EXPECT_TRUE(accepts(f, '1'));
}

TEST_F(FilterTest, SelectionIsLowAndHighWordOfGetSel)
{
    PFilter f;
    set("12345", 1, 4);
    int start = -1;
    int end = -1;
    ASSERT_TRUE(f.getSelection(edit, start, end));
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 4);
}
