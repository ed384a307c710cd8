#pragma once
// Bounded waiting for tests: the event loop keeps running while a condition is awaited.

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

namespace testsupport {

// Runs the event loop until `done` holds or `timeoutMs` have passed; returns whether it holds.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace testsupport
