#pragma once
// The caller's progress callback, as GetPicture and GetFile receive it: tells how far the work has
// come and whether the caller wants it stopped.

#include "spi/SusieApi.h"

namespace spi {

class Progress
{
public:
    Progress(SpiProgressCallback callback, intptr_t data) : callback(callback), data(data) {}

    // Reports `done` of `total`; true when the caller asks to stop.
    bool Stop(int done, int total) const { return callback && callback(done, total, data) != 0; }

private:
    SpiProgressCallback callback;
    intptr_t data;
};

} // namespace spi
