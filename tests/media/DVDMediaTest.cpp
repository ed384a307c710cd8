#include "media/DVDMedia.h"
#include "media/VideoWindow.h"
#include "platform/MessageBox.h"
#include "platform/proxy/DvdGraphProxy.h"
#include "platform/proxy/GraphProxy.h"
#include "res/StringTable.h"
#include "support/DvdDisc.h"
#include "support/EngineScene.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using testsupport::WaitUntil;

namespace res_text {
QString BuildFailed()
{
    return res::LoadString(res::kStrBuildGraphFailed);
}
} // namespace res_text

QString Ifo(const QString& disc)
{
    return disc + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO");
}

class DVDMediaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetMessageBoxObserver([this](const QString& text, int) {
            messages << text;
            return platform::kIdOk;
        });
        CMedia::RememberedVideoRect() = QRect(0, 0, 0, 0);
        disc = media_files::DvdDisc();
        ASSERT_FALSE(disc.isEmpty()) << "the test disc could not be authored";
    }
    void TearDown() override
    {
        engine.Close();
        platform::SetMessageBoxObserver(nullptr);
    }

    // Hands the engine its events and asks for the position, as the controller's tick does,
    // until `done` holds.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000)
    {
        return WaitUntil(
            [&] {
                while (const EngineEvent event = engine.HandleGraphEvent())
                    handled.push_back(event.code);
                int t = 0;
                int c = 0;
                engine.GetLocation(&t, &c);
                return done();
            },
            timeoutMs);
    }

    // Opens the disc, plays it and waits for its title menu.
    void OpenInMenu(const QString& path)
    {
        QWidget* video = nullptr;
        ASSERT_TRUE(engine.OpenMedia(&mainWindow, path, &video)) << messages.join(u'\n').toStdString();
        ASSERT_NE(video, nullptr);
        ASSERT_TRUE(engine.Play());
        ASSERT_TRUE(PumpUntil([&] { return engine.GetDomain() == platform::DvdDomain::kVideoManagerMenu; }));
        // The menu is ready once it stands still with its first button selected and the disc
        // allows the buttons.
        ASSERT_TRUE(PumpUntil([&] {
            return engine.IsStill() && engine.Dvd()->SelectedButton() == 1 &&
                   (engine.GetValidUops() & platform::kUopSelectOrActivateButton) == 0;
        }));
    }

    // From the menu into title 1 through the menu's left button.
    void EnterTitleOne()
    {
        engine.MenuKey(NavigationKey::kEnter, 0);
        ASSERT_TRUE(PumpUntil(
            [&] { return engine.GetDomain() == platform::DvdDomain::kTitle && engine.Title() == 1; }));
    }

    // Where frame pixel `at` shows in the video window.
    QPoint InWindow(QPoint at) const
    {
        const VideoWindow* window = engine.Window();
        const QRect picture = window->PictureRect();
        const QSize frame = window->Frame().isNull() ? QSize(720, 480) : window->Frame().size();
        return QPoint(picture.left() + at.x() * picture.width() / frame.width(),
                      picture.top() + at.y() * picture.height() / frame.height());
    }

    // The position once the navigator knows it again after a jump.
    int Location(int* title, int* chapter)
    {
        int ms = -1;
        *title = *chapter = 0;
        PumpUntil([&] { return (ms = engine.GetLocation(title, chapter)) > 0 && *title > 0; }, 5000);
        return ms;
    }

    // Waits for a position that `meets` the test: positions read before a jump lands may
    // still be the old ones (a position of 0 reads as the last one).
    bool LocationMeets(const std::function<bool(int ms, int title, int chapter)>& meets, int* ms = nullptr)
    {
        return PumpUntil([&] {
            int title = 0;
            int chapter = 0;
            const int at = engine.GetLocation(&title, &chapter);
            if (ms)
                *ms = at;
            return meets(at, title, chapter);
        });
    }

    // A mark in the events handed to the engine, and how many of `code` it was handed since.
    size_t Mark() const { return handled.size(); }
    long HandledSince(size_t mark, int code) const
    {
        return std::count(handled.begin() + static_cast<std::ptrdiff_t>(mark), handled.end(), code);
    }

    QObject mainWindow;
    CDVDMedia engine;
    std::vector<int> handled; // the codes of the events handed to the engine, in order
    QStringList messages;
    QString disc;
};

