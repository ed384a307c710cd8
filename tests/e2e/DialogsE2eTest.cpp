// The main window's dialogs with the real program under a virtual display: each opens from the
// context menu and closes with Esc and with Enter, a timer entry set in the dialog starts its
// program once, and About's removal leaves neither settings nor disc handlers behind.

#include "Harness.h"
#include "app/SettingsStore.h"
#include "platform/Drives.h"
#include "player/FolderScan.h"
#include "support/MediaFiles.h"
#include "support/TempHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <tuple>

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const QString kAppTitle = QStringLiteral("Vimoﾌﾟﾚｰﾔ - ");
constexpr int kSkinWidth = 240;

class DialogsE2eTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start"; }

    QString Title() const { return kAppTitle + platform::DriveTable::FromSystem().FirstOpticalDrive(); }

    // The program's window titled `title`, empty while there is none.
    QString WindowTitled(const QString& title) const
    {
        for (const Window& window : ProgramWindows(display.Name())) {
            if (window.title == title)
                return window.id;
        }
        return {};
    }

    // Opens the context menu over `main` and picks an entry with `keys`; gives the dialog
    // window titled `title` once it shows.
    QString OpenFromMenu(const QString& main, const QStringList& keys, const QString& title)
    {
        // A menu can show a moment before it has the keyboard; keys typed then go to the main
        // window (where they do nothing without a disc) and the menu stays open. It is closed
        // and opened again, a bounded number of times, until the dialog shows.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const size_t before = ProgramWindows(display.Name()).size();
            ClickWindow(display.Name(), main, kSkinWidth / 2, 30, 3);
            if (!WaitUntil([&] { return ProgramWindows(display.Name()).size() > before; }, 10000))
                continue;
            TypeKeys(display.Name(), keys);
            QString dialog;
            if (WaitUntil([&] { return !(dialog = WindowTitled(title)).isEmpty(); }, 10000))
                return dialog;
            if (ProgramWindows(display.Name()).size() > before)
                TypeKeys(display.Name(), {QStringLiteral("Escape")});
            WaitUntil([&] { return ProgramWindows(display.Name()).size() <= before; }, 10000);
        }
        return {};
    }

    bool Gone(const QString& title) const
    {
        return WaitUntil([&] { return WindowTitled(title).isEmpty(); }, 10000);
    }

    TempHome home;
    VirtualDisplay display;
};

