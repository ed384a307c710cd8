#pragma once
// The messages between the window process and the media process.
//
// The window sends requests, each answered by exactly one reply with the same id (in the order
// sent, except that the archive requests are answered when their work on a thread of its own is
// done); and notes, which have no answer. The media process sends replies and events: graph
// events, MCI notifications and video frames, addressed by the handle the window gave the graph
// (or the notification target) when it made it. A handle is never used twice in a window
// process's life, so nothing addressed to a closed graph can reach the next one.
//
// Every message is a fixed header (type, id, code, handle) followed by its arguments written
// with QDataStream; a message that does not read back whole is refused.

#include "DvdCommands.h"
#include "DvdTable.h"
#include "MediaCodes.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QString>

namespace platform {

// How the shared values travel (found by argument-dependent lookup, also inside Qt's lists).
QDataStream& operator<<(QDataStream& out, const DvdTimeCode& value);
QDataStream& operator>>(QDataStream& in, DvdTimeCode& value);
QDataStream& operator<<(QDataStream& out, const DvdLocation& value);
QDataStream& operator>>(QDataStream& in, DvdLocation& value);
QDataStream& operator<<(QDataStream& out, const DvdTitleInfo& value);
QDataStream& operator>>(QDataStream& in, DvdTitleInfo& value);
QDataStream& operator<<(QDataStream& out, const DvdVolume& value);
QDataStream& operator>>(QDataStream& in, DvdVolume& value);
QDataStream& operator<<(QDataStream& out, const ElementProperty& value);
QDataStream& operator>>(QDataStream& in, ElementProperty& value);

} // namespace platform

