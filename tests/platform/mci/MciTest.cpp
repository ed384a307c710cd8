#include "platform/mci/Mci.h"
#include "platform/graph/GstGraph.h"
#include "support/CdImages.h"
#include "support/MessageLog.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace platform;
using cd_images::Seconds;
using cd_images::Track;
using testsupport::MessageLog;
using testsupport::WaitUntil;

// Aliases are process-wide: every test opens its own and closes it again.
class MciTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // 2 s, 1 s of data, 1.6 s: addresses 2000, 4000, 5000, end 6600.
        image = cd_images::Write(dir.path(), QStringLiteral("disc"),
                                 {{Seconds(2)}, {Seconds(1), false}, {Seconds(1.6)}});
        ASSERT_FALSE(image.isEmpty());
    }
    void TearDown() override
    {
        for (const QString& alias : opened)
            mci::SendString(QStringLiteral("close %1").arg(alias), nullptr, nullptr);
    }
    unsigned Send(const QString& command, QObject* callback = nullptr)
    {
        reply.clear();
        return mci::SendString(command, &reply, callback);
    }
    void Open(const QString& alias, const QString& drive)
    {
        ASSERT_EQ(Send(QStringLiteral("open cdaudio!%1 alias %2 shareable wait").arg(drive, alias)), 0u);
        opened << alias;
        ASSERT_EQ(Send(QStringLiteral("set %1 time format milliseconds wait").arg(alias)), 0u);
    }
    QString Status(const QString& alias, const QString& item)
    {
        EXPECT_EQ(Send(QStringLiteral("status %1 %2 wait").arg(alias, item)), 0u) << item.toStdString();
        return reply;
    }
    int Position(const QString& alias) { return Status(alias, QStringLiteral("position")).toInt(); }

    QTemporaryDir dir;
    QString image;
    QString reply;
    QStringList opened;
};

TEST_F(MciTest, StatusRepliesDescribeTheDisc)
{
    Open(QStringLiteral("T1"), image);
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("media present")), u"true");
    EXPECT_EQ(Status(QStringLiteral("t1"), QStringLiteral("number of tracks")), u"3");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("type track 1")), u"audio");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("type track 2")), u"other");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("position track 1")), u"2000");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("position track 3")), u"5000");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("length track 3")), u"1600");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("length")), u"4600");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("mode")), u"stopped");
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("time format")), u"milliseconds");

    EXPECT_EQ(Send(QStringLiteral("seek T1 to end wait")), 0u);
    EXPECT_EQ(Position(QStringLiteral("T1")), 6600);
    EXPECT_EQ(Send(QStringLiteral("seek T1 to 5000 wait")), 0u);
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("current track")), u"3");
    EXPECT_EQ(Send(QStringLiteral("seek T1 to start wait")), 0u);
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("current track")), u"1");

    EXPECT_EQ(Send(QStringLiteral("set T1 time format msf wait")), 0u);
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("position track 3")), u"00:05:00");
    EXPECT_EQ(Send(QStringLiteral("seek T1 to 00:05:00 wait")), 0u);
    EXPECT_EQ(Status(QStringLiteral("T1"), QStringLiteral("current track")), u"3");

    EXPECT_EQ(Send(QStringLiteral("info T1 identity wait")), 0u);
    EXPECT_EQ(reply.size(), 16);
}