TEST_F(DialogsE2eTest, EachDialogOpensFromTheMenuAndClosesWithEscapeAndWithEnter)
{
    ProgramRun run(display, {});
    const QString main = run.WaitForMainWindow(Title());
    ASSERT_FALSE(main.isEmpty()) << run.Output().toStdString();

    struct Case
    {
        QStringList keys;
        QString title;
        bool writesAtOk;
    };
    const Case cases[] = {
        {{QStringLiteral("t")}, QStringLiteral("ﾀｲﾏｰ設定"), true},
        // Start, then the alarm settings: the stopwatch's end and release are greyed.
        {{QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")},
         QStringLiteral("ｱﾗｰﾑ設定"),
         true},
        {{QStringLiteral("i")}, QStringLiteral("座標設定"), true},
        {{QStringLiteral("v")}, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        QString dialog = OpenFromMenu(main, c.keys, c.title);
        ASSERT_FALSE(dialog.isEmpty()) << run.Output().toStdString();
        // A click on a free point gives it the keyboard.
        ClickWindow(display.Name(), dialog, 300, 12, 1);
        TypeKeys(display.Name(), {QStringLiteral("Escape")});
        ASSERT_TRUE(Gone(c.title));

        dialog = OpenFromMenu(main, c.keys, c.title);
        ASSERT_FALSE(dialog.isEmpty()) << run.Output().toStdString();
        // The window took the menu after the Esc, so a write for the Esc would be done by now.
        EXPECT_FALSE(QFile::exists(home.SettingsFile())) << "Esc writes nothing";
        ClickWindow(display.Name(), dialog, 300, 12, 1);
        TypeKeys(display.Name(), {QStringLiteral("Return")});
        ASSERT_TRUE(Gone(c.title));
        if (c.writesAtOk) {
            // The dialog goes before the window writes: wait for the file.
            EXPECT_TRUE(WaitUntil([&] { return QFile::exists(home.SettingsFile()); }, 10000))
                << "OK writes the settings";
            ASSERT_TRUE(QFile::remove(home.SettingsFile()));
        }
    }
    EXPECT_FALSE(WindowTitled(Title()).isEmpty()) << "the window goes on";
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0);
}

TEST_F(DialogsE2eTest, ATimerEntrySetInTheDialogStartsItsProgramOnce)
{
    const QString marker = home.Path() + QStringLiteral("/marker");
    const QString script =
        home.WriteFile(QStringLiteral("bin/mark.sh"), "#!/bin/sh\necho run >> \"" + marker.toUtf8() + "\"\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);

    ProgramRun run(display, {});
    const QString main = run.WaitForMainWindow(Title());
    ASSERT_FALSE(main.isEmpty()) << run.Output().toStdString();
    const QString dialog = OpenFromMenu(main, {QStringLiteral("t")}, QStringLiteral("ﾀｲﾏｰ設定"));
    ASSERT_FALSE(dialog.isEmpty()) << run.Output().toStdString();

    // Entry 1, a few seconds ahead: every hour and minute, at second S, this script.
    const int second = (QTime::currentTime().second() + 12) % 60;
    ClickWindow(display.Name(), dialog, 40, 69, 1); // the year field
    TypeKeys(display.Name(),
             {QStringLiteral("Tab"), QStringLiteral("Tab"),                           // month, day
              QStringLiteral("Tab"), QStringLiteral("Home"),                          // hour: every
              QStringLiteral("Tab"), QStringLiteral("Home"),                          // hour to: every
              QStringLiteral("Tab"), QStringLiteral("Home"), QStringLiteral("Tab")}); // minute: every
    QStringList digits;
    for (QChar digit : QString::number(second))
        digits << QString(digit);
    TypeKeys(display.Name(), digits);
    TypeKeys(display.Name(), {QStringLiteral("Tab")});
    TypeText(display.Name(), script);
    TypeKeys(display.Name(), {QStringLiteral("Return")});
    ASSERT_TRUE(Gone(QStringLiteral("ﾀｲﾏｰ設定")));

    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(marker); }, 75000))
        << "the entry never started: " << run.Output().toStdString();
    // Ticks come twice a second: let the clock pass three more seconds, then count.
    qsizetype at = 0;
    const QRegularExpression later(
        QStringLiteral("sorlin\\.display: .*:%1$").arg((second + 3) % 60, 2, 10, QChar(u'0')));
    EXPECT_TRUE(run.WaitForLine(later, &at, 10000).hasMatch()) << run.Output().toStdString();
    QFile file(marker);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("run\n")) << "started exactly once";

    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
}

TEST_F(DialogsE2eTest, AboutsRemovalLeavesNeitherSettingsNorDiscHandlers)
{
    const QString applications = home.DataHome() + QStringLiteral("/applications");
    ProgramRun run(display, {});
    const QString main = run.WaitForMainWindow(Title());
    ASSERT_FALSE(main.isEmpty()) << run.Output().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return QDir(applications).entryList(QDir::Files).size() == 4; }))
        << "the disc handlers are registered after the first paint";

    const QString about = OpenFromMenu(main, {QStringLiteral("v")}, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    ASSERT_FALSE(about.isEmpty()) << run.Output().toStdString();
    ClickWindow(display.Name(), about, 76, 147, 1); // "ﾚｼﾞｽﾄﾘ削除"
    QString question;
    ASSERT_TRUE(WaitUntil([&] { return !(question = WindowTitled(QStringLiteral("Vimoﾌﾟﾚｰﾔ"))).isEmpty(); }))
        << run.Output().toStdString();
    TypeKeys(display.Name(), {QStringLiteral("Return")}); // Yes
    ASSERT_TRUE(run.WaitForExit()) << run.Output().toStdString();
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_FALSE(QFile::exists(home.SettingsFile()));
    EXPECT_TRUE(QDir(applications).entryList(QDir::Files).isEmpty());
    QFile mimeApps(home.ConfigHome() + QStringLiteral("/mimeapps.list"));
    if (mimeApps.open(QIODevice::ReadOnly)) {
        EXPECT_FALSE(mimeApps.readAll().contains("VimoPlayer"));
    }
}

