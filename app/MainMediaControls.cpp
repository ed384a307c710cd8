// The main window as the desktop's media controls see it: what the main player plays and the
// commands they may give, carried out as the window's own buttons and menu would.

#include "SorlinDlg.h"

#include "Commands.h"
#include "MprisService.h"
#include "platform/WindowMessage.h"

#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The window's volume, in hundredths of a decibel (-10000 silent to 0 full), and the
// desktop's, from 0 to 1 on a linear scale of amplitude.
constexpr long kSilentLevel = -10000;

double DesktopVolume(long level)
{
    return level <= kSilentLevel ? 0.0 : std::pow(10.0, static_cast<double>(level) / 2000.0);
}

long WindowVolume(double volume)
{
    if (volume <= 0.0)
        return kSilentLevel;
    return std::clamp(std::lround(2000.0 * std::log10(volume)), kSilentLevel, 0L);
}

} // namespace

// Whether a call from the desktop may reach the player now: not while a tick, the end or a
// wait for the media process is under way, inside which the player is in the middle of
// something (a call from the bus arrives through the wait's own event loop).
bool CSorlinDlg::PlayerReachable() const
{
    return !busy && !destroyed && !platform::BoundedWait::InProgress();
}

void CSorlinDlg::StartMediaControls()
{
    if (mpris)
        return;
    auto service = std::make_unique<MprisService>(static_cast<MediaControls&>(*this));
    if (service->Register(QDBusConnection::sessionBus()))
        mpris = std::move(service);
}

MediaControlsState CSorlinDlg::ControlsState()
{
    MediaControlsState state;
    const CState<PlayerState>& now = player.GetState();
    const ItemKind kind = player.GetKind();
    if (now.IsPlaying())
        state.status = MediaControlsState::Status::kPlaying;
    else if (now.Is(PlayerState::kPaused))
        state.status = MediaControlsState::Status::kPaused;
    if (kind != ItemKind::kNone) {
        state.index = player.Current();
        state.item = player.CurrentItem();
        state.title = player.GetDisplayTitle().trimmed();
        state.position = now.IsLoaded() ? player.Position() : -1;
        // The engine is asked once an item, and again while it does not know yet.
        if ((state.item != lengthItem || lengthMs < 0) && PlayerReachable()) {
            lengthItem = state.item;
            lengthMs = player.ItemLength();
        }
        state.length = lengthMs;
    }
    const bool listed = !player.Items().isEmpty();
    state.canPlay = kind != ItemKind::kNone || listed || !player.Source().isEmpty();
    state.canPause = now.CanPause() && kind != ItemKind::kNone;
    state.canSeek = now.IsLoaded() &&
                    (kind == ItemKind::kMediaFile || kind == ItemKind::kVideoCd || kind == ItemKind::kDvd);
    state.canGoNext = listed && (player.HasNext() || settings.repeat);
    state.canGoPrevious = listed && (player.HasPrevious() || settings.repeat);
    state.shuffle = settings.random;
    state.repeat = settings.repeat;
    state.volume = DesktopVolume(volume);
    return state;
}

qint64 CSorlinDlg::CurrentPosition()
{
    if (!player.GetState().IsLoaded())
        return -1;
    // The place the last tick found, when the engine cannot be asked now.
    return PlayerReachable() ? player.GetPosition() : player.Position();
}

void CSorlinDlg::Transport(Command command)
{
    // A call that comes while the window is in the middle of something is not carried out, as
    // a button press would not be then.
    if (!PlayerReachable())
        return;
    switch (command) {
    case Command::kPlay:
        if (!player.GetState().IsPlaying())
            OnCommand(ID_PLAY);
        break;
    case Command::kPause:
        if (player.GetState().IsPlaying())
            OnCommand(ID_PAUSE);
        break;
    case Command::kPlayPause:
        OnCommand(player.GetState().IsPlaying() ? ID_PAUSE : ID_PLAY);
        break;
    case Command::kStop:
        if (player.GetState().CanStop())
            OnCommand(ID_STOP);
        break;
    case Command::kNext:
        OnCommand(ID_NEXT);
        break;
    case Command::kPrevious:
        OnCommand(ID_PREVIOUS);
        break;
    }
}

bool CSorlinDlg::SeekTo(qint64 ms)
{
    if (!PlayerReachable() || ms < 0 || ms > INT_MAX || !player.GetState().IsLoaded())
        return false;
    return player.Seek(static_cast<int>(ms));
}

bool CSorlinDlg::OpenLocation(const QString& location)
{
    if (destroyed || location.isEmpty())
        return false;
    if (!location.contains(QStringLiteral("://")) && !QFileInfo::exists(location))
        return false;
    OnHandOver(location);
    return true;
}

void CSorlinDlg::SetShuffle(bool on)
{
    if (PlayerReachable() && settings.random != on)
        SetListOrder(on, settings.repeat);
}

void CSorlinDlg::SetRepeat(bool on)
{
    if (PlayerReachable() && settings.repeat != on)
        SetListOrder(settings.random, on);
}

void CSorlinDlg::SetListOrder(bool random, bool repeat)
{
    settings.random = random;
    settings.repeat = repeat;
    CMediaPlayer::PlaySettings values = player.GetPlaySettings();
    values.random = random;
    values.repeat = repeat;
    player.ApplyPlaySettings(values, true);
    SaveSettingsNow();
}

void CSorlinDlg::SetVolume(double level)
{
    if (!PlayerReachable())
        return;
    volume = WindowVolume(level);
    player.SetVolume(volume);
}

void CSorlinDlg::Raise()
{
    BringToForeground();
}

void CSorlinDlg::Quit()
{
    CloseFromOutside();
}
