#include "TitleFiles.h"

namespace title_files {

const QByteArray kEndOfTrack("\x00\xFF\x2F\x00", 4);
const QByteArray kNotes("\x00\x90\x3C\x40\x60\x80\x3C\x00", 8);
const QByteArray kAsfHeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const QByteArray kContentDescriptionGuid("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C",
                                         16);

QByteArray BigEndian32(quint32 v)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>(v >> (24 - 8 * i));
    return out;
}

QByteArray Le16(int v)
{
    return QByteArray(1, static_cast<char>(v & 0xFF)) + QByteArray(1, static_cast<char>(v >> 8));
}

QByteArray Utf16Le(const QString& text)
{
    QByteArray out;
    for (QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

QByteArray Smf(const QByteArray& track, quint32 trackLength)
{
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14) + "MTrk" + BigEndian32(trackLength) + track;
}

QByteArray Smf(const QByteArray& track)
{
    return Smf(track, static_cast<quint32>(track.size()));
}

QByteArray Meta(char type, const QByteArray& text)
{
    QByteArray event("\x00\xFF", 2);
    event.append(type);
    if (text.size() >= 128)
        event.append(static_cast<char>(0x80 | (text.size() >> 7)));
    event.append(static_cast<char>(text.size() & 0x7F));
    return event + text;
}

QByteArray Description(int titleLength, int authorLength, const QByteArray& strings)
{
    return kContentDescriptionGuid + QByteArray(8, '\x40') + Le16(titleLength) + Le16(authorLength) +
           Le16(0) + Le16(0) + Le16(0) + strings;
}

QByteArray AsfHead()
{
    return kAsfHeaderGuid + QByteArray(8, '\x10') + QByteArray("\x05\0\0\0\x01\x02", 6);
}

QByteArray Asf(const QString& title, const QString& author)
{
    const QByteArray t = Utf16Le(title) + QByteArray(2, '\0');
    const QByteArray a = Utf16Le(author) + QByteArray(2, '\0');
    return AsfHead() + Description(t.size(), a.size(), t + a) + QByteArray(500, '\x11');
}

} // namespace title_files
