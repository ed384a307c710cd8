#include "Id3Tags.h"

#include <QFile>

namespace id3_tags {

namespace {

QByteArray BigEndian(quint32 value, int bytes, int bitsPerByte)
{
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<char>(value & ((1u << bitsPerByte) - 1));
        value >>= bitsPerByte;
    }
    return out;
}

} // namespace

QByteArray TextBody(const QByteArray& text, char encoding)
{
    return QByteArray(1, encoding) + text;
}

QByteArray Frame(int version, const QByteArray& id, const QByteArray& body)
{
    const auto length = static_cast<quint32>(body.size());
    if (version == 2)
        return id + BigEndian(length, 3, 8) + body;
    const QByteArray size = version == 4 ? SyncSafe(length) : BigEndian(length, 4, 8);
    return id + size + QByteArray(2, '\0') + body;
}

QByteArray Tag(int version, const QByteArray& frames, int padding)
{
    QByteArray header("ID3");
    header.append(static_cast<char>(version));
    header.append(2, '\0'); // revision, flags
    header.append(SyncSafe(static_cast<quint32>(frames.size() + padding)));
    return header + frames + QByteArray(padding, '\0');
}

QByteArray SyncSafe(quint32 value)
{
    return BigEndian(value, 4, 7);
}

QByteArray V1Tag(const QByteArray& title)
{
    QByteArray tag("TAG");
    tag.append(title.left(30));
    tag.append(128 - tag.size(), '\0');
    return tag;
}

QByteArray Audio(int count)
{
    QByteArray audio(count, '\x55');
    // An MPEG-1 layer III frame header every 417 bytes (128 kbit/s at 44.1 kHz).
    for (int at = 0; at + 4 <= count; at += 417) {
        audio[at] = '\xFF';
        audio[at + 1] = '\xFB';
        audio[at + 2] = '\x90';
        audio[at + 3] = '\x64';
    }
    return audio;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace id3_tags