namespace platform::ipc {

// Raised whenever a message changes its meaning: both programs come from one build, and a
// media process of another build is refused.
constexpr quint32 kProtocolVersion = 3;

// What the formats allow, and so the most the window takes from the media process (which a
// hostile file may have taken over): a value past these makes the message broken, and the
// media process is ended as a broken one.
constexpr int kMaxDvdTitles = 99;
constexpr int kMaxDvdChapters = 999;
constexpr int kMaxDvdAngles = 9;
constexpr int kMaxDvdAudioStreams = 8;
constexpr int kMaxDvdSubpictureStreams = 32;
constexpr int kMaxCdTracks = 99;
constexpr int kMaxVideoSide = 16384;

enum class MessageType : quint8
{
    Request = 1, // window -> media process, answered by a Reply with the same id
    Reply = 2,   // media process -> window
    Event = 3,   // media process -> window, unasked
    Note = 4,    // window -> media process, unanswered
};

// Requests (and the notes that share their numbers), with their arguments -> answer.
enum class Op : quint16
{
    FrameworkAvailable = 1, // bool dvd -> bool
    LivePipelines,          // -> int
    Render,                 // [graph] path, int timeoutMs, bool dvd, int decodeFlags -> RenderResult
    Close,                  // [graph] -> nothing
    Run,                    // [graph] -> bool
    Pause,                  // [graph] int timeoutMs -> bool
    StopAndRewind,          // [graph] int timeoutMs -> bool
    Seek,                   // [graph] qint64 ms, int timeoutMs -> bool
    Position,               // [graph] -> qint64
    Duration,               // [graph] -> qint64
    SetRate,                // [graph] double -> bool
    ElementNames,           // [graph] -> QStringList
    ElementProperties,      // [graph] int index -> bool, QString name, QList<ElementProperty>
    DvdDomain,              // [graph] -> int
    DvdLocation,            // [graph] -> bool, DvdLocation
    DvdStreams,             // [graph] -> int audio, int subpicture, bool shown
    DvdAngle,               // [graph] -> bool, int count, int current
    DvdReadVolume,          // [graph] -> bool, QString error, DvdVolume
    DvdCommand,             // [graph] DvdCommandArgs -> bool
    DvdVolumeHasFile,       // QString device, QString pathInVolume -> bool
    MciSend, // QString command, quint32 notifyToken -> quint32 error, QString reply, int device
    // The archive plug-ins, called on a thread of their own: the requests before and after are
    // answered meanwhile. A listing answer that would not fit a message is answered as too many.
    ArchiveList,    // QString pluginFolder, QString path, qint32 maxMembers -> qint32 ArchiveListing,
                    // QString pluginFile, quint32 members, QByteArray records (AppendArchiveRecord)
    ArchiveExtract, // [progress token] QString pluginFile, QString archive, QString member,
                    // QString targetFile, qint64 maxBytes -> qint32 MemberExtraction
    // An http or https address fetched into a file, on a thread of its own, reporting the share
    // done and the bytes written (the first report, 0 and 0, as the body starts).
    // -> qint32 DownloadResult, qint32 DownloadFailure, QString detail, qint32 status,
    // QByteArray rawHeaders, QString stamp, qint64 contentLength, qint64 written
    Download, // [progress token] DownloadRequest (DownloadTerms.h)
    // Notes.
    SetVolume = 100,    // [graph] qint32 hundredths of a decibel
    FrameRelease = 101, // [graph] quint32 buffer, qint32 slot: the window is done with the slot
    StopWork = 102,     // [progress token]: stop that extraction or download
};

enum class EventKind : quint16
{
    Hello = 1,   // qint32 version, qint64 pid: the media process is ready
    GraphEvent,  // [graph] qint32 code, qint64 p1, qint64 p2, QString error (for an error abort)
    FrameBuffer, // [graph] quint32 buffer, quint64 slotBytes, qint32 slots; its memory file comes with it
    Frame,       // [graph] quint32 buffer, qint32 slot, qint32 width, height, stride (BGRx rows)
    MciNotify,   // [notify token] quint64 flags, qint64 device
    Progress,    // [progress token] qint32 percent (0-100), qint64 total bytes
};

// What Op::Render answers.
struct RenderResult
{
    bool ok = false;
    QString error;
    qint32 videoWidth = 0; // the decoded picture's size with square pixels; 0 or -1 without video
    qint32 videoHeight = 0;
    QString device;   // DVD: the device the graph reads
    DvdVolume volume; // DVD: the table as read when the graph was built
};

// The fixed part of every message.
struct Header
{
    MessageType type = MessageType::Request;
    quint32 id = 0;     // requests and replies
    quint16 code = 0;   // Op or EventKind
    quint32 handle = 0; // the graph or notification target addressed, 0 for none
};

constexpr int kHeaderBytes = 11;

// A message: the header followed by `arguments`.
QByteArray Encode(const Header& header, const QByteArray& arguments = {});
// Splits a message; false when it is shorter than a header or of an unknown type.
bool Decode(const QByteArray& message, Header* header, QByteArray* arguments);

QDataStream& operator<<(QDataStream& out, const DvdCommandArgs& value);
QDataStream& operator>>(QDataStream& in, DvdCommandArgs& value);
QDataStream& operator<<(QDataStream& out, const RenderResult& value);
QDataStream& operator>>(QDataStream& in, RenderResult& value);

// Writes `values` as arguments.
template <typename... T> QByteArray Pack(const T&... values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    (out << ... << values);
    return bytes;
}

// Reads a list whose count is held to what the rest of the message can hold (each element
// takes at least four bytes): Qt's own reading reserves room for whatever count it is given.
template <typename T> void ReadList(QDataStream& in, QList<T>& list)
{
    list.clear();
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return;
    if (!in.device() || count > in.device()->bytesAvailable() / 4) {
        in.setStatus(QDataStream::ReadCorruptData);
        return;
    }
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        T value;
        in >> value;
        list.append(value);
    }
    if (in.status() != QDataStream::Ok)
        list.clear();
}

// Reads arguments back; Ok() tells whether every value was there and nothing was left over.
class Unpack
{
public:
    explicit Unpack(const QByteArray& bytes) : in(bytes) { in.setVersion(QDataStream::Qt_6_4); }
    template <typename T> Unpack& operator>>(T& value)
    {
        in >> value;
        return *this;
    }
    template <typename T> Unpack& operator>>(QList<T>& list)
    {
        ReadList(in, list);
        return *this;
    }
    bool Ok() const { return in.status() == QDataStream::Ok && in.atEnd(); }

private:
    QDataStream in;
};

} // namespace platform::ipc
