#include "MprisService.h"

#include "platform/Log.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// A jump of the place in the item by more than this from where the time alone would have taken
// it is a seek.
constexpr qint64 kSeekToleranceMs = 1500;

QString StatusName(MediaControlsState::Status status)
{
    switch (status) {
    case MediaControlsState::Status::kPlaying:
        return QStringLiteral("Playing");
    case MediaControlsState::Status::kPaused:
        return QStringLiteral("Paused");
    case MediaControlsState::Status::kStopped:
        break;
    }
    return QStringLiteral("Stopped");
}

// An item as the desktop wants its address: a file as a file URL, an address as it is.
QString ItemUrl(const QString& item)
{
    if (item.contains(QStringLiteral("://")))
        return item;
    return QUrl::fromLocalFile(item).toString(QUrl::FullyEncoded);
}

} // namespace

// org.mpris.MediaPlayer2: who the player is.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service(service) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Sorlin"); }
    QString DesktopEntry() const { return QStringLiteral("org.sorlin.Sorlin"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file"), QStringLiteral("http")}; }
    QStringList SupportedMimeTypes() const
    {
        return {QStringLiteral("audio/mpeg"),      QStringLiteral("audio/ogg"),
                QStringLiteral("audio/x-wav"),     QStringLiteral("audio/x-ms-wma"),
                QStringLiteral("audio/midi"),      QStringLiteral("audio/flac"),
                QStringLiteral("video/mpeg"),      QStringLiteral("video/mp4"),
                QStringLiteral("video/x-msvideo"), QStringLiteral("video/x-ms-wmv"),
                QStringLiteral("video/ogg"),       QStringLiteral("audio/x-mpegurl"),
                QStringLiteral("application/zip"), QStringLiteral("image/bmp"),
                QStringLiteral("image/jpeg"),      QStringLiteral("image/png")};
    }

public slots:
    void Raise() { service->Controls().Raise(); }
    void Quit() { service->Controls().Quit(); }

private:
    MprisService* service;
};

// org.mpris.MediaPlayer2.Player: what plays and how to drive it.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service(service)
    {
        connect(service, &MprisService::Seeked, this, &MprisPlayerAdaptor::Seeked);
    }

    QString PlaybackStatus() const { return Property(QStringLiteral("PlaybackStatus")).toString(); }
    QString LoopStatus() const { return Property(QStringLiteral("LoopStatus")).toString(); }
    void SetLoopStatus(const QString& value)
    {
        // Only the whole list repeats: "Track" is taken as a wish to repeat.
        if (value != u"None" && value != u"Track" && value != u"Playlist")
            return;
        service->Controls().SetRepeat(value != u"None");
        service->Refresh();
    }
    double Rate() const { return 1.0; }
    // Only the normal rate is offered; any other is not taken.
    void SetRate(double) {}
    bool Shuffle() const { return service->Current().shuffle; }
    void SetShuffle(bool on)
    {
        service->Controls().SetShuffle(on);
        service->Refresh();
    }
    QVariantMap Metadata() const { return Property(QStringLiteral("Metadata")).toMap(); }
    double Volume() const { return service->Current().volume; }
    void SetVolume(double value)
    {
        if (!std::isfinite(value))
            return;
        service->Controls().SetVolume(std::clamp(value, 0.0, 1.0));
        service->Refresh();
    }
    qlonglong Position() const
    {
        const qint64 ms = service->Controls().CurrentPosition();
        return ms < 0 ? 0 : ms * 1000;
    }
    bool CanGoNext() const { return service->Current().canGoNext; }
    bool CanGoPrevious() const { return service->Current().canGoPrevious; }
    bool CanPlay() const { return service->Current().canPlay; }
    bool CanPause() const { return service->Current().canPause; }
    bool CanSeek() const { return service->Current().canSeek; }
    bool CanControl() const { return true; }

public slots:
    void Next() { Do(MediaControls::Command::kNext); }
    void Previous() { Do(MediaControls::Command::kPrevious); }
    void Pause() { Do(MediaControls::Command::kPause); }
    void PlayPause() { Do(MediaControls::Command::kPlayPause); }
    void Stop() { Do(MediaControls::Command::kStop); }
    void Play() { Do(MediaControls::Command::kPlay); }
    void Seek(qlonglong offset)
    {
        if (!service->Current().canSeek)
            return;
        const qint64 now = std::max<qint64>(service->Controls().CurrentPosition(), 0);
        service->SeekTo(now + offset / 1000);
    }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position)
    {
        // A stale track id, a place before the start or past the end: nothing happens.
        const MediaControlsState& state = service->Current();
        if (!state.canSeek || trackId.path() != MprisService::TrackId(state) || position < 0 ||
            (state.length >= 0 && position / 1000 > state.length))
            return;
        service->SeekTo(position / 1000);
    }
    // The message is the call itself, for the error reply to an address that cannot open.
    void OpenUri(const QString& uri, const QDBusMessage& call)
    {
        const QUrl url(uri, QUrl::StrictMode);
        QString location;
        if (url.isValid() && url.isLocalFile())
            location = url.toLocalFile();
        else if (url.isValid() && url.scheme() == u"http")
            location = url.toString(QUrl::FullyEncoded);
        if (location.isEmpty() || !service->Controls().OpenLocation(location)) {
            call.setDelayedReply(true);
            service->Reply(call.createErrorReply(QDBusError::InvalidArgs,
                                                 QStringLiteral("cannot open %1").arg(uri.left(200))));
            return;
        }
        service->Refresh();
    }

