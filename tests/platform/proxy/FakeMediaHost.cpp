// A stand-in for the media process that misbehaves on purpose, for the tests of the window's
// side of the protocol. It greets as the real one does, then answers its first request as
// SORLIN_FAKE_HOST says:
//   silent     never answers
//   exit       ends with exit code 3
//   abort      ends with SIGABRT
//   garbage    sends a message that cannot be read
//   stray      sends a reply to a request nobody made and a frame buffer for a graph nobody
//              has, then the answer (qint32 7)
//   version    greets with another protocol version
//   truncated  starts a message and ends in the middle of it
//   huge       announces a message larger than any the protocol allows
//   answer     answers every request with qint32 7
// and as a media process taken over by a hostile file would, each past a bound:
//   flood       sends 2,000 events of no known kind, each with a memory file, then the answer
//   plainframes answers a render with a plain file (not a sealed memory file) as frame memory
//   hugevideo   answers a render with a picture of 2^30 pixels a side
//   chapters    answers a render with a DVD title of 100,000 chapters
//   events      answers a render, then sends 5,000 graph events for it
//   members     answers an archive listing with three members, whatever the bound asked
//   progress    reports 250 % done on an extraction, then answers it as done

#include "platform/ipc/Connection.h"
#include "platform/ipc/MediaProtocol.h"

#include <QCoreApplication>
#include <QtEndian>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

using namespace platform::ipc;

namespace {

QByteArray Message(MessageType type, quint32 id, quint16 code, quint32 handle, const QByteArray& arguments)
{
    Header header;
    header.type = type;
    header.id = id;
    header.code = code;
    header.handle = handle;
    return Encode(header, arguments);
}

void WriteRaw(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (n <= 0)
            return;
        written += n;
    }
}

} // namespace

