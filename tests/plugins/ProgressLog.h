#pragma once
// A progress callback for the plug-in tests: records each call and asks to stop at a chosen one.

#include <cstdint>
#include <utility>
#include <vector>

struct ProgressLog
{
    std::vector<std::pair<int, int>> calls;
    int stopAt = -1; // the call (counted from 0) that asks to stop
};

// The SpiProgressCallback; `data` is the ProgressLog.
inline int RecordProgress(int done, int total, intptr_t data)
{
    auto* log = reinterpret_cast<ProgressLog*>(data);
    log->calls.emplace_back(done, total);
    return int(log->calls.size()) - 1 == log->stopAt ? 1 : 0;
}
