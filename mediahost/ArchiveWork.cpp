#include "ArchiveWork.h"

#include "platform/ipc/Connection.h"
#include "platform/susie/ArchiveAccess.h"

#include <QMetaObject>

#include <atomic>
#include <mutex>
#include <thread>

namespace mediahost {

using platform::ipc::Header;
using platform::ipc::MessageType;
using platform::ipc::Op;
using platform::ipc::Pack;
using platform::ipc::Unpack;

namespace {

// Room for the header and the fixed fields beside a listing's names.
constexpr qsizetype kListingMargin = 4096;

QByteArray ListingAnswer(platform::ArchiveListing listing, const QString& pluginFile,
                         const std::vector<platform::ArchiveMember>& members)
{
    QStringList names;
    QList<quint32> sizes;
    names.reserve(static_cast<qsizetype>(members.size()));
    sizes.reserve(static_cast<qsizetype>(members.size()));
    for (const platform::ArchiveMember& member : members) {
        names << member.FullName();
        sizes << member.size;
    }
    QByteArray answer = Pack(qint32(listing), pluginFile, names, sizes);
    if (answer.size() > qsizetype(platform::ipc::Connection::kMaxMessage) - kListingMargin)
        answer = Pack(qint32(platform::ArchiveListing::kTooMany), QString(), QStringList(), QList<quint32>());
    return answer;
}

} // namespace

// What the threads reach of this object: nothing once it is gone.
struct ArchiveWork::Shared
{
    std::mutex lock;
    ArchiveWork* owner = nullptr;

    // Runs `call` on the owner's thread, if the owner is still there.
    void Post(std::function<void(ArchiveWork&)> call)
    {
        const std::lock_guard<std::mutex> held(lock);
        if (!owner)
            return;
        ArchiveWork* target = owner;
        QMetaObject::invokeMethod(
            target, [target, call = std::move(call)] { call(*target); }, Qt::QueuedConnection);
    }
};

struct ArchiveWork::Job
{
    Header request;
    std::atomic<bool> stop{false};
    std::thread thread;
};

ArchiveWork::ArchiveWork(std::function<void(const Header&, const QByteArray&)> reply,
                         std::function<void(quint32, const QByteArray&)> progress)
    : reply(std::move(reply)), progress(std::move(progress)), shared(std::make_shared<Shared>())
{
    shared->owner = this;
}

ArchiveWork::~ArchiveWork()
{
    {
        const std::lock_guard<std::mutex> held(shared->lock);
        shared->owner = nullptr;
    }
    // A thread held by a plug-in is not waited for: the process is on its way out.
    for (auto& [id, job] : jobs) {
        job->stop = true;
        job->thread.detach();
    }
}

bool ArchiveWork::Start(const Header& request, const QByteArray& arguments)
{
    const auto op = static_cast<Op>(request.code);
    std::function<QByteArray(std::atomic<bool>&)> work;
    Unpack in(arguments);
    if (op == Op::ArchiveList) {
        QString pluginFolder, path;
        qint32 maxMembers = 0;
        if (!(in >> pluginFolder >> path >> maxMembers).Ok())
            return false;
        work = [pluginFolder, path, maxMembers](std::atomic<bool>&) {
            platform::LocalArchives archives;
            QString pluginFile;
            std::vector<platform::ArchiveMember> members;
            const platform::ArchiveListing listing =
                archives.List(pluginFolder, path, std::max(maxMembers, 0), &pluginFile, &members);
            return ListingAnswer(listing, pluginFile, members);
        };
    } else if (op == Op::ArchiveExtract) {
        QString pluginFile, archive, member, target;
        qint64 maxBytes = 0;
        if (!(in >> pluginFile >> archive >> member >> target >> maxBytes).Ok())
            return false;
        const quint32 token = request.handle;
        const std::shared_ptr<Shared> reach = shared;
        work = [=](std::atomic<bool>& stop) {
            platform::ArchiveProgress watch;
            watch.report = [reach, token](int percent, qint64 total) {
                const QByteArray event = Pack(qint32(percent), qint64(total));
                reach->Post([token, event](ArchiveWork& owner) { owner.progress(token, event); });
            };
            watch.stop = [&stop] { return stop.load(); };
            platform::LocalArchives archives;
            return Pack(qint32(archives.Extract(pluginFile, archive, member, target, maxBytes, watch)));
        };
    } else {
        return false;
    }
    auto job = std::make_unique<Job>();
    job->request = request;
    Job* running = job.get();
    const quint32 id = request.id;
    // A request id is used once; one that comes again is a broken window and is refused.
    if (!jobs.emplace(id, std::move(job)).second)
        return false;
    running->thread = std::thread([reach = shared, running, id, work = std::move(work)] {
        const QByteArray answer = work(running->stop);
        reach->Post([id, answer](ArchiveWork& owner) { owner.Finish(id, answer); });
    });
    return true;
}

void ArchiveWork::Stop(quint32 token)
{
    for (auto& [id, job] : jobs) {
        if (job->request.handle == token && static_cast<Op>(job->request.code) == Op::ArchiveExtract)
            job->stop = true;
    }
}

void ArchiveWork::Finish(quint32 id, const QByteArray& answer)
{
    const auto found = jobs.find(id);
    if (found == jobs.end())
        return;
    found->second->thread.join();
    const Header request = found->second->request;
    jobs.erase(found);
    reply(request, answer);
}

} // namespace mediahost
