#include "DvdGraphProxy.h"

namespace platform {

using ipc::DvdCommandId;
using ipc::Op;
using ipc::Pack;
using ipc::Unpack;

namespace {

// Reading a disc's table or looking a file up on it may wait for the drive to spin up.
constexpr int kDiscReadBoundMs = 15000;

} // namespace

DvdGraphProxy::DvdGraphProxy(QObject* owner, unsigned notifyMessage) : GraphProxy(owner, notifyMessage) {}

DvdGraphProxy::~DvdGraphProxy()
{
    DvdGraphProxy::Close();
}

bool DvdGraphProxy::FrameworkAvailable()
{
    return AskFramework(true);
}

bool DvdGraphProxy::RenderDvd(const QString& path, int decodeFlags, int timeoutMs)
{
    ipc::RenderResult result;
    if (!Render(path, true, decodeFlags, timeoutMs + kDiscReadBoundMs, timeoutMs, &result))
        return false;
    device = result.device;
    volume = result.volume;
    return true;
}

void DvdGraphProxy::Close()
{
    GraphProxy::Close();
    device.clear();
    volume = {};
    still = false;
    selectedButton = 0;
}

bool DvdGraphProxy::TakeDvdEvent(Event* event)
{
    if (events.empty())
        return false;
    *event = events.front();
    events.pop_front();
    return true;
}

void DvdGraphProxy::OnGraphEvent(const Event& event)
{
    if (event.code == EC_DVD_STILL_ON || event.code == EC_DVD_STILL_OFF)
        still = event.code == EC_DVD_STILL_ON;
    else if (event.code == EC_DVD_BUTTON_CHANGE)
        selectedButton = static_cast<int>(event.p2);
}

bool DvdGraphProxy::ReadVolume(DvdVolume* read, QString* error) const
{
    QByteArray answer;
    bool ok = false;
    QString text;
    DvdVolume table;
    if (!Ask(Op::DvdReadVolume, {}, &answer, kDiscReadBoundMs) ||
        !Read(Op::DvdReadVolume, answer, ok, text, table))
        return false;
    if (!ok) {
        if (error)
            *error = text;
        return false;
    }
    *read = table;
    return true;
}

DvdDomain DvdGraphProxy::Domain() const
{
    QByteArray answer;
    qint32 domain = 0;
    if (!Ask(Op::DvdDomain, {}, &answer) || !(Unpack(answer) >> domain).Ok())
        return DvdDomain::kFirstPlay;
    return DvdDomainFromValue(domain);
}

bool DvdGraphProxy::CurrentLocation(DvdLocation* location) const
{
    QByteArray answer;
    bool known = false;
    DvdLocation read;
    if (!Ask(Op::DvdLocation, {}, &answer) || !Read(Op::DvdLocation, answer, known, read) || !known)
        return false;
    *location = read;
    return true;
}

DvdGraphProxy::Streams DvdGraphProxy::AskStreams() const
{
    QByteArray answer;
    qint32 audio = -1, subpicture = -1;
    bool shown = false;
    if (!Ask(Op::DvdStreams, {}, &answer) || !Read(Op::DvdStreams, answer, audio, subpicture, shown))
        return {};
    // -1 for none, else a stream the format has.
    if (audio < -1 || audio >= ipc::kMaxDvdAudioStreams || subpicture < -1 ||
        subpicture >= ipc::kMaxDvdSubpictureStreams) {
        Broken(Op::DvdStreams);
        return {};
    }
    return {audio, subpicture, shown};
}

int DvdGraphProxy::ActiveAudio() const
{
    return AskStreams().audio;
}

int DvdGraphProxy::ActiveSubpicture() const
{
    return AskStreams().subpicture;
}

bool DvdGraphProxy::SubpicturesShown() const
{
    return AskStreams().shown;
}

bool DvdGraphProxy::CurrentAngle(int* count, int* current) const
{
    QByteArray answer;
    bool known = false;
    qint32 angles = 0, now = 0;
    if (!Ask(Op::DvdAngle, {}, &answer) || !Read(Op::DvdAngle, answer, known, angles, now) || !known)
        return false;
    if (angles < 0 || angles > ipc::kMaxDvdAngles || now < 0 || now > angles)
        return Broken(Op::DvdAngle);
    *count = angles;
    *current = now;
    return true;
}

bool DvdGraphProxy::Command(const ipc::DvdCommandArgs& command)
{
    return AskYes(Op::DvdCommand, Pack(command));
}

#define SORLIN_DVD_COMMAND_REQUEST(name, parameters, arguments)                                              \
    bool DvdGraphProxy::name parameters                                                                      \
    {                                                                                                        \
        return Command(ipc::MakeDvdCommand(DvdCommandId::name) arguments);                                   \
    }
SORLIN_DVD_COMMANDS(SORLIN_DVD_COMMAND_REQUEST)
#undef SORLIN_DVD_COMMAND_REQUEST

bool DvdVolumeHasFile(const QString& device, const QString& pathInVolume)
{
    QByteArray answer;
    bool has = false;
    return MediaProcess::Instance().Call(Op::DvdVolumeHasFile, 0, Pack(device, pathInVolume), &answer,
                                         kDiscReadBoundMs, MediaProcess::Start::IfNeeded) &&
           (Unpack(answer) >> has).Ok() && has;
}

} // namespace platform
