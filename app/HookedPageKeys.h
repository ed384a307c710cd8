#pragma once
// The keyboard hook sees every PageUp and PageDown of the desktop, those typed into the
// program's own windows too, which reach the window as its own keys as well. One press must move
// the list once: the hook's report and the window's key event of the same press carry the same
// display-server time, and whichever comes second is dropped. A report without a time (a hook
// library that does not give it) counts only while none of the program's windows is active.
// UI thread only.

#include <QObject>

#include <array>
#include <cstdint>

class HookedPageKeys : public QObject
{
public:
    // Watches the key events of every window of the program.
    explicit HookedPageKeys(QObject* parent = nullptr);
    ~HookedPageKeys() override;

    // The hook's report of a press at `time` (0: unknown): true when it is for the window to act
    // on, false when the window has had the press as its own key.
    bool TakeFromHook(uint32_t time);

protected:
    // Drops a page key whose press the hook has reported already; notes the others.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Times = std::array<uint32_t, 8>; // the latest presses, 0 for none
    static bool Holds(const Times& times, uint32_t time);
    static void Note(Times& times, size_t& next, uint32_t time);

    Times seenByWindows{};
    Times takenByHook{};
    size_t nextSeen = 0;
    size_t nextTaken = 0;
};