TEST_F(MciTest, BadCommandsGetMciErrorsAndTexts)
{
    Open(QStringLiteral("T2"), image);
    EXPECT_EQ(Send(QStringLiteral("status NOPE position wait")), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(Send(QStringLiteral("jump T2 wait")), MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(Send(QStringLiteral("status T2 colour wait")), MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(Send(QStringLiteral("status T2 type track 4 wait")), MCIERR_OUTOFRANGE);
    EXPECT_EQ(Send(QStringLiteral("status T2 type track 0 wait")), MCIERR_OUTOFRANGE);
    EXPECT_EQ(Send(QStringLiteral("status T2 type track -1 wait")), MCIERR_BAD_INTEGER);
    EXPECT_EQ(Send(QStringLiteral("status T2 type track x wait")), MCIERR_BAD_INTEGER);
    EXPECT_EQ(Send(QStringLiteral("status T2 type track")), MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(Send(QStringLiteral("seek T2 to 99999999 wait")), MCIERR_OUTOFRANGE);
    EXPECT_EQ(Send(QStringLiteral("play T2 from 6000 to 3000 notify")), MCIERR_OUTOFRANGE);
    EXPECT_EQ(Send(QStringLiteral("set T2 time format frames wait")), MCIERR_BAD_TIME_FORMAT);
    EXPECT_EQ(Send(QStringLiteral("set T2 door ajar wait")), MCIERR_BAD_CONSTANT);
    EXPECT_EQ(Send(QStringLiteral("open cdaudio!%1 alias T2 shareable wait").arg(image)),
              MCIERR_DUPLICATE_ALIAS);
    EXPECT_EQ(Send(QStringLiteral("open waveaudio!%1 alias W wait").arg(image)), MCIERR_CANNOT_LOAD_DRIVER);
    EXPECT_EQ(Send(QStringLiteral("open cdaudio!%1/none.cue alias N wait").arg(dir.path())),
              MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(Send(QStringLiteral("status \"T2 position")), MCIERR_NO_CLOSING_QUOTE);
    EXPECT_EQ(Send(QStringLiteral("   ")), MCIERR_MISSING_COMMAND_STRING);
    EXPECT_TRUE(reply.isEmpty());

    QString text;
    EXPECT_TRUE(mciGetErrorString(MCIERR_INVALID_DEVICE_NAME, &text));
    EXPECT_EQ(text, QStringLiteral("指定されたデバイスは開かれていないか、MCI で認識されません。"));
    EXPECT_FALSE(mciGetErrorString(12345, &text));
    EXPECT_FALSE(text.isEmpty());
}

TEST_F(MciTest, ImagePathsWithBlanksOpen)
{
    QDir(dir.path()).mkpath(QStringLiteral("my discs"));
    const QString spaced =
        cd_images::Write(dir.path() + QStringLiteral("/my discs"), QStringLiteral("a b"), {{Seconds(1)}});
    ASSERT_FALSE(spaced.isEmpty());
    Open(QStringLiteral("T3"), spaced);
    EXPECT_EQ(Status(QStringLiteral("T3"), QStringLiteral("number of tracks")), u"1");
    ASSERT_EQ(Send(QStringLiteral("open \"cdaudio!%1\" alias T3B wait").arg(spaced)), 0u);
    opened << QStringLiteral("T3B");
    EXPECT_EQ(Status(QStringLiteral("T3B"), QStringLiteral("media present")), u"true");
}

TEST_F(MciTest, APlayedRangeEndsWithASuccessfulNotify)
{
    MessageLog window;
    Open(QStringLiteral("T4"), image);
    ASSERT_EQ(Send(QStringLiteral("play T4 from 2500 to 3300 notify"), &window), 0u);
    EXPECT_EQ(Status(QStringLiteral("T4"), QStringLiteral("mode")), u"playing");
    ASSERT_TRUE(WaitUntil([&] { return !window.messages.isEmpty(); }));
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_EQ(window.messages[0].message, MM_MCINOTIFY);
    EXPECT_EQ(window.messages[0].wParam, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_GT(window.messages[0].lParam, 0);
    EXPECT_EQ(Position(QStringLiteral("T4")), 3300);
    EXPECT_EQ(Status(QStringLiteral("T4"), QStringLiteral("mode")), u"stopped");
}

TEST_F(MciTest, ASheetOverAWaveFilePlaysItsSamples)
{
    MessageLog window;
    const QString wave = cd_images::Write(dir.path(), QStringLiteral("wave"), {{Seconds(1)}, {Seconds(2)}},
                                          cd_images::Format::WavCue);
    ASSERT_FALSE(wave.isEmpty());
    Open(QStringLiteral("T11"), wave);
    EXPECT_EQ(Status(QStringLiteral("T11"), QStringLiteral("position track 2")), u"3000");
    ASSERT_EQ(Send(QStringLiteral("play T11 from 3500 to 4200 notify"), &window), 0u);
    ASSERT_TRUE(
        WaitUntil([&] { return Position(QStringLiteral("T11")) > 3600 || !window.messages.isEmpty(); }));
    EXPECT_EQ(Status(QStringLiteral("T11"), QStringLiteral("current track")), u"2");
    ASSERT_TRUE(WaitUntil([&] { return !window.messages.isEmpty(); }));
    EXPECT_EQ(window.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_SUCCESSFUL});
    EXPECT_EQ(Position(QStringLiteral("T11")), 4200);
}

TEST_F(MciTest, PlayingAcrossADataTrackSkipsIt)
{
    MessageLog window;
    Open(QStringLiteral("T5"), image);
    // From the last half second of track 1 to the end: track 3 follows without the data.
    ASSERT_EQ(Send(QStringLiteral("play T5 from 3500 notify"), &window), 0u);
    bool heardTrackThree = false;
    ASSERT_TRUE(WaitUntil([&] {
        if (Status(QStringLiteral("T5"), QStringLiteral("current track")) == u"3")
            heardTrackThree = true;
        const int position = Position(QStringLiteral("T5"));
        EXPECT_FALSE(position > 4000 && position < 5000) << position; // never inside the data
        return !window.messages.isEmpty();
    }));
    EXPECT_TRUE(heardTrackThree);
    EXPECT_EQ(window.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_SUCCESSFUL});
    EXPECT_EQ(Position(QStringLiteral("T5")), 6600);

    // A range holding only data has nothing to play and ends at once.
    window.messages.clear();
    ASSERT_EQ(Send(QStringLiteral("play T5 from 4100 to 4900 notify"), &window), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !window.messages.isEmpty(); }));
    EXPECT_EQ(window.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_SUCCESSFUL});
}

TEST_F(MciTest, InterruptedPlaysAreSupersededOrAborted)
{
    MessageLog first;
    MessageLog second;
    Open(QStringLiteral("T6"), image);
    ASSERT_EQ(Send(QStringLiteral("play T6 from 2000 to 3900 notify"), &first), 0u);
    ASSERT_EQ(Send(QStringLiteral("play T6 from 5000 to 6500 notify"), &second), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !first.messages.isEmpty(); }));
    EXPECT_EQ(first.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_SUPERSEDED});

    ASSERT_TRUE(WaitUntil([&] { return Position(QStringLiteral("T6")) > 5100; }));
    ASSERT_EQ(Send(QStringLiteral("pause T6 wait")), 0u);
    EXPECT_EQ(Status(QStringLiteral("T6"), QStringLiteral("mode")), u"paused");
    ASSERT_TRUE(WaitUntil([&] { return !second.messages.isEmpty(); }));
    EXPECT_EQ(second.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_ABORTED});
    const int held = Position(QStringLiteral("T6"));
    EXPECT_GE(held, 5100);
    EXPECT_LT(held, 6500);

    // Playing on from the pause keeps the place; a stop aborts and keeps it too.
    second.messages.clear();
    ASSERT_EQ(Send(QStringLiteral("play T6 notify"), &second), 0u);
    EXPECT_EQ(Status(QStringLiteral("T6"), QStringLiteral("mode")), u"playing");
    EXPECT_GE(Position(QStringLiteral("T6")), held);
    ASSERT_EQ(Send(QStringLiteral("stop T6 wait")), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !second.messages.isEmpty(); }));
    EXPECT_EQ(second.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_ABORTED});
    EXPECT_EQ(Status(QStringLiteral("T6"), QStringLiteral("mode")), u"stopped");

    // Any other command sent with notify reports its success.
    MessageLog third;
    ASSERT_EQ(Send(QStringLiteral("seek T6 to start notify"), &third), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !third.messages.isEmpty(); }));
    EXPECT_EQ(third.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_SUCCESSFUL});
}

