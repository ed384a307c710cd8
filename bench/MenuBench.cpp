// Cost of the main window's context menu for a long playlist: 2,001 MP3 files with an ID3v2.3
// title, so the jump submenu reads every title through the tag probe. Each run builds the menu
// from menu 130 for a playing player, pops it up (offscreen) and waits for its first paint,
// then closes it. The reference is a bare QMenu holding the same 2,001 titles in a submenu.
//   bench_menu [--files N] [--runs N]

#include "BenchSupport.h"
#include "TaggedMp3.h"
#include "app/Commands.h"
#include "app/ContextMenu.h"
#include "player/MediaPlayer.h"
#include "support/Id3Tags.h"
#include "support/PlayerScene.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::Argument;
using bench::TaggedFile;
using bench::TitleOf;

// Notes the first paint of the menu it watches.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Pops `menu` up, runs the event loop until it has painted (at most 5 s), and closes it.
bool ShowAndClose(QMenu& menu)
{
    PaintWatch watch;
    menu.installEventFilter(&watch);
    menu.popup(QPoint(40, 40));
    const QDeadlineTimer deadline(5000);
    while (!(menu.isVisible() && watch.painted) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const bool shown = menu.isVisible() && watch.painted;
    menu.close();
    QCoreApplication::processEvents();
    menu.removeEventFilter(&watch);
    return shown;
}

// Times `run` `runs` times after one untimed run; the median in milliseconds, or -1 on failure.
double MedianMs(int runs, const std::function<bool()>& run)
{
    if (!run())
        return -1;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const int64_t start = bench::NowUs();
        if (!run())
            return -1;
        ms.push_back((bench::NowUs() - start) / 1000.0);
    }
    return bench::Median(ms);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int files = Argument(arguments, QStringLiteral("--files"), 2001);
    const int runs = Argument(arguments, QStringLiteral("--runs"), 9);

    QTemporaryDir folder;
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        const QString path = folder.filePath(QStringLiteral("%1.mp3").arg(i, 4, 10, QLatin1Char('0')));
        if (!id3_tags::WriteFile(path, TaggedFile(i))) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        paths << path;
    }

    QWidget window;
    CMediaPlayer player;
    PlayerScene scene(player);
    scene.SetList(paths, static_cast<int>(paths.size() / 2));
    scene.SetState(PlayerState::kPlaying);
    scene.SetKind(ItemKind::kMediaFile);

    const auto contextMenu = [&] {
        ContextMenuState state;
        const std::unique_ptr<QMenu> menu = BuildContextMenu(player, state, &window);
        const QAction* last = FindCommand(*menu, ID_JUMP_FIRST + std::min(files, kMaxJumpEntries) - 1);
        if (!last || last->text() != TitleOf(std::min(files, kMaxJumpEntries) - 1)) {
            std::fprintf(stderr, "the jump list does not end with the last title\n");
            return false;
        }
        return ShowAndClose(*menu);
    };
    const auto bareMenu = [&] {
        QMenu menu(&window);
        QMenu* jump = menu.addMenu(QStringLiteral("ｼﾞｬﾝﾌﾟ(&J)"));
        for (int i = 0; i < std::min(files, kMaxJumpEntries); ++i)
            jump->addAction(TitleOf(i));
        menu.addAction(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)\t1"));
        return ShowAndClose(menu);
    };

    const double bare = MedianMs(runs, bareMenu);
    const double full = MedianMs(runs, contextMenu);
    if (bare < 0 || full < 0) {
        std::fprintf(stderr, "a menu did not show\n");
        return 1;
    }
    std::printf("context menu with %d tagged MP3 items in the jump list, medians of %d runs\n",
                std::min(files, kMaxJumpEntries), runs);
    std::printf("bare QMenu with the same titles (reference): %8.2f ms\n", bare);
    std::printf("context menu, built and shown:               %8.2f ms (goal < 150 ms): %s\n", full,
                bench::Verdict(full < 150.0));
    return 0;
}
