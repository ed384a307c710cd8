#include "Schedule.h"

#include "platform/PathSplit.h"

bool ScheduleEntryMatches(const CTimerEntry& entry, const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    if (entry.year != 0 && entry.year != date.year())
        return false;
    if (entry.month != 0 && entry.month != date.month())
        return false;
    if (entry.day != 0 && entry.day != date.day())
        return false;
    const auto hour = static_cast<uint16_t>(time.hour());
    if (entry.hour != kEvery && (hour < entry.hour || hour > entry.hour2))
        return false;
    if (entry.minute != kEvery && entry.minute != time.minute())
        return false;
    if (entry.second != kEvery && entry.second != time.second())
        return false;
    return entry.exec == 1 && !entry.launch.isEmpty();
}

std::vector<int> DueEntries(std::span<const CTimerEntry> entries, const QDateTime& now)
{
    std::vector<int> due;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (ScheduleEntryMatches(entries[i], now))
            due.push_back(static_cast<int>(i));
    }
    return due;
}

std::vector<int> ScheduleGate::Due(std::span<const CTimerEntry> entries, const QDateTime& now)
{
    const qint64 second = now.toSecsSinceEpoch();
    if (second == lastSecond)
        return {};
    lastSecond = second;
    return DueEntries(entries, now);
}

QString LaunchPath(const QString& launch)
{
    return platform::WithoutQuotes(launch);
}
