#include "media/MCICD.h"
#include "platform/MessageBox.h"
#include "platform/ipc/MciCodes.h"
#include "support/CdImages.h"
#include "support/Wait.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using cd_images::Seconds;
using cd_images::Track;
using testsupport::WaitUntil;

// The main window's part: MM_MCINOTIFY goes to the engine's OnNotify.
class NotifyWindow : public QObject
{
public:
    explicit NotifyWindow(CMCICD& cd) : cd(cd) {}
    int notifications = 0;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != platform::WindowMessageEvent::Type())
            return;
        const auto* m = static_cast<platform::WindowMessageEvent*>(event);
        if (m->message == platform::MM_MCINOTIFY) {
            ++notifications;
            cd.OnNotify(m->wParam, m->lParam);
        }
    }

private:
    CMCICD& cd;
};

class MCICDTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetMessageBoxObserver([this](const QString& text, int) {
            boxes << text;
            return platform::kIdOk;
        });
    }
    void TearDown() override
    {
        cd.CloseDisc();
        platform::SetMessageBoxObserver(nullptr);
    }
    QString Image(const QString& name, const std::vector<Track>& tracks)
    {
        const QString image = cd_images::Write(dir.path(), name, tracks);
        EXPECT_FALSE(image.isEmpty());
        return image;
    }
    // Five audio tracks of one second each.
    QString FiveTracks() { return Image(QStringLiteral("five"), std::vector<Track>(5, Track{Seconds(1)})); }

    QTemporaryDir dir;
    QStringList boxes;
    CMCICD cd{platform::DriveTable()};
    NotifyWindow window{cd};
};

TEST_F(MCICDTest, OpeningReadsTheTrackTableAndTheStartTrack)
{
    const QString image = FiveTracks();
    ASSERT_TRUE(cd.OpenDisc(&window, image + QStringLiteral("/TRACK05.CDA"), true));
    EXPECT_EQ(cd.GetState(), CdState::kOpened);
    EXPECT_EQ(cd.GetDrive(), image);
    EXPECT_EQ(cd.GetTrackCount(), 5);
    EXPECT_EQ(cd.StartTrack(), 4);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(cd.TrackStart(i), 2000 + 1000 * i);
        EXPECT_EQ(cd.TrackLength(i), 1000);
    }
    EXPECT_EQ(cd.TrackStart(5), 7000);
    EXPECT_TRUE(cd.IsSameDrive(image + QStringLiteral("/TRACK01.CDA")));
    EXPECT_FALSE(cd.IsSameDrive(dir.path() + QStringLiteral("/other.cue/TRACK01.CDA")));
    EXPECT_TRUE(boxes.isEmpty());

    // Names that do not give a track on the disc start at the first audio track.
    for (const char* name :
         {"/Track.cda", "/TrackXY.cda", "/Track99.cda", "/Track-3.cda", "/T.cda", "/TRACK01.CDA"}) {
        ASSERT_TRUE(cd.OpenDisc(&window, image + QLatin1String(name), true)) << name;
        EXPECT_EQ(cd.StartTrack(), 0) << name;
    }
    // A leading data track is passed over, also when the name points at it.
    const QString mixed = Image(QStringLiteral("mixed"), {{Seconds(1), false}, {Seconds(1)}, {Seconds(1)}});
    ASSERT_TRUE(cd.OpenDisc(&window, mixed + QStringLiteral("/TRACK01.CDA"), true));
    EXPECT_EQ(cd.StartTrack(), 1);
    EXPECT_TRUE(cd.IsAudioTrack(2));
    EXPECT_FALSE(cd.IsAudioTrack(1));
    ASSERT_TRUE(cd.OpenDisc(&window, mixed + QStringLiteral("/TRACK03.CDA"), true));
    EXPECT_EQ(cd.StartTrack(), 2);
}

TEST_F(MCICDTest, DataOnlyDiscsAreNotOpened)
{
    const QString data = Image(QStringLiteral("data"), {{Seconds(2), false}, {Seconds(1), false}});
    EXPECT_FALSE(cd.OpenDisc(&window, data + QStringLiteral("/TRACK01.CDA"), true));
    EXPECT_EQ(cd.GetState(), CdState::kDeviceClosed);
    EXPECT_EQ(cd.GetTrackCount(), 0);
    EXPECT_FALSE(cd.PlayTrack(1, 0));
    bool dataDisc = false;
    cd.SetDrive(data);
    EXPECT_FALSE(cd.CheckMedia(&dataDisc));
    EXPECT_TRUE(dataDisc);
}

