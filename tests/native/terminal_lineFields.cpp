#include <gtest/gtest.h>

#include "terminal/settings/lineFields.h"

#include <cstring>

TEST(LineFields, TablesHaveTheDialogsEntryCounts)
{
    EXPECT_EQ(lineFieldCount(linePort), 8u);
    EXPECT_EQ(lineFieldCount(lineBaud), 15u);
    EXPECT_EQ(lineFieldCount(lineStopBits), 3u);
    EXPECT_EQ(lineFieldCount(lineDataBits), 4u);
    EXPECT_EQ(lineFieldCount(lineParity), 5u);
}

TEST(LineFields, FillOrderIsPortBaudStopDataParity)
{
    EXPECT_EQ(lineFieldOrder[0], linePort);
    EXPECT_EQ(lineFieldOrder[1], lineBaud);
    EXPECT_EQ(lineFieldOrder[2], lineStopBits);
    EXPECT_EQ(lineFieldOrder[3], lineDataBits);
    EXPECT_EQ(lineFieldOrder[4], lineParity);
}

TEST(LineFields, DefaultWordNamesCom2At9600With8N1)
{
    CommSettings word(0x000AD061u);
    EXPECT_STREQ(lineFieldLabel(linePort, lineFieldIndex(word, linePort)), "COM2");
    EXPECT_STREQ(lineFieldLabel(lineBaud, lineFieldIndex(word, lineBaud)), "9.600");
    EXPECT_STREQ(lineFieldLabel(lineDataBits, lineFieldIndex(word, lineDataBits)), "8");
    EXPECT_STREQ(lineFieldLabel(lineParity, lineFieldIndex(word, lineParity)), "NOPARITY");
    EXPECT_STREQ(lineFieldLabel(lineStopBits, lineFieldIndex(word, lineStopBits)), "ONESTOPBIT");
}

TEST(LineFields, IndexBeyondTableHasNoLabel)
{
    CommSettings word(0x000AD061u);
    word.baudIndex = 15;
    EXPECT_EQ(lineFieldIndex(word, lineBaud), 15u);
    EXPECT_EQ(lineFieldLabel(lineBaud, 15), nullptr);
    EXPECT_EQ(lineFieldLabel(linePort, 8), nullptr);
    EXPECT_EQ(lineFieldLabel(lineStopBits, 3), nullptr);
    EXPECT_EQ(lineFieldLabel(lineParity, 7), nullptr);
}

TEST(LineFields, StoringAFieldKeepsHandshakeAndOtherFields)
{
    CommSettings word(0x00000000u);
    word.dtrDsrMode = 1;
    word.rtsCtsMode = 3;
    word.xonXoff = 1;
    setLineFieldIndex(word, lineBaud, 12);
    setLineFieldIndex(word, linePort, 7);
    setLineFieldIndex(word, lineParity, 4);
    EXPECT_EQ(word.baudIndex, 12u);
    EXPECT_EQ(word.portIndex, 7u);
    EXPECT_EQ(word.parityIndex, 4u);
    EXPECT_EQ(word.stopBitsIndex, 0u);
    EXPECT_EQ(word.dtrDsrMode, 1u);
    EXPECT_EQ(word.rtsCtsMode, 3u);
    EXPECT_EQ(word.xonXoff, 1u);
}

TEST(LineFields, EveryLabelIsDistinctWithinItsTable)
{
    for (LineField f : lineFieldOrder)
        for (unsigned i = 0; i < lineFieldCount(f); ++i)
            for (unsigned j = i + 1; j < lineFieldCount(f); ++j)
                EXPECT_STRNE(lineFieldLabel(f, i), lineFieldLabel(f, j));
}
