#pragma once
// Hooks for people and benchmarks looking at the program from outside, switched on by the
// environment only:
//   SORLIN_REPORT_FIRST_PAINT=1         print "first-paint <monotonic µs>" to stderr once
//   SORLIN_REPORT_STARTUP=1             print "startup-step <name> <monotonic µs>" on the way there
//   SORLIN_SCREENSHOT=<file.png>        save a picture of the main window, then close it
//   SORLIN_SCREENSHOT_AFTER=<seconds>   how long to wait before that (default 2)

#include "FirstPaint.h"

#include <functional>

class QWidget;

// When SORLIN_SCREENSHOT is set, grabs `window` from the screen after the delay, writes the
// PNG and calls `close`.
void ScheduleDiagnosticScreenshot(QWidget* window, std::function<void()> close);