TEST_F(MCICDTest, OnlyTheFirstErrorIsShown)
{
    const QString broken = Image(QStringLiteral("broken"), {{Seconds(1)}, {Seconds(1)}});
    QFile::remove(cd_images::DataFile(broken));
    EXPECT_FALSE(cd.OpenDisc(&window, broken + QStringLiteral("/TRACK01.CDA"), true));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(cd.LastError(), static_cast<int>(platform::MCIERR_DEVICE_NOT_READY));
    EXPECT_FALSE(cd.OpenDisc(&window, dir.path() + QStringLiteral("/none.cue/TRACK01.CDA"), true));
    EXPECT_FALSE(cd.SendCommand(QStringLiteral("play nowhere"), nullptr, true));
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(cd.LastError(), static_cast<int>(platform::MCIERR_DEVICE_NOT_READY));

    // The same disc playable again after its data came back: opening works, still no box.
    const QString good = FiveTracks();
    ASSERT_TRUE(cd.OpenDisc(&window, good, true));
    EXPECT_EQ(boxes.size(), 1);
}

TEST_F(MCICDTest, ATrackPlaysToJustBeforeTheNextAndItsEndIsNoticed)
{
    ASSERT_TRUE(cd.OpenDisc(&window, FiveTracks(), true));
    EXPECT_FALSE(cd.PlayTrack(6, 0));
    EXPECT_FALSE(cd.PlayTrack(0, 0));
    EXPECT_FALSE(cd.PlayTrack(-2, 0));
    EXPECT_EQ(cd.GetState(), CdState::kOpened);

    ASSERT_TRUE(cd.PlayTrack(5, 300));
    EXPECT_EQ(cd.GetState(), CdState::kPlaying);
    int track = 0;
    const int start = cd.GetTrackPosition(&track);
    EXPECT_EQ(track, 5);
    EXPECT_GE(start, 300);
    ASSERT_TRUE(WaitUntil([&] { return window.notifications > 0; }));
    EXPECT_EQ(cd.TrackEnded(), TrackEnd::kCompleted);
    cd.ResetTrackEnded();
    // Played to 200 ms before the end entry; the frozen position tells the end too.
    EXPECT_EQ(cd.GetTrackPosition(&track), 800);
    EXPECT_EQ(track, 5);
    EXPECT_EQ(cd.GetTrackPosition(&track), 800);
    EXPECT_EQ(cd.TrackEnded(), TrackEnd::kCompleted);
    EXPECT_TRUE(cd.IsInTrack(5, 999));
    EXPECT_FALSE(cd.IsInTrack(5, 1000));
    EXPECT_FALSE(cd.IsInTrack(6, 0));
    EXPECT_FALSE(cd.IsInTrack(0, 0));
}

TEST_F(MCICDTest, InterruptedPlaysEndOtherwise)
{
    ASSERT_TRUE(cd.OpenDisc(&window, FiveTracks(), true));
    ASSERT_TRUE(cd.PlayTrack(1, 0));
    EXPECT_FALSE(cd.PlayTrack(2, 0)) << "a playing disc is paused or stopped first";
    ASSERT_TRUE(cd.PauseDevice());
    EXPECT_EQ(cd.GetState(), CdState::kPaused);
    ASSERT_TRUE(WaitUntil([&] { return window.notifications > 0; }));
    EXPECT_EQ(cd.TrackEnded(), TrackEnd::kInterrupted);
    cd.ResetTrackEnded();
    ASSERT_TRUE(cd.PlayTrack(2, 0));
    EXPECT_TRUE(cd.StopDevice());
    EXPECT_EQ(cd.GetState(), CdState::kStopped);
    ASSERT_TRUE(WaitUntil([&] { return window.notifications > 1; }));
    EXPECT_EQ(cd.TrackEnded(), TrackEnd::kInterrupted);
    int track = 0;
    EXPECT_EQ(cd.GetTrackPosition(&track), 0);
    EXPECT_EQ(track, -1) << "no position once stopped";
    EXPECT_TRUE(boxes.isEmpty());

    cd.OnNotify(platform::MCI_NOTIFY_SUPERSEDED, 0);
    EXPECT_EQ(cd.TrackEnded(), TrackEnd::kInterrupted);
    cd.OnNotify(platform::MCI_NOTIFY_SUCCESSFUL, 0);
    EXPECT_EQ(cd.TrackEnded(), TrackEnd::kCompleted);
}

