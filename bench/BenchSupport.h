#pragma once
// Helpers the benchmark programs share: clocks, medians, a process's CPU time, exit states.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// CLOCK_MONOTONIC in microseconds, the clock the programs report their first paint in.
int64_t NowUs();
double Median(std::vector<double> values);
// utime + stime of a running process in seconds, from /proc/<pid>/stat.
std::optional<double> ProcessCpuSeconds(pid_t pid);
// Busy and total CPU time of the whole machine in seconds, from /proc/stat (idle and iowait
// are not busy).
struct MachineCpu
{
    double busy = 0;
    double total = 0;
};
MachineCpu ReadMachineCpu();
// "exit code N" or "signal NAME" for a wait status.
std::string DescribeStatus(int status);
// Adds a line to the results, which are printed together once everything has run.
[[gnu::format(printf, 1, 2)]] void AddLine(const char* format, ...);
const std::string& ResultLines();
inline const char* Verdict(bool met)
{
    return met ? "goal met" : "goal missed";
}

} // namespace bench
