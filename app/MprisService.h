#pragma once
// MprisService: the main player on the session bus as "org.mpris.MediaPlayer2.sorlin", with
// the MPRIS root and Player interfaces at /org/mpris/MediaPlayer2, so that media keys, the
// desktop's sound menu and playerctl see and drive it. It asks nothing of its own accord: the
// main window calls Refresh at its tick and after each command, and what changed since is
// signalled (PropertiesChanged; Seeked when the place jumped). Without a session bus, or when
// the name is taken, it stays off the bus and the program goes on as before.
//
// UI thread only: the bus delivers calls through the UI thread's event loop.

#include "MediaControls.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantMap>

class MprisService : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.sorlin";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(MediaControls& controls, QObject* parent = nullptr);
    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    // Puts the player on `bus`; false (and nothing on the bus) when it cannot.
    bool Register(QDBusConnection bus);
    // Signals what changed since the last call.
    void Refresh();

    // The Player interface's properties as they stand in `state`, without Position.
    static QVariantMap PlayerProperties(const MediaControlsState& state);
    // The track id the desktop names the current item by ("/org/sorlin/Sorlin/Track/3"), or
    // MPRIS's "no track" path.
    static QString TrackId(const MediaControlsState& state);

    // What the adaptors ask and do; see the MPRIS specification's Player interface.
    MediaControls& Controls() { return controls; }
    const MediaControlsState& Current() const { return last; }
    // Moves to `ms`, clamped at the start; past the end the next item plays. Signals Seeked.
    void SeekTo(qint64 ms);
    // Sends `reply` (to a call answered late) on the bus the service is on.
    void Reply(const QDBusMessage& reply);

signals:
    // The Player interface's Seeked signal, in microseconds.
    void Seeked(qint64 position);

private:
    void EmitChanged(const QString& interfaceName, const QVariantMap& changed);

    MediaControls& controls;
    QDBusConnection bus{QString()};
    bool registered = false;
    MediaControlsState last;
    QElapsedTimer sinceLast;
};
