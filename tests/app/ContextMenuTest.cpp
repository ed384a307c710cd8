// The context menu as the main window builds it: which items are enabled and checked for each
// player, stopwatch and DVD state, the jump list, and when the menu shows at all.

#include "app/ContextMenu.h"
#include "app/Commands.h"
#include "app/SettingsStore.h"
#include "app/SorlinDlg.h"
#include "support/EngineScene.h"
#include "support/Id3Tags.h"
#include "support/MainWindowScene.h"
#include "support/PlayerScene.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

namespace {

class ContextMenuTest : public ::testing::Test
{
protected:
    CSorlinDlg::Environment Environment()
    {
        CSorlinDlg::Environment env;
        env.programFolder = QStringLiteral("/opt/sorlin/");
        env.store = &store;
        return env;
    }

    // A list of `count` items with item `current` the current one.
    void SetItems(int count, int current)
    {
        QStringList items;
        for (int i = 0; i < count; ++i)
            items << QStringLiteral("/music/%1.wav").arg(i, 5, 10, QLatin1Char('0'));
        PlayerScene(MainWindowScene::Player(dialog)).SetList(items, current);
    }

    bool Enabled(const QMenu& menu, int id)
    {
        const QAction* action = FindCommand(menu, id);
        EXPECT_NE(action, nullptr) << "no item " << id;
        return action && action->isEnabled();
    }
    bool Checked(const QMenu& menu, int id)
    {
        const QAction* action = FindCommand(menu, id);
        EXPECT_NE(action, nullptr) << "no item " << id;
        return action && action->isChecked();
    }
    static QMenu* SubmenuAt(const QMenu& menu, int position)
    {
        return menu.actions().value(position) ? menu.actions().value(position)->menu() : nullptr;
    }

