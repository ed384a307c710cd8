#include "Stopwatch.h"

#include "res/StringTable.h"

void Stopwatch::Cycle(uint32_t tickNow)
{
    switch (state) {
    case kIdle:
        Start(tickNow);
        break;
    case kRunning:
        Stop();
        break;
    case kStopped:
        Release();
        break;
    }
}

Stopwatch::Reading Stopwatch::Tick(uint32_t tickNow, uint32_t setTime, bool countDown)
{
    const Reading reading = Peek(tickNow, setTime, countDown);
    if (reading.fire)
        state = kIdle;
    return reading;
}

Stopwatch::Reading Stopwatch::Peek(uint32_t tickNow, uint32_t setTime, bool countDown) const
{
    Reading reading;
    const uint32_t elapsed = tickNow - start;
    reading.shown = elapsed;
    if (state != kRunning || setTime == 0)
        return reading;
    if (countDown) {
        reading.shown = elapsed >= setTime ? 0 : setTime - elapsed;
        // Less than a second left, or the time already passed between two ticks.
        if (static_cast<uint64_t>(elapsed) + 1000 > setTime)
            reading.fire = true;
    } else if (elapsed >= setTime) {
        reading.fire = true;
    }
    return reading;
}

QString Stopwatch::Text(uint32_t ms)
{
    return QString::asprintf(res::LoadString(res::kStrStopwatchFormat).toUtf8().constData(),
                             static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                             static_cast<int>(ms / 1000 % 60));
}
