#include "HookedPageKeys.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>

HookedPageKeys::HookedPageKeys(QObject* parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

HookedPageKeys::~HookedPageKeys()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool HookedPageKeys::Holds(const Times& times, uint32_t time)
{
    return time != 0 && std::find(times.begin(), times.end(), time) != times.end();
}

void HookedPageKeys::Note(Times& times, size_t& next, uint32_t time)
{
    if (time == 0 || Holds(times, time))
        return;
    times[next] = time;
    next = (next + 1) % times.size();
}

bool HookedPageKeys::TakeFromHook(uint32_t time)
{
    if (time == 0)
        return QApplication::activeWindow() == nullptr;
    if (Holds(seenByWindows, time))
        return false;
    Note(takenByHook, nextTaken, time);
    return true;
}

bool HookedPageKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_PageUp && key->key() != Qt::Key_PageDown)
        return false;
    const auto time = static_cast<uint32_t>(key->timestamp());
    if (Holds(takenByHook, time))
        return true;
    Note(seenByWindows, nextSeen, time);
    return false;
}
