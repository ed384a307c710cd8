#pragma once
// The clock's schedule: which timer entries the local time meets, and the launch text of an
// entry as the alarm player is to open it.

#include "TimerEntry.h"

#include <QDateTime>
#include <QString>

#include <span>
#include <vector>

// Whether `entry` is due at `now`: year, month and day 0 or equal; the hour within hour …
// hour2 (an unsigned comparison: hour2 65535 sets no upper bound, and the range does not wrap
// past midnight) or hour 65535; minute and second 65535 or equal; exec 1 and a launch text.
bool ScheduleEntryMatches(const CTimerEntry& entry, const QDateTime& now);

// The indexes of the entries due at `now`, in order.
std::vector<int> DueEntries(std::span<const CTimerEntry> entries, const QDateTime& now);

// The clock asks for the due entries at every tick, several times a second: each second is
// looked at once, so an entry fires once for each second that matches it.
class ScheduleGate
{
public:
    // The entries due at `now`, none when `now` falls in the second looked at last.
    std::vector<int> Due(std::span<const CTimerEntry> entries, const QDateTime& now);

private:
    qint64 lastSecond = -1; // seconds since the epoch; a clock set back makes a new second
};

// The launch text without one leading and one trailing double quote.
QString LaunchPath(const QString& launch);
