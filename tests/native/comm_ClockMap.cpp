#include <gtest/gtest.h>

#include "comm/ClockMap.h"

namespace {

struct Reading
{
    int64_t fineUs;
    int64_t wallMs;
    int64_t shown;
};

const int64_t hour = 3600000;

// One clock fed in order: the fine clock fills in between the coarse steps of
// the wall clock; a wall clock set back or forward, or run away from the
// fine one, is followed from then on.
const Reading readings[] = {
    {1000000, 50000, 50000},           // tied
    {1005300, 50000, 50005},           // the wall clock has not stepped yet
    {1016000, 50016, 50016},
    {1020700, 50016, 50020},
    {1030000, 50030 - hour, 50030 - hour},   // set back an hour (daylight saving ends)
    {1031000, 50030 - hour, 50031 - hour},
    {1041000, 50041 + hour, 50041 + hour},   // and forward again
    {1041900, 50041 + hour, 50041 + hour},
    {2041000, 51041 + hour + 240, 51041 + hour},   // drifted, within the limit
    {3041000, 52041 + hour + 260, 52041 + hour + 260},   // beyond it: tied again
    {500, 60000, 60000},               // a fine clock that went back ties again
};

TEST(ClockMap, FollowsTheWallClockAtTheFineClocksResolution)
{
    ClockMap map;
    for (const Reading &r : readings)
        EXPECT_EQ(map.stamp(r.fineUs, r.wallMs), r.shown) << "fine clock at " << r.fineUs << " us";
}

} // namespace
