#pragma once
// CMCI: one MCI device addressed by its alias. It sends command strings, keeps the playback
// state and takes the device's completion notifications (MM_MCINOTIFY, which the owner of the
// notify window routes to OnNotify). UI thread only; positions are milliseconds.

#include "State.h"
#include "platform/WindowMessage.h"

#include <QPointer>
#include <QString>

class QObject;

class CMCI
{
public:
    CMCI() = default;
    virtual ~CMCI() = default;
    CMCI(const CMCI&) = delete;
    CMCI& operator=(const CMCI&) = delete;

    // Sends `command` (notifications go to notifyWnd). Only the first error of this object's
    // life is kept in lastError and, with `showError`, shown in a message box.
    bool SendCommand(const QString& command, QString* reply, bool showError);
    int QueryPosition();
    // Plays from `from` to `to` (-1: from the current position / to the end) with notify.
    bool PlayRange(int from, int to);
    bool PauseDevice();
    // 0 seeks to the start, -1 to the end.
    bool SeekTo(int ms);
    bool StopDevice();
    bool CloseDevice();
    bool StopIfActive();
    void OnNotify(platform::WPARAM flags, platform::LPARAM deviceId);

    CdState GetState() const { return state.Get(); }
    int TrackEnded() const { return trackEnded; }
    void ResetTrackEnded() { trackEnded = 0; }
    int LastError() const { return lastError; }

protected:
    CState<CdState> state;
    int trackEnded = 0; // 1 the range ended normally, 2 the play ended otherwise
    int lastError = 0;
    int playEnd = -1;
    int lastPosition = -1;
    int currentTrack = -1;
    // A bare device has no type of its own; CMCICD sets "CDAUDIO".
    QString deviceType = QStringLiteral("XXX");
    QString alias = QStringLiteral("XX");
    QPointer<QObject> notifyWnd;
    bool deviceOpen = false; // the alias is open on the device
};
