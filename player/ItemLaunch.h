#pragma once
// Hands an item that no engine plays (a program, a document, a page) to the desktop, under the
// rules that keep a list from starting what the user did not choose: an item that has gone is
// passed over; what a download or an archive brings is never started; a program that a list, a
// folder or a disc names starts only when the user says yes to it.
//
// UI thread only.

#include <QString>

class QWidget;

struct LaunchRules
{
    // The window the question belongs to.
    QWidget* window = nullptr;
    // The item came from a download or an archive.
    bool fromOutside = false;
    // The item is the source the user opened, not one a list named.
    bool isSource = false;
};

// True when the desktop started it.
bool LaunchItem(const QString& path, const LaunchRules& rules);
