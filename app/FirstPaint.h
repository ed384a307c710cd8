#pragma once
// The first-paint report benchmarks read: with SORLIN_REPORT_FIRST_PAINT set, the first call
// prints "first-paint <µs>" (CLOCK_MONOTONIC) to stderr; later calls do nothing. Header-only
// so the benchmark's reference window reports exactly the same way.

#include <QtGlobal>

#include <cstdio>
#include <ctime>

inline void ReportFirstPaint()
{
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    if (qEnvironmentVariableIsEmpty("SORLIN_REPORT_FIRST_PAINT"))
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "first-paint %lld\n",
                 static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    std::fflush(stderr);
}
