#include <gtest/gtest.h>

#include "terminal/CommandQueue.h"

TEST(CommandQueue, KeepsArrivalOrder)
{
    CommandQueue q;
    EXPECT_TRUE(q.empty());
    q.push(120, 0);
    q.push(112, 5);
    q.push(117, 0);
    int id;
    intptr_t arg;
    ASSERT_TRUE(q.pop(&id, &arg));
    EXPECT_EQ(id, 120);
    ASSERT_TRUE(q.pop(&id, &arg));
    EXPECT_EQ(id, 112);
    EXPECT_EQ(arg, 5);
    ASSERT_TRUE(q.pop(&id, &arg));
    EXPECT_EQ(id, 117);
    EXPECT_FALSE(q.pop(&id, &arg));
}

TEST(CommandQueue, RefusesWhenFullAndWrapsAround)
{
    CommandQueue q;
    for (int i = 0; i < CommandQueue::capacity; ++i)
        EXPECT_TRUE(q.push(i, 0));
    EXPECT_FALSE(q.push(99, 0));
    int id;
    intptr_t arg;
    for (int i = 0; i < 10; ++i)
        q.pop(&id, &arg);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(q.push(100 + i, 0));
    q.pop(&id, &arg);
    EXPECT_EQ(id, 10);
    EXPECT_EQ(q.size(), uint32_t(CommandQueue::capacity - 1));
}
