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
#include <unistd.h>

int main(int argc, char** argv)
{
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

    QCoreApplication app(argc, argv);
    // Nothing of the media libraries is torn down on the way out: a pipeline whose streaming
    // thread is stuck would hold the exit up, and the window has forgotten them already.
    mediahost::MediaServer server(socket, [](const QString& reason) {
        qCDebug(lcPlatform) << "media process: the window went away:" << reason;
        std::_Exit(0);
    });
    return app.exec();
}