TEST_F(MciTest, TheImageDoorIsSharedByEveryAlias)
{
    MessageLog window;
    Open(QStringLiteral("T7"), image);
    Open(QStringLiteral("T7E"), image);
    ASSERT_EQ(Send(QStringLiteral("play T7 from 2000 notify"), &window), 0u);

    ASSERT_EQ(Send(QStringLiteral("set T7E door open wait")), 0u);
    EXPECT_EQ(Status(QStringLiteral("T7"), QStringLiteral("media present")), u"false");
    EXPECT_EQ(Status(QStringLiteral("T7"), QStringLiteral("mode")), u"open");
    EXPECT_EQ(Send(QStringLiteral("status T7 number of tracks wait")), MCIERR_DEVICE_NOT_READY);
    EXPECT_EQ(Send(QStringLiteral("play T7 from 2000 notify")), MCIERR_DEVICE_NOT_READY);
    ASSERT_TRUE(WaitUntil([&] { return !window.messages.isEmpty(); }));
    EXPECT_EQ(window.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_ABORTED});

    // Closing one alias leaves the door as it is for the next one opened.
    ASSERT_EQ(Send(QStringLiteral("close T7E wait")), 0u);
    opened.removeAll(QStringLiteral("T7E"));
    Open(QStringLiteral("T7F"), image);
    EXPECT_EQ(Status(QStringLiteral("T7F"), QStringLiteral("media present")), u"false");
    ASSERT_EQ(Send(QStringLiteral("set T7F door closed wait")), 0u);
    EXPECT_EQ(Status(QStringLiteral("T7"), QStringLiteral("media present")), u"true");
    EXPECT_EQ(Status(QStringLiteral("T7"), QStringLiteral("number of tracks")), u"3");
}

