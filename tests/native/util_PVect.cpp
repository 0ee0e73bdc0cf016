#include <gtest/gtest.h>

#include "util/PVect.h"

TEST(PVect, StartsEmptyWithNoStorage)
{
    PVect<unsigned char> v(10);
    EXPECT_EQ(v.capacity(), 0u);
    EXPECT_EQ(v.count(), 0u);
    EXPECT_EQ(v.items(), nullptr);
    EXPECT_EQ(v.step(), 10u);
}

TEST(PVect, AtGrowsByWholeStepsAsInTheWorkedExample)
{
    PVect<int> v(10);
    v.at(0) = 7;
    EXPECT_EQ(v.capacity(), 10u);
    EXPECT_EQ(v.count(), 1u);
    v.at(25) = 25;
    EXPECT_EQ(v.capacity(), 30u);
    EXPECT_EQ(v.count(), 26u);
    v.at(3) = 3;
    EXPECT_EQ(v.count(), 26u);
    EXPECT_EQ(v.capacity(), 30u);
    EXPECT_EQ(v.items()[0], 7);
    EXPECT_EQ(v.items()[3], 3);
    EXPECT_EQ(v.items()[25], 25);
}

TEST(PVect, AtExactlyAtCapacityGrowsByOneStep)
{
    PVect<int> v(10);
    v.at(9) = 1;
    ASSERT_EQ(v.capacity(), 10u);
    v.at(10) = 2;
    EXPECT_EQ(v.capacity(), 20u);
    EXPECT_EQ(v.count(), 11u);
}

TEST(PVect, GrowingKeepsTheOldElements)
{
    PVect<int> v(4);
    for (int i = 0; i < 100; ++i)
        v.at(uint32_t(i)) = i * 3;
    EXPECT_EQ(v.count(), 100u);
    EXPECT_EQ(v.capacity(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(v.items()[i], i * 3);
}

TEST(PVect, AtBelowCountDoesNotLowerCount)
{
    PVect<int> v(10);
    v.at(5) = 1;
    v.at(2) = 1;
    EXPECT_EQ(v.count(), 6u);
}

TEST(PVect, ClearKeepsTheStorageForReuse)
{
    PVect<unsigned char> v(16384);
    v.at(100) = 'x';
    const unsigned char *before = v.items();
    v.clear();
    EXPECT_EQ(v.count(), 0u);
    EXPECT_EQ(v.capacity(), 16384u);
    v.at(0) = 'a';
    EXPECT_EQ(v.count(), 1u);
    EXPECT_EQ(v.items(), before);
}

TEST(PVect, ReserveGrowsByExactlyTheMissingSlots)
{
    PVect<int *> v(10);
    ASSERT_TRUE(v.reserve(3));
    EXPECT_EQ(v.capacity(), 3u);
    EXPECT_EQ(v.count(), 0u);
    int a = 0, b = 0, c = 0;
    v.at(0) = &a;
    v.at(1) = &b;
    v.at(2) = &c;
    EXPECT_EQ(v.capacity(), 3u);
    EXPECT_EQ(v.count(), 3u);
    EXPECT_EQ(v.items()[2], &c);
}

TEST(PVect, ReserveNotAboveCapacityChangesNothing)
{
    PVect<int> v(10);
    v.at(0) = 1;
    const int *before = v.items();
    EXPECT_TRUE(v.reserve(10));
    EXPECT_TRUE(v.reserve(0));
    EXPECT_EQ(v.capacity(), 10u);
    EXPECT_EQ(v.count(), 1u);
    EXPECT_EQ(v.items(), before);
}

TEST(PVect, GetBeyondCapacityReturnsTheLastSlot)
{
    PVect<int> v(10);
    v.at(0) = 1;
    v.get(9) = 99;
    EXPECT_EQ(&v.get(500), &v.items()[9]);
    EXPECT_EQ(v.get(500), 99);
    EXPECT_EQ(v.count(), 1u);
    EXPECT_EQ(v.capacity(), 10u);
}

TEST(PVect, AnIndexThatCannotBeReachedLeavesCountAlone)
{
    PVect<unsigned char> v(16384);
    v.at(0) = 1;
    // Growing to 2^32 slots cannot be expressed with a 32-bit capacity.
    unsigned char &slot = v.at(0xFFFFFFFFu);
    EXPECT_EQ(&slot, &v.items()[v.capacity() - 1]);
    EXPECT_EQ(v.count(), 1u);
    EXPECT_EQ(v.capacity(), 16384u);
}

TEST(PVect, DestroyingAVectorOfPointersLeavesThePointeesAlive)
{
    int *owned = new int(42);
    {
        PVect<int *> v(10);
        v.at(0) = owned;
    }
    // Under AddressSanitizer a use after free here would abort.
    EXPECT_EQ(*owned, 42);
    delete owned;
}

TEST(PVect, ReceiveHistoryStaysNulTerminated)
{
    // The way the terminal appends to its receive history.
    PVect<unsigned char> v(16384);
    auto append = [&v](const char *bytes) {
        uint32_t at = v.count() > 0 ? v.count() - 1 : 0;
        for (const char *p = bytes; *p; ++p)
            v.at(at++) = static_cast<unsigned char>(*p);
        v.at(at) = 0;
    };
    append("abc");
    EXPECT_EQ(v.count(), 4u);
    append("de");
    EXPECT_EQ(v.count(), 6u);
    EXPECT_STREQ(reinterpret_cast<const char *>(v.items()), "abcde");
}

#include <new>

#include "native/RefusingAllocator.h"

// PVect asks for its storage without exceptions; this stands in for an
// exhausted allocator when a test asks for it, and otherwise takes the
// ordinary (sanitised) allocation, so delete[] still matches.
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    if (size >= refuseArraysFrom) {
        ++arraysRefused;
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

TEST(PVect, AGrowthTheAllocatorRefusesLeavesTheVectorAsItWas)
{
    PVect<unsigned char> v(16384);
    for (uint32_t i = 0; i < 20000; ++i)
        v.at(i) = static_cast<unsigned char>(i * 7);
    const unsigned char *before = v.items();
    ASSERT_EQ(v.capacity(), 32768u);
    RefusingAllocator refusing(32769);

    EXPECT_FALSE(v.reserve(40000));
    // at() keeps its fall-back: the last existing slot, count untouched.
    unsigned char &slot = v.at(40000);
    EXPECT_EQ(&slot, &v.items()[32767]);
    EXPECT_EQ(refusing.refused(), 2u);

    EXPECT_EQ(v.items(), before);
    EXPECT_EQ(v.capacity(), 32768u);
    EXPECT_EQ(v.count(), 20000u);
    for (uint32_t i = 0; i < 20000; ++i)
        ASSERT_EQ(v.items()[i], static_cast<unsigned char>(i * 7)) << "at " << i;
}

TEST(PVect, AGrowthTooBigForTheAddressSpaceIsRefusedNotThrown)
{
    // 2^32 - 1 ints are more bytes than a 32-bit size can count: refused
    // before the allocator is asked on such a system, by the (refusing)
    // allocator on a 64-bit one.
    PVect<int> v(10);
    v.at(0) = 5;
    RefusingAllocator refusing(size_t(1) << 30);
    EXPECT_FALSE(v.reserve(0xFFFFFFFFu));
    EXPECT_EQ(v.capacity(), 10u);
    EXPECT_EQ(v.count(), 1u);
    EXPECT_EQ(v.items()[0], 5);
}
