#include "ThreadedWork.h"

#include "platform/ipc/Connection.h"
#include "platform/net/HttpDownload.h"
#include "platform/susie/ArchiveAccess.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMetaObject>
#include <QTranslator>

#include <algorithm>
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

// Room for the header and the fixed fields beside a listing's records.
constexpr qsizetype kListingMargin = 4096;

// The members go over as the plug-in wrote them; the window decodes their names.
QByteArray ListingAnswer(platform::LocalArchives& archives, const QString& pluginFolder, const QString& path,
                         int maxMembers)
{
    const auto refused = [](platform::ArchiveListing listing) {
        return Pack(qint32(listing), QString(), quint32(0), QByteArray());
    };
    const std::shared_ptr<const platform::SusiePlugin> plugin = archives.FindPlugin(pluginFolder, path);
    if (!plugin)
        return refused(platform::ArchiveListing::kNotListed);
    QByteArray block;
    quint32 count = 0;
    const platform::ArchiveListing listing =
        platform::ReadArchiveRecords(*plugin, path, maxMembers, [&](const platform::ArchiveRecord& record) {
            platform::AppendArchiveRecord(&block, record);
            ++count;
        });
    if (listing != platform::ArchiveListing::kListed)
        return refused(listing);
    if (block.size() > qsizetype(platform::ipc::Connection::kMaxMessage) - kListingMargin)
        return refused(platform::ArchiveListing::kTooMany);
    return Pack(qint32(listing), plugin->Path(), count, block);
}

// The download, skipping the body when the cache's copy is this version already. `report` gets
// the share done (against lengthWithoutHeader when the answer has no length, and never past the
// whole) and the bytes written.
QByteArray DownloadAnswer(const platform::ipc::DownloadRequest& terms, std::atomic<bool>& stop,
                          const std::function<void(int percent, qint64 written)>& report)
{
    platform::HttpDownload download(terms.agent, terms.limits);
    QString stamp;
    const auto length = [&] {
        const qint64 announced = download.GetResponse().contentLength;
        return announced >= 0 ? announced : terms.lengthWithoutHeader;
    };
    download.wantBody = [&](const platform::HttpDownload::Response&) {
        stamp = platform::ipc::FormatStamp(download.GetResponse().lastModified);
        return !(terms.keepCopy && stamp == terms.knownStamp && terms.copyBytes >= length());
    };
    download.progress = [&](qint64 written) {
        const qint64 whole = length();
        report(whole > 0 ? static_cast<int>(std::min<qint64>(written * 100 / whole, 100)) : 100, written);
    };
    download.bodyStarts = [&] { report(0, 0); };
    download.stop = [&stop] { return stop.load(); };
    const platform::HttpDownload::Result result = download.Run(QUrl(terms.address), terms.file);
    const platform::HttpDownload::Response& response = download.GetResponse();
    return Pack(qint32(result), qint32(download.GetFailure()), download.FailureDetail(),
                qint32(response.status), response.rawHeaders, stamp, response.contentLength,
                download.BytesWritten());
}

} // namespace

// What the threads reach of this object: nothing once it is gone.
struct ThreadedWork::Shared
{
    std::mutex lock;
    ThreadedWork* owner = nullptr;
    // Keeps the plug-in modules between requests; used by any job's thread.
    platform::LocalArchives archives;

    // Runs `call` on the owner's thread, if the owner is still there.
    void Post(std::function<void(ThreadedWork&)> call)
    {
        const std::lock_guard<std::mutex> held(lock);
        if (!owner)
            return;
        ThreadedWork* target = owner;
        QMetaObject::invokeMethod(
            target, [target, call = std::move(call)] { call(*target); }, Qt::QueuedConnection);
    }
};

struct ThreadedWork::Job
{
    Header request;
    std::atomic<bool> stop{false};
    std::thread thread;
};

ThreadedWork::ThreadedWork(std::function<void(const Header&, const QByteArray&)> reply,
                           std::function<void(quint32, const QByteArray&)> progress)
    : reply(std::move(reply)), progress(std::move(progress)), shared(std::make_shared<Shared>())
{
    shared->owner = this;
}

ThreadedWork::~ThreadedWork()
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

void ThreadedWork::SpeakJapanese()
{
    // The network's reasons reach the user in the window's message: in its language, as the
    // window's own Qt texts are. Loaded on the first download, not at every start.
    if (qtTexts)
        return;
    qtTexts = std::make_unique<QTranslator>();
    if (qtTexts->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts.get());
}

bool ThreadedWork::Start(const Header& request, const QByteArray& arguments)
{
    const auto op = static_cast<Op>(request.code);
    std::function<QByteArray(std::atomic<bool>&)> work;
    Unpack in(arguments);
    if (op == Op::ArchiveList) {
        QString pluginFolder, path;
        qint32 maxMembers = 0;
        if (!(in >> pluginFolder >> path >> maxMembers).Ok())
            return false;
        work = [reach = shared, pluginFolder, path, maxMembers](std::atomic<bool>&) {
            return ListingAnswer(reach->archives, pluginFolder, path, std::max(maxMembers, 0));
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
                reach->Post([token, event](ThreadedWork& owner) { owner.progress(token, event); });
            };
            watch.stop = [&stop] { return stop.load(); };
            return Pack(
                qint32(reach->archives.Extract(pluginFile, archive, member, target, maxBytes, watch)));
        };
    } else if (op == Op::Download) {
        SpeakJapanese();
        platform::ipc::DownloadRequest terms;
        if (!(in >> terms).Ok())
            return false;
        const quint32 token = request.handle;
        const std::shared_ptr<Shared> reach = shared;
        work = [=](std::atomic<bool>& stop) {
            return DownloadAnswer(terms, stop, [reach, token](int percent, qint64 written) {
                const QByteArray event = Pack(qint32(percent), written);
                reach->Post([token, event](ThreadedWork& owner) { owner.progress(token, event); });
            });
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
        reach->Post([id, answer](ThreadedWork& owner) { owner.Finish(id, answer); });
    });
    return true;
}

void ThreadedWork::Stop(quint32 token)
{
    for (auto& [id, job] : jobs) {
        if (job->request.handle == token && static_cast<Op>(job->request.code) == Op::ArchiveExtract)
            job->stop = true;
    }
}

void ThreadedWork::Finish(quint32 id, const QByteArray& answer)
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
