#include "ContextMenu.h"

#include "Commands.h"
#include "player/MediaPlayer.h"
#include "res/Menu.h"

#include <QMenu>

#include <algorithm>
#include <vector>

namespace {

// Where menu 130 keeps its submenus.
constexpr int kJumpPosition = 14;
constexpr int kDvdMenuPosition = 26;
constexpr int kSubpicturePosition = 29;
constexpr int kAudioPosition = 30;
constexpr int kAnglePosition = 31;
constexpr int kPropertiesPosition = 33;

// All of the show-menu operations.
constexpr unsigned long kUopShowAnyMenu =
    kUopShowTitleMenu | kUopShowSubpictureMenu | kUopShowAudioMenu | kUopShowAngleMenu | kUopShowChapterMenu;

// The engine reports a list it cannot deliver with a count at its limit.
constexpr unsigned kSubpictureLimit = 32;
constexpr unsigned kAudioLimit = 8;
constexpr unsigned kAngleLimit = 9;
constexpr int kMaxFilters = 9;

QAction* AddCommand(QMenu* menu, int id, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setData(id);
    return action;
}

std::unique_ptr<QMenu> LoadMenu(int id, QWidget* parent)
{
    auto root = std::make_unique<QMenu>(parent);
    std::vector<QMenu*> open{root.get()};
    for (const res::MenuEntry& entry : res::LoadMenu(id)) {
        QMenu* menu = open.back();
        switch (entry.type) {
        case res::MenuEntry::kCommand:
            AddCommand(menu, entry.id, QString::fromUtf8(entry.text));
            break;
        case res::MenuEntry::kSeparator:
            menu->addSeparator();
            break;
        case res::MenuEntry::kPopup:
            open.push_back(menu->addMenu(QString::fromUtf8(entry.text)));
            break;
        case res::MenuEntry::kEnd:
            if (open.size() > 1)
                open.pop_back();
            break;
        }
    }
    return root;
}

QMenu* Submenu(const QMenu& menu, int position)
{
    const QList<QAction*> actions = menu.actions();
    return position < actions.size() ? actions[position]->menu() : nullptr;
}

void EnableSubmenu(QMenu* submenu, bool on)
{
    if (submenu)
        submenu->menuAction()->setEnabled(on);
}

void Enable(const QMenu& menu, int id, bool on)
{
    if (QAction* action = FindCommand(menu, id))
        action->setEnabled(on);
}

void SetChecked(QAction* action, bool on)
{
    action->setCheckable(true);
    action->setChecked(on);
}

void Check(const QMenu& menu, int id, bool on)
{
    if (QAction* action = FindCommand(menu, id))
        SetChecked(action, on);
}

void ApplyStopwatch(const QMenu& menu, Stopwatch::State state)
{
    Enable(menu, ID_STOPWATCH_START, state == Stopwatch::kIdle);
    Enable(menu, ID_STOPWATCH_STOP, state == Stopwatch::kRunning);
    Enable(menu, ID_STOPWATCH_RELEASE, state == Stopwatch::kStopped);
}

void ApplyTransport(const QMenu& menu, const CMediaPlayer& player)
{
    // An item that is opened but not started leaves every transport item as the menu has it.
    if (player.GetState().Is(PlayerState::kOpened))
        return;
    const bool playing = player.GetState().Is(PlayerState::kPlaying);
    const bool paused = player.GetState().Is(PlayerState::kPaused);
    const bool several = player.Items().size() >= 2;
    const bool wraps = player.IsDiscPlayerMode() || player.Repeats();

    Enable(menu, ID_EJECT, true);
    Enable(menu, ID_PLAY, !playing);
    Enable(menu, ID_PAUSE, playing);
    Enable(menu, ID_STOP, playing || paused);
    Enable(menu, ID_CLOSE, playing || paused);
    Enable(menu, ID_PREVIOUS, (playing || paused) && (player.HasPrevious() || wraps));
    Enable(menu, ID_NEXT, (playing || paused) && (player.HasNext() || wraps));
    if (playing) {
        Enable(menu, ID_FIRST, several && player.HasPrevious());
        Enable(menu, ID_LAST, several && player.HasNext());
    } else {
        Enable(menu, ID_FIRST, paused && several);
        Enable(menu, ID_LAST, paused && several);
    }
    Enable(menu, ID_REWIND, playing);
    Enable(menu, ID_FAST_FORWARD, playing);
}

void ApplyDvdCommands(const QMenu& menu, bool dvd, unsigned long uops)
{
    for (int id : {ID_PREVIOUS_TITLE, ID_DOWN, ID_UP, ID_NEXT_TITLE, ID_DVD_ROOT_MENU})
        Enable(menu, id, dvd);
    const bool anyMenu = dvd && (uops & kUopShowAnyMenu) != kUopShowAnyMenu;
    EnableSubmenu(Submenu(menu, kDvdMenuPosition), anyMenu);
    Enable(menu, ID_DVD_CHAPTER_MENU, anyMenu && !(uops & kUopShowChapterMenu));
    Enable(menu, ID_DVD_TITLE_MENU, anyMenu && !(uops & kUopShowTitleMenu));
    Enable(menu, ID_DVD_SUBPICTURE_MENU, anyMenu && !(uops & kUopShowSubpictureMenu));
    Enable(menu, ID_DVD_AUDIO_MENU, anyMenu && !(uops & kUopShowAudioMenu));
    Enable(menu, ID_DVD_ANGLE_MENU, anyMenu && !(uops & kUopShowAngleMenu));
}

void ApplyChecks(const QMenu& menu, const ContextMenuState& state)
{
    for (int id = ID_DECODE_FIRST; id <= ID_DECODE_LAST; ++id)
        Check(menu, id, id - ID_DECODE_FIRST == state.decodeMode);
    Check(menu, ID_NO_VPE, state.noVpe);
    Check(menu, ID_CLOSED_CAPTION, state.closedCaptions);
    Check(menu, ID_SUBPICTURE_OFF, !state.subpictureOn);
    Check(menu, ID_FULL_SCREEN, state.fullScreen);
}

void FillJumpList(QMenu* jump, CMediaPlayer& player)
{
    jump->clear();
    QString current, source;
    int flags = 0;
    const QStringList& items = player.GetItems(&current, &source, &flags);
    const int count = static_cast<int>(std::min<qsizetype>(items.size(), kMaxJumpEntries));
    for (int n = 0; n < count; ++n) {
        const QString& item = items[n];
        const QString title = player.GetItemTitle(item, true);
        QAction* action = AddCommand(jump, ID_JUMP_FIRST + n, title.isEmpty() ? item : title);
        if (item == current)
            SetChecked(action, true);
    }
}

void FillSubpictures(QMenu* submenu, CMediaPlayer& player, ContextMenuState& state)
{
    QStringList names;
    unsigned count = 0;
    unsigned long current = 0;
    bool disabled = false;
    player.Dvd().GetSubpictureStreams(&names, &count, &current, &disabled);
    if (count >= kSubpictureLimit)
        count = 0;
    state.subpictureCount = count;
    if (count == 0)
        return;
    state.subpictureOn = !disabled;
    if (QAction* off = FindCommand(*submenu, ID_SUBPICTURE_OFF))
        SetChecked(off, disabled);
    state.subpictureStream = static_cast<int>(current);
    for (unsigned n = 0; n < count; ++n) {
        QAction* action = AddCommand(submenu, ID_SUBPICTURE_FIRST + static_cast<int>(n), names.value(n));
        SetChecked(action, n == current && state.subpictureOn);
    }
}

void FillAudio(QMenu* submenu, CMediaPlayer& player, ContextMenuState& state)
{
    submenu->clear();
    QStringList names;
    unsigned count = 0;
    unsigned long current = 0;
    player.Dvd().GetAudioStreams(&names, &count, &current);
    if (count >= kAudioLimit)
        count = 0;
    state.audioCount = count;
    if (count == 0)
        return;
    state.audioStream = static_cast<int>(current);
    for (unsigned n = 0; n < count; ++n)
        SetChecked(AddCommand(submenu, ID_AUDIO_FIRST + static_cast<int>(n), names.value(n)), n == current);
}

void FillAngles(QMenu* submenu, CMediaPlayer& player, ContextMenuState& state)
{
    submenu->clear();
    QStringList names;
    unsigned count = 0;
    int current = 0;
    player.Dvd().GetAngles(&names, &count, &current);
    if (count >= kAngleLimit)
        count = 0;
    state.angleCount = count;
    if (count == 0)
        return;
    state.angle = current;
    for (unsigned n = 0; n < count; ++n) {
        const int index = static_cast<int>(n);
        SetChecked(AddCommand(submenu, ID_ANGLE_FIRST + index, names.value(index)), index == current);
    }
}

void FillStreams(const QMenu& menu, CMediaPlayer& player, unsigned long uops, ContextMenuState& state)
{
    const struct
    {
        int position;
        unsigned long forbidden;
        void (*fill)(QMenu*, CMediaPlayer&, ContextMenuState&);
    } lists[] = {
        {kSubpicturePosition, kUopSelectSubpicture, FillSubpictures},
        {kAudioPosition, kUopSelectAudio, FillAudio},
        {kAnglePosition, kUopSelectAngle, FillAngles},
    };
    for (const auto& list : lists) {
        QMenu* submenu = Submenu(menu, list.position);
        if (!submenu)
            continue;
        if (uops & list.forbidden)
            EnableSubmenu(submenu, false);
        else
            list.fill(submenu, player, state);
    }
}

void FillProperties(QMenu* submenu, CMediaPlayer& player, ContextMenuState& state)
{
    submenu->clear();
    QStringList names;
    int count = 0;
    player.GetFilterNames(&names, &count);
    if (count > kMaxFilters || count < 0)
        count = 0;
    state.filterCount = count;
    for (int n = 0; n < count; ++n)
        AddCommand(submenu, ID_PROPERTIES_FIRST + n, names.value(n));
}

} // namespace

