// Command to first paint of the main window's dialogs: the timer, alarm, position settings,
// About and play settings commands carried out by the real main window, and the playlist
// editor with 10,000 items, each timed from the command until the dialog's first paint has
// finished; the reference is a bare QDialog with a label and a button opened the same way. The
// first opening in the process (fonts, styles) is reported apart from the median of the later
// ones.
//   bench_dialogs [--runs N]

#include "BenchSupport.h"
#include "app/Commands.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "app/SorlinDlg.h"
#include "skin/DialogEx.h"
#include "support/MainWindowScene.h"
#include "support/PlayerScene.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Notes when the first paint of a modal dialog has finished (the event loop comes back after
// the whole window, children included, has been painted) and closes the dialog.
class FirstPaint : public QObject
{
public:
    int64_t paintedUs = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Paint && dialog && dialog->isModal() && paintedUs == 0) {
            paintedUs = -1;
            QTimer::singleShot(0, dialog, [this, dialog] {
                paintedUs = bench::NowUs();
                dialog->reject();
            });
        }
        return false;
    }
};

// Times `open` (which returns once its dialog has closed): the first run, and the median of
// `runs` more, in milliseconds; -1 when a dialog never painted.
struct Timing
{
    double first = -1;
    double median = -1;
};

Timing Time(int runs, const std::function<void()>& open)
{
    std::vector<double> ms;
    for (int i = 0; i <= runs; ++i) {
        FirstPaint watch;
        qApp->installEventFilter(&watch);
        const int64_t start = bench::NowUs();
        open();
        qApp->removeEventFilter(&watch);
        if (watch.paintedUs <= 0)
            return {};
        ms.push_back((watch.paintedUs - start) / 1000.0);
    }
    Timing timing;
    timing.first = ms.front();
    ms.erase(ms.begin());
    timing.median = bench::Median(ms);
    return timing;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype runsAt = arguments.indexOf(QStringLiteral("--runs"));
    const int runs =
        runsAt >= 0 && runsAt + 1 < arguments.size() ? std::max(1, arguments[runsAt + 1].toInt()) : 20;

    QTemporaryDir home;
    SettingsStore store(home.filePath(QStringLiteral("Sorlin.conf")));
    CSorlinDlg::Environment environment;
    environment.programFolder = QCoreApplication::applicationDirPath() + u'/'; // the default skin
    environment.store = &store;
    CSorlinDlg window(std::move(environment), false);

    struct Row
    {
        const char* name;
        std::function<void()> open;
        Timing timing;
    };
    std::vector<Row> rows{
        {"bare QDialog, label and button (reference)",
         [&window] {
             QDialog dialog(&window);
             QLabel label(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"), &dialog);
             QPushButton ok(QStringLiteral("OK"), &dialog);
             ok.move(0, 30);
             dialog.exec();
         },
         {}},
        {"timer (32774)", [&window] { window.OnCommand(ID_TIMER); }, {}},
        {"alarm (32775)", [&window] { window.OnCommand(ID_STOPWATCH_SETTINGS); }, {}},
        {"position settings (32776)", [&window] { window.OnCommand(ID_POSITION_SETTINGS); }, {}},
        {"About (57664)", [&window] { window.OnCommand(ID_APP_ABOUT); }, {}},
        {"play settings (32812)", [&window] { window.OnCommand(ID_PLAY_SETTINGS); }, {}},
        {"playlist editor, 10,000 items (34956)",
         [&window] {
             static bool listed = false;
             if (!std::exchange(listed, true)) {
                 QStringList items;
                 for (int i = 0; i < 10000; ++i)
                     items << QStringLiteral("/home/user/music/album %1/%2 track.ogg")
                                  .arg(i / 12)
                                  .arg(i, 5, 10, QChar(u'0'));
                 PlayerScene(MainWindowScene::Player(window)).SetList(items, 5000);
             }
             window.OnCommand(ID_PLAYLIST);
         },
         {}},
    };
    QTimer::singleShot(0, &window, [&] {
        for (Row& row : rows)
            row.timing = Time(runs, row.open);
        window.EndDialog(IDOK);
    });
    window.DoModal();
    window.DestroyWindow();

    std::printf("dialog opened by its command until its first paint has finished (%s), %d runs\n",
                qPrintable(QGuiApplication::platformName()), runs);
    bool met = true;
    for (const Row& row : rows) {
        if (row.timing.median < 0) {
            std::fprintf(stderr, "%s: the dialog did not paint\n", row.name);
            return 1;
        }
        const bool reference = &row == &rows.front();
        const bool longList = &row == &rows.back();
        const double goal = longList ? 300.0 : 50.0;
        if (!reference)
            met = met && row.timing.first < goal && row.timing.median < goal;
        std::printf("%-44s first %7.2f ms, median %7.2f ms%s\n", row.name, row.timing.first,
                    row.timing.median,
                    reference  ? ""
                    : longList ? "  (goal < 300 ms)"
                               : "  (goal < 50 ms)");
    }
    std::printf("%s\n", bench::Verdict(met));
    return 0;
}