int main(int argc, char** argv)
{
    int socket = -1;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--socket")
            socket = QByteArray(argv[i + 1]).toInt();
    }
    if (socket < 0)
        return 2;
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    const QByteArray mode = qgetenv("SORLIN_FAKE_HOST");
    Connection connection(socket);
    QObject::connect(&connection, &Connection::Closed, [] { std::_Exit(0); });
    const qint32 version = mode == "version" ? 999 : static_cast<qint32>(kProtocolVersion);
    connection.Send(Message(MessageType::Event, 0, static_cast<quint16>(EventKind::Hello), 0,
                            Pack(version, qint64(::getpid()))));
    QObject::connect(&connection, &Connection::Received, [&](const QByteArray& received) {
        Header request;
        QByteArray arguments;
        if (!Decode(received, &request, &arguments) || request.type != MessageType::Request)
            return;
        const QByteArray answer = Message(MessageType::Reply, request.id, request.code, 0, Pack(qint32(7)));
        const auto rendered = [&](RenderResult result) {
            result.ok = true;
            connection.Send(Message(MessageType::Reply, request.id, request.code, 0, Pack(result)));
        };
        const bool render = request.code == static_cast<quint16>(Op::Render);
        if (mode == "flood") {
            for (int i = 0; i < 2000; ++i) {
                const int memory = ::memfd_create("fake-frames", MFD_CLOEXEC);
                connection.Send(Message(MessageType::Event, 0, 99, 0, {}), memory);
                ::close(memory);
            }
            connection.Send(answer);
        } else if (mode == "plainframes" && render) {
            FILE* plain = std::tmpfile();
            ::ftruncate(fileno(plain), 48 * 1024);
            connection.Send(Message(MessageType::Event, 0, static_cast<quint16>(EventKind::FrameBuffer),
                                    request.handle, Pack(quint32(1), quint64(48 * 1024), qint32(1))),
                            fileno(plain));
            std::fclose(plain);
            rendered({});
        } else if (mode == "hugevideo" && render) {
            RenderResult result;
            result.videoWidth = result.videoHeight = 1 << 30;
            rendered(result);
        } else if (mode == "chapters" && render) {
            RenderResult result;
            platform::DvdTitleInfo title;
            title.chapters = 100000;
            result.volume.titles.push_back(title);
            rendered(result);
        } else if (mode == "events" && render) {
            rendered({});
            for (int i = 0; i < 5000; ++i)
                connection.Send(Message(MessageType::Event, 0, static_cast<quint16>(EventKind::GraphEvent),
                                        request.handle, Pack(qint32(1), qint64(0), qint64(0), QString())));
        } else if (mode.startsWith("members") && request.code == static_cast<quint16>(Op::ArchiveList)) {
            // A listing as the plug-in wrote it, or past one of its bounds (the window asks for 2).
            const auto record = [](quint32 size, const QByteArray& path, const QByteArray& name) {
                QByteArray bytes(8, '\0');
                qToLittleEndian(size, bytes.data());
                qToLittleEndian(quint16(path.size()), bytes.data() + 4);
                qToLittleEndian(quint16(name.size()), bytes.data() + 6);
                return bytes + path + name;
            };
            const QByteArray two =
                record(1, "disc 1/", "01 \x83\x65\x83\x58\x83\x67.mp3") + // テスト, Shift-JIS
                record(2, "disc 1/", "02 ok.ogg");
            quint32 count = 2;
            QByteArray block = two;
            if (mode == "members") {
                count = 3;
                block += record(3, "", "3");
            } else if (mode == "members-cut") {
                block.chop(1);
            } else if (mode == "members-long") {
                block = record(1, "", QByteArray(201, 'n'));
                count = 1;
            } else if (mode == "members-noname") {
                block = record(1, "", "1") + record(3, "a/", "");
            } else if (mode == "members-undercount") {
                count = 1;
            }
            connection.Send(Message(MessageType::Reply, request.id, request.code, 0,
                                    Pack(qint32(0), QStringLiteral("a.spi"), count, block)));
        } else if (mode == "download" && request.code == static_cast<quint16>(Op::Download)) {
            // "Done", for a reason past the last one there is.
            connection.Send(Message(MessageType::Reply, request.id, request.code, 0,
                                    Pack(qint32(0), qint32(99), QString(), qint32(200), QByteArray(),
                                         QString(), qint64(10), qint64(10))));
        } else if (mode == "progress" && request.code == static_cast<quint16>(Op::ArchiveExtract)) {
            connection.Send(Message(MessageType::Event, 0, static_cast<quint16>(EventKind::Progress),
                                    request.handle, Pack(qint32(250), qint64(1))));
            connection.Send(Message(MessageType::Reply, request.id, request.code, 0, Pack(qint32(0))));
        } else if (mode == "silent") {
            return;
        } else if (mode == "exit") {
            std::_Exit(3);
        } else if (mode == "abort") {
            std::abort();
        } else if (mode == "garbage") {
            connection.Send(QByteArray("\x09\x01\x02", 3));
        } else if (mode == "stray") {
            connection.Send(Message(MessageType::Reply, request.id + 1000, request.code, 0, Pack(qint32(1))));
            const int memory = ::memfd_create("fake-frames", MFD_CLOEXEC);
            connection.Send(Message(MessageType::Event, 0, static_cast<quint16>(EventKind::FrameBuffer), 4242,
                                    Pack(quint32(1), quint64(4096), qint32(1))),
                            memory);
            ::close(memory);
            connection.Send(answer);
        } else if (mode == "truncated") {
            QByteArray start(4, '\0');
            qToBigEndian<quint32>(100, start.data());
            connection.Flush(1000);
            WriteRaw(socket, start + QByteArray(10, 'x'));
            std::_Exit(0);
        } else if (mode == "huge") {
            QByteArray start(4, '\0');
            qToBigEndian<quint32>(0x7fffffff, start.data());
            connection.Flush(1000);
            WriteRaw(socket, start);
        } else {
            connection.Send(answer);
        }
    });
    return app.exec();
}