TEST_F(DVDMediaTest, ItemNamesConvertToTitlesChaptersAndTheDiscsIfo)
{
    int title = -1;
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEO_TS_02_011.IFO"), &title), 11);
    EXPECT_EQ(title, 2);
    title = -1;
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEOTS.IFO"), &title), 0);
    EXPECT_EQ(title, 0);
    title = -1;
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/media/dvd/VIDEO_TS/"), &title), 0);
    EXPECT_EQ(title, 0);
    // Short or garbled numbers read as far as they go.
    EXPECT_EQ(engine.ParseChapterItem(QStringLiteral("/d/VIDEO_TS_7"), &title), 0);
    EXPECT_EQ(title, 7);

    EXPECT_EQ(CDVDMedia::GetIfoFromItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEO_TS_02_011.IFO")),
              QStringLiteral("/media/dvd/VIDEO_TS/VIDEO_TS.IFO"));
    EXPECT_EQ(CDVDMedia::GetIfoFromItem(QStringLiteral("/x/disc.iso/AUDIO_TS/AUDIO_TS_01_001.IFO")),
              QStringLiteral("/x/disc.iso/AUDIO_TS/AUDIO_TS.IFO"));
    EXPECT_TRUE(CDVDMedia::GetIfoFromItem(QStringLiteral("/media/dvd/VIDEO_TS/VIDEOTS.IFO")).isEmpty());

    QString ifo = QStringLiteral("stale");
    ASSERT_TRUE(CDVDMedia::FindIfo(disc, &ifo, true)); // no AUDIO_TS: the video one
    EXPECT_EQ(ifo, Ifo(disc));
    QTemporaryDir empty;
    EXPECT_FALSE(CDVDMedia::FindIfo(empty.path(), &ifo, false));
    EXPECT_TRUE(ifo.isEmpty());
    ASSERT_TRUE(QDir(empty.path()).mkpath(QStringLiteral("AUDIO_TS")));
    QFile audio(empty.filePath(QStringLiteral("AUDIO_TS/AUDIO_TS.IFO")));
    ASSERT_TRUE(audio.open(QIODevice::WriteOnly));
    audio.close();
    EXPECT_TRUE(CDVDMedia::FindIfo(empty.path(), &ifo, true));
    EXPECT_EQ(ifo, empty.path() + QStringLiteral("/AUDIO_TS/AUDIO_TS.IFO"));
    EXPECT_FALSE(CDVDMedia::FindIfo(empty.path(), &ifo, false));

    const QString image = media_files::DvdDiscImage();
    ASSERT_FALSE(image.isEmpty());
    ASSERT_TRUE(CDVDMedia::FindIfo(image, &ifo, true)); // looked for inside the image
    EXPECT_EQ(ifo, image + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"));
}

TEST_F(DVDMediaTest, RequestsOnAClosedEngineAreClampedAndKeptPending)
{
    using Kind = PendingJump::Kind;
    engine.PlayTitle(0, true);
    EXPECT_EQ(engine.Pending(), (PendingJump{Kind::kTitle, 1, 0, 0}));

    EngineScene::SetPlace(engine, 99, 0);
    engine.PlayTitle(+1, false); // stays on 99: nothing to do, and the jump waiting goes
    EXPECT_EQ(engine.Pending(), PendingJump{});
    engine.PlayTitle(150, true);
    EXPECT_EQ(engine.Pending(), PendingJump{});
    EngineScene::SetPlace(engine, 0, 0);

    engine.PlayChapter(0, true, 0);
    EXPECT_EQ(engine.Pending(), (PendingJump{Kind::kChapter, 1, 1, 0}));
    engine.PlayChapter(-3, true, 120);
    EXPECT_EQ(engine.Pending(), (PendingJump{Kind::kChapter, 99, 999, 0}));
    EngineScene::SetPlace(engine, 2, 3);
    engine.PlayChapter(0, false, 0); // lands on the current chapter and title
    EXPECT_EQ(engine.Pending(), PendingJump{});
    EngineScene::SetPlace(engine, 0, 0);

    EXPECT_FALSE(engine.Seek(-1, 2));
    EXPECT_EQ(engine.Pending(), (PendingJump{Kind::kTime, 2, 0, 0}));
    EXPECT_FALSE(engine.Seek(4500, 3));
    EXPECT_EQ(engine.Pending(), (PendingJump{Kind::kTime, 3, 0, 4500}));

    engine.SelectAudio(8);
    engine.SelectSubpicture(40, true);
    EXPECT_EQ(engine.AudioStream(), 8);
    EXPECT_EQ(engine.SubpictureStream(), 40);
    EXPECT_TRUE(engine.SubpicturesShown());

    // Navigation without a disc does nothing.
    int title = 7;
    int chapter = 7;
    EXPECT_EQ(engine.GetLocation(&title, &chapter), -1);
    EXPECT_EQ(title, 7);
    engine.MenuKey(NavigationKey::kEnter, 0);
    engine.MenuKey(NavigationKey::kRight, 1);
    engine.PointerAction(PointerEvent::kPress, 10, 10);
    engine.ShowMenu(platform::DvdMenu::kTitle);
    engine.SelectAngle(1);
    QStringList items;
    bool found = false;
    int foundPos = -1;
    EXPECT_FALSE(engine.ListChapterItems(Ifo(disc), &items, &found, &foundPos, QString(), true));
    EXPECT_TRUE(items.isEmpty());
    QStringList names{QStringLiteral("stale")};
    unsigned count = 9;
    unsigned long current = 0;
    engine.GetAudioStreams(&names, &count, &current);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_EQ(engine.HandleGraphEvent().code, 0);
    EXPECT_FALSE(engine.Play());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DVDMediaTest, OpensInTheMenuAndListsEveryChapter)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    EXPECT_TRUE(engine.HasChanged()); // a menu was entered
    EXPECT_EQ(engine.PlayWnd().Mode(),
              CPlayWnd::Attached::kDvdEngine); // pointer input goes to the DVD engine, keys stay
    EXPECT_EQ(engine.PlayWnd().Target(), &engine);
    EXPECT_EQ(engine.Window()->size(), QSize(640, 480)); // 720 × 480 shown at 4:3

    QStringList items{QStringLiteral("kept")};
    bool found = false;
    int foundPos = -1;
    const QString wanted = disc + QStringLiteral("/VIDEO_TS/VIDEO_TS_02_001.IFO");
    EXPECT_TRUE(engine.ListChapterItems(Ifo(disc), &items, &found, &foundPos, wanted, true));
    const QString stem = disc + QStringLiteral("/VIDEO_TS/VIDEO_TS_");
    EXPECT_EQ(items, (QStringList{QStringLiteral("kept"), stem + QStringLiteral("01_001.IFO"),
                                  stem + QStringLiteral("01_002.IFO"), stem + QStringLiteral("01_003.IFO"),
                                  stem + QStringLiteral("02_001.IFO"), stem + QStringLiteral("02_002.IFO")}));
    EXPECT_TRUE(found);
    EXPECT_EQ(foundPos, 4);
    EXPECT_EQ(engine.BuildItemName(2, 1), wanted);

    // Languages and angles are told in a title only.
    QStringList names;
    unsigned count = 0;
    unsigned long current = 0;
    engine.GetAudioStreams(&names, &count, &current);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DVDMediaTest, MenuKeysMoveButtonsAndATitleAskedForInTheMenuPlaysOnceATitleIsEntered)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    engine.MenuKey(NavigationKey::kRight, 1.0);
    ASSERT_TRUE(PumpUntil([&] { return engine.Dvd()->SelectedButton() == 2; }));
    EXPECT_DOUBLE_EQ(engine.GetRate(), 1.0); // in a menu the key is no scan
    engine.MenuKey(NavigationKey::kLeft, -1.0);
    ASSERT_TRUE(PumpUntil([&] { return engine.Dvd()->SelectedButton() == 1; }));

    // The still menu cannot be left by a jump: the request waits for a title.
    engine.PlayTitle(2, true);
    EXPECT_EQ(engine.Pending(), (PendingJump{PendingJump::Kind::kTitle, 2, 0, 0}));
    EXPECT_EQ(engine.GetDomain(), platform::DvdDomain::kVideoManagerMenu);

    engine.MenuKey(NavigationKey::kEnter, 0); // the left button plays title 1 ...
    ASSERT_TRUE(
        PumpUntil([&] { return engine.GetDomain() == platform::DvdDomain::kTitle && engine.Title() == 2; }));
    EXPECT_EQ(engine.Pending(), PendingJump{}); // ... and the waiting request takes over
    int title = 0;
    int chapter = 0;
    EXPECT_GT(Location(&title, &chapter), 0);
    EXPECT_EQ(title, 2);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DVDMediaTest, ThePointerSelectsAndActivatesButtonsUnlessTheDiscForbidsIt)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    engine.PointerAction(PointerEvent::kMove, InWindow({520, 240}).x(), InWindow({520, 240}).y());
    ASSERT_TRUE(PumpUntil([&] { return engine.Dvd()->SelectedButton() == 2; }));

    // While the disc forbids the buttons, neither a move nor a press over the left one acts:
    // the key that activates the button selected then plays the right one's title 2. Had either
    // gone through, title 1 would be playing (a press plays it, a move selects its button).
    EngineScene::ForbidButtons(engine, true);
    engine.PointerAction(PointerEvent::kMove, InWindow({200, 240}).x(), InWindow({200, 240}).y());
    engine.PointerAction(PointerEvent::kPress, InWindow({200, 240}).x(), InWindow({200, 240}).y());
    EngineScene::ForbidButtons(engine, false);
    engine.MenuKey(NavigationKey::kEnter, 0);
    ASSERT_TRUE(
        PumpUntil([&] { return engine.GetDomain() == platform::DvdDomain::kTitle && engine.Title() != 0; }));
    EXPECT_EQ(engine.Title(), 2);
    // The pointer itself: a press on a button plays its title.
    engine.Close();
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    engine.PointerAction(PointerEvent::kPress, InWindow({200, 240}).x(), InWindow({200, 240}).y());
    ASSERT_TRUE(
        PumpUntil([&] { return engine.GetDomain() == platform::DvdDomain::kTitle && engine.Title() == 1; }));
    // A title has no buttons: the disc's valid operations say so.
    ASSERT_TRUE(
        PumpUntil([&] { return (engine.GetValidUops() & platform::kUopSelectOrActivateButton) != 0; }));
}

