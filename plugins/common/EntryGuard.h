#pragma once
// The entry points' rule that nothing thrown inside leaves the module.

#include "spi/SusieApi.h"

#include <new>

namespace spi {

// The SPI_ code `call` returns; running out of memory is SPI_NO_MEMORY, anything else thrown
// SPI_INTERNAL_ERROR.
template <typename Call> int Guarded(Call&& call) noexcept
{
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return SPI_NO_MEMORY;
    } catch (...) {
        return SPI_INTERNAL_ERROR;
    }
}

// What `call` returns, or 0 when it throws: for the entry points that answer a count or a yes/no.
template <typename Call> int GuardedOrZero(Call&& call) noexcept
{
    try {
        return call();
    } catch (...) {
        return 0;
    }
}

} // namespace spi
