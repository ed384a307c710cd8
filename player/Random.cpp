#include "Random.h"

#include "platform/TickCount.h"

#include <algorithm>

CRandom::CRandom(TickSource tickCount) : tickCount(tickCount ? std::move(tickCount) : platform::GetTickCount)
{}

void CRandom::Fill(int first, int last)
{
    orderSlots.clear();
    if (first < 0 || last < first)
        return;
    orderSlots.assign(static_cast<size_t>(last) + 1, 0);
    const int64_t size = static_cast<int64_t>(last) + 1;
    const int64_t count = static_cast<int64_t>(last) - first + 1;
    const int64_t span = std::max<int64_t>(10 * count, 1000);
    // The tick is taken as signed, so after 2^31 ms of uptime the stride runs backwards; 64 bits
    // keep span × count exact for lists of any length.
    const auto tick = static_cast<int32_t>(tickCount());
    const int64_t step = tick % span * count / 1000;
    const auto wrap = [size](int64_t d) {
        d %= size;
        return d < 0 ? d + size : d;
    };
    int64_t d = wrap(step);
    for (int64_t value = int64_t{first} + 1; value <= size; ++value) {
        while (orderSlots[static_cast<size_t>(d)] != 0)
            d = wrap(d + 1);
        orderSlots[static_cast<size_t>(d)] = static_cast<int>(value);
        d = wrap(d + step);
    }
}

int CRandom::Get(int i) const
{
    if (i < 0 || static_cast<size_t>(i) >= orderSlots.size())
        return -1;
    return orderSlots[static_cast<size_t>(i)] - 1;
}
