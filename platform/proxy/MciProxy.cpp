#include "MciProxy.h"

#include "MediaProcess.h"
#include "platform/ipc/MciCommand.h"

#include <algorithm>

namespace platform {

namespace {

// Opening a drive waits for it to spin up, and a play waits for the sound to start: the
// interpreter's own waits stay well inside this.
constexpr int kMciBoundMs = 15000;

} // namespace

unsigned mciSendString(const QString& command, QString* reply, QObject* callback)
{
    QString ignored;
    if (!reply)
        reply = &ignored;
    reply->clear();
    const mci::MciCommand parsed = mci::SplitMciCommand(command);
    const bool opens = !parsed.words.empty() && parsed.words.front().Is("open");
    const bool notify = std::any_of(parsed.words.begin(), parsed.words.end(), [](const mci::MciWord& word) {
        return !word.quoted && word.Is("notify");
    });
    MediaProcess& process = MediaProcess::Instance();
    const quint32 token = process.NotifyToken(callback);
    QByteArray answer;
    quint32 error = MCIERR_HARDWARE;
    QString text;
    qint32 device = 0;
    if (!process.Call(ipc::Op::MciSend, 0, ipc::Pack(command, token), &answer, kMciBoundMs,
                      opens ? MediaProcess::Start::IfNeeded : MediaProcess::Start::Never) ||
        !(ipc::Unpack(answer) >> error >> text >> device).Ok())
        return MCIERR_HARDWARE;
    if (error == 0 && notify && token != 0)
        process.ExpectNotification(token, device);
    *reply = text;
    return error;
}

} // namespace platform
