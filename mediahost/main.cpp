// sorlin-media: the media process. The window process starts it with one end of a socket pair
// as descriptor --socket N and serves every media library through it (MediaServer.h). It ends
// with the window: when the socket closes, and at once when the window process dies.
//   sorlin-media --socket N --parent PID

#include "MediaServer.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Address space for everything this process maps: playing a 1080p H.264 file or a DVD peaks
// near 1 GiB, so this leaves room four times over, and a decompression bomb in a media file
// ends this process rather than the machine.
constexpr rlim_t kAddressSpaceBytes = rlim_t(4) << 30;

// A hostile file that takes this process over gains no privileges through a program it starts,
// leaves no core file behind, and cannot take all of the machine's memory.
void LimitWhatAHostileFileCanDo()
{
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitizers reserve terabytes of address space for their shadow memory.
    const rlimit space{kAddressSpaceBytes, kAddressSpaceBytes};
    ::setrlimit(RLIMIT_AS, &space);
#endif
}

// Without TZ the C library looks at /etc/localtime again for every local time it converts: the
// archive plug-in converts one per member, and listing 10,000 members took twice as long. Named
// once here, before any thread starts, the zone is read once; it is the same zone.
void ReadTheTimeZoneOnce()
{
    if (!std::getenv("TZ"))
        ::setenv("TZ", ":/etc/localtime", 0);
}

} // namespace

int main(int argc, char** argv)
{
    ReadTheTimeZoneOnce();
    int socket = -1;
    long parent = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        const QByteArray option(argv[i]);
        if (option == "--socket")
            socket = QByteArray(argv[++i]).toInt();
        else if (option == "--parent")
            parent = QByteArray(argv[++i]).toLong();
    }
    if (socket < 0) {
        std::fprintf(stderr, "sorlin-media: started without its socket (--socket N)\n");
        return 2;
    }
    // A window process that dies takes this one with it; one that died before this line was
    // reached has left it to another parent already.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (parent != 0 && ::getppid() != parent)
        return 1;
    std::signal(SIGPIPE, SIG_IGN);
    LimitWhatAHostileFileCanDo();

    QCoreApplication app(argc, argv);
    // Nothing of the media libraries is torn down on the way out: a pipeline whose streaming
    // thread is stuck would hold the exit up, and the window has forgotten them already.
    mediahost::MediaServer server(socket, [](const QString& reason) {
        qCDebug(lcPlatform) << "media process: the window went away:" << reason;
        std::_Exit(0);
    });
    return app.exec();
}
