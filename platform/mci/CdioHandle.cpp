#include "CdioHandle.h"

#include "platform/Log.h"

#include "platform/AtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <mutex>

namespace platform::mci {

namespace {

void LogCdioMessage(cdio_log_level_t level, const char message[])
{
    if (level >= CDIO_LOG_ERROR)
        qCWarning(lcPlatform) << "libcdio:" << message;
    else
        qCDebug(lcPlatform) << "libcdio:" << message;
}

constexpr qint64 kMostSheetBytes = 1024 * 1024;

driver_id_t DriverFor(const QString& drive)
{
    const QString suffix = QFileInfo(drive).suffix().toLower();
    if (suffix == u"cue")
        return DRIVER_BINCUE;
    if (suffix == u"toc")
        return DRIVER_CDRDAO;
    if (suffix == u"nrg")
        return DRIVER_NRG;
    return DRIVER_DEVICE;
}

// In a cdrdao TOC every TRACK line names the track's mode, and the files that give a track its
// sectors come after it: libcdio takes the sector size from the mode, and for a track without
// one (a bare "TRACK", or a NUL after it) divides the file's length by zero.
bool TocTracksNameTheirModes(const QByteArray& text)
{
    static const QList<QByteArray> kModes = {"AUDIO",       "MODE0",          "MODE1",
                                             "MODE1_RAW",   "MODE2",          "MODE2_FORM1",
                                             "MODE2_FORM2", "MODE2_FORM_MIX", "MODE2_RAW"};
    static const QList<QByteArray> kSectorSources = {"FILE", "AUDIOFILE", "DATAFILE", "ZERO", "SILENCE"};
    bool inTrack = false;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.value(0) == "TRACK") {
            if (!kModes.contains(words.value(1)))
                return false;
            inTrack = true;
        } else if (kSectorSources.contains(words.value(0)) && !inTrack) {
            return false;
        }
    }
    return true;
}

// A CUE or TOC sheet is text of at most 1 MiB: one that holds a NUL or another control byte
// (tabs and line ends aside) is no sheet, and libcdio's readers misread such lines. A TOC's
// tracks name their modes as well.
bool IsPlainSheet(const QString& sheet, driver_id_t driver)
{
    QFile file(sheet);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostSheetBytes)
        return false;
    const QByteArray text = file.readAll();
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F;
    });
    return plain && (driver != DRIVER_CDRDAO || TocTracksNameTheirModes(text));
}

QString ResolvedTocCopy(const QString& toc)
{
    QFile file(toc);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostSheetBytes)
        return toc;
    const QDir folder = QFileInfo(toc).absoluteDir();
    // FILE "name", AUDIOFILE "name" and DATAFILE "name": a relative name becomes a full path.
    static const QRegularExpression reference(
        QStringLiteral(R"re(\b(FILE|AUDIOFILE|DATAFILE)(\s+)"([^"]*)")re"));
    QString text = QString::fromUtf8(file.readAll());
    QString resolved;
    qsizetype last = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString name = match.captured(3);
        resolved += text.mid(last, match.capturedStart(3) - last);
        resolved += QDir::isAbsolutePath(name) ? name : folder.absoluteFilePath(name);
        last = match.capturedEnd(3);
    }
    resolved += text.mid(last);

    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    const QByteArray key =
        QCryptographicHash::hash(QFileInfo(toc).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    const QString copy =
        runtime + QStringLiteral("/sorlin-") + QString::fromLatin1(key) + QStringLiteral(".toc");
    return WriteFileAtomically(copy, resolved.toUtf8()) ? copy : toc;
}

} // namespace

QString CdioSource(const QString& drive)
{
    if (QFileInfo(drive).suffix().compare(QLatin1String("toc"), Qt::CaseInsensitive) == 0)
        return ResolvedTocCopy(drive);
    return drive;
}

void CdioDestroy::operator()(CdIo_t* cdio) const
{
    if (cdio)
        cdio_destroy(cdio);
}

CdioHandle OpenCdio(const QString& drive)
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(&LogCdioMessage); });
    if (drive.isEmpty())
        return CdioHandle();
    const driver_id_t driver = DriverFor(drive);
    if ((driver == DRIVER_BINCUE || driver == DRIVER_CDRDAO) && !IsPlainSheet(drive, driver)) {
        qCWarning(lcPlatform).noquote()
            << "not a CD sheet (too large, bytes that are no text, or a track without its mode):" << drive;
        return CdioHandle();
    }
    return CdioHandle(cdio_open(QFile::encodeName(CdioSource(drive)).constData(), driver));
}

} // namespace platform::mci