TEST_F(MCICDTest, SkipMovesFiveSecondsWithinTheTrack)
{
    ASSERT_TRUE(cd.OpenDisc(&window, Image(QStringLiteral("long"), {{Seconds(12)}, {Seconds(1)}}), true));
    ASSERT_TRUE(cd.PlayTrack(1, 1000));
    // The skip lets the drive move for a second with the event loop running, not asleep.
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(100);
    cd.Skip(1);
    tick.stop();
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(cd.GetState(), CdState::kPlaying);
    int track = 0;
    EXPECT_GE(cd.GetTrackPosition(&track), 6000);
    EXPECT_EQ(track, 1);

    // Backwards within the first five seconds carries on from where it is.
    ASSERT_TRUE(cd.PauseDevice());
    ASSERT_TRUE(cd.PlayTrack(1, 500));
    cd.Skip(-1);
    const int back = cd.GetTrackPosition(&track);
    EXPECT_GE(back, 500);
    EXPECT_LT(back, 5000);
    ASSERT_TRUE(cd.PauseDevice());
    ASSERT_TRUE(cd.PlayTrack(1, 8000));
    cd.Skip(-1);
    EXPECT_LT(cd.GetTrackPosition(&track), 8000);

    // Forwards from a stopped disc starts playing.
    ASSERT_TRUE(cd.StopDevice());
    cd.Skip(1);
    EXPECT_EQ(cd.GetState(), CdState::kPlaying);
    EXPECT_GE(cd.GetTrackPosition(&track), 5000);
}

TEST_F(MCICDTest, DoorAndMediaChecksFollowTheImage)
{
    const QString image = FiveTracks();
    cd.SetDrive(image);
    bool dataDisc = true;
    EXPECT_TRUE(cd.CheckMedia(&dataDisc));
    EXPECT_FALSE(dataDisc);
    EXPECT_EQ(cd.GetState(), CdState::kDiscPresent);

    bool doorOpen = false;
    EXPECT_TRUE(cd.ToggleDoor(&doorOpen));
    EXPECT_TRUE(doorOpen);
    EXPECT_EQ(cd.GetState(), CdState::kNoDisc);
    EXPECT_FALSE(cd.CheckMedia(&dataDisc));
    EXPECT_FALSE(dataDisc);
    EXPECT_EQ(cd.GetState(), CdState::kNoDisc);
    // With the door open there is no disc: the open is not shown, the questions after it are.
    EXPECT_FALSE(cd.OpenDisc(&window, image + QStringLiteral("/TRACK01.CDA"), false));
    ASSERT_EQ(boxes.size(), 1);
    QString notReady;
    platform::mciGetErrorString(platform::MCIERR_DEVICE_NOT_READY, &notReady);
    EXPECT_EQ(boxes[0], notReady);

    // The failed open closed the device (5); the door moves all the same.
    cd.SetDrive(image);
    EXPECT_TRUE(cd.ToggleDoor(&doorOpen));
    EXPECT_FALSE(doorOpen);
    EXPECT_TRUE(cd.CheckMedia(&dataDisc));
    EXPECT_EQ(cd.GetState(), CdState::kDiscPresent);
    ASSERT_TRUE(cd.OpenDisc(&window, image + QStringLiteral("/TRACK02.CDA"), false));
    EXPECT_EQ(cd.StartTrack(), 1);
    EXPECT_EQ(boxes.size(), 1);
}

TEST_F(MCICDTest, IdentityNamesTheDisc)
{
    const QString five = FiveTracks();
    ASSERT_TRUE(cd.OpenDisc(&window, five, true));
    const QString identity = cd.GetIdentity();
    EXPECT_FALSE(identity.isEmpty());
    ASSERT_TRUE(cd.OpenDisc(&window, five, true));
    EXPECT_EQ(cd.GetIdentity(), identity);
    ASSERT_TRUE(
        cd.OpenDisc(&window, Image(QStringLiteral("four"), std::vector<Track>(4, Track{Seconds(1)})), true));
    EXPECT_NE(cd.GetIdentity(), identity);
    cd.CloseDisc();
    EXPECT_TRUE(cd.GetIdentity().isEmpty());
}

TEST(MCICDNames, TrackNumbersComeFromTheFileName)
{
    EXPECT_EQ(CMCICD::ParseTrackNumber(QStringLiteral("/dev/sr0/TRACK05.CDA")), 5);
    EXPECT_EQ(CMCICD::ParseTrackNumber(QStringLiteral("/x/disc.cue/Track12.cda")), 12);
    EXPECT_EQ(CMCICD::ParseTrackNumber(QStringLiteral("/x/T1.cda")), 1);
    EXPECT_EQ(CMCICD::ParseTrackNumber(QStringLiteral("/x/Track.cda")), 0);
    EXPECT_EQ(CMCICD::ParseTrackNumber(QStringLiteral("/x/TrackXY.cda")), 0);
}

} // namespace
