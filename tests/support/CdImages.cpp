#include "CdImages.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace cd_images {

namespace {

constexpr int kSectorBytes = 2352;
constexpr int kFramesPerSector = kSectorBytes / 4;

QByteArray AudioSectors(int sectors, double hz)
{
    QByteArray data(sectors * kSectorBytes, '\0');
    auto* samples = reinterpret_cast<int16_t*>(data.data());
    const int frames = sectors * kFramesPerSector;
    for (int i = 0; i < frames; ++i) {
        const auto value = static_cast<int16_t>(6000 * std::sin(2 * std::numbers::pi * hz * i / 44100.0));
        samples[2 * i] = value;
        samples[2 * i + 1] = value;
    }
    return data;
}

QByteArray DataSectors(int sectors, int firstSector)
{
    QByteArray data(sectors * kSectorBytes, '\0');
    for (int s = 0; s < sectors; ++s) {
        char* sector = data.data() + s * kSectorBytes;
        // Sync pattern, then the sector's address (minutes, seconds, frames in BCD) and mode 1.
        std::fill(sector + 1, sector + 11, '\xff');
        const int address = firstSector + s + 150;
        const auto bcd = [](int v) { return static_cast<char>(((v / 10) << 4) | (v % 10)); };
        sector[12] = bcd(address / (75 * 60));
        sector[13] = bcd(address / 75 % 60);
        sector[14] = bcd(address % 75);
        sector[15] = 1;
    }
    return data;
}

QString Msf(int sector)
{
    return QStringLiteral("%1:%2:%3")
        .arg(sector / (75 * 60), 2, 10, QLatin1Char('0'))
        .arg(sector / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(sector % 75, 2, 10, QLatin1Char('0'));
}

QByteArray WavHeader(qint64 dataBytes)
{
    QByteArray header;
    const auto u32 = [&header](quint32 v) {
        for (int i = 0; i < 4; ++i)
            header += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    const auto u16 = [&header](quint16 v) {
        header += static_cast<char>(v & 0xff);
        header += static_cast<char>(v >> 8);
    };
    header += "RIFF";
    u32(static_cast<quint32>(36 + dataBytes));
    header += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    header += "data";
    u32(static_cast<quint32>(dataBytes));
    return header;
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

} // namespace

QString DataFile(const QString& image, Format format)
{
    const QFileInfo info(image);
    return info.absolutePath() + u'/' + info.completeBaseName() +
           (format == Format::WavCue ? QStringLiteral(".wav") : QStringLiteral(".bin"));
}

QString Write(const QString& folder, const QString& name, const std::vector<Track>& tracks, Format format)
{
    const QString image =
        folder + u'/' + name + (format == Format::Toc ? QStringLiteral(".toc") : QStringLiteral(".cue"));
    const QString dataFile = DataFile(image, format);
    const QString dataName = QFileInfo(dataFile).fileName();

    QByteArray data;
    QString sheet;
    if (format == Format::Toc)
        sheet = QStringLiteral("CD_ROM\n");
    else
        sheet =
            QStringLiteral("FILE \"%1\" %2\n").arg(dataName, format == Format::WavCue ? u"WAVE" : u"BINARY");
    int sector = 0;
    int number = 1;
    for (const Track& track : tracks) {
        if (format == Format::WavCue && !track.audio)
            return QString();
        data += track.audio ? AudioSectors(track.sectors, 330.0 + 110.0 * number)
                            : DataSectors(track.sectors, sector);
        if (format == Format::Toc) {
            sheet += track.audio ? QStringLiteral("\nTRACK AUDIO\n") : QStringLiteral("\nTRACK MODE1_RAW\n");
            if (track.audio)
                sheet += QStringLiteral("FILE \"%1\" %2 %3\n").arg(dataName, Msf(sector), Msf(track.sectors));
            else
                sheet += QStringLiteral("DATAFILE \"%1\" #%2 %3\n")
                             .arg(dataName)
                             .arg(static_cast<qint64>(sector) * kSectorBytes)
                             .arg(Msf(track.sectors));
        } else {
            sheet += QStringLiteral("  TRACK %1 %2\n    INDEX 01 %3\n")
                         .arg(number, 2, 10, QLatin1Char('0'))
                         .arg(track.audio ? u"AUDIO" : u"MODE1/2352")
                         .arg(Msf(sector));
        }
        sector += track.sectors;
        ++number;
    }
    if (format == Format::WavCue)
        data.prepend(WavHeader(data.size()));
    if (!WriteFile(dataFile, data) || !WriteFile(image, sheet.toUtf8()))
        return QString();
    return image;
}

} // namespace cd_images
