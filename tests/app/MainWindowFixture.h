#pragma once
// A main window under test: a temporary home with its settings file, the window's surroundings,
// and running the window modally with the test's steps inside its loop.

#include "app/SettingsStore.h"
#include "app/SorlinDlg.h"
#include "support/TempHome.h"

#include <QEvent>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

// Counts the timer events a widget gets: the main window's tick is the only timer it runs.
class TickCounter : public QObject
{
public:
    explicit TickCounter(QObject* watched) { watched->installEventFilter(this); }
    int ticks = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Timer)
            ++ticks;
        return false;
    }
};

class MainWindowFixture : public ::testing::Test
{
protected:
    CSorlinDlg::Environment Environment(platform::DriveTable drives = {})
    {
        CSorlinDlg::Environment env;
        env.programFolder = QStringLiteral("/opt/sorlin/");
        env.store = store.get();
        env.drives = std::move(drives);
        // The tests' alarms are not told to the desktop the tests run on.
        env.notice = nullptr;
        return env;
    }

    void WriteSettings(const QByteArray& ini)
    {
        home.WriteFile(QStringLiteral(".config/pelmo_rin/Sorlin.conf"), ini);
        store = std::make_unique<SettingsStore>(home.SettingsFile());
    }

    // Runs `dialog` modally; `whileOpen` runs inside its loop and ends it. When it returns
    // without having done so (a failed assertion returns at once), the dialog ends with -1
    // there and then; a bound covers what never returns.
    static int RunModal(CSorlinDlg& dialog, std::function<void()> whileOpen, int boundMs = 10000)
    {
        bool ended = false;
        const QMetaObject::Connection watch =
            QObject::connect(&dialog, &QDialog::finished, [&ended] { ended = true; });
        QTimer::singleShot(0, &dialog, [&dialog, &ended, whileOpen = std::move(whileOpen)] {
            whileOpen();
            if (!ended)
                dialog.EndDialog(-1);
        });
        QTimer::singleShot(boundMs, &dialog, [&dialog] { dialog.EndDialog(-1); });
        const int result = dialog.DoModal();
        QObject::disconnect(watch);
        return result;
    }

    TempHome home;
    std::unique_ptr<SettingsStore> store = std::make_unique<SettingsStore>(home.SettingsFile());
};
