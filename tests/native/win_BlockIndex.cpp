#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "win/BlockIndex.h"

// Random pushes, tail and head cuts, a new first value and searches against
// a plain vector, over enough values to cross and drop whole blocks.
TEST(BlockIndex, RandomOperationsMatchAPlainVector)
{
    std::mt19937 rng(777);
    BlockIndex index;
    std::vector<uint64_t> model;
    uint64_t next = uint64_t(1) << 40;  // far past 32 bits: only distances are kept small
    for (int stepNo = 0; stepNo < 700; ++stepNo) {
        int op = rng() % 20;
        if (op < 14) {
            size_t n = rng() % 3000;
            ASSERT_TRUE(index.reserve(n));
            for (size_t i = 0; i < n; ++i) {
                next += rng() % 50;
                ASSERT_TRUE(index.push(next));
                model.push_back(next);
            }
        } else if (op < 16) {
            size_t keep = model.size() - std::min<size_t>(model.size(), rng() % 5000);
            index.truncate(keep);
            model.resize(keep);
        } else if (op < 18) {
            size_t n = rng() % 9000;
            index.dropFront(n);
            model.erase(model.begin(), model.begin() + std::min(n, model.size()));
        } else if (!model.empty()) {
            uint64_t v = model.size() > 1 ? model[1] - rng() % (model[1] - model[0] + 1) : model[0] - rng() % 5;
            index.setFront(v);
            model[0] = v;
        }
        ASSERT_EQ(index.size(), model.size());
        for (size_t i = 0; i < model.size(); i += 1 + rng() % 97)
            ASSERT_EQ(index.at(i), model[i]) << "step " << stepNo;
        for (int probe = 0; probe < 8 && !model.empty(); ++probe) {
            uint64_t key = model[rng() % model.size()] + (rng() % 3) - 1;
            size_t want = size_t(std::upper_bound(model.begin(), model.end(), key) - model.begin());
            ASSERT_EQ(index.countAtMost(key), want) << "step " << stepNo;
        }
    }
    // A distance that does not fit 32 bits is refused, not wrapped.
    index.release();
    ASSERT_TRUE(index.push(10));
    EXPECT_FALSE(index.push(10 + (uint64_t(1) << 32)));
    EXPECT_EQ(index.size(), 1u);
    EXPECT_EQ(index.bytesHeld() > 0, true);
    index.release();
    EXPECT_EQ(index.bytesHeld(), 0u);
}
