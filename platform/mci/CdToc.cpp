#include "CdToc.h"

#include "platform/DiscProbe.h"

#include "CdioHandle.h"
#include "WaveCue.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cdio/cdio.h>

namespace platform::mci {

const CdTrack* CdToc::Track(int number) const
{
    for (const CdTrack& track : tracks) {
        if (track.number == number)
            return &track;
    }
    return nullptr;
}

const CdTrack* CdToc::TrackAt(int sector) const
{
    for (const CdTrack& track : tracks) {
        if (sector >= track.startSector && sector < track.startSector + track.sectors)
            return &track;
    }
    return nullptr;
}

int CdToc::StartMs() const
{
    return SectorToMs(tracks.front().startSector);
}

int CdToc::EndMs() const
{
    return SectorToMs(leadOutSector);
}

bool CdToc::HasAudio() const
{
    for (const CdTrack& track : tracks) {
        if (track.audio)
            return true;
    }
    return false;
}

QString CdToc::Identity() const
{
    QByteArray layout;
    for (const CdTrack& track : tracks)
        layout += QByteArray::number(track.number) + (track.audio ? 'a' : 'd') +
                  QByteArray::number(track.startSector) + ',';
    layout += QByteArray::number(leadOutSector);
    return QString::fromLatin1(
        QCryptographicHash::hash(layout, QCryptographicHash::Sha1).toHex().left(16).toUpper());
}

int SectorToMs(int sector)
{
    return static_cast<int>((static_cast<qint64>(sector) + kPregapSectors) * 1000 / kSectorsPerSecond);
}

int MsToSector(int ms)
{
    // The last sector whose address, rounded down to the millisecond, is not after `ms`: a
    // track's start in milliseconds gives back the track's first sector.
    const qint64 next = std::max<qint64>(ms, 0) + 1;
    return static_cast<int>((next * kSectorsPerSecond + 999) / 1000) - 1 - kPregapSectors;
}

namespace {

// A cue sheet does not say how long its last track is: its data file does. An audio track
// whose samples are not all there cannot be played to its end.
bool AudioIsComplete(CdIo_t* cdio, const CdToc& toc)
{
    std::vector<unsigned char> sector(CDIO_CD_FRAMESIZE_RAW);
    for (const CdTrack& track : toc.tracks) {
        if (!track.audio)
            continue;
        for (int lsn : {track.startSector, track.startSector + track.sectors - 1}) {
            if (cdio_read_audio_sectors(cdio, sector.data(), lsn, 1) != DRIVER_OP_SUCCESS)
                return false;
        }
    }
    return true;
}

} // namespace

std::optional<CdToc> ReadCdToc(const QString& drive, QString* error)
{
    const auto fail = [error](const QString& reason) -> std::optional<CdToc> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    const bool image = IsCdImageDrive(drive);
    if (image && !QFileInfo(drive).isFile())
        return fail(QStringLiteral("no such image: %1").arg(drive));
    // libcdio would read the samples of a sheet over WAVE files from a .bin of the sheet's name.
    if (QFileInfo(drive).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0 &&
        CueNamesNonRawFiles(drive))
        return ReadWaveCue(drive, error);
    const CdioHandle cdio = OpenCdio(drive);
    if (!cdio)
        return fail(QStringLiteral("cannot open %1").arg(drive));

    const track_t first = cdio_get_first_track_num(cdio.get());
    const track_t count = cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return fail(QStringLiteral("no disc in %1").arg(drive));

    CdToc toc;
    toc.leadOutSector = cdio_get_track_lsn(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    for (int number = first; number < first + count; ++number) {
        CdTrack track;
        track.number = number;
        track.startSector = cdio_get_track_lsn(cdio.get(), static_cast<track_t>(number));
        track.audio = cdio_get_track_format(cdio.get(), static_cast<track_t>(number)) == TRACK_FORMAT_AUDIO;
        if (track.startSector == CDIO_INVALID_LSN)
            return fail(QStringLiteral("the table of contents of %1 is unreadable").arg(drive));
        toc.tracks.push_back(track);
    }
    if (toc.leadOutSector == CDIO_INVALID_LSN)
        return fail(QStringLiteral("the table of contents of %1 is unreadable").arg(drive));
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        const int end = i + 1 < toc.tracks.size() ? toc.tracks[i + 1].startSector : toc.leadOutSector;
        toc.tracks[i].sectors = end - toc.tracks[i].startSector;
        if (toc.tracks[i].sectors <= 0)
            return fail(QStringLiteral("the table of contents of %1 is out of order").arg(drive));
    }
    if (image && !AudioIsComplete(cdio.get(), toc))
        return fail(QStringLiteral("the data of %1 is shorter than its table of contents").arg(drive));
    return toc;
}

} // namespace platform::mci
