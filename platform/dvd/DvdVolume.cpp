#include "DvdVolume.h"

#include "platform/Log.h"
#include "res/StringTable.h"

#include <QFile>
#include <QFileInfo>

#include <dvdread/dvd_reader.h>
#include <dvdread/dvd_udf.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <cstdarg>
#include <cstdio>
#include <memory>

namespace platform {

namespace {

void LogToDebug(void*, dvd_logger_level_t, const char* format, va_list args)
{
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    qCDebug(lcPlatform) << "dvdread:" << line;
}

const dvd_logger_cb kLogger{&LogToDebug};

struct DvdReaderClose
{
    void operator()(dvd_reader_t* reader) const { DVDClose(reader); }
};
using DvdReaderPtr = std::unique_ptr<dvd_reader_t, DvdReaderClose>;

struct IfoClose
{
    void operator()(ifo_handle_t* ifo) const { ifoClose(ifo); }
};
using IfoPtr = std::unique_ptr<ifo_handle_t, IfoClose>;

DvdReaderPtr OpenReader(const QString& device)
{
    return DvdReaderPtr(DVDOpen2(nullptr, &kLogger, QFile::encodeName(device).constData()));
}

QString LanguageCode(uint16_t code)
{
    const char first = static_cast<char>(code >> 8);
    const char second = static_cast<char>(code & 0xFF);
    if (first < 'a' || first > 'z' || second < 'a' || second > 'z')
        return {};
    return QString(QChar::fromLatin1(first)) + QChar::fromLatin1(second);
}

void ReadTitleSet(ifo_handle_t* vts, DvdTitleInfo* title)
{
    const vtsi_mat_t* mat = vts->vtsi_mat;
    if (!mat)
        return;
    const int audioCount = std::min<int>(mat->nr_of_vts_audio_streams, 8);
    for (int i = 0; i < audioCount; ++i)
        title->audioLanguages << (mat->vts_audio_attr[i].lang_type == 1
                                      ? LanguageCode(mat->vts_audio_attr[i].lang_code)
                                      : QString());
    const int subpictureCount = std::min<int>(mat->nr_of_vts_subp_streams, 32);
    for (int i = 0; i < subpictureCount; ++i)
        title->subpictureLanguages << (mat->vts_subp_attr[i].type == 1
                                           ? LanguageCode(mat->vts_subp_attr[i].lang_code)
                                           : QString());
    title->pal = mat->vts_video_attr.video_format == 1;
}

} // namespace

bool ReadDvdVolume(const QString& device, DvdVolume* volume, QString* error)
{
    std::vector<DvdTitleInfo>& titles = volume->titles;
    titles.clear();
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    DvdReaderPtr reader = OpenReader(device);
    if (!reader)
        return fail(res::LoadString(res::kStrDvdNoVolume).arg(device));
    IfoPtr vmg(ifoOpen(reader.get(), 0));
    if (!vmg || !vmg->tt_srpt)
        return fail(res::LoadString(res::kStrDvdUnreadable).arg(device));
    const tt_srpt_t* table = vmg->tt_srpt;
    std::vector<IfoPtr> titleSets;
    for (int i = 0; i < table->nr_of_srpts; ++i) {
        const title_info_t& entry = table->title[i];
        DvdTitleInfo title;
        title.chapters = entry.nr_of_ptts;
        title.angles = std::max<int>(entry.nr_of_angles, 1);
        title.titleSet = entry.title_set_nr;
        if (static_cast<size_t>(title.titleSet) >= titleSets.size())
            titleSets.resize(static_cast<size_t>(title.titleSet) + 1);
        IfoPtr& vts = titleSets[static_cast<size_t>(title.titleSet)];
        if (!vts && title.titleSet > 0)
            vts.reset(ifoOpen(reader.get(), title.titleSet));
        if (vts)
            ReadTitleSet(vts.get(), &title);
        titles.push_back(title);
    }
    return true;
}

QString DvdDeviceOf(const QString& path)
{
    QString candidate = path;
    while (candidate.endsWith(u'/') && candidate.size() > 1)
        candidate.chop(1);
    // Walk up from an IFO or a VIDEO_TS / AUDIO_TS folder to the disc.
    for (int step = 0; step < 3 && !candidate.isEmpty(); ++step) {
        const QFileInfo info(candidate);
        if (info.isFile()) {
            if (info.suffix().compare(QStringLiteral("IFO"), Qt::CaseInsensitive) != 0)
                return candidate; // an image file, or a device node
        } else if (info.isDir()) {
            const QString name = info.fileName().toUpper();
            if (name != QStringLiteral("VIDEO_TS") && name != QStringLiteral("AUDIO_TS"))
                return candidate;
        } else if (info.exists()) {
            return candidate; // a device node
        }
        const int slash = candidate.lastIndexOf(u'/');
        if (slash <= 0)
            break;
        candidate.truncate(slash);
    }
    // A path inside an image: the longest leading part that is a file.
    for (QString prefix = path; !prefix.isEmpty();) {
        const int slash = prefix.lastIndexOf(u'/');
        if (slash <= 0)
            break;
        prefix.truncate(slash);
        if (QFileInfo(prefix).isFile())
            return prefix;
    }
    return {};
}

bool DvdVolumeHasFile(const QString& device, const QString& pathInVolume)
{
    if (!QFileInfo::exists(device))
        return false;
    DvdReaderPtr reader = OpenReader(device);
    if (!reader)
        return false;
    uint32_t size = 0;
    QByteArray name = pathInVolume.toUpper().toLatin1();
    return UDFFindFile(reader.get(), name.data(), &size) != 0;
}

} // namespace platform
