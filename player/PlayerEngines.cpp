#include "PlayerEngines.h"

PlayerEngines::PlayerEngines(const platform::DriveTable& drives) : media(drives), dvd(drives), cd(drives) {}

CMedia* PlayerEngines::Graph(ItemKind kind)
{
    switch (kind) {
    case ItemKind::kDvd:
        return &dvd;
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        return &media;
    default:
        return nullptr;
    }
}

void PlayerEngines::SuppressScreenSaver(bool on)
{
    if (on) {
        screenSaverSuppressed =
            screenSaver.Inhibit(QStringLiteral("Sorlin"), QStringLiteral("video playing"));
    } else if (screenSaverSuppressed) {
        screenSaver.Release();
        screenSaverSuppressed = false;
    }
}

bool PlayerEngines::Play(ItemKind kind, int track, int position)
{
    if (kind == ItemKind::kCdTrack) {
        cd.PauseDevice();
        return cd.PlayTrack(track, position);
    }
    CMedia* graph = Graph(kind);
    if (!graph)
        return false;
    SuppressScreenSaver(true);
    return graph->Play();
}

void PlayerEngines::Pause(ItemKind kind)
{
    if (kind == ItemKind::kCdTrack) {
        cd.PauseDevice();
    } else if (CMedia* graph = Graph(kind)) {
        SuppressScreenSaver(false);
        graph->Pause();
    }
}

void PlayerEngines::Stop(ItemKind kind)
{
    if (kind == ItemKind::kCdTrack) {
        cd.StopIfActive();
    } else if (CMedia* graph = Graph(kind)) {
        SuppressScreenSaver(false);
        graph->Stop();
        graph->SetFullScreen(false, true);
    }
}

void PlayerEngines::Close(ItemKind kind)
{
    if (kind == ItemKind::kCdTrack) {
        cd.CloseDisc();
    } else if (CMedia* graph = Graph(kind)) {
        SuppressScreenSaver(false);
        graph->SetFullScreen(false, true);
        graph->Close();
    }
}

void PlayerEngines::Navigate(ItemKind kind, NavigationKey key, double step)
{
    if (kind == ItemKind::kCdTrack)
        cd.Skip(step);
    else if (kind == ItemKind::kDvd)
        dvd.MenuKey(key, step);
    else if (CMedia* graph = Graph(kind))
        graph->SetRate(step);
}

bool PlayerEngines::Seek(ItemKind kind, int ms, int title)
{
    CMedia* graph = Graph(kind);
    return graph && graph->Seek(ms, title);
}

void PlayerEngines::SetFullScreen(bool on)
{
    media.SetFullScreen(on, false);
    dvd.SetFullScreen(on, false);
}

bool PlayerEngines::IsFullScreen(ItemKind kind)
{
    CMedia* graph = Graph(kind);
    return graph && graph->IsFullScreen();
}

void PlayerEngines::ShowCursor(ItemKind kind, bool hide)
{
    CMedia* graph = Graph(kind);
    dvd.HideCursor(hide && graph == &dvd);
    media.HideCursor(hide && graph == &media);
}

void PlayerEngines::SetVolume(ItemKind kind, long level)
{
    if (CMedia* graph = Graph(kind))
        graph->SetVolume(level);
}

void PlayerEngines::GetFilterNames(ItemKind kind, QStringList* names, int* count)
{
    if (CMedia* graph = Graph(kind))
        graph->GetFilterNames(names, count);
}

void PlayerEngines::ShowFilterProperties(ItemKind kind, int n)
{
    if (CMedia* graph = Graph(kind))
        graph->ShowFilterProperties(n);
}

void PlayerEngines::HandleGraphEvent(ItemKind kind)
{
    if (CMedia* graph = Graph(kind))
        graph->HandleGraphEvent();
}
