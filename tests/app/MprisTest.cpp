// The main player's state as the desktop's media controls read it: the status, the item's
// track id, address and length in the bus's units, repeat and random.

#include "app/MprisService.h"

#include <QDBusObjectPath>

#include <gtest/gtest.h>

namespace {

TEST(MprisTest, ThePlayersStateBecomesTheDesktopsProperties)
{
    MediaControlsState none;
    MediaControlsState file;
    file.status = MediaControlsState::Status::kPlaying;
    file.index = 3;
    file.item = QStringLiteral("/home/u/音楽/01 - Intro #1.mp3");
    file.title = QStringLiteral("Intro");
    file.length = 30190;
    file.repeat = true;
    file.shuffle = true;
    MediaControlsState address;
    address.status = MediaControlsState::Status::kPaused;
    address.index = 0;
    address.item = QStringLiteral("http://127.0.0.1:8080/list/a.mp3");
    address.title = QStringLiteral("a");
    const struct
    {
        const char* what;
        MediaControlsState state;
        QString status, loop, trackId, url;
        qint64 lengthUs; // -1: none given
        bool shuffle;
    } cases[] = {
        {"nothing open", none, "Stopped", "None", "/org/mpris/MediaPlayer2/TrackList/NoTrack", "", -1, false},
        {"a file playing", file, "Playing", "Playlist", "/org/sorlin/Sorlin/Track/3",
         "file:///home/u/%E9%9F%B3%E6%A5%BD/01%20-%20Intro%20%231.mp3", 30190000, true},
        {"an address paused", address, "Paused", "None", "/org/sorlin/Sorlin/Track/0",
         "http://127.0.0.1:8080/list/a.mp3", -1, false},
    };
    for (const auto& c : cases) {
        const QVariantMap properties = MprisService::PlayerProperties(c.state);
        EXPECT_EQ(properties.value(QStringLiteral("PlaybackStatus")).toString(), c.status) << c.what;
        EXPECT_EQ(properties.value(QStringLiteral("LoopStatus")).toString(), c.loop) << c.what;
        EXPECT_EQ(properties.value(QStringLiteral("Shuffle")).toBool(), c.shuffle) << c.what;
        const QVariantMap metadata = properties.value(QStringLiteral("Metadata")).toMap();
        EXPECT_EQ(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(), c.trackId)
            << c.what;
        EXPECT_EQ(metadata.value(QStringLiteral("xesam:url")).toString(), c.url) << c.what;
        EXPECT_EQ(metadata.contains(QStringLiteral("xesam:title")), !c.state.item.isEmpty()) << c.what;
        EXPECT_EQ(metadata.value(QStringLiteral("mpris:length"), -1).toLongLong(), c.lengthUs) << c.what;
        EXPECT_FALSE(properties.contains(QStringLiteral("Position"))) << "asked for, not signalled";
    }
}

} // namespace
