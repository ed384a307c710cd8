#pragma once
// The window's requests that take as long as their work (archive listings and extractions,
// downloads), each carried out on a thread of its own, so that the graphs and MCI devices are
// served meanwhile and a plug-in or a server that hangs holds only its thread (the window ends the
// whole process when it has waited past its bound). Extractions and downloads report their
// progress as events and stop when the window asks. UI thread of the media process.

#include "platform/ipc/MediaProtocol.h"

#include <QObject>
#include <QTranslator>

#include <functional>
#include <map>
#include <memory>

namespace mediahost {

class ThreadedWork : public QObject
{
public:
    // `reply` sends the answer to a request; `progress` sends a progress event for a token.
    ThreadedWork(std::function<void(const platform::ipc::Header&, const QByteArray&)> reply,
                 std::function<void(quint32 token, const QByteArray&)> progress);
    ~ThreadedWork() override;

    // Starts `request`; false when it is none of these (the caller answers it).
    bool Start(const platform::ipc::Header& request, const QByteArray& arguments);
    // Asks the work that reports to `token` to stop.
    void Stop(quint32 token);

private:
    struct Job;
    struct Shared;
    void Finish(quint32 id, const QByteArray& answer);
    void SpeakJapanese();

    std::function<void(const platform::ipc::Header&, const QByteArray&)> reply;
    std::function<void(quint32, const QByteArray&)> progress;
    std::shared_ptr<Shared> shared;
    std::map<quint32, std::unique_ptr<Job>> jobs; // by request id
    std::unique_ptr<QTranslator> qtTexts;
};

} // namespace mediahost
