#include "ItemTitles.h"

#include "media/TitleProbe.h"

QString ItemTitle(const PlayItem& item, bool detailed, const TitleSources& sources)
{
    const QString& itemPath = item.path;
    const QString& driveText = item.drive;
    const QString plain = sources.showTags || detailed
                              ? QStringLiteral("%1 %2").arg(driveText, item.name)
                              : QStringLiteral("%1 %2%3").arg(driveText, item.name, item.suffix);
    // A copy-controlled disc's own player or launcher is named after the disc's kind.
    const auto discProgramOr = [&](const QString& otherwise) {
        const QString name = item.name + item.suffix;
        if (sources.kind == ItemKind::kDiscPlayer || name == u"Player.exe")
            return QStringLiteral("COPY CONTROL CD");
        if (sources.kind == ItemKind::kDiscLauncher || name == u"START.EXE")
            return QStringLiteral("Label Gate CD");
        return otherwise;
    };
    if (!sources.showTags && !detailed)
        return discProgramOr(plain);
    const QString& extension = item.extension;
    if (extension == u".CDA") {
        const int number = item.name.mid(5).toInt();
        return QStringLiteral("%1 ﾄﾗｯｸ %2").arg(driveText).arg(number, 2, 10, QLatin1Char('0'));
    }
    if (extension == u".MID" || extension == u".MP3" || extension == u".WMA" || extension == u".WMV") {
        QString probed;
        if (sources.archive && sources.archive->IsOpen() && itemPath != sources.archive->ExtractedFile()) {
            probed = sources.archive->MemberTitle(itemPath);
        } else if (NetworkSource::IsAddress(itemPath)) {
            if (const QString copy = sources.network.WholeCopy(itemPath); !copy.isEmpty())
                probed = ProbeTitle(copy);
        } else {
            probed = ProbeTitle(itemPath);
        }
        return probed.isEmpty() ? plain : probed;
    }
    if (extension == u".IFO") {
        const platform::DvdDomain domain = detailed ? platform::DvdDomain::kTitle : sources.dvdDomain;
        switch (domain) {
        case platform::DvdDomain::kFirstPlay:
            return QStringLiteral("First Play");
        case platform::DvdDomain::kVideoManagerMenu:
            return QStringLiteral("Video Manager Menu");
        case platform::DvdDomain::kTitleSetMenu:
            return QStringLiteral("Video Title Set Menu");
        case platform::DvdDomain::kStop:
            return QStringLiteral("Stop");
        case platform::DvdDomain::kTitle: {
            const QString& name = item.name;
            if (name.size() > 8 && name[8] == u'_') {
                const int titleNumber = name.mid(9, 2).toInt();
                const int chapterNumber = name.mid(12, 3).toInt();
                const QString format = name.startsWith(QLatin1String("AUDIO_TS"), Qt::CaseInsensitive)
                                           ? QStringLiteral("%1 A ﾀｲﾄﾙ%2 ﾁｬﾌﾟﾀｰ%3")
                                           : QStringLiteral("%1 V ﾀｲﾄﾙ%2 ﾁｬﾌﾟﾀｰ%3");
                return format.arg(driveText)
                    .arg(titleNumber, 2, 10, QLatin1Char('0'))
                    .arg(chapterNumber, 3, 10, QLatin1Char('0'));
            }
            return plain;
        }
        default:
            return QString();
        }
    }
    return discProgramOr(plain);
}
