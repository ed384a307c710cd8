#pragma once
// The random play order: a permutation of list indices derived from the millisecond tick count.
// Fill(first, last) scatters first … last over the orderSlots with a tick-derived stride (a stride
// of 0 keeps the order); Get(i) is the index that goes to position i. Fill never waits, so a
// shuffle of any length costs the UI thread no idle time.

#include <cstdint>
#include <functional>
#include <vector>

class CRandom
{
public:
    // The tick source, milliseconds; tests hand in fixed values.
    using TickSource = std::function<uint32_t()>;

    explicit CRandom(TickSource tickCount = {});
    virtual ~CRandom() = default;

    // Builds a new order. With first 0 the orderSlots 0 … last hold a permutation of 0 … last;
    // last < first (an empty list) or a negative first leaves no order at all.
    void Fill(int first, int last);
    // The index placed at position i, or -1 when i lies outside the order.
    int Get(int i) const;

private:
    TickSource tickCount;
    std::vector<int> orderSlots; // value + 1 per position; 0 while free
};
