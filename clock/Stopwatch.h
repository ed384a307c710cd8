#pragma once
// The stopwatch of the clock face: idle (the clock shows), running, stopped. It counts up from
// its start, or down from a set time, and tells when its alarm is due. Times come from the
// millisecond tick count with unsigned 32-bit arithmetic, so the count survives the wrap.

#include <QString>

#include <cstdint>

class Stopwatch
{
public:
    enum State
    {
        kIdle = 0,
        kRunning = 1,
        kStopped = 2,
    };

    void Start(uint32_t tickNow)
    {
        state = kRunning;
        start = tickNow;
    }
    void Stop() { state = kStopped; }
    void Release() { state = kIdle; }
    // The next step of the cycle skin button 3 makes: idle → running → stopped → idle.
    void Cycle(uint32_t tickNow);
    State GetState() const { return state; }

    struct Reading
    {
        uint32_t shown = 0; // milliseconds to show
        bool fire = false;  // the alarm is due (the stopwatch has gone back to idle)
    };
    // While running: the time to show and whether the alarm fires. `setTime` is the alarm's
    // time (0 for none), `countDown` counts down from it instead of up.
    Reading Tick(uint32_t tickNow, uint32_t setTime, bool countDown);
    // The same reading without acting on it: a due alarm stays due.
    Reading Peek(uint32_t tickNow, uint32_t setTime, bool countDown) const;

    // "\n%02d:%02d:%02d" with hours that are not held to 24.
    static QString Text(uint32_t ms);

private:
    State state = kIdle;
    uint32_t start = 0;
};
