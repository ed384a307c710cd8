#include "MciInterpreter.h"

#include "Mci.h"
#include "platform/Drives.h"
#include "platform/Log.h"

#include <QFileInfo>

namespace platform::mci {

struct MciInterpreter::DriveState
{
    explicit DriveState(const QString& path)
        : drive(path), player([this](bool completed) { OnPlayEnded(completed); })
    {}

    const CdToc* Toc()
    {
        if (const CdToc* toc = drive.Toc())
            return toc;
        return drive.ReadToc();
    }
    void OnPlayEnded(bool completed) { PostNotify(completed ? MCI_NOTIFY_SUCCESSFUL : MCI_NOTIFY_FAILURE); }
    void PostNotify(WPARAM flags)
    {
        if (!notifyPending)
            return;
        notifyPending = false;
        if (notifyTarget)
            PostWindowMessage(notifyTarget, MM_MCINOTIFY, flags, notifyId);
    }

    CdDrive drive;
    CdAudioPlayer player;
    QPointer<QObject> notifyTarget;
    int notifyId = 0;
    bool notifyPending = false;
    int playOwner = 0; // the device that started the sound
};

MciInterpreter::MciInterpreter() = default;

MciInterpreter::~MciInterpreter() = default;

MciInterpreter::DriveState& MciInterpreter::DriveFor(const QString& path)
{
    auto& state = drives[path];
    if (!state)
        state = std::make_unique<DriveState>(path);
    return *state;
}

MciInterpreter::Device* MciInterpreter::Find(const QString& alias)
{
    for (Device& device : devices) {
        if (device.alias.compare(alias, Qt::CaseInsensitive) == 0)
            return &device;
    }
    return nullptr;
}

void MciInterpreter::EndPlay(DriveState& drive, WPARAM flags)
{
    drive.player.Stop();
    drive.PostNotify(flags);
}

unsigned MciInterpreter::Send(const QString& command, QString* reply, QObject* callback, int* deviceId)
{
    QString ignored;
    if (!reply)
        reply = &ignored;
    reply->clear();
    int unusedId = 0;
    if (!deviceId)
        deviceId = &unusedId;
    *deviceId = 0;
    const MciCommand parsed = SplitMciCommand(command);
    if (parsed.unclosedQuote)
        return MCIERR_NO_CLOSING_QUOTE;
    if (parsed.words.empty())
        return MCIERR_MISSING_COMMAND_STRING;
    const MciWord& verb = parsed.words[0];
    if (verb.Is("open")) {
        const unsigned error = Open(command, parsed, reply, callback);
        if (error == 0)
            *deviceId = reply->toInt();
        return error;
    }
    if (parsed.words.size() < 2)
        return MCIERR_MISSING_DEVICE_NAME;
    Device* device = Find(parsed.words[1].text);
    if (!device)
        return MCIERR_INVALID_DEVICE_NAME;

    Request request;
    request.callback = callback;
    for (size_t i = 2; i < parsed.words.size(); ++i) {
        const MciWord& word = parsed.words[i];
        if (word.Is("wait"))
            continue;
        if (word.Is("notify"))
            request.notify = true;
        else
            request.words.push_back(word);
    }
    const int id = device->id;
    *deviceId = id;
    DriveState& drive = *device->drive;

    unsigned error = MCIERR_UNRECOGNIZED_COMMAND;
    if (verb.Is("close"))
        error = Close(*device);
    else if (verb.Is("status"))
        error = Status(*device, request, reply);
    else if (verb.Is("set"))
        error = Set(*device, request);
    else if (verb.Is("seek"))
        error = Seek(*device, request);
    else if (verb.Is("play"))
        error = Play(*device, request);
    else if (verb.Is("info"))
        error = Info(*device, request, reply);
    else if (verb.Is("pause") || verb.Is("stop")) {
        error = request.words.empty() ? 0u : MCIERR_UNRECOGNIZED_KEYWORD;
        if (error == 0 && drive.player.IsPlaying()) {
            if (verb.Is("pause"))
                drive.player.Pause();
            else
                drive.player.Stop();
            drive.PostNotify(MCI_NOTIFY_ABORTED);
        } else if (error == 0 && verb.Is("stop")) {
            drive.player.Stop();
        }
    } else if (verb.Is("resume")) {
        error = request.words.empty() ? 0u : MCIERR_UNRECOGNIZED_KEYWORD;
        if (error == 0 && drive.player.IsPaused())
            drive.player.Resume();
    }
    if (error != 0) {
        reply->clear();
        return error;
    }
    // A play's notification comes when the sound ends; every other command's comes now.
    if (request.notify && !verb.Is("play") && callback)
        PostWindowMessage(callback, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

unsigned MciInterpreter::Open(const QString& command, const MciCommand& parsed, QString* reply,
                              QObject* callback)
{
    const std::vector<MciWord>& words = parsed.words;
    // The device name may be a path with blanks: the known keywords are taken off the end
    // and whatever stands between "open" and them is the name.
    size_t last = words.size() - 1;
    QString alias;
    QString type;
    bool notify = false;
    while (last >= 2) {
        if (words[last - 1].Is("alias") && alias.isEmpty()) {
            alias = words[last].text;
            last -= 2;
        } else if (words[last - 1].Is("type") && type.isEmpty()) {
            type = words[last].text;
            last -= 2;
        } else if (words[last].Is("wait") || words[last].Is("shareable")) {
            last -= 1;
        } else if (words[last].Is("notify")) {
            notify = true;
            last -= 1;
        } else {
            break;
        }
    }
    if (last < 1)
        return MCIERR_MISSING_DEVICE_NAME;
    const QString name = last == 1 && words[1].quoted
                             ? words[1].text
                             : command.mid(words[1].begin, words[last].end - words[1].begin);
    QString element;
    const qsizetype bang = name.indexOf(u'!');
    if (bang >= 0) {
        type = name.left(bang);
        element = name.mid(bang + 1);
        if (element.size() >= 2 && element.startsWith(u'"') && element.endsWith(u'"'))
            element = element.mid(1, element.size() - 2);
    } else if (type.isEmpty()) {
        type = name;
    } else {
        element = name;
    }
    if (type.compare(QLatin1String("cdaudio"), Qt::CaseInsensitive) != 0)
        return MCIERR_CANNOT_LOAD_DRIVER;
    if (alias.isEmpty())
        alias = bang >= 0 || element.isEmpty() ? name : element;
    if (Find(alias))
        return MCIERR_DUPLICATE_ALIAS;
    if (element.isEmpty())
        element = DriveTable::FromSystem().FirstOpticalDrive();
    if (element.isEmpty() || !QFileInfo::exists(element))
        return MCIERR_INVALID_DEVICE_NAME;

    Device device;
    device.alias = alias;
    device.id = nextId++;
    device.drive = &DriveFor(element);
    // The disc may have been changed by hand since the drive was last asked.
    if (!device.drive->player.IsPlaying() && !device.drive->player.IsPaused())
        device.drive->drive.ReadToc();
    devices.push_back(device);
    if (notify && callback)
        PostWindowMessage(callback, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, device.id);
    *reply = QString::number(device.id);
    return 0;
}

unsigned MciInterpreter::Close(Device& device)
{
    DriveState& drive = *device.drive;
    if (drive.playOwner == device.id && (drive.player.IsPlaying() || drive.player.IsPaused()))
        EndPlay(drive, MCI_NOTIFY_ABORTED);
    const int id = device.id;
    std::erase_if(devices, [id](const Device& d) { return d.id == id; });
    return 0;
}

namespace {

// The track number after a "track" keyword at `index`.
unsigned TrackArgument(const std::vector<MciWord>& words, size_t index, const CdToc& toc,
                       const CdTrack** track)
{
    if (index + 1 >= words.size())
        return MCIERR_MISSING_PARAMETER;
    int number = 0;
    if (!ParseMciNumber(words[index + 1].text, false, &number))
        return MCIERR_BAD_INTEGER;
    *track = toc.Track(number);
    return *track ? 0u : MCIERR_OUTOFRANGE;
}

bool WordsAre(const std::vector<MciWord>& words, std::initializer_list<const char*> keywords)
{
    if (words.size() != keywords.size())
        return false;
    size_t i = 0;
    for (const char* keyword : keywords) {
        if (!words[i++].Is(keyword))
            return false;
    }
    return true;
}

} // namespace

unsigned MciInterpreter::Status(Device& device, const Request& request, QString* reply)
{
    const std::vector<MciWord>& words = request.words;
    DriveState& drive = *device.drive;
    if (words.empty())
        return MCIERR_MISSING_PARAMETER;
    if (WordsAre(words, {"media", "present"})) {
        *reply = drive.drive.MediaPresent() ? QStringLiteral("true") : QStringLiteral("false");
        return 0;
    }
    if (WordsAre(words, {"mode"})) {
        if (drive.drive.DoorOpen())
            *reply = QStringLiteral("open");
        else if (!drive.Toc())
            *reply = QStringLiteral("not ready");
        else if (drive.player.IsPlaying())
            *reply = QStringLiteral("playing");
        else if (drive.player.IsPaused())
            *reply = QStringLiteral("paused");
        else
            *reply = QStringLiteral("stopped");
        return 0;
    }
    if (WordsAre(words, {"time", "format"})) {
        *reply = device.msf ? QStringLiteral("msf") : QStringLiteral("milliseconds");
        return 0;
    }
    if (WordsAre(words, {"ready"})) {
        *reply = drive.Toc() ? QStringLiteral("true") : QStringLiteral("false");
        return 0;
    }

    const CdToc* toc = drive.Toc();
    if (!toc)
        return MCIERR_DEVICE_NOT_READY;
    const auto number = [&](int ms) {
        *reply = FormatMciNumber(ms, device.msf);
        return 0u;
    };
    if (WordsAre(words, {"number", "of", "tracks"})) {
        *reply = QString::number(toc->TrackCount());
        return 0;
    }
    if (WordsAre(words, {"position"}))
        return number(drive.player.PositionMs());
    if (WordsAre(words, {"start", "position"}))
        return number(toc->StartMs());
    if (WordsAre(words, {"length"}))
        return number(toc->EndMs() - toc->StartMs());
    if (WordsAre(words, {"current", "track"})) {
        const CdTrack* track = toc->TrackAt(MsToSector(drive.player.PositionMs()));
        *reply = QString::number(track ? track->number : toc->tracks.back().number);
        return 0;
    }
    if (words.size() == 2 && words[1].Is("track"))
        return MCIERR_MISSING_PARAMETER;
    if (words.size() == 3 && words[1].Is("track") &&
        (words[0].Is("type") || words[0].Is("position") || words[0].Is("length"))) {
        const CdTrack* track = nullptr;
        if (const unsigned error = TrackArgument(words, 1, *toc, &track))
            return error;
        if (words[0].Is("type")) {
            *reply = track->audio ? QStringLiteral("audio") : QStringLiteral("other");
            return 0;
        }
        if (words[0].Is("position"))
            return number(SectorToMs(track->startSector));
        return number(SectorToMs(track->startSector + track->sectors) - SectorToMs(track->startSector));
    }
    return MCIERR_UNRECOGNIZED_KEYWORD;
}

unsigned MciInterpreter::Set(Device& device, const Request& request)
{
    const std::vector<MciWord>& words = request.words;
    if (words.size() == 3 && words[0].Is("time") && words[1].Is("format")) {
        if (words[2].Is("milliseconds") || words[2].Is("ms"))
            device.msf = false;
        else if (words[2].Is("msf"))
            device.msf = true;
        else
            return MCIERR_BAD_TIME_FORMAT;
        return 0;
    }
    if (words.size() == 2 && words[0].Is("door")) {
        const bool open = words[1].Is("open");
        if (!open && !words[1].Is("closed"))
            return MCIERR_BAD_CONSTANT;
        DriveState& drive = *device.drive;
        if (open && (drive.player.IsPlaying() || drive.player.IsPaused()))
            EndPlay(drive, MCI_NOTIFY_ABORTED);
        QString error;
        if (!drive.drive.SetDoor(open, &error)) {
            qCWarning(lcPlatform) << error;
            return MCIERR_HARDWARE;
        }
        if (open)
            drive.player.SetPositionMs(0);
        return 0;
    }
    return words.empty() ? MCIERR_MISSING_PARAMETER : MCIERR_UNRECOGNIZED_KEYWORD;
}

unsigned MciInterpreter::Seek(Device& device, const Request& request)
{
    const std::vector<MciWord>& words = request.words;
    if (words.size() != 2 || !words[0].Is("to"))
        return words.empty() ? MCIERR_MISSING_PARAMETER : MCIERR_UNRECOGNIZED_KEYWORD;
    DriveState& drive = *device.drive;
    const CdToc* toc = drive.Toc();
    if (!toc)
        return MCIERR_DEVICE_NOT_READY;
    const int start = toc->StartMs();
    const int end = toc->EndMs();
    int target = 0;
    if (words[1].Is("start"))
        target = start;
    else if (words[1].Is("end"))
        target = end;
    else if (!ParseMciNumber(words[1].text, device.msf, &target))
        return MCIERR_BAD_INTEGER;
    else if (target < start || target > end)
        return MCIERR_OUTOFRANGE;
    if (drive.player.IsPlaying() || drive.player.IsPaused())
        EndPlay(drive, MCI_NOTIFY_ABORTED);
    drive.player.SetPositionMs(target);
    return 0;
}

unsigned MciInterpreter::Play(Device& device, const Request& request)
{
    DriveState& drive = *device.drive;
    const CdToc* toc = drive.Toc();
    if (!toc)
        return MCIERR_DEVICE_NOT_READY;
    const int start = toc->StartMs();
    const int end = toc->EndMs();
    int from = -1;
    int to = -1;
    const std::vector<MciWord>& words = request.words;
    for (size_t i = 0; i < words.size(); i += 2) {
        const bool isFrom = words[i].Is("from");
        if (!isFrom && !words[i].Is("to"))
            return MCIERR_UNRECOGNIZED_KEYWORD;
        if (i + 1 >= words.size())
            return MCIERR_MISSING_PARAMETER;
        int value = 0;
        if (!ParseMciNumber(words[i + 1].text, device.msf, &value))
            return MCIERR_BAD_INTEGER;
        if (value < start || value > end)
            return MCIERR_OUTOFRANGE;
        (isFrom ? from : to) = value;
    }
    const bool resume = from < 0 && drive.player.IsPaused() && (to < 0 || to == drive.player.EndMs());
    if (from < 0)
        from = drive.player.PositionMs();
    if (to < 0)
        to = resume ? drive.player.EndMs() : end;
    if (from > to)
        return MCIERR_OUTOFRANGE;

    drive.PostNotify(MCI_NOTIFY_SUPERSEDED);
    drive.notifyPending = request.notify;
    drive.notifyTarget = request.callback;
    drive.notifyId = device.id;
    drive.playOwner = device.id;
    if (resume)
        return drive.player.Resume() ? 0u : MCIERR_HARDWARE;
    QString error;
    if (!drive.player.Play(drive.drive.Path(), *toc, from, to, &error)) {
        drive.notifyPending = false;
        qCWarning(lcPlatform) << error;
        return MCIERR_HARDWARE;
    }
    return 0;
}

unsigned MciInterpreter::Info(Device& device, const Request& request, QString* reply)
{
    const std::vector<MciWord>& words = request.words;
    if (WordsAre(words, {"product"})) {
        *reply = QStringLiteral("CD Audio");
        return 0;
    }
    if (!WordsAre(words, {"identity"}))
        return words.empty() ? MCIERR_MISSING_PARAMETER : MCIERR_UNRECOGNIZED_KEYWORD;
    const CdToc* toc = device.drive->Toc();
    if (!toc)
        return MCIERR_DEVICE_NOT_READY;
    *reply = toc->Identity();
    return 0;
}

} // namespace platform::mci
