// The main window while its player downloads: the clock keeps going, commands wait for no
// download (they are not taken), and ending the program ends the download at once.

#include "MainWindowFixture.h"
#include "app/Commands.h"
#include "app/Messages.h"
#include "platform/MessageBox.h"
#include "support/HttpServer.h"
#include "support/MainWindowScene.h"
#include "support/Modal.h"
#include "support/Wait.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using testsupport::WaitUntil;

class DownloadWindowTest : public MainWindowFixture
{
protected:
    void TearDown() override { platform::SetMessageBoxObserver(nullptr); }
};

TEST_F(DownloadWindowTest, TheClockGoesOnCommandsAreNotTakenAndTheEndStopsTheDownload)
{
    QTemporaryDir served;
    QFile file(served.filePath(QStringLiteral("big.raw")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1 << 20, 'x'));
    file.close();
    testsupport::HttpServer server(served.path());
    ASSERT_TRUE(server.Start());
    QStringList messages;
    platform::SetMessageBoxObserver([&](const QString& text, int) {
        messages << text;
        return platform::kIdOk;
    });

    // The server sends a little and then nothing: the download lasts until it is ended.
    CSorlinDlg::Environment env = Environment();
    env.commandLine = server.Url(QStringLiteral("big.raw?stall=65536"));
    QDateTime now(QDate(2026, 12, 7), QTime(9, 0, 0));
    env.now = [&now] { return now; };
    CSorlinDlg dialog(std::move(env), false);
    platform::ipc::DownloadLimits limits;
    limits.stallMs = 120000;
    MainWindowScene::Player(dialog).SetDownloadLimits(limits);

    QStringList shown;
    bool commandsReturned = false;
    bool modalSeen = false;
    bool exitSent = false;
    RunModal(
        dialog,
        [&] {
            // Runs inside the download's own event loop once it has begun.
            QTimer probe;
            probe.setInterval(20);
            QObject::connect(&probe, &QTimer::timeout, [&] {
                if (exitSent || !dialog.Player().GetState().Is(PlayerState::kDownloading))
                    return;
                now = now.addSecs(1);
                // The clock's texts, from the first tick on (before it the display says
                // "CONNECTING...").
                const QString text = dialog.DisplayText();
                if (text.contains(QStringLiteral("2026年12月07日")) &&
                    (shown.isEmpty() || shown.back() != text))
                    shown << text;
                if (!commandsReturned) {
                    // Taken, either would open a dialog or stop the player under the download;
                    // a dialog that opens is seen and closed again.
                    testsupport::WhenModal<QDialog>(
                        [&](QDialog* opened) {
                            modalSeen = true;
                            opened->reject();
                        },
                        2000);
                    dialog.OnCommand(ID_PLAY_SETTINGS);
                    dialog.OnCommand(ID_STOP);
                    modalSeen = modalSeen || QApplication::activeModalWidget() != nullptr;
                    commandsReturned = true;
                } else if (shown.size() >= 3) {
                    exitSent = true;
                    dialog.OnCommand(ID_APP_EXIT);
                }
            });
            probe.start();
            WaitUntil([&] { return exitSent && !dialog.Player().GetState().Is(PlayerState::kDownloading); },
                      60000);
        },
        90000);

    EXPECT_TRUE(commandsReturned);
    EXPECT_FALSE(modalSeen);
    ASSERT_TRUE(exitSent);
    // The clock went on: three different times were shown while the download ran.
    EXPECT_GE(shown.size(), 3);
    // Ended by the program's end: no message, nothing in the cache, no list to play.
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(dialog.Player().Items().isEmpty());
    const QString cache = dialog.Player().Network().CacheFolder();
    EXPECT_TRUE(QDir(cache).entryList(QDir::Files).filter(QStringLiteral("BIG")).isEmpty())
        << QDir(cache).entryList(QDir::Files).join(u' ').toStdString();
}

} // namespace
