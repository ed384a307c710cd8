#pragma once
// Window messages between parts of the program: a message number with two parameters,
// posted as an event to the window's QObject and dispatched through a message map table.
// PostWindowMessage may be called from any thread; handlers run on the receiver's thread.

#include <QEvent>
#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <span>

namespace platform {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

class WindowMessageEvent : public QEvent
{
public:
    WindowMessageEvent(unsigned message, WPARAM wParam, LPARAM lParam)
        : QEvent(Type()), message(message), wParam(wParam), lParam(lParam)
    {}
    static QEvent::Type Type();

    const unsigned message;
    const WPARAM wParam;
    const LPARAM lParam;
};

void PostWindowMessage(QObject* target, unsigned message, WPARAM wParam = 0, LPARAM lParam = 0);

// A bounded wait of the UI thread for another process (the media process). The event loop runs
// meanwhile, so windows paint and timers fire, but a handler must not run while the program's
// state is half changed: window messages that reach DispatchWindowMessage during a wait are
// held back and posted again, in the order they came, once the outermost wait has ended.
class BoundedWait
{
public:
    BoundedWait();
    ~BoundedWait();
    BoundedWait(const BoundedWait&) = delete;
    BoundedWait& operator=(const BoundedWait&) = delete;

    // True while any wait is in progress.
    static bool InProgress();
    // Keeps `event` for `target` until the waits are over.
    static void Hold(QObject* target, const WindowMessageEvent& event);
    // Lets `milliseconds` pass as such a wait: instead of sleeping, the UI thread goes on
    // painting and ticking (without user input) until a timer ends it.
    static void Pause(int milliseconds);
};

// One row of a message map: the handler of `message` on an `Owner`.
template <typename Owner> struct MessageMapEntry
{
    unsigned message;
    LRESULT (Owner::*handler)(WPARAM, LPARAM);
};

// Calls the handler that `map` lists for the event's message. False when none does.
template <typename Owner>
bool DispatchWindowMessage(Owner* owner, std::span<const MessageMapEntry<Owner>> map,
                           const WindowMessageEvent& event, LRESULT* result = nullptr)
{
    if (BoundedWait::InProgress()) {
        BoundedWait::Hold(owner, event);
        return true;
    }
    for (const auto& entry : map) {
        if (entry.message == event.message) {
            const LRESULT r = (owner->*entry.handler)(event.wParam, event.lParam);
            if (result)
                *result = r;
            return true;
        }
    }
    return false;
}

// Atoms: short texts handed along with a message by number. Added by the sender's side,
// read and deleted by the handler. Numbers start at 0xC000 as global atoms do; 0 is none.
// Adding a text that is held already gives its atom again and counts one more reference.
class AtomTable
{
public:
    uint16_t Add(const QString& text);
    // The text of `atom`, or a null string when there is none.
    QString Get(uint16_t atom) const;
    void Delete(uint16_t atom);
    std::size_t Size() const { return atoms.size(); }

private:
    struct Atom
    {
        QString text;
        int references;
    };
    std::map<uint16_t, Atom> atoms;
    uint16_t next = 0xC000;
};

} // namespace platform
