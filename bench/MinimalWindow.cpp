// The smallest Qt Widgets program the start-up benchmark compares Sorlin with: a frameless
// 200×200 window holding one label, shown at once.
//   bench_minimal_window           the window, with a fixed text
//   bench_minimal_window --clock   the label shows the time "HH:mm:ss", refreshed every 500 ms:
//                                  the reference for the CPU an idle desk clock may use
//   bench_minimal_window --date    the label shows what Sorlin's clock shows ("yyyy年MM月dd日" over
//                                  the time) in the Japanese face Sorlin's display uses: the
//                                  reference for what a window showing that text must map
// With SORLIN_REPORT_FIRST_PAINT set in the environment it prints "first-paint <µs>" to stderr
// once, at the end of its first paint, where <µs> is CLOCK_MONOTONIC in microseconds, as the
// program itself does.

#include "app/FirstPaint.h"

#include <QApplication>
#include <QDateTime>
#include <QFont>
#include <QLabel>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int kSide = 200;
constexpr int kClockPeriodMs = 500;

class MinimalWindow : public QWidget
{
public:
    MinimalWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), label(new QLabel(this))
    {
        label->setAlignment(Qt::AlignCenter);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        resize(kSide, kSide);
    }

    void SetText(const QString& text) { label->setText(text); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        ReportFirstPaint();
    }

private:
    QLabel* label;
};

} // namespace

int main(int argc, char** argv)
{
    MarkStartupStep("main");
    QApplication app(argc, argv);
    MarkStartupStep("application");
    bool clock = false;
    bool date = false;
    for (int i = 1; i < argc; ++i) {
        clock = clock || std::strcmp(argv[i], "--clock") == 0;
        date = date || std::strcmp(argv[i], "--date") == 0;
    }

    MinimalWindow window;
    QTimer timer;
    if (clock) {
        const auto showTime = [&window] {
            window.SetText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
        };
        showTime();
        QObject::connect(&timer, &QTimer::timeout, &window, showTime);
        timer.start(kClockPeriodMs);
    } else if (date) {
        // The face and pixel size of Sorlin's default display font, written out here: taking them
        // from Sorlin's own libraries would make this window carry their weight.
        QFont font(QStringLiteral("IPAGothic"));
        font.setPixelSize(16);
        window.setFont(font);
        window.SetText(QDateTime::currentDateTime().toString(QStringLiteral("yyyy年MM月dd日\nHH:mm:ss")));
    } else {
        window.SetText(QStringLiteral("minimal window"));
    }
    window.show();
    MarkStartupStep("shown");
    return QApplication::exec();
}