    TempHome home;
    SettingsStore store{home.SettingsFile()};
    CSorlinDlg dialog{Environment(), false};
};

struct TransportRow
{
    PlayerState state;
    int items;
    int current;
    bool repeat;
    // Enabled ('1') or not of eject, play, pause, stop, close, previous, next, first, last,
    // rewind, fast forward.
    const char* expected;
};

// Named in the test list by what the row sets up.
void PrintTo(const TransportRow& row, std::ostream* out)
{
    *out << "state " << static_cast<int>(row.state) << ", " << row.items << " items, current " << row.current
         << (row.repeat ? ", repeat" : "");
}

class TransportItems : public ContextMenuTest, public ::testing::WithParamInterface<TransportRow>
{};

TEST_P(TransportItems, FollowThePlayerState)
{
    const TransportRow& row = GetParam();
    SetItems(row.items, row.current);
    PlayerScene(MainWindowScene::Player(dialog)).SetState(row.state);
    PlayerScene(MainWindowScene::Player(dialog)).SetRepeat(row.repeat);
    const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();

    const int ids[] = {ID_EJECT, ID_PLAY,  ID_PAUSE, ID_STOP,   ID_CLOSE,       ID_PREVIOUS,
                       ID_NEXT,  ID_FIRST, ID_LAST,  ID_REWIND, ID_FAST_FORWARD};
    std::string got;
    for (int id : ids)
        got += Enabled(*menu, id) ? '1' : '0';
    EXPECT_EQ(got, row.expected);
    EXPECT_TRUE(Enabled(*menu, ID_OPEN));
}

INSTANTIATE_TEST_SUITE_P(
    States, TransportItems,
    ::testing::Values(
        // Nothing open, stopped, and the disc states: only eject and play.
        TransportRow{PlayerState::kNone, 0, -1, false, "11000000000"},
        TransportRow{PlayerState::kStopped, 3, 1, false, "11000000000"},
        TransportRow{PlayerState::kIdle, 3, 1, true, "11000000000"},
        TransportRow{PlayerState::kDownloading, 0, -1, false, "11000000000"},
        // Playing in the middle of a list: everything but play.
        TransportRow{PlayerState::kPlaying, 3, 1, false, "10111111111"},
        // Playing the first item: no previous unless the list repeats, and never a first.
        TransportRow{PlayerState::kPlaying, 3, 0, false, "10111010111"},
        TransportRow{PlayerState::kPlaying, 3, 0, true, "10111110111"},
        // Playing the only item: no first or last, and previous and next only with repeat.
        TransportRow{PlayerState::kPlaying, 1, 0, false, "10111000011"},
        TransportRow{PlayerState::kPlaying, 1, 0, true, "10111110011"},
        // Paused: first and last go by the list's length alone; no scanning.
        TransportRow{PlayerState::kPaused, 2, 0, false, "11011011100"},
        TransportRow{PlayerState::kPaused, 1, 0, false, "11011000000"},
        // Opened but not started: the items keep the menu's own state.
        TransportRow{PlayerState::kOpened, 1, 0, false, "11111111111"}));

TEST_F(ContextMenuTest, StopwatchItemsFollowTheStopwatch)
{
    Stopwatch& stopwatch = MainWindowScene::GetStopwatch(dialog);
    auto items = [&] {
        const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
        return std::string{Enabled(*menu, ID_STOPWATCH_START) ? '1' : '0',
                           Enabled(*menu, ID_STOPWATCH_STOP) ? '1' : '0',
                           Enabled(*menu, ID_STOPWATCH_RELEASE) ? '1' : '0'};
    };
    EXPECT_EQ(items(), "100");
    stopwatch.Start(0);
    EXPECT_EQ(items(), "010");
    stopwatch.Stop();
    EXPECT_EQ(items(), "001");
}

TEST_F(ContextMenuTest, DvdItemsFollowTheDiscsUserOperations)
{
    constexpr int kDvdMenuPosition = 26;
    const int dvdMenus[] = {ID_DVD_CHAPTER_MENU, ID_DVD_SUBPICTURE_MENU, ID_DVD_AUDIO_MENU, ID_DVD_ANGLE_MENU,
                            ID_DVD_TITLE_MENU};
    PlayerScene scene(MainWindowScene::Player(dialog));
    auto dvdMenuItems = [&](const QMenu& menu) {
        std::string got;
        for (int id : dvdMenus)
            got += Enabled(menu, id) ? '1' : '0';
        return got;
    };

    // No DVD: the DVD items and submenus are off.
    {
        const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
        EXPECT_FALSE(Enabled(*menu, ID_DVD_ROOT_MENU));
        ASSERT_NE(SubmenuAt(*menu, kDvdMenuPosition), nullptr);
        EXPECT_FALSE(SubmenuAt(*menu, kDvdMenuPosition)->menuAction()->isEnabled());
        EXPECT_EQ(dvdMenuItems(*menu), "00000");
        for (int position : {29, 30, 31})
            EXPECT_FALSE(SubmenuAt(*menu, position)->menuAction()->isEnabled()) << position;
    }

    scene.SetKind(ItemKind::kDvd);
    // Each forbidden show-menu operation turns off its own item only.
    EngineScene::SetValidUops(scene.Dvd(), kUopShowChapterMenu | kUopShowAudioMenu);
    {
        const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
        EXPECT_TRUE(Enabled(*menu, ID_DVD_ROOT_MENU));
        EXPECT_TRUE(SubmenuAt(*menu, kDvdMenuPosition)->menuAction()->isEnabled());
        EXPECT_EQ(dvdMenuItems(*menu), "01011");
        for (int position : {29, 30, 31})
            EXPECT_TRUE(SubmenuAt(*menu, position)->menuAction()->isEnabled()) << position;
    }

    // All show-menu operations forbidden: the submenu is off, the root menu stays on; the
    // stream selections that are forbidden turn their submenus off.
    EngineScene::SetValidUops(scene.Dvd(), 0xF400 | kUopSelectSubpicture | kUopSelectAngle);
    {
        const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
        EXPECT_TRUE(Enabled(*menu, ID_DVD_ROOT_MENU));
        EXPECT_FALSE(SubmenuAt(*menu, kDvdMenuPosition)->menuAction()->isEnabled());
        EXPECT_FALSE(SubmenuAt(*menu, 29)->menuAction()->isEnabled());
        EXPECT_TRUE(SubmenuAt(*menu, 30)->menuAction()->isEnabled());
        EXPECT_FALSE(SubmenuAt(*menu, 31)->menuAction()->isEnabled());
    }
}

TEST_F(ContextMenuTest, ChecksShowTheWindowsChoices)
{
    auto checked = [&] {
        const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
        std::string got;
        for (int id :
             {32881, 32882, 32883, 32884, ID_NO_VPE, ID_CLOSED_CAPTION, ID_SUBPICTURE_OFF, ID_FULL_SCREEN})
            got += Checked(*menu, id) ? '1' : '0';
        return got;
    };
    EXPECT_EQ(checked(), "10000000");

    // The commands that change the choices show in the next menu.
    dialog.OnCommand(32883);
    dialog.OnCommand(ID_NO_VPE);
    dialog.OnCommand(ID_CLOSED_CAPTION);
    dialog.OnCommand(ID_SUBPICTURE_OFF);
    dialog.OnToggleFullScreen(0, 0);
    EXPECT_EQ(checked(), "00101111");
    EXPECT_EQ(dialog.Settings().dvdDecode, 2);

    dialog.OnCommand(ID_NO_VPE);
    dialog.OnCommand(ID_SUBPICTURE_FIRST + 3);
    EXPECT_EQ(checked(), "00100101");
    EXPECT_EQ(dialog.Settings().subPictureTrack, 3);
}

TEST_F(ContextMenuTest, JumpListHoldsAtMost2001ItemsWithTheCurrentOneChecked)
{
    constexpr int kJumpPosition = 14;
    SetItems(10000, 1500);
    const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
    const QMenu* jump = SubmenuAt(*menu, kJumpPosition);
    ASSERT_NE(jump, nullptr);
    const QList<QAction*> entries = jump->actions();
    ASSERT_EQ(entries.size(), 2001);
    EXPECT_EQ(entries.front()->data().toInt(), ID_JUMP_FIRST);
    EXPECT_EQ(entries.back()->data().toInt(), ID_JUMP_LAST);
    QList<int> checked;
    for (const QAction* entry : entries) {
        if (entry->isChecked())
            checked << entry->data().toInt();
    }
    EXPECT_EQ(checked, QList<int>{ID_JUMP_FIRST + 1500});
}

TEST_F(ContextMenuTest, JumpEntriesAreTheItemsTitles)
{
    QTemporaryDir folder;
    const QString tagged = folder.filePath(QStringLiteral("a.mp3"));
    const QString untagged = folder.filePath(QStringLiteral("b.mp3"));
    using namespace id3_tags;
    ASSERT_TRUE(WriteFile(tagged, Tag(3, Frame(3, "TIT2", TextBody("夜の歌"))) + Audio(2048)));
    ASSERT_TRUE(WriteFile(untagged, Audio(2048)));
    PlayerScene(MainWindowScene::Player(dialog)).SetList({tagged, untagged}, 1);

    const std::unique_ptr<QMenu> menu = dialog.MakeContextMenu();
    const QList<QAction*> entries = SubmenuAt(*menu, 14)->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("夜の歌"));
    EXPECT_FALSE(entries[0]->isChecked());
    EXPECT_TRUE(entries[1]->text().endsWith(QLatin1String("b"))) << entries[1]->text().toStdString();
    EXPECT_TRUE(entries[1]->isChecked());
}

