#include "media/State.h"

#include <gtest/gtest.h>

namespace {

TEST(StateTest, PredicatesFollowTheStateValue)
{
    struct Row
    {
        int value;
        bool canPlay, canPause, canStop, loaded, playing;
    };
    const Row rows[] = {
        {0, false, false, false, false, false}, {1, true, false, false, true, false},
        {2, false, true, true, true, true},     {3, true, false, true, true, false},
        {4, true, true, false, false, false},   {5, false, false, false, false, false},
        {6, false, false, false, false, false}, {7, false, false, false, false, false},
        {8, false, false, false, false, false},
    };
    CState state;
    EXPECT_TRUE(state.Is(0));
    for (const Row& row : rows) {
        state.Set(row.value);
        SCOPED_TRACE(row.value);
        EXPECT_EQ(state.CanPlay(), row.canPlay);
        EXPECT_EQ(state.CanPause(), row.canPause);
        EXPECT_EQ(state.CanStop(), row.canStop);
        EXPECT_EQ(state.IsLoaded(), row.loaded);
        EXPECT_EQ(state.IsPlaying(), row.playing);
        EXPECT_TRUE(state.Is(row.value));
        EXPECT_TRUE(state.IsNot(row.value + 1));
    }
}

} // namespace