TEST_F(MciTest, ClosingTheAliasThatPlaysEndsTheSound)
{
    const int pipelines = platform::GstGraph::LivePipelines();
    MessageLog window;
    Open(QStringLiteral("T8"), image);
    Open(QStringLiteral("T8B"), image);
    ASSERT_EQ(Send(QStringLiteral("play T8 from 2000 notify"), &window), 0u);
    // Another alias closing does not touch the sound.
    ASSERT_EQ(Send(QStringLiteral("close T8B")), 0u);
    opened.removeAll(QStringLiteral("T8B"));
    EXPECT_EQ(Status(QStringLiteral("T8"), QStringLiteral("mode")), u"playing");
    ASSERT_EQ(Send(QStringLiteral("close T8 wait")), 0u);
    opened.removeAll(QStringLiteral("T8"));
    ASSERT_TRUE(WaitUntil([&] { return !window.messages.isEmpty(); }));
    EXPECT_EQ(window.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_ABORTED});
    EXPECT_EQ(Send(QStringLiteral("status T8 mode")), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_TRUE(WaitUntil([&] { return platform::GstGraph::LivePipelines() == pipelines; }));
}

TEST_F(MciTest, OpeningAgainSeesADiscChangedByHand)
{
    const QString swapped =
        cd_images::Write(dir.path(), QStringLiteral("swap"), std::vector<Track>(3, {Seconds(1)}));
    Open(QStringLiteral("T10"), swapped);
    EXPECT_EQ(Status(QStringLiteral("T10"), QStringLiteral("number of tracks")), u"3");
    ASSERT_EQ(Send(QStringLiteral("close T10")), 0u);
    opened.removeAll(QStringLiteral("T10"));
    ASSERT_EQ(cd_images::Write(dir.path(), QStringLiteral("swap"), std::vector<Track>(2, {Seconds(1)})),
              swapped);
    Open(QStringLiteral("T10"), swapped);
    EXPECT_EQ(Status(QStringLiteral("T10"), QStringLiteral("number of tracks")), u"2");
}

TEST_F(MciTest, ADiscThatGoesAwayDuringPlayEndsItWithAFailure)
{
    MessageLog window;
    const QString longer = cd_images::Write(dir.path(), QStringLiteral("long"), {{Seconds(6)}, {Seconds(1)}});
    Open(QStringLiteral("T9"), longer);
    ASSERT_EQ(Send(QStringLiteral("play T9 from 2000 to 7900 notify"), &window), 0u);
    ASSERT_TRUE(WaitUntil([&] { return Position(QStringLiteral("T9")) > 2100; }));
    // The samples vanish under the source, as a disc does whose drive is unplugged.
    QFile data(cd_images::DataFile(longer));
    ASSERT_TRUE(data.resize(2352 * 20));
    ASSERT_TRUE(WaitUntil([&] { return !window.messages.isEmpty(); }));
    EXPECT_EQ(window.Params(MM_MCINOTIFY), QList<WPARAM>{MCI_NOTIFY_FAILURE});
    EXPECT_LT(Position(QStringLiteral("T9")), 7900);
    EXPECT_EQ(Status(QStringLiteral("T9"), QStringLiteral("mode")), u"stopped");
}

} // namespace
