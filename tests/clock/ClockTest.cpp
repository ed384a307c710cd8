#include "clock/Schedule.h"
#include "clock/Stopwatch.h"

#include <gtest/gtest.h>

namespace {

CTimerEntry Entry(uint16_t hour, uint16_t hour2, uint16_t minute, uint16_t second)
{
    CTimerEntry e;
    e.hour = hour;
    e.hour2 = hour2;
    e.minute = minute;
    e.second = second;
    e.launch = QStringLiteral("\"/opt/sorlin/Chimes.wav\"");
    e.exec = 1;
    return e;
}

QDateTime At(int h, int m, int s, int year = 2026, int month = 12, int day = 7)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s));
}

TEST(ScheduleTest, EveryFieldAndHourRanges)
{
    const CTimerEntry hourly = Entry(kEvery, kEvery, 0, 0); // the chime at every full hour
    EXPECT_TRUE(ScheduleEntryMatches(hourly, At(0, 0, 0)));
    EXPECT_TRUE(ScheduleEntryMatches(hourly, At(23, 0, 0)));
    EXPECT_FALSE(ScheduleEntryMatches(hourly, At(23, 0, 1)));
    EXPECT_FALSE(ScheduleEntryMatches(hourly, At(23, 1, 0)));

    const CTimerEntry office = Entry(9, 17, 30, kEvery);
    EXPECT_TRUE(ScheduleEntryMatches(office, At(9, 30, 59)));
    EXPECT_TRUE(ScheduleEntryMatches(office, At(17, 30, 0)));
    EXPECT_FALSE(ScheduleEntryMatches(office, At(18, 30, 0)));
    EXPECT_FALSE(ScheduleEntryMatches(office, At(8, 30, 0)));

    // 22 to 3 does not wrap past midnight: it never fires.
    const CTimerEntry night = Entry(22, 3, kEvery, kEvery);
    for (int h : {22, 23, 0, 1, 3})
        EXPECT_FALSE(ScheduleEntryMatches(night, At(h, 10, 10))) << h;
    // An open range: from the hour on.
    EXPECT_TRUE(ScheduleEntryMatches(Entry(20, kEvery, kEvery, kEvery), At(23, 5, 5)));

    CTimerEntry dated = Entry(kEvery, kEvery, kEvery, kEvery);
    dated.year = 2026;
    dated.month = 12;
    dated.day = 24;
    EXPECT_TRUE(ScheduleEntryMatches(dated, At(10, 0, 0, 2026, 12, 24)));
    EXPECT_FALSE(ScheduleEntryMatches(dated, At(10, 0, 0, 2027, 12, 24)));
    EXPECT_FALSE(ScheduleEntryMatches(dated, At(10, 0, 0, 2026, 12, 25)));

    CTimerEntry off = hourly;
    off.exec = 0;
    EXPECT_FALSE(ScheduleEntryMatches(off, At(0, 0, 0)));
    CTimerEntry empty = hourly;
    empty.launch.clear();
    EXPECT_FALSE(ScheduleEntryMatches(empty, At(0, 0, 0)));

    const CTimerEntry table[] = {off, hourly, night, hourly};
    EXPECT_EQ(DueEntries(table, At(5, 0, 0)), (std::vector<int>{1, 3}));
    EXPECT_EQ(LaunchPath(hourly.launch), QStringLiteral("/opt/sorlin/Chimes.wav"));
    EXPECT_EQ(LaunchPath(QStringLiteral("plain")), QStringLiteral("plain"));
}

// The window asks at every tick, twice a second and sometimes more often: a due entry fires
// once for each second that matches it.
TEST(ScheduleTest, AnEntryFiresOnceForEachSecondThatMatchesIt)
{
    const std::vector<CTimerEntry> entries = {Entry(kEvery, kEvery, 0, 0),            // hourly chime
                                              Entry(kEvery, kEvery, kEvery, kEvery)}; // every second
    ScheduleGate gate;
    const QDateTime start = At(10, 59, 59);
    std::vector<int> hourly, everySecond;
    // Ticks every 500 ms from 10:59:59.000 to 11:00:01.500, one more in the middle of 11:00:00.
    std::vector<int> offsets = {0, 500, 1000, 1250, 1500, 2000, 2500};
    for (int ms : offsets) {
        for (int index : gate.Due(entries, start.addMSecs(ms)))
            (index == 0 ? hourly : everySecond).push_back(ms);
    }
    EXPECT_EQ(hourly, std::vector<int>({1000})) << "the chime starts once, not at each tick of its second";
    EXPECT_EQ(everySecond, std::vector<int>({0, 1000, 2000})) << "one launch a second";

    // The same second comes again when the clock is set back: the chime sounds again.
    EXPECT_EQ(gate.Due(entries, At(11, 0, 0)), std::vector<int>({0, 1}));
    EXPECT_TRUE(gate.Due(entries, At(11, 0, 0)).empty());
    EXPECT_EQ(gate.Due(entries, At(12, 0, 0)), std::vector<int>({0, 1})) << "and again an hour later";
}

TEST(StopwatchTest, CountsUpDownAndFires)
{
    Stopwatch up;
    up.Cycle(1000); // start
    EXPECT_EQ(up.GetState(), Stopwatch::kRunning);
    Stopwatch::Reading r = up.Tick(1000 + 179000, 180000, false);
    EXPECT_FALSE(r.fire);
    EXPECT_EQ(Stopwatch::Text(r.shown), QStringLiteral("\n00:02:59"));
    r = up.Tick(1000 + 180000, 180000, false);
    EXPECT_TRUE(r.fire);
    EXPECT_EQ(Stopwatch::Text(r.shown), QStringLiteral("\n00:03:00"));
    EXPECT_EQ(up.GetState(), Stopwatch::kIdle) << "back to the clock";

    Stopwatch down;
    down.Start(0xfffff000u); // across the tick count's wrap
    r = down.Tick(0xfffff000u + 500, 10000, true);
    EXPECT_EQ(Stopwatch::Text(r.shown), QStringLiteral("\n00:00:09"));
    EXPECT_FALSE(r.fire);
    r = down.Tick(0xfffff000u + 9100, 10000, true);
    EXPECT_TRUE(r.fire) << "less than a second left";
    // A tick delayed past the end still fires and shows 00:00:00.
    down.Start(0);
    r = down.Tick(25000, 10000, true);
    EXPECT_TRUE(r.fire);
    EXPECT_EQ(Stopwatch::Text(r.shown), QStringLiteral("\n00:00:00"));

    // No set time: it runs without end, hours past 24.
    Stopwatch endless;
    endless.Start(0);
    r = endless.Tick(25u * 3600000u, 0, true);
    EXPECT_FALSE(r.fire);
    EXPECT_EQ(Stopwatch::Text(r.shown), QStringLiteral("\n25:00:00"));
    EXPECT_EQ(Stopwatch::Text(90 * 60000), QStringLiteral("\n01:30:00"));

    endless.Cycle(0);
    EXPECT_EQ(endless.GetState(), Stopwatch::kStopped);
    endless.Cycle(0);
    EXPECT_EQ(endless.GetState(), Stopwatch::kIdle);
}

} // namespace