TEST_F(DVDMediaTest, PlaysTitlesChaptersAndTimesAndAChapterChangeRaisesChanged)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    const size_t menu = Mark();
    ASSERT_NO_FATAL_FAILURE(EnterTitleOne());
    ASSERT_TRUE(PumpUntil([&] { return HandledSince(menu, platform::EC_DVD_CHAPTER_START) > 0; }));

    engine.PlayChapter(3, true, 1);
    EXPECT_EQ(engine.Chapter(), 3);
    EXPECT_EQ(engine.Pending(), PendingJump{});
    EXPECT_TRUE(LocationMeets([](int ms, int t, int c) { return ms >= 3000 && t == 1 && c == 3; }));

    // A jump asked for through the engine is no change the controller has to follow, also
    // once the disc has announced the chapter (playing on into one is, below).
    engine.TakeChanged();
    const size_t jump = Mark();
    engine.PlayChapter(2, true, 1);
    EXPECT_EQ(engine.Chapter(), 2);
    ASSERT_TRUE(PumpUntil([&] { return HandledSince(jump, platform::EC_DVD_CHAPTER_START) > 0; }));
    EXPECT_FALSE(engine.HasChanged());

    // The next title, asked for well before the end of this one: the navigator reads about a
    // second ahead, and a jump asked for as it reaches the end races with its return to the menu
    // (on a loaded machine the picture then stood still at the next title's start).
    engine.PlayTitle(1, false);
    ASSERT_TRUE(PumpUntil([&] { return engine.Title() == 2 && engine.Chapter() == 1; }));
    EXPECT_EQ(engine.Pending(), PendingJump{});

    // Playing on into chapter 2 moves the item, also when GetLocation saw the new chapter
    // before the chapter-start event was handled. At a quarter of the speed the two seconds of
    // chapter 2 last eight, so a busy machine cannot let the title end unseen.
    engine.TakeChanged();
    const size_t slow = Mark();
    engine.SetRate(0.25);
    ASSERT_TRUE(PumpUntil([&] { return HandledSince(slow, platform::EC_DVD_PLAYBACK_RATE_CHANGE) > 0; }));
    int title = 0;
    int chapter = 0;
    ASSERT_TRUE(WaitUntil([&] {
        engine.GetLocation(&title, &chapter);
        return engine.Chapter() == 2;
    }));
    EXPECT_FALSE(engine.HasChanged());
    ASSERT_TRUE(PumpUntil([&] { return engine.HasChanged(); }));
    EXPECT_EQ(engine.Chapter(), 2);
    EXPECT_EQ(engine.Title(), 2);
    EXPECT_EQ(engine.GetDomain(), platform::DvdDomain::kTitle);
    engine.SetRate(0);

    // The navigator reads ahead of the picture, so only the time is checked.
    EXPECT_TRUE(engine.Seek(2500, 2));
    int ms = 0;
    EXPECT_TRUE(LocationMeets([](int at, int t, int) { return at >= 2000 && t == 2; }, &ms));
    EXPECT_LT(ms, 4000);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DVDMediaTest, KeysScanInATitleAndARefusedRateKeepsThePreviousOne)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    ASSERT_NO_FATAL_FAILURE(EnterTitleOne());
    size_t mark = Mark();
    engine.MenuKey(NavigationKey::kRight, 1.0);
    EXPECT_DOUBLE_EQ(engine.GetRate(), 2.0);
    ASSERT_TRUE(PumpUntil([&] { return HandledSince(mark, platform::EC_DVD_PLAYBACK_RATE_CHANGE) > 0; }));
    EXPECT_DOUBLE_EQ(engine.GetRate(), 2.0);    // the navigator confirms it
    engine.MenuKey(NavigationKey::kLeft, -1.0); // backwards: refused by the disc's elements
    EXPECT_DOUBLE_EQ(engine.GetRate(), 2.0);
    engine.MenuKey(NavigationKey::kUp, 1.0); // up and down scan nothing in a title
    EXPECT_DOUBLE_EQ(engine.GetRate(), 2.0);
    int title = 0;
    int chapter = 0;
    int before = Location(&title, &chapter);
    ASSERT_TRUE(PumpUntil([&] { return engine.GetLocation(&title, &chapter) > before + 500; }));

    mark = Mark();
    engine.SetRate(1.0 / 15); // slow motion
    ASSERT_TRUE(PumpUntil([&] { return HandledSince(mark, platform::EC_DVD_PLAYBACK_RATE_CHANGE) > 0; }));
    EXPECT_NEAR(engine.GetRate(), 1.0 / 15, 0.001);
    // The first position after the change can still be the one read ahead at the old rate.
    before = engine.GetLocation(&title, &chapter);
    ASSERT_TRUE(PumpUntil([&] { return engine.GetLocation(&title, &chapter) != before; }));
    before = engine.GetLocation(&title, &chapter);
    ASSERT_TRUE(PumpUntil([&] { return engine.GetLocation(&title, &chapter) > before; }));

    engine.SetRate(0);
    EXPECT_DOUBLE_EQ(engine.GetRate(), 1.0);
    before = engine.GetLocation(&title, &chapter);
    ASSERT_TRUE(PumpUntil([&] { return engine.GetLocation(&title, &chapter) > before + 300; }));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DVDMediaTest, StreamsAreListedByLanguageAndChoicesOutsideTheirRangeAreStoredOnly)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    ASSERT_NO_FATAL_FAILURE(EnterTitleOne());
    QStringList names;
    unsigned count = 0;
    unsigned long current = 9;
    engine.GetAudioStreams(&names, &count, &current);
    EXPECT_EQ(names, (QStringList{QStringLiteral("英語"), QStringLiteral("日本語")}));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(current, 0u);
    bool disabled = false;
    engine.GetSubpictureStreams(&names, &count, &current, &disabled);
    EXPECT_EQ(names, QStringList{QStringLiteral("French")});
    EXPECT_EQ(count, 1u);
    int angle = -1;
    engine.GetAngles(&names, &count, &angle);
    EXPECT_EQ(names, QStringList{QStringLiteral("ｱﾝｸﾞﾙ 1")});
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(angle, 0);

    engine.SelectAudio(1);
    ASSERT_TRUE(PumpUntil([&] { return engine.Dvd()->ActiveAudio() == 1; }));
    engine.SelectSubpicture(0, true);
    ASSERT_TRUE(
        PumpUntil([&] { return engine.Dvd()->ActiveSubpicture() == 0 && engine.Dvd()->SubpicturesShown(); }));

    engine.SelectAudio(8);
    engine.SelectSubpicture(40, true);
    EXPECT_EQ(engine.AudioStream(), 8);
    EXPECT_EQ(engine.SubpictureStream(), 40);
    // A new chapter makes the disc repeat its own choices with its first data; ours stay. The
    // navigator's time half a second into the chapter (it starts at 4 s) is past that data.
    engine.PlayChapter(3, true, 1);
    ASSERT_TRUE(LocationMeets([](int ms, int t, int c) { return t == 1 && c == 3 && ms >= 4500; }));
    EXPECT_EQ(engine.Dvd()->ActiveAudio(), 1);
    EXPECT_EQ(engine.Dvd()->ActiveSubpicture(), 0);
    engine.GetAudioStreams(&names, &count, &current);
    EXPECT_EQ(current, 1u);
}

