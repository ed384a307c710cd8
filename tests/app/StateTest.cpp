#include "media/State.h"
#include "player/PlayerTypes.h"

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
    // The controller's states run through every value the engines' states have.
    CState<PlayerState> state;
    EXPECT_TRUE(state.Is(PlayerState::kNone));
    for (const Row& row : rows) {
        const auto value = static_cast<PlayerState>(row.value);
        state.Set(value);
        SCOPED_TRACE(row.value);
        EXPECT_EQ(state.CanPlay(), row.canPlay);
        EXPECT_EQ(state.CanPause(), row.canPause);
        EXPECT_EQ(state.CanStop(), row.canStop);
        EXPECT_EQ(state.IsLoaded(), row.loaded);
        EXPECT_EQ(state.IsPlaying(), row.playing);
        EXPECT_TRUE(state.Is(value));
        EXPECT_TRUE(state.IsNot(static_cast<PlayerState>(row.value + 1)));
    }
}

} // namespace
