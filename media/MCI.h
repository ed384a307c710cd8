#pragma once
// CMCI: one MCI device addressed by its alias. It sends command strings, keeps the playback
// state and takes the device's completion notifications (MM_MCINOTIFY, which the owner of the
// notify window routes to OnNotify). UI thread only; positions are milliseconds.

#include "State.h"
#include "platform/WindowMessage.h"

#include <QPointer>
#include <QString>

class QObject;

// How the last play range ended, as its notification said.
enum class TrackEnd : int
{
    kNotYet = 0,
    kCompleted = 1,   // the range played to its end
    kInterrupted = 2, // paused, stopped or superseded
};

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
    TrackEnd TrackEnded() const { return trackEnded; }
    void ResetTrackEnded() { trackEnded = TrackEnd::kNotYet; }
    int LastError() const { return lastError; }

protected:
    CState<CdState> state;
    TrackEnd trackEnded = TrackEnd::kNotYet;
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
