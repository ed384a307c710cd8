#include "WindowMessage.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>

#include <utility>
#include <vector>

namespace platform {

QEvent::Type WindowMessageEvent::Type()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostWindowMessage(QObject* target, unsigned message, WPARAM wParam, LPARAM lParam)
{
    if (target)
        QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
}

namespace {

struct HeldMessage
{
    QPointer<QObject> target;
    unsigned message;
    WPARAM wParam;
    LPARAM lParam;
};

int waitDepth = 0;
std::vector<HeldMessage> held;

} // namespace

BoundedWait::BoundedWait()
{
    ++waitDepth;
}

BoundedWait::~BoundedWait()
{
    if (--waitDepth > 0)
        return;
    for (const HeldMessage& m : std::exchange(held, {}))
        PostWindowMessage(m.target, m.message, m.wParam, m.lParam);
}

bool BoundedWait::InProgress()
{
    return waitDepth > 0;
}

void BoundedWait::Pause(int milliseconds)
{
    const BoundedWait wait;
    QEventLoop loop;
    QTimer::singleShot(std::max(milliseconds, 0), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void BoundedWait::Hold(QObject* target, const WindowMessageEvent& event)
{
    held.push_back({target, event.message, event.wParam, event.lParam});
}

uint16_t AtomTable::Add(const QString& text)
{
    for (auto& [atom, value] : atoms) {
        if (value.text == text) {
            ++value.references;
            return atom;
        }
    }
    while (next == 0 || atoms.count(next))
        next = next == 0xFFFF ? 0xC000 : next + 1;
    const uint16_t atom = next;
    // After 0xFFFF comes 0xC000 again, never 0 and the numbers below the atom range.
    next = next == 0xFFFF ? 0xC000 : next + 1;
    atoms.emplace(atom, Atom{text, 1});
    return atom;
}

QString AtomTable::Get(uint16_t atom) const
{
    const auto it = atoms.find(atom);
    return it == atoms.end() ? QString() : it->second.text;
}

void AtomTable::Delete(uint16_t atom)
{
    const auto it = atoms.find(atom);
    if (it != atoms.end() && --it->second.references == 0)
        atoms.erase(it);
}

} // namespace platform