TEST_F(DVDMediaTest, ShowMenuTogglesBetweenTheMenuAndTheTitle)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    ASSERT_NO_FATAL_FAILURE(EnterTitleOne());
    engine.TakeChanged();
    engine.ShowMenu(platform::DvdMenu::kTitle);
    ASSERT_TRUE(PumpUntil([&] { return engine.GetDomain() == platform::DvdDomain::kVideoManagerMenu; }));
    EXPECT_TRUE(engine.HasChanged());
    engine.ShowMenu(platform::DvdMenu::kTitle); // in a menu: back to the title
    ASSERT_TRUE(PumpUntil([&] { return engine.GetDomain() == platform::DvdDomain::kTitle; }));
    EXPECT_EQ(engine.Title(), 1);
}

TEST_F(DVDMediaTest, ADiscImagePlaysLikeTheFolder)
{
    const QString image = media_files::DvdDiscImage();
    ASSERT_FALSE(image.isEmpty());
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(image + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")));
    ASSERT_NO_FATAL_FAILURE(EnterTitleOne());
    QStringList items;
    bool found = false;
    int foundPos = -1;
    EXPECT_TRUE(engine.ListChapterItems(image + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"), &items, &found,
                                        &foundPos, QString(), false));
    EXPECT_EQ(items.size(), 5);
    EXPECT_EQ(items.value(0), image + QStringLiteral("/VIDEO_TS/VIDEO_TS_01_001.IFO"));

    // Closing leaves no pipeline behind.
    engine.Close();
    EXPECT_TRUE(testsupport::WaitUntil([] { return platform::GraphProxy::LivePipelines() == 0; }))
        << platform::GraphProxy::LivePipelines();
}

TEST_F(DVDMediaTest, AVolumeWhoseInformationCannotBeReadStillYieldsTheFirstItem)
{
    QTemporaryDir folder;
    const QString copy = media_files::CopyDisc(folder.path());
    ASSERT_FALSE(copy.isEmpty());
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(copy)));
    ASSERT_TRUE(QFile::remove(Ifo(copy)));
    ASSERT_TRUE(QFile::remove(copy + QStringLiteral("/VIDEO_TS/VIDEO_TS.BUP")));
    QStringList items;
    bool found = false;
    int foundPos = -1;
    EXPECT_FALSE(engine.ListChapterItems(Ifo(copy), &items, &found, &foundPos, QString(), true));
    EXPECT_EQ(items, QStringList{copy + QStringLiteral("/VIDEO_TS/VIDEO_TS_01_001.IFO")});
    EXPECT_FALSE(found);
}

