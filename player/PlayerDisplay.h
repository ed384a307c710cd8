#pragma once
// PlayerDisplay: the two lines the player shows in the window's display: the title (scrolled a
// cell a tick when it is wider than the display) or the CD track, and the time, with the rate
// mark while scanning. It remembers the display last made, so that the window can run its time
// on while it waits for the media process. Owned by the player controller; UI thread only.

#include <QElapsedTimer>
#include <QFont>
#include <QString>

class PlayerDisplay
{
public:
    // The font the owner shows the display in: a Shift-JIS one, whose cell is half its widest
    // character, a full-width character taking two.
    void SetFont(const QFont& font);

    // `title` as it fits `width` pixels at scroll position `*offset` (characters), which moves
    // on by one, and back to the start once the title has gone by.
    QString Scroll(const QString& title, int width, int* offset) const;
    // The display of `text` at `ms` in format `resource`, remembered as the display last shown.
    QString Make(int resource, const QString& text, int ms);
    // The display last made, its time running on while the item plays (`playing`); empty when
    // nothing is loaded (`loaded`) or nothing was shown.
    QString WhileWaiting(bool loaded, bool playing) const;

    static QString Format(int resource, const QString& text, int ms);
    // The rate mark the display appends ("[FF x2]"), empty at the normal rate.
    static QString RateText(double rate);

private:
    QFont font;
    int charWidth = 7;
    struct Shown
    {
        int resource = 0;
        QString text;
        int ms = 0;
        QElapsedTimer at; // since it was shown
    };
    Shown shown;
};
