#include "DecodedPictures.h"

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHashFunctions>
#include <QTimer>

#include <optional>

namespace {

constexpr quint32 kEntryVersion = 1;
const char kMagic[] = "SorlinDecodedPicture";
// The most an entry may take: the largest picture taken, and room for its names.
constexpr qint64 kMostEntryBytes = kMaxPictureBytes + (1 << 20);
constexpr int kWriteDelayMs = 1000;

quint64 Checksum(const QByteArray& bytes)
{
    return qHashBits(bytes.constData(), static_cast<size_t>(bytes.size()), 0);
}

QByteArray Entry(const QString& path, const QString& variant, const platform::FileIdentity& identity,
                 const QByteArray& block)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << QByteArray(kMagic) << kEntryVersion << path << variant << identity.device << identity.inode
        << identity.size << identity.modifiedNs << identity.changedNs << Checksum(block) << block;
    return bytes;
}

// The block an entry holds when it stands for `path` and `variant` as `identity` says; empty
// otherwise.
QByteArray ReadEntry(const QString& file, const QString& path, const QString& variant,
                     const platform::FileIdentity& identity)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.size() > kMostEntryBytes)
        return {};
    QDataStream stream(in.readAll());
    stream.setVersion(QDataStream::Qt_6_4);
    QByteArray magic;
    quint32 version = 0;
    QString storedPath;
    QString storedVariant;
    platform::FileIdentity stored;
    quint64 checksum = 0;
    QByteArray block;
    stream >> magic >> version >> storedPath >> storedVariant >> stored.device >> stored.inode >>
        stored.size >> stored.modifiedNs >> stored.changedNs >> checksum >> block;
    if (stream.status() != QDataStream::Ok || !stream.atEnd() || magic != kMagic ||
        version != kEntryVersion || storedPath != path || storedVariant != variant || !(stored == identity) ||
        Checksum(block) != checksum)
        return {};
    return block;
}

} // namespace

QString DecodedPictures::EntryFile(const QString& path, const QString& variant) const
{
    const QByteArray key = (path + QChar(0) + variant).toUtf8();
    return folder + u'/' +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".dib");
}

bool DecodedPictures::Load(CDib& dib, const QString& path, const QString& variant,
                           const std::function<bool(CDib&)>& decode)
{
    // Taken before the file is read: a file that changes meanwhile leaves an entry that no
    // longer matches it.
    const std::optional<platform::FileIdentity> identity =
        folder.isEmpty() ? std::nullopt : platform::IdentifyRegularFile(path);
    if (!identity)
        return decode(dib);
    const QString file = EntryFile(path, variant);
    if (QByteArray block = ReadEntry(file, path, variant, *identity);
        !block.isEmpty() && dib.Attach(std::move(block)))
        return true;
    if (!decode(dib))
        return false;
    // Made and written off the way to the first paint; the bitmap is shared, not copied, until then.
    QTimer::singleShot(
        kWriteDelayMs, QCoreApplication::instance(),
        [entryFolder = folder, file, path, variant, identity = *identity, block = dib.Block()] {
            if (QDir().mkpath(entryFolder))
                platform::WriteFileAtomically(file, Entry(path, variant, identity, block));
        });
    return true;
}