TEST_F(ContextMenuTest, ShowsNothingWhileDownloadingAndCarriesOutTheChosenCommandOtherwise)
{
    // Looks at the popup from inside the menu's own loop and chooses `id` in it.
    bool looked = false;
    bool shown = false;
    auto chooseWhenShown = [&](int id) {
        looked = false;
        shown = false;
        QTimer::singleShot(0, &dialog, [&, id] {
            looked = true;
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            shown = menu != nullptr;
            if (!menu)
                return;
            menu->setActiveAction(FindCommand(*menu, id));
            QTest::keyClick(menu, Qt::Key_Return);
            // A disabled item leaves the menu open; the test must still go on.
            if (menu->isVisible())
                menu->close();
        });
    };

    PlayerScene(MainWindowScene::Player(dialog)).SetState(PlayerState::kDownloading);
    chooseWhenShown(ID_STOPWATCH_START);
    dialog.OnShowContextMenu(0, 0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return looked; }));
    EXPECT_FALSE(shown);
    EXPECT_EQ(dialog.GetStopwatch().GetState(), Stopwatch::kIdle);

    PlayerScene(MainWindowScene::Player(dialog)).SetState(PlayerState::kNone);
    chooseWhenShown(ID_STOPWATCH_START);
    dialog.OnShowContextMenu(0, 0);
    EXPECT_TRUE(looked);
    EXPECT_TRUE(shown);
    EXPECT_EQ(dialog.GetStopwatch().GetState(), Stopwatch::kRunning);
}

} // namespace
