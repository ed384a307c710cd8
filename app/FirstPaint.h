#pragma once
// The first-paint report benchmarks read: with SORLIN_REPORT_FIRST_PAINT set, the first call
// prints "first-paint <µs>" (CLOCK_MONOTONIC) to stderr; later calls do nothing. Header-only
// so the benchmark's reference window reports exactly the same way. With SORLIN_REPORT_STARTUP
// set, MarkStartupStep prints "startup-step <name> <µs>" for each step of the way to it.

#include <QtGlobal>

#include <cstdio>
#include <ctime>

inline long long MonotonicMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// `name` has no blanks; a step is reported each time it is reached.
inline void MarkStartupStep(const char* name)
{
    static const bool wanted = !qEnvironmentVariableIsEmpty("SORLIN_REPORT_STARTUP");
    if (!wanted)
        return;
    std::fprintf(stderr, "startup-step %s %lld\n", name, MonotonicMicroseconds());
    std::fflush(stderr);
}

inline void ReportFirstPaint()
{
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    if (qEnvironmentVariableIsEmpty("SORLIN_REPORT_FIRST_PAINT"))
        return;
    std::fprintf(stderr, "first-paint %lld\n", MonotonicMicroseconds());
    std::fflush(stderr);
}