TEST_F(DialogsE2eTest, ALineMovedToTheTopInThePlaylistEditorPlaysFirst)
{
    const QString songs = home.Path() + QStringLiteral("/songs");
    QDir().mkpath(songs);
    const QString tone = media_files::MakeTone(songs, QStringLiteral("ogg"), 30.0);
    ASSERT_FALSE(tone.isEmpty());
    for (const char* name : {"/second.ogg", "/third.ogg"})
        ASSERT_TRUE(QFile::copy(tone, songs + QString::fromLatin1(name)));
    QStringList order;
    bool found = false;
    int current = -1;
    FolderScanner().Scan(songs, &order, &found, &current, QString(), false);
    ASSERT_EQ(order.size(), 3);
    const auto playing = [](const QString& path) {
        return QRegularExpression(QStringLiteral("sorlin\\.display: .*\\b%1 \\| 00:00:0[1-9]$")
                                      .arg(QFileInfo(path).completeBaseName()));
    };

    ProgramRun run(display, {songs});
    const QString main = run.WaitForMainWindow(Title());
    ASSERT_FALSE(main.isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    ASSERT_TRUE(run.WaitForLine(playing(order[0]), &at).hasMatch()) << run.Output().toStdString();
    ClickWindow(display.Name(), main, kSkinWidth / 2, 30, 1);
    TypeKeys(display.Name(), {QStringLiteral("minus")});
    QString editor;
    ASSERT_TRUE(WaitUntil([&] { return !(editor = WindowTitled(QStringLiteral("ﾌﾟﾚｲﾘｽﾄ"))).isEmpty(); }))
        << run.Output().toStdString();
    // The third line onto the first: lines are 13 pixels high from 27 pixels down.
    DragInWindow(display.Name(), editor, 100, 59, 100, 33);
    ClickWindow(display.Name(), editor, 300, 12, 1);
    TypeKeys(display.Name(), {QStringLiteral("Escape")}); // "閉じる"
    ASSERT_TRUE(Gone(QStringLiteral("ﾌﾟﾚｲﾘｽﾄ")));
    EXPECT_TRUE(run.WaitForLine(playing(order[2]), &at).hasMatch()) << run.Output().toStdString();
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
}

// The editor as a keyboard user has it: Enter plays the line chosen with the arrows. Files
// chosen together in the open dialog then go on playing after the editor was opened and closed,
// instead of the folder that played before them.
TEST_F(DialogsE2eTest, EnterInTheEditorPlaysTheLineAndFilesChosenTogetherKeepPlaying)
{
    const QString songs = home.Path() + QStringLiteral("/songs");
    const QString picked = home.Path() + QStringLiteral("/picked");
    for (const QString& folder : {songs, picked})
        QDir().mkpath(folder);
    for (const auto& [folder, extension, name] : {std::tuple{songs, "ogg", "first.ogg"},
                                                  {songs, "mp3", "second.mp3"},
                                                  {songs, "ogg", "third.ogg"},
                                                  {picked, "mp3", "evening.mp3"},
                                                  {picked, "ogg", "night.ogg"}}) {
        const QString tone = media_files::MakeTone(folder, QString::fromLatin1(extension), 30.0);
        ASSERT_FALSE(tone.isEmpty());
        ASSERT_TRUE(QFile::rename(tone, folder + u'/' + QString::fromLatin1(name)));
    }
    QStringList order;
    bool found = false;
    int current = -1;
    FolderScanner().Scan(songs, &order, &found, &current, QString(), false);
    ASSERT_EQ(order.size(), 3);
    const auto playing = [](const QString& path) { return Playing(QFileInfo(path).completeBaseName()); };
    const QRegularExpression anyTitle = Playing(QStringLiteral("(\\w+)"));

    ProgramRun run(display, {songs});
    const QString main = run.WaitForMainWindow(Title());
    ASSERT_FALSE(main.isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    ASSERT_TRUE(run.WaitForLine(playing(order[0]), &at).hasMatch()) << run.Output().toStdString();

    // The list has the keyboard with the line playing chosen: two lines down, Enter.
    ClickWindow(display.Name(), main, kSkinWidth / 2, 30, 1);
    TypeKeys(display.Name(), {QStringLiteral("minus")});
    QString editor;
    ASSERT_TRUE(WaitUntil([&] { return !(editor = WindowTitled(QStringLiteral("ﾌﾟﾚｲﾘｽﾄ"))).isEmpty(); }))
        << run.Output().toStdString();
    ClickWindow(display.Name(), editor, 300, 12, 1);
    TypeKeys(display.Name(), {QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")});
    EXPECT_TRUE(run.WaitForLine(playing(order[2]), &at).hasMatch()) << run.Output().toStdString();
    EXPECT_TRUE(WindowTitled(QStringLiteral("プレイリストを開く")).isEmpty()) << "Enter opened no dialog";
    TypeKeys(display.Name(), {QStringLiteral("Escape")});
    ASSERT_TRUE(Gone(QStringLiteral("ﾌﾟﾚｲﾘｽﾄ")));

    // Two files of another folder, chosen together: the first of them plays.
    ClickWindow(display.Name(), main, kSkinWidth / 2, 30, 1);
    TypeKeys(display.Name(), {QStringLiteral("Insert")});
    QString browse;
    ASSERT_TRUE(WaitUntil([&] { return !(browse = WindowTitled(QStringLiteral("開く"))).isEmpty(); }))
        << run.Output().toStdString();
    TypeText(display.Name(), picked);
    TypeKeys(display.Name(), {QStringLiteral("Return")});
    TypeText(display.Name(), QStringLiteral("\"night.ogg\" \"evening.mp3\""));
    TypeKeys(display.Name(), {QStringLiteral("Return")});
    ASSERT_TRUE(Gone(QStringLiteral("開く")));
    const QRegularExpressionMatch first = run.WaitForLine(Playing(QStringLiteral("(night|evening)")), &at);
    ASSERT_TRUE(first.hasMatch()) << run.Output().toStdString();
    const QString chosen = first.captured(1);

    // Opened and closed without a change, the editor leaves that file playing.
    ClickWindow(display.Name(), main, kSkinWidth / 2, 30, 1);
    TypeKeys(display.Name(), {QStringLiteral("minus")});
    ASSERT_TRUE(WaitUntil([&] { return !(editor = WindowTitled(QStringLiteral("ﾌﾟﾚｲﾘｽﾄ"))).isEmpty(); }));
    ClickWindow(display.Name(), editor, 300, 12, 1);
    TypeKeys(display.Name(), {QStringLiteral("Escape")});
    ASSERT_TRUE(Gone(QStringLiteral("ﾌﾟﾚｲﾘｽﾄ")));
    // What played before the editor opened is behind us: the next title is what plays now.
    at = run.Output().size();
    const QRegularExpressionMatch after = run.WaitForLine(anyTitle, &at);
    ASSERT_TRUE(after.hasMatch()) << run.Output().toStdString();
    EXPECT_EQ(after.captured(1), chosen) << run.Output().toStdString();
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
}

TEST_F(DialogsE2eTest, RepeatSwitchedOnInThePlaySettingsIsKeptAfterExit)
{
    ProgramRun run(display, {});
    const QString main = run.WaitForMainWindow(Title());
    ASSERT_FALSE(main.isEmpty()) << run.Output().toStdString();
    // Two entries have "D": the first is chosen, Enter opens it.
    const QString dialog =
        OpenFromMenu(main, {QStringLiteral("d"), QStringLiteral("Return")}, QStringLiteral("再生設定"));
    ASSERT_FALSE(dialog.isEmpty()) << run.Output().toStdString();
    ClickWindow(display.Name(), dialog, 30, 369, 1); // "ﾘﾋﾟｰﾄ"
    TypeKeys(display.Name(), {QStringLiteral("Return")});
    ASSERT_TRUE(Gone(QStringLiteral("再生設定")));
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(
        SettingsStore(home.SettingsFile()).ReadInt(QStringLiteral("Play"), QStringLiteral("Repeat"), -1), 1);
}

} // namespace
