#include "MediaProtocol.h"

#include <QtEndian>

#include <cstring>

namespace platform {

QDataStream& operator<<(QDataStream& out, const DvdTimeCode& value)
{
    return out << qint32(value.hours) << qint32(value.minutes) << qint32(value.seconds)
               << qint32(value.frames) << qint32(value.flags);
}

QDataStream& operator>>(QDataStream& in, DvdTimeCode& value)
{
    qint32 h = 0, m = 0, s = 0, f = 0, flags = 0;
    in >> h >> m >> s >> f >> flags;
    value = {h, m, s, f, flags};
    return in;
}

QDataStream& operator<<(QDataStream& out, const DvdLocation& value)
{
    return out << qint32(value.title) << qint32(value.chapter) << value.time;
}

namespace {

// Marks `in` broken unless low <= value <= high.
void Within(QDataStream& in, qint64 value, qint64 low, qint64 high)
{
    if (value < low || value > high)
        in.setStatus(QDataStream::ReadCorruptData);
}

} // namespace

QDataStream& operator>>(QDataStream& in, DvdLocation& value)
{
    qint32 title = 0, chapter = 0;
    in >> title >> chapter >> value.time;
    Within(in, title, 0, ipc::kMaxDvdTitles);
    Within(in, chapter, 0, ipc::kMaxDvdChapters);
    value.title = title;
    value.chapter = chapter;
    return in;
}

QDataStream& operator<<(QDataStream& out, const DvdTitleInfo& value)
{
    return out << qint32(value.chapters) << qint32(value.angles) << qint32(value.titleSet)
               << value.audioLanguages << value.subpictureLanguages << value.pal;
}

QDataStream& operator>>(QDataStream& in, DvdTitleInfo& value)
{
    qint32 chapters = 0, angles = 0, titleSet = 0;
    in >> chapters >> angles >> titleSet;
    Within(in, chapters, 0, ipc::kMaxDvdChapters);
    Within(in, angles, 0, ipc::kMaxDvdAngles);
    Within(in, titleSet, 0, ipc::kMaxDvdTitles);
    ipc::ReadList(in, value.audioLanguages);
    ipc::ReadList(in, value.subpictureLanguages);
    Within(in, value.audioLanguages.size(), 0, ipc::kMaxDvdAudioStreams);
    Within(in, value.subpictureLanguages.size(), 0, ipc::kMaxDvdSubpictureStreams);
    in >> value.pal;
    value.chapters = chapters;
    value.angles = angles;
    value.titleSet = titleSet;
    return in;
}

QDataStream& operator<<(QDataStream& out, const DvdVolume& value)
{
    out << quint32(value.titles.size());
    for (const DvdTitleInfo& title : value.titles)
        out << title;
    return out;
}

QDataStream& operator>>(QDataStream& in, DvdVolume& value)
{
    quint32 count = 0;
    in >> count;
    value.titles.clear();
    if (count > quint32(ipc::kMaxDvdTitles)) {
        in.setStatus(QDataStream::ReadCorruptData);
        return in;
    }
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        DvdTitleInfo title;
        in >> title;
        value.titles.push_back(title);
    }
    return in;
}

QDataStream& operator<<(QDataStream& out, const ElementProperty& value)
{
    return out << value.name << value.value << value.description;
}

QDataStream& operator>>(QDataStream& in, ElementProperty& value)
{
    return in >> value.name >> value.value >> value.description;
}

} // namespace platform

namespace platform::ipc {

QByteArray Encode(const Header& header, const QByteArray& arguments)
{
    QByteArray message(kHeaderBytes + arguments.size(), Qt::Uninitialized);
    char* p = message.data();
    p[0] = static_cast<char>(header.type);
    qToBigEndian<quint32>(header.id, p + 1);
    qToBigEndian<quint16>(header.code, p + 5);
    qToBigEndian<quint32>(header.handle, p + 7);
    std::memcpy(p + kHeaderBytes, arguments.constData(), static_cast<size_t>(arguments.size()));
    return message;
}

bool Decode(const QByteArray& message, Header* header, QByteArray* arguments)
{
    if (message.size() < kHeaderBytes)
        return false;
    const char* p = message.constData();
    const auto type = static_cast<quint8>(p[0]);
    if (type < static_cast<quint8>(MessageType::Request) || type > static_cast<quint8>(MessageType::Note))
        return false;
    header->type = static_cast<MessageType>(type);
    header->id = qFromBigEndian<quint32>(p + 1);
    header->code = qFromBigEndian<quint16>(p + 5);
    header->handle = qFromBigEndian<quint32>(p + 7);
    *arguments = message.mid(kHeaderBytes);
    return true;
}

QDataStream& operator<<(QDataStream& out, const DvdCommandArgs& value)
{
    return out << qint32(value.command) << value.a << value.b << value.speed << value.time;
}

QDataStream& operator>>(QDataStream& in, DvdCommandArgs& value)
{
    qint32 command = 0;
    in >> command >> value.a >> value.b >> value.speed >> value.time;
    value.command = static_cast<DvdCommandId>(command);
    return in;
}

QDataStream& operator<<(QDataStream& out, const RenderResult& value)
{
    return out << value.ok << value.error << value.videoWidth << value.videoHeight << value.device
               << value.volume;
}

QDataStream& operator>>(QDataStream& in, RenderResult& value)
{
    in >> value.ok >> value.error >> value.videoWidth >> value.videoHeight >> value.device >> value.volume;
    // -1 without video.
    Within(in, value.videoWidth, -1, kMaxVideoSide);
    Within(in, value.videoHeight, -1, kMaxVideoSide);
    return in;
}

} // namespace platform::ipc
