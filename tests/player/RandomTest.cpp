#include "player/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

std::vector<int> Order(int count, uint32_t tick)
{
    CRandom random([tick] { return tick; });
    random.Fill(0, count - 1);
    std::vector<int> order;
    for (int i = 0; i < count; ++i)
        order.push_back(random.Get(i));
    EXPECT_EQ(random.Get(count), -1);
    EXPECT_EQ(random.Get(-1), -1);
    return order;
}

std::vector<int> Identity(int count)
{
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

bool IsPermutation(std::vector<int> order)
{
    std::sort(order.begin(), order.end());
    return order == Identity(static_cast<int>(order.size()));
}

TEST(RandomTest, EveryFillIsAPermutation)
{
    EXPECT_TRUE(Order(0, 1234).empty());
    EXPECT_EQ(Order(1, 999), std::vector<int>{0});
    // Ticks past 2^31 count as negative and run the stride backwards.
    const std::vector<uint32_t> ticks{0,          1,          499,        500,       999,
                                      1234,       5000,       9999,       123457,    0x7fffffff,
                                      0x80000000, 0x80000001, 0xfffffc17, 0xffffffff};
    for (const int count : {2, 3, 7, 1000, 20000}) {
        for (const uint32_t tick : ticks)
            EXPECT_TRUE(IsPermutation(Order(count, tick))) << count << " items, tick " << tick;
    }
    for (uint32_t tick = 0; tick < 20000; tick += 37)
        ASSERT_TRUE(IsPermutation(Order(1000, tick))) << tick;
}

TEST(RandomTest, StrideFollowsTheTickCount)
{
    // Two items: the second half of each second swaps them, the first half keeps them.
    EXPECT_EQ(Order(2, 250), (std::vector<int>{0, 1}));
    EXPECT_EQ(Order(2, 750), (std::vector<int>{1, 0}));
    // A stride of 0 keeps the order; others do not.
    EXPECT_EQ(Order(1000, 0), Identity(1000));
    EXPECT_EQ(Order(1000, 10000), Identity(1000));
    int shuffled = 0;
    for (uint32_t tick = 1; tick < 1000; ++tick)
        shuffled += Order(1000, tick) != Identity(1000);
    EXPECT_EQ(shuffled, 999);
    // Stride 3 over ten items from slot 3: 3, 6, 9, then 2 (12 wrapped) and so on.
    const std::vector<int> strideThree = Order(10, 300);
    EXPECT_EQ(strideThree[3], 0);
    EXPECT_EQ(strideThree[6], 1);
    EXPECT_EQ(strideThree[9], 2);
    EXPECT_EQ(strideThree[2], 3);
}

TEST(RandomTest, InvalidRangesLeaveNoOrder)
{
    CRandom random([] { return 700u; });
    random.Fill(0, 4);
    random.Fill(3, 1);
    EXPECT_EQ(random.Get(0), -1);
    random.Fill(-2, 4);
    EXPECT_EQ(random.Get(0), -1);
}

} // namespace