std::unique_ptr<QMenu> BuildContextMenu(CMediaPlayer& player, ContextMenuState& state, QWidget* parent)
{
    std::unique_ptr<QMenu> menu = LoadMenu(res::kMenuContext, parent);
    ApplyStopwatch(*menu, state.stopwatch);
    ApplyTransport(*menu, player);
    Enable(*menu, ID_OPEN, true);
    const bool dvd = player.GetKind() == ItemKind::kDvd;
    const unsigned long uops = dvd ? player.Dvd().GetValidUops() : 0;
    ApplyDvdCommands(*menu, dvd, uops);
    ApplyChecks(*menu, state);

    if (QMenu* jump = Submenu(*menu, kJumpPosition))
        FillJumpList(jump, player);
    if (dvd) {
        FillStreams(*menu, player, uops, state);
    } else {
        for (int position : {kSubpicturePosition, kAudioPosition, kAnglePosition})
            EnableSubmenu(Submenu(*menu, position), false);
    }
    if (QMenu* properties = Submenu(*menu, kPropertiesPosition))
        FillProperties(properties, player, state);
    return menu;
}

QAction* FindCommand(const QMenu& menu, int id)
{
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu()) {
            if (QAction* found = FindCommand(*submenu, id))
                return found;
        } else if (!action->isSeparator() && action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}
