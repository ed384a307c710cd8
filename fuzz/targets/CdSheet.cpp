// CD images' tables of contents: a CUE sheet (".cue") and a cdrdao TOC (".toc") naming a data
// file beside them, read as the CD drive reads them. Built once for each, with
// SORLIN_FUZZ_SHEET_EXTENSION naming it.

#include "FuzzSupport.h"
#include "platform/mci/CdToc.h"

#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The data file the sheets of the seeds name, two seconds of silence, written once.
    static const QString folder = [] {
        const QString made = fuzz::FreshFolder(QStringLiteral("disc"));
        QFile bin(QDir(made).filePath(QStringLiteral("disc.bin")));
        if (bin.open(QIODevice::WriteOnly))
            bin.write(QByteArray(2352 * 150, '\0'));
        return made;
    }();
    const QString sheet =
        QDir(folder).filePath(QStringLiteral("disc") + QLatin1String(SORLIN_FUZZ_SHEET_EXTENSION));
    QFile file(sheet);
    if (file.open(QIODevice::WriteOnly))
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    platform::mci::ReadCdToc(sheet);
    return 0;
}
