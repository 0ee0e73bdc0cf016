#include <gtest/gtest.h>

#include <cstring>

#include "util/PRegKey.h"
#include "util/PRegKeyDWORD.h"
#include "util/PRegKeyStr.h"

TEST(PRegKey, StringValueWithoutDataStartsEmpty)
{
    PRegKeyStr key("OldPath");
    EXPECT_STREQ(key.getName(), "OldPath");
    EXPECT_EQ(key.getBuffer(), nullptr);
    EXPECT_EQ(key.getType(), 1u);
    EXPECT_EQ(key.getSize(), 0u);
}

TEST(PRegKey, StringValueKeepsACopyOfItsBytes)
{
    char text[] = "C:\\x";
    PRegKeyStr key("OldPath", text, sizeof text);
    text[0] = 'D';
    ASSERT_EQ(key.getSize(), 5u);
    EXPECT_EQ(std::memcmp(key.getData(), "C:\\x", 5), 0);
}

TEST(PRegKey, DwordValueHoldsFourLittleEndianBytes)
{
    PRegKeyDWORD key("Setup", 0x000AD061u);
    EXPECT_EQ(key.getType(), 4u);
    ASSERT_EQ(key.getSize(), 4u);
    const unsigned char expected[4] = {0x61, 0xD0, 0x0A, 0x00};
    EXPECT_EQ(std::memcmp(key.getData(), expected, 4), 0);
}

TEST(PRegKey, DwordValueWithoutDataHasNoBuffer)
{
    PRegKeyDWORD key("DelayOnSend");
    EXPECT_EQ(key.getType(), 4u);
    EXPECT_EQ(key.getSize(), 0u);
    EXPECT_EQ(key.getData(), nullptr);
}

TEST(PRegKey, NullNameIsTheEmptyName)
{
    PRegKeyStr key(nullptr);
    ASSERT_NE(key.getName(), nullptr);
    EXPECT_STREQ(key.getName(), "");
    key.setName("x");
    key.setName(nullptr);
    EXPECT_STREQ(key.getName(), "");
}

TEST(PRegKey, AllocBufferReplacesTheDataWithTheGivenSize)
{
    PRegKeyDWORD key("Setup", 7);
    unsigned char *buffer = key.allocBuffer(12);
    EXPECT_EQ(buffer, key.getBuffer());
    EXPECT_EQ(key.getSize(), 12u);
    std::memset(buffer, 0xAB, 12);   // all 12 bytes are ours to write
}

TEST(PRegKey, CopyInFillsTheExistingBuffer)
{
    PRegKeyDWORD key("Setup", 0);
    const unsigned char *before = key.getData();
    const unsigned char bytes[4] = {1, 2, 3, 4};
    key.copyIn(bytes);
    EXPECT_EQ(key.getData(), before);
    EXPECT_EQ(std::memcmp(key.getData(), bytes, 4), 0);
}

TEST(PRegKey, CopyInWithoutBufferWritesNothing)
{
    PRegKeyStr key("x");
    const unsigned char bytes[4] = {1, 2, 3, 4};
    key.copyIn(bytes);
    EXPECT_EQ(key.getData(), nullptr);
}

TEST(PRegKey, AssignCopiesNameDataAndType)
{
    PRegKeyDWORD src("Setup", 0x12345678u);
    PRegKeyStr dst("OldPath", "abc", 4);
    dst.assign(src);
    EXPECT_STREQ(dst.getName(), "Setup");
    EXPECT_EQ(dst.getType(), 4u);
    ASSERT_EQ(dst.getSize(), 4u);
    EXPECT_NE(dst.getData(), src.getData());
    EXPECT_EQ(std::memcmp(dst.getData(), src.getData(), 4), 0);
}

TEST(PRegKey, AssignToItselfChangesNothing)
{
    PRegKeyStr key("OldPath", "abc", 4);
    const char *name = key.getName();
    const unsigned char *data = key.getData();
    key.assign(key);
    EXPECT_EQ(key.getName(), name);
    EXPECT_EQ(key.getData(), data);
    EXPECT_EQ(key.getSize(), 4u);
    EXPECT_STREQ(reinterpret_cast<const char *>(key.getData()), "abc");
}

TEST(PRegKey, AssignFromAValueNeverReadGivesNoData)
{
    PRegKeyStr src("OldPath");
    PRegKeyDWORD dst("Setup", 9);
    dst.assign(src);
    EXPECT_EQ(dst.getData(), nullptr);
    EXPECT_EQ(dst.getSize(), 0u);
    EXPECT_EQ(dst.getType(), 1u);
}
