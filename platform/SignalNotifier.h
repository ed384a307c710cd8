#pragma once
// Turns the termination signals (SIGTERM, SIGINT, SIGHUP) into a Qt signal on the UI thread,
// so the program can close its window and write its settings as on any other close.

#include <QObject>

class QSocketNotifier;

namespace platform {

class SignalNotifier : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; only one notifier may exist at a time.
    explicit SignalNotifier(QObject* parent = nullptr);
    ~SignalNotifier() override;

signals:
    void TerminationRequested(int signalNumber);

private:
    QSocketNotifier* notifier = nullptr;
};

// A peer that goes away (the display server, a download's server) makes writes fail with
// EPIPE instead of ending the process unannounced, so the usual way out still runs.
void IgnoreBrokenPipes();

} // namespace platform