// The disc's title count in its VIDEO_TS.IFO (or .BUP) set to 0.
bool RemoveTitles(const QString& ifoPath)
{
    QFile file(ifoPath);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    if (bytes.size() < 0xC8)
        return false;
    const quint32 sector = qFromBigEndian<quint32>(bytes.constData() + 0xC4);
    const qint64 at = qint64(sector) * 2048;
    if (sector == 0 || at + 2 > bytes.size())
        return false;
    return file.seek(at) && file.write(QByteArray(2, '\0')) == 2;
}

TEST_F(DVDMediaTest, VolumesThatCannotBePlayedFailWithTheirMessagesAndLeaveTheEngineClosed)
{
    const QString cannotOpen = res_text::BuildFailed();
    QTemporaryDir folder;
    // The first box says in Japanese what is wrong with the volume, like every other message.
    struct Case
    {
        const char* name;
        int message;
        std::function<bool(const QString& disc)> damage;
    };
    const Case cases[] = {
        {"no VIDEO_TS.IFO", res::kStrDvdUnreadable,
         [](const QString& d) {
             return QFile::remove(Ifo(d)) && QFile::remove(d + QStringLiteral("/VIDEO_TS/VIDEO_TS.BUP"));
         }},
        {"damaged VIDEO_TS.IFO", res::kStrDvdUnreadable,
         [](const QString& d) {
             QFile ifo(Ifo(d));
             QFile bup(d + QStringLiteral("/VIDEO_TS/VIDEO_TS.BUP"));
             return ifo.open(QIODevice::WriteOnly) && ifo.write(QByteArray(4096, 'x')) == 4096 &&
                    bup.open(QIODevice::WriteOnly) && bup.write(QByteArray(100, 'y')) == 100;
         }},
        {"no titles", res::kStrDvdNoTitles,
         [](const QString& d) {
             return RemoveTitles(Ifo(d)) && RemoveTitles(d + QStringLiteral("/VIDEO_TS/VIDEO_TS.BUP"));
         }},
        {"unreadable menu", res::kStrDvdNotStarted,
         [](const QString& d) { return QFile::resize(d + QStringLiteral("/VIDEO_TS/VIDEO_TS.VOB"), 0); }},
        {"not a disc", res::kStrDvdUnreadable,
         [](const QString& d) { return QDir(d + QStringLiteral("/VIDEO_TS")).removeRecursively(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString copy = media_files::CopyDisc(QDir(folder.path()).filePath(QString::fromLatin1(c.name)));
        ASSERT_FALSE(copy.isEmpty());
        ASSERT_TRUE(c.damage(copy));
        messages.clear();
        QWidget* video = nullptr;
        EXPECT_FALSE(engine.OpenMedia(&mainWindow, Ifo(copy), &video));
        ASSERT_EQ(messages.size(), 2) << messages.join(u'\n').toStdString();
        EXPECT_TRUE(messages[0].startsWith(res::LoadString(c.message).section(u'\n', 0, 0)))
            << messages[0].toStdString();
        EXPECT_EQ(messages[0], engine.ErrorText());
        EXPECT_EQ(messages[1], cannotOpen);
        EXPECT_EQ(video, nullptr);
        EXPECT_TRUE(engine.State().Is(EngineState::kClosed));
        EXPECT_EQ(engine.Dvd(), nullptr);
        EXPECT_FALSE(engine.Play());
        engine.PlayTitle(2, true); // a closed engine only remembers
        EXPECT_EQ(engine.Pending().kind, PendingJump::Kind::kTitle);
    }
}

TEST_F(DVDMediaTest, ATitleThatCannotBeReadAbortsAndClosesTheEngine)
{
    QTemporaryDir folder;
    const QString copy = media_files::CopyDisc(folder.path());
    ASSERT_FALSE(copy.isEmpty());
    ASSERT_TRUE(QFile::resize(copy + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"), 0));
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(copy)));
    engine.TakeChanged();
    engine.MenuKey(NavigationKey::kEnter, 0);
    ASSERT_TRUE(PumpUntil([&] { return engine.State().Is(EngineState::kClosed); }));
    EXPECT_TRUE(engine.HasChanged());
    EXPECT_EQ(engine.Dvd(), nullptr);
    engine.MenuKey(NavigationKey::kEnter, 0); // nothing left to navigate
    EXPECT_EQ(engine.HandleGraphEvent().code, 0);
}

TEST_F(DVDMediaTest, PauseStopAndPlayWorkInTheMenuAndInATitle)
{
    ASSERT_NO_FATAL_FAILURE(OpenInMenu(Ifo(disc)));
    engine.Pause();
    EXPECT_TRUE(engine.State().Is(EngineState::kPaused));
    ASSERT_TRUE(engine.Play());
    engine.Stop(); // a still menu is not rewound: that would hang the navigator
    EXPECT_TRUE(engine.State().Is(EngineState::kStopped));
    ASSERT_TRUE(engine.Play());
    ASSERT_NO_FATAL_FAILURE(EnterTitleOne());
    int title = 0;
    int chapter = 0;
    engine.PlayChapter(2, true, 1);
    ASSERT_TRUE(LocationMeets([](int ms, int t, int) { return ms >= 1500 && t == 1; }));
    engine.Stop(); // in a title: back to its start
    EXPECT_TRUE(engine.State().Is(EngineState::kStopped));
    ASSERT_TRUE(engine.Play());
    // A position of 0 reads as the last one; the first after it shows the rewind.
    ASSERT_TRUE(PumpUntil([&] {
        const int ms = engine.GetLocation(&title, &chapter);
        return ms > 0 && ms < 1500;
    }));
    EXPECT_EQ(title, 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DVDMediaTest, APalDiscWithoutMenusStartsInItsTitleAndCountsTwentyFiveFrames)
{
    const QString pal = media_files::PalDvdDisc();
    ASSERT_FALSE(pal.isEmpty());
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Ifo(pal), nullptr));
    ASSERT_TRUE(engine.Play());
    ASSERT_TRUE(
        PumpUntil([&] { return engine.GetDomain() == platform::DvdDomain::kTitle && engine.Title() == 1; }));
    int title = 0;
    int chapter = 0;
    EXPECT_GT(Location(&title, &chapter), 0);
    EXPECT_EQ(engine.FrameRate(), 25);
    EXPECT_EQ(engine.Window()->size(), QSize(768, 576)); // fitted to the picture at chapter start
    EXPECT_EQ(title, 1);
    EXPECT_EQ(chapter, 1);
    QStringList names;
    unsigned count = 0;
    unsigned long current = 0;
    engine.GetAudioStreams(&names, &count, &current);
    EXPECT_EQ(names, QStringList{QStringLiteral("German")});

    // A jump to a time lands on the disc's video unit at or before it.
    EXPECT_TRUE(engine.Seek(1960, 1));
    EXPECT_TRUE(LocationMeets([](int ms, int t, int) { return ms >= 900 && t == 1; }));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

} // namespace
