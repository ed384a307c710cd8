#include "WaveCue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

namespace platform::mci {

namespace {

constexpr qint64 kSectorBytes = 2352;
constexpr qint64 kMaxSheetBytes = 1024 * 1024;

struct SheetFile
{
    QString name;
    QString type; // upper case
};

struct SheetTrack
{
    int number = 0;
    int file = -1;
    bool audio = false;
    int indexSector = -1; // INDEX 01 within its file
};

QString Unquote(const QString& word)
{
    return word.size() >= 2 && word.startsWith(u'"') && word.endsWith(u'"') ? word.mid(1, word.size() - 2)
                                                                            : word;
}

// "mm:ss:ff" in sectors; -1 when it is not that.
int ParseMsf(const QString& text)
{
    static const QRegularExpression msf(QStringLiteral(R"(^(\d{1,4}):(\d{1,2}):(\d{1,2})$)"));
    const QRegularExpressionMatch match = msf.match(text);
    if (!match.hasMatch())
        return -1;
    const int seconds = match.captured(2).toInt();
    const int frames = match.captured(3).toInt();
    if (seconds >= 60 || frames >= kSectorsPerSecond)
        return -1;
    return (match.captured(1).toInt() * 60 + seconds) * kSectorsPerSecond + frames;
}

// The data chunk of a WAVE file holding CD audio: its offset and size in bytes.
bool ReadWaveData(const QString& path, qint64* offset, qint64* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    const QByteArray riff = file.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE") {
        *error = QStringLiteral("%1 is not a WAVE file").arg(path);
        return false;
    }
    bool formatOk = false;
    for (int chunks = 0; chunks < 64; ++chunks) {
        const QByteArray header = file.read(8);
        if (header.size() != 8)
            break;
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + 4);
        if (header.startsWith("fmt ")) {
            const QByteArray format = file.read(16);
            formatOk = format.size() == 16 && qFromLittleEndian<quint16>(format.constData()) == 1 &&
                       qFromLittleEndian<quint16>(format.constData() + 2) == 2 &&
                       qFromLittleEndian<quint32>(format.constData() + 4) == 44100 &&
                       qFromLittleEndian<quint16>(format.constData() + 14) == 16;
            if (!file.seek(file.pos() - 16 + size + (size & 1)))
                break;
        } else if (header.startsWith("data")) {
            if (!formatOk)
                break;
            *offset = file.pos();
            *bytes = std::min<qint64>(size, file.size() - file.pos());
            return true;
        } else if (!file.seek(file.pos() + size + (size & 1))) {
            break;
        }
    }
    *error = QStringLiteral("%1 does not hold CD audio (PCM, 16 bits, stereo, 44.1 kHz)").arg(path);
    return false;
}

bool ReadSheet(const QString& cue, std::vector<SheetFile>* files, std::vector<SheetTrack>* tracks,
               QString* error)
{
    QFile file(cue);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSheetBytes) {
        *error = QStringLiteral("cannot read %1").arg(cue);
        return false;
    }
    static const QRegularExpression words(QStringLiteral(R"("[^"]*"|\S+)"));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& line : lines) {
        QStringList w;
        for (auto it = words.globalMatch(line); it.hasNext();)
            w << it.next().captured(0);
        if (w.isEmpty())
            continue;
        const QString keyword = w[0].toUpper();
        if (keyword == u"FILE" && w.size() >= 3) {
            files->push_back({Unquote(w[1]), w[2].toUpper()});
        } else if (keyword == u"TRACK" && w.size() >= 3) {
            bool ok = false;
            const int number = w[1].toInt(&ok);
            if (!ok || number < 1 || number > 99 || files->empty()) {
                *error = QStringLiteral("%1: a TRACK line out of place: %2").arg(cue, line.trimmed());
                return false;
            }
            tracks->push_back({number, static_cast<int>(files->size()) - 1, w[2].toUpper() == u"AUDIO", -1});
        } else if (keyword == u"INDEX" && w.size() >= 3 && !tracks->empty() && w[1].toInt() == 1) {
            tracks->back().indexSector = ParseMsf(w[2]);
        }
    }
    if (tracks->empty()) {
        *error = QStringLiteral("%1 lists no tracks").arg(cue);
        return false;
    }
    return true;
}

} // namespace

bool CueNamesNonRawFiles(const QString& cue)
{
    std::vector<SheetFile> files;
    std::vector<SheetTrack> tracks;
    QString error;
    if (!ReadSheet(cue, &files, &tracks, &error))
        return false;
    for (const SheetFile& f : files) {
        if (f.type != u"BINARY" && f.type != u"MOTOROLA")
            return true;
    }
    return false;
}

std::optional<CdToc> ReadWaveCue(const QString& cue, QString* error)
{
    QString reason;
    const auto fail = [&]() -> std::optional<CdToc> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    std::vector<SheetFile> files;
    std::vector<SheetTrack> tracks;
    if (!ReadSheet(cue, &files, &tracks, &reason))
        return fail();

    const QDir folder = QFileInfo(cue).absoluteDir();
    std::vector<int> fileStart(files.size(), 0); // disc sector of each file's first sample
    std::vector<int> fileSectors(files.size(), 0);
    std::vector<qint64> fileOffset(files.size(), 0);
    int disc = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].type != u"WAVE") {
            reason = QStringLiteral("%1: files of type %2 are not read").arg(cue, files[i].type);
            return fail();
        }
        files[i].name = folder.absoluteFilePath(files[i].name);
        qint64 bytes = 0;
        if (!ReadWaveData(files[i].name, &fileOffset[i], &bytes, &reason))
            return fail();
        fileStart[i] = disc;
        fileSectors[i] = static_cast<int>(bytes / kSectorBytes);
        disc += fileSectors[i];
    }

    CdToc toc;
    toc.leadOutSector = disc;
    for (const SheetTrack& t : tracks) {
        if (t.indexSector < 0 || t.indexSector >= fileSectors[t.file]) {
            reason = QStringLiteral("%1: track %2 starts past the end of its file").arg(cue).arg(t.number);
            return fail();
        }
        CdTrack track;
        track.number = t.number;
        track.audio = t.audio;
        track.startSector = fileStart[t.file] + t.indexSector;
        track.sampleFile = files[t.file].name;
        track.sampleFileStartMs =
            static_cast<int>(static_cast<qint64>(t.indexSector) * 1000 / kSectorsPerSecond);
        if (!toc.tracks.empty() && track.startSector <= toc.tracks.back().startSector) {
            reason = QStringLiteral("%1: the tracks are out of order").arg(cue);
            return fail();
        }
        toc.tracks.push_back(track);
    }
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        const int end = i + 1 < toc.tracks.size() ? toc.tracks[i + 1].startSector : toc.leadOutSector;
        toc.tracks[i].sectors = end - toc.tracks[i].startSector;
    }
    return toc;
}

} // namespace platform::mci
