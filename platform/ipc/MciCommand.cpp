#include "MciCommand.h"

#include <QStringList>

namespace platform::mci {

// The frames of MCI's msf time format are CD sectors: 75 a second.
constexpr int kMsfFramesPerSecond = 75;

MciCommand SplitMciCommand(const QString& command)
{
    MciCommand result;
    qsizetype i = 0;
    const qsizetype n = command.size();
    while (i < n) {
        if (command[i].isSpace()) {
            ++i;
            continue;
        }
        MciWord word;
        word.begin = i;
        if (command[i] == u'"') {
            const qsizetype close = command.indexOf(u'"', i + 1);
            word.quoted = true;
            if (close < 0) {
                result.unclosedQuote = true;
                word.text = command.mid(i + 1);
                word.end = n;
            } else {
                word.text = command.mid(i + 1, close - i - 1);
                word.end = close + 1;
            }
        } else {
            qsizetype j = i;
            while (j < n && !command[j].isSpace())
                ++j;
            word.text = command.mid(i, j - i);
            word.end = j;
        }
        i = word.end;
        result.words.push_back(word);
    }
    return result;
}

namespace {

bool ParseDigits(const QString& text, qint64 limit, qint64* value)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    qint64 v = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c.unicode() - u'0');
    }
    if (v > limit)
        return false;
    *value = v;
    return true;
}

} // namespace

bool ParseMciNumber(const QString& word, bool msf, int* ms)
{
    qint64 value = 0;
    if (!msf) {
        if (!ParseDigits(word, 0x7fffffff, &value))
            return false;
        *ms = static_cast<int>(value);
        return true;
    }
    const QStringList parts = word.split(u':');
    if (parts.size() > 3)
        return false;
    qint64 minutes = 0, seconds = 0, frames = 0;
    if (!ParseDigits(parts[0], 10000, &minutes) ||
        (parts.size() > 1 && !ParseDigits(parts[1], 59, &seconds)) ||
        (parts.size() > 2 && !ParseDigits(parts[2], kMsfFramesPerSecond - 1, &frames)))
        return false;
    *ms = static_cast<int>((minutes * 60 + seconds) * 1000 + frames * 1000 / kMsfFramesPerSecond);
    return true;
}

QString FormatMciNumber(int ms, bool msf)
{
    if (!msf)
        return QString::number(ms);
    const qint64 frames = static_cast<qint64>(ms) * kMsfFramesPerSecond / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(frames / (60 * kMsfFramesPerSecond), 2, 10, QLatin1Char('0'))
        .arg(frames / kMsfFramesPerSecond % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % kMsfFramesPerSecond, 2, 10, QLatin1Char('0'));
}

} // namespace platform::mci
