#pragma once
// PlayerScene: sets a player controller's list, state and kind directly, for the tests and
// benchmarks that need a scene no source on this machine makes (a download under way, a DVD
// with given prohibited operations, ten thousand items).

#include "player/MediaPlayer.h"

#include <QString>
#include <QStringList>

class PlayerScene
{
public:
    explicit PlayerScene(CMediaPlayer& player) : player(player) {}

    // `items`, with item `current` (-1 for none) the current one.
    void SetList(const QStringList& items, int current)
    {
        player.list.items = items;
        player.list.current = current;
        player.currentItem = current >= 0 && current < items.size() ? items[current] : QString();
    }
    // Where the list came from: `flags` of the kSource... values.
    void SetSource(const QString& path, int flags)
    {
        player.source = path;
        player.sourceFlags = flags;
    }
    void SetState(PlayerState state) { player.state.Set(state); }
    void SetKind(ItemKind kind) { player.kind = kind; }
    void SetRepeat(bool on) { player.repeat = on; }
    CDVDMedia& Dvd() { return player.engines.Dvd(); }
    CMCICD& Cd() { return player.engines.Cd(); }

private:
    CMediaPlayer& player;
};
