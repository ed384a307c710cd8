#include "PlayerDisplay.h"

#include "res/StringTable.h"

#include <QFontMetrics>

#include <algorithm>
#include <climits>

void PlayerDisplay::SetFont(const QFont& value)
{
    font = value;
    charWidth = std::max(1, (QFontMetrics(font).maxWidth() + 1) / 2);
}

QString PlayerDisplay::Scroll(const QString& title, int width, int* offset) const
{
    const QFontMetrics metrics(font);
    const int visible = width / std::max(charWidth, 1);
    const int cells = metrics.horizontalAdvance(title) / std::max(charWidth, 1);
    const QString text = title + QStringLiteral("  ") + title + QString(100, u' ');
    const int from = *offset;
    QString result = title;
    if (visible < cells) {
        result.clear();
        int count = 0;
        int pixels = 0;
        for (int i = from; i < text.size() && i < from + visible; ++i) {
            count += text[i].unicode() > 0xff ? 2 : 1;
            if (count >= visible)
                break;
            // A font whose narrow characters are wider than half its widest one (a Latin font
            // standing in) would still overrun by cells alone.
            pixels += metrics.horizontalAdvance(text[i]);
            if (pixels > width)
                break;
            result += text[i];
        }
    }
    *offset = from > cells ? 0 : from + 1;
    return result;
}

QString PlayerDisplay::Make(int resource, const QString& text, int ms)
{
    shown.resource = resource;
    shown.text = text;
    shown.ms = ms;
    shown.at.start();
    return Format(resource, text, ms);
}

QString PlayerDisplay::WhileWaiting(bool loaded, bool playing) const
{
    if (!shown.at.isValid() || !loaded)
        return QString();
    // Playing, the time runs on from where it was last read; paused or stopped, it stands.
    const qint64 ms = shown.ms + (playing ? shown.at.elapsed() : 0);
    return Format(shown.resource, shown.text, static_cast<int>(std::min<qint64>(ms, INT_MAX)));
}

QString PlayerDisplay::Format(int resource, const QString& text, int ms)
{
    const int hours = ms / 3600000;
    const int minutes = ms / 60000 - hours * 60;
    const int seconds = (ms / 1000) % 60;
    QString format = res::LoadString(resource);
    QString out = format;
    // "%s\n%02d:%02d:%02d" and "ﾄﾗｯｸ %02d\n%02d:%02d:%02d": the first field is the title or track.
    if (resource == res::kStrTrackFormat)
        return QString::asprintf(format.toUtf8().constData(), text.toInt(), hours, minutes, seconds);
    const int at = out.indexOf(QLatin1String("%s"));
    if (at >= 0)
        out.replace(at, 2, QStringLiteral("\x01"));
    out = QString::asprintf(out.toUtf8().constData(), hours, minutes, seconds);
    return out.replace(u'\x01', text);
}

QString PlayerDisplay::RateText(double rate)
{
    if (rate == 1.0)
        return QString();
    if (rate >= 0.5)
        return QStringLiteral("[FF x%1]").arg(static_cast<int>(rate));
    if (rate > 0)
        return QStringLiteral("[FF x1/%1]").arg(static_cast<int>(1 / rate));
    if (rate > -0.5) {
        if (rate == 0)
            return QStringLiteral("[REW x1/0]");
        return QStringLiteral("[REW x1/%1]").arg(static_cast<int>(-1 / rate));
    }
    return QStringLiteral("[REW x%1]").arg(static_cast<int>(-rate));
}
