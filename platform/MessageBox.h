#pragma once
// Modal message boxes captioned with the application title. Every message the program shows
// goes through ShowMessageBox, so tests can watch (and answer) them.

#include <QString>
#include <functional>

class QWidget;

namespace platform {

// Button sets and answers, with the numbers of the Windows message box.
enum MessageBoxButtons : int
{
    kMbOk = 0,
    kMbYesNo = 4
};
enum MessageBoxAnswer : int
{
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7
};

// Shows `text` modally over `parent` and returns the answer. Once the program is ending
// (ProgramEnding.h) nothing shows and the answer is Cancel, or No.
int ShowMessageBox(QWidget* parent, const QString& text, int buttons = kMbOk);

// While set, ShowMessageBox calls the observer instead of showing a box and returns its answer.
using MessageBoxObserver = std::function<int(const QString& text, int buttons)>;
void SetMessageBoxObserver(MessageBoxObserver observer);

} // namespace platform
