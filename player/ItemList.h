#pragma once
// ItemList: the player's list of play items, the current one (an index, -1 for none) and
// whether the item a session was to resume with is among them. A value; UI thread only.

#include <QString>
#include <QStringList>

struct ItemList
{
    QStringList items;
    int current = -1;
    // The item to resume with was met; `current` is it.
    bool found = false;

    // No items, none current, nothing to resume.
    void Clear()
    {
        items.clear();
        current = -1;
        found = false;
    }
    // Appends `path`; true when it is `resumeTarget` and none was met before, which makes it
    // the current one.
    bool Append(const QString& path, const QString& resumeTarget)
    {
        items.append(path);
        if (found || path != resumeTarget)
            return false;
        found = true;
        current = static_cast<int>(items.size() - 1);
        return true;
    }
    bool HasNext() const { return current >= 0 && current + 1 < items.size(); }
    bool HasPrevious() const { return current > 0; }
};
