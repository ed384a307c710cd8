#pragma once
// One entry of the clock's timer table: a moment (each field fixed, or "every") and the
// program or media file to start then. Entries 0 … 49 are the schedule, 50 the stopwatch's
// alarm.

#include <QString>

#include <cstdint>

// The value of hour, minute, second and hour2 that stands for "every" (and, for hour2, for no
// upper bound); year, month and day use 0.
constexpr uint16_t kEvery = 65535;

struct CTimerEntry
{
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0; // always 0
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0; // always 0
    uint16_t hour2 = 0;        // last hour of the hour range
    QString launch;
    int exec = 0;

    friend bool operator==(const CTimerEntry&, const CTimerEntry&) = default;
};
