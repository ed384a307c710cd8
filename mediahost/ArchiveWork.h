#pragma once
// The archive requests of the window, each carried out on a thread of its own, so that the
// graphs and MCI devices are served meanwhile and a plug-in that hangs holds only its thread
// (the window ends the whole process when it has waited past its bound). An extraction reports
// its progress as events and stops when the window asks. UI thread of the media process.

#include "platform/ipc/MediaProtocol.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>

namespace mediahost {

class ArchiveWork : public QObject
{
public:
    // `reply` sends the answer to a request; `progress` sends a progress event for a token.
    ArchiveWork(std::function<void(const platform::ipc::Header&, const QByteArray&)> reply,
                std::function<void(quint32 token, const QByteArray&)> progress);
    ~ArchiveWork() override;

    // Starts the archive request `request`; false when it is none (the caller answers it).
    bool Start(const platform::ipc::Header& request, const QByteArray& arguments);
    // Asks the extraction that reports to `token` to stop.
    void Stop(quint32 token);

private:
    struct Job;
    struct Shared;
    void Finish(quint32 id, const QByteArray& answer);

    std::function<void(const platform::ipc::Header&, const QByteArray&)> reply;
    std::function<void(quint32, const QByteArray&)> progress;
    std::shared_ptr<Shared> shared;
    std::map<quint32, std::unique_ptr<Job>> jobs; // by request id
};

} // namespace mediahost
