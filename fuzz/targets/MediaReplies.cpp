// What the window takes from the media process, which a hostile file may have taken over: a byte
// stream on the socket, cut into messages by the window's connection; each message split into its
// header and read as the answer or event its code names, with the bounds the window holds them
// to; and frames announced in a sealed memory file of the window's making, their headers checked
// against the slotCount they claim.

#include "FuzzSupport.h"
#include "platform/ipc/Connection.h"
#include "platform/ipc/MediaProtocol.h"
#include "platform/proxy/FrameReceiver.h"
#include "platform/susie/SusieArchive.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace platform::ipc;

namespace {

constexpr int kMostMessages = 64;
// As many archive members as the player asks for.
constexpr quint32 kMostMembers = 100000;

// A frame buffer as the media process makes one: a sealed memory file of `slotCount` slotCount.
int SealedMemory(quint64 bytes)
{
    const int fd = ::memfd_create("fuzz-frames", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0 ||
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads `arguments` as the window reads what `header` names.
void ReadAsTheWindowDoes(const Header& header, const QByteArray& arguments, platform::FrameReceiver& frames)
{
    if (header.type == MessageType::Reply) {
        switch (static_cast<Op>(header.code)) {
        case Op::Render: {
            RenderResult result;
            (Unpack(arguments) >> result).Ok();
            break;
        }
        case Op::DvdReadVolume: {
            bool read = false;
            QString error;
            platform::DvdVolume volume;
            (Unpack(arguments) >> read >> error >> volume).Ok();
            break;
        }
        case Op::DvdLocation: {
            bool known = false;
            platform::DvdLocation location;
            (Unpack(arguments) >> known >> location).Ok();
            break;
        }
        case Op::ElementProperties: {
            bool found = false;
            QString name;
            QList<platform::ElementProperty> properties;
            (Unpack(arguments) >> found >> name >> properties).Ok();
            break;
        }
        case Op::ElementNames: {
            QStringList names;
            (Unpack(arguments) >> names).Ok();
            break;
        }
        case Op::ArchiveList: {
            qint32 listing = 0;
            QString plugin;
            quint32 count = 0;
            QByteArray block;
            if ((Unpack(arguments) >> listing >> plugin >> count >> block).Ok() && count <= kMostMembers) {
                std::vector<platform::ArchiveMember> members;
                platform::ArchiveMemberDecoder decoder;
                platform::ReadArchiveRecords(block, static_cast<int>(count),
                                             [&](const platform::ArchiveRecord& record) {
                                                 members.push_back(decoder.Decode(record));
                                             });
            }
            break;
        }
        case Op::MciSend: {
            quint32 error = 0;
            QString reply;
            qint32 device = 0;
            (Unpack(arguments) >> error >> reply >> device).Ok();
            break;
        }
        default: {
            qint64 number = 0;
            (Unpack(arguments) >> number).Ok();
            break;
        }
        }
        return;
    }
    Unpack in(arguments);
    switch (static_cast<EventKind>(header.code)) {
    case EventKind::FrameBuffer: {
        quint32 buffer = 0;
        quint64 slotBytes = 0;
        qint32 slotCount = 0;
        if ((in >> buffer >> slotBytes >> slotCount).Ok() && slotCount > 0 && slotCount <= 4 &&
            slotBytes <= (1u << 20))
            frames.Adopt(buffer, slotBytes, slotCount, SealedMemory(slotBytes * quint64(slotCount)));
        break;
    }
    case EventKind::Frame: {
        quint32 buffer = 0;
        qint32 slot = 0, width = 0, height = 0, stride = 0;
        if ((in >> buffer >> slot >> width >> height >> stride).Ok())
            frames.Show(buffer, slot, width, height, stride);
        break;
    }
    case EventKind::GraphEvent: {
        qint32 code = 0;
        qint64 p1 = 0, p2 = 0;
        QString error;
        (in >> code >> p1 >> p2 >> error).Ok();
        break;
    }
    default: {
        qint32 a = 0;
        qint64 b = 0;
        (in >> a >> b).Ok();
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return 0;
    // The peer's bytes, then its end: the connection reads what it can and closes.
    for (size_t done = 0; done < size;) {
        const ssize_t written = ::write(pair[1], data + done, size - done);
        if (written <= 0)
            break;
        done += static_cast<size_t>(written);
    }
    ::close(pair[1]);

    QList<QByteArray> messages;
    bool closed = false;
    {
        Connection connection(pair[0]);
        QObject::connect(&connection, &Connection::Received, [&](const QByteArray& message) {
            if (messages.size() < kMostMessages)
                messages << message;
        });
        QObject::connect(&connection, &Connection::Closed, [&] { closed = true; });
        QElapsedTimer bound;
        bound.start();
        while (!closed && bound.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    // The input read as one message too, for the readers behind the framing.
    messages << fuzz::Bytes(data, size);

    platform::FrameReceiver frames([](quint32, int) {});
    frames.SetHandler([](const QImage& image) { image.pixel(image.width() - 1, image.height() - 1); });
    for (const QByteArray& message : messages) {
        Header header;
        QByteArray arguments;
        if (Decode(message, &header, &arguments))
            ReadAsTheWindowDoes(header, arguments, frames);
    }
    return 0;
}
