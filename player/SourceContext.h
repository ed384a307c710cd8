#pragma once
// What a source (the network source, the archive source) needs of the player controller while
// it works: the window its dialogs and messages belong to, the colours those dialogs wear, and
// a way to say it is busy. While a source is busy the player reads as downloading and the
// window takes no command but the program's end. UI thread only.

#include "skin/DialogEx.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

struct SourceContext
{
    QPointer<QObject> owner;
    CDialogEx::Colours colours;
    std::function<void(bool busy)> busy;

    QWidget* Window() const { return qobject_cast<QWidget*>(owner.data()); }
};

// Says the source busy for its scope.
class SourceBusy
{
public:
    explicit SourceBusy(const SourceContext& context) : context(context)
    {
        if (context.busy)
            context.busy(true);
    }
    ~SourceBusy()
    {
        if (context.busy)
            context.busy(false);
    }
    SourceBusy(const SourceBusy&) = delete;
    SourceBusy& operator=(const SourceBusy&) = delete;

private:
    const SourceContext& context;
};