signals:
    void Seeked(qlonglong position);

private:
    QVariant Property(const QString& name) const
    {
        return MprisService::PlayerProperties(service->Current()).value(name);
    }
    void Do(MediaControls::Command command)
    {
        service->Controls().Transport(command);
        service->Refresh();
    }

    MprisService* service;
};

MprisService::MprisService(MediaControls& mediaControls, QObject* parent)
    : QObject(parent), controls(mediaControls)
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MprisService::~MprisService()
{
    if (registered) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        bus.unregisterService(QString::fromLatin1(kServiceName));
    }
}

bool MprisService::Register(QDBusConnection connection)
{
    if (registered || !connection.isConnected())
        return false;
    if (!connection.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    if (!connection.registerService(QString::fromLatin1(kServiceName))) {
        qCInfo(lcApp).noquote() << "the desktop's media controls are not offered:" << kServiceName
                                << "is taken";
        connection.unregisterObject(QString::fromLatin1(kObjectPath));
        return false;
    }
    bus = connection;
    registered = true;
    last = controls.ControlsState();
    sinceLast.start();
    return true;
}

QString MprisService::TrackId(const MediaControlsState& state)
{
    if (state.index < 0 || state.item.isEmpty())
        return kNoTrack;
    return QStringLiteral("/org/sorlin/Sorlin/Track/%1").arg(state.index);
}

QVariantMap MprisService::PlayerProperties(const MediaControlsState& state)
{
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId(state))));
    if (!state.item.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:title"), state.title);
        metadata.insert(QStringLiteral("xesam:url"), ItemUrl(state.item));
        if (state.length >= 0)
            metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(state.length) * 1000);
    }
    return {
        {QStringLiteral("PlaybackStatus"), StatusName(state.status)},
        {QStringLiteral("LoopStatus"), state.repeat ? QStringLiteral("Playlist") : QStringLiteral("None")},
        {QStringLiteral("Shuffle"), state.shuffle},
        {QStringLiteral("Metadata"), metadata},
        {QStringLiteral("Volume"), state.volume},
        {QStringLiteral("CanGoNext"), state.canGoNext},
        {QStringLiteral("CanGoPrevious"), state.canGoPrevious},
        {QStringLiteral("CanPlay"), state.canPlay},
        {QStringLiteral("CanPause"), state.canPause},
        {QStringLiteral("CanSeek"), state.canSeek},
    };
}

void MprisService::SeekTo(qint64 ms)
{
    ms = std::max<qint64>(ms, 0);
    if (last.length >= 0 && ms > last.length) {
        controls.Transport(MediaControls::Command::kNext);
        Refresh();
        return;
    }
    if (!controls.SeekTo(ms))
        return;
    Refresh();
    const qint64 now = controls.CurrentPosition();
    last.position = now;
    sinceLast.restart();
    emit Seeked(std::max<qint64>(now, 0) * 1000);
}

void MprisService::Refresh()
{
    if (!registered)
        return;
    const MediaControlsState now = controls.ControlsState();
    // The place moves at every tick while something plays, and is no property that is signalled:
    // the properties are compared only when something else changed.
    MediaControlsState placeAside = now;
    placeAside.position = last.position;
    if (!(placeAside == last)) {
        const QVariantMap before = PlayerProperties(last);
        const QVariantMap properties = PlayerProperties(now);
        QVariantMap changed;
        for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
            if (before.value(it.key()) != it.value())
                changed.insert(it.key(), it.value());
        }
        if (!changed.isEmpty())
            EmitChanged(kPlayerInterface, changed);
    }

    // The place jumped within the same item: someone sought.
    const qint64 elapsed = sinceLast.restart();
    if (now.index == last.index && now.item == last.item && now.position >= 0 && last.position >= 0) {
        const qint64 expected =
            last.position + (last.status == MediaControlsState::Status::kPlaying ? elapsed : 0);
        if (std::abs(now.position - expected) > kSeekToleranceMs + elapsed / 2)
            emit Seeked(now.position * 1000);
    }
    last = now;
}

void MprisService::Reply(const QDBusMessage& reply)
{
    bus.send(reply);
}

void MprisService::EmitChanged(const QString& interfaceName, const QVariantMap& changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << interfaceName << changed << QStringList();
    bus.send(signal);
}

#include "MprisService.moc"
