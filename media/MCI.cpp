#include "MCI.h"

#include "platform/MessageBox.h"
#include "platform/proxy/MciProxy.h"

#include <QWidget>

namespace {

// MCI's reply buffers hold 513 characters with the terminator.
constexpr int kReplyLength = 512;

} // namespace

bool CMCI::SendCommand(const QString& command, QString* reply, bool showError)
{
    QString text;
    const unsigned error = platform::mciSendString(command, &text, notifyWnd.data());
    if (reply)
        *reply = text.left(kReplyLength);
    if (error == 0)
        return true;
    QString message;
    platform::mciGetErrorString(error, &message);
    if (lastError == 0) {
        lastError = static_cast<int>(error);
        if (showError)
            platform::ShowMessageBox(qobject_cast<QWidget*>(notifyWnd.data()), message.left(kReplyLength));
    }
    return false;
}

int CMCI::QueryPosition()
{
    if (!state.IsLoaded())
        return -1;
    QString reply;
    if (!SendCommand(QStringLiteral("status %1 position wait").arg(alias), &reply, true))
        return -1;
    bool ok = false;
    const int position = reply.toInt(&ok);
    return ok ? position : -1;
}

bool CMCI::PlayRange(int from, int to)
{
    if (!state.CanPlay())
        return false;
    QString command;
    if (from == -1 && to == -1)
        command = QStringLiteral("play %1 to end notify").arg(alias);
    else if (to == -1)
        command = QStringLiteral("play %1 from %2 to end notify").arg(alias).arg(from);
    else if (from == -1)
        command = QStringLiteral("play %1 to %2 notify").arg(alias).arg(to);
    else
        command = QStringLiteral("play %1 from %2 to %3 notify").arg(alias).arg(from).arg(to);
    const bool result = SendCommand(command, nullptr, true);
    state.Set(CdState::kPlaying);
    playEnd = to;
    return result;
}

bool CMCI::PauseDevice()
{
    if (!state.CanPause())
        return false;
    const bool result = SendCommand(QStringLiteral("pause %1 wait").arg(alias), nullptr, true);
    state.Set(CdState::kPaused);
    return result;
}

bool CMCI::SeekTo(int ms)
{
    if (!state.IsLoaded())
        return false;
    QString command;
    if (ms == 0)
        command = QStringLiteral("seek %1 to start wait").arg(alias);
    else if (ms == -1)
        command = QStringLiteral("seek %1 to end wait").arg(alias);
    else
        command = QStringLiteral("seek %1 to %2 wait").arg(alias).arg(ms);
    return SendCommand(command, nullptr, true);
}

bool CMCI::StopDevice()
{
    if (!state.CanStop())
        return false;
    SendCommand(QStringLiteral("stop %1 wait").arg(alias), nullptr, true);
    const bool result = SeekTo(0);
    state.Set(CdState::kStopped);
    return result;
}

bool CMCI::CloseDevice()
{
    StopDevice();
    // A device that was never opened is not closed: the error of that close would be the
    // first of the object's life and take the place of the first real one.
    const bool result =
        !deviceOpen || SendCommand(QStringLiteral("close %1 wait").arg(alias), nullptr, false);
    deviceOpen = false;
    state.Set(CdState::kDeviceClosed);
    return result;
}

bool CMCI::StopIfActive()
{
    if (!state.CanStop())
        return false;
    return StopDevice();
}

void CMCI::OnNotify(platform::WPARAM flags, platform::LPARAM)
{
    currentTrack = -1;
    trackEnded = flags == platform::MCI_NOTIFY_SUCCESSFUL ? TrackEnd::kCompleted : TrackEnd::kInterrupted;
}
