#include "ClassicSkinArchive.h"

#include "ClassicSkin.h"

#include "platform/susie/ArchiveAccess.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int kMaxMembers = 10000;
constexpr qint64 kMaxPictureBytes = 8 << 20;

struct Picture
{
    const char* name;
    bool required;
};
constexpr std::array<Picture, 4> kPictures = {{
    {"titlebar", true},
    {"main", true},
    {"eqmain", false},
    {"cbuttons", true},
}};

// The member's own name, even when a plug-in leaves folders in it.
QStringView BareName(const QString& fileName)
{
    const qsizetype slash = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    return QStringView(fileName).mid(slash + 1);
}

} // namespace

bool IsClassicSkinArchive(const QString& path)
{
    const QFileInfo info(path);
    return info.suffix().compare(QStringLiteral("wsz"), Qt::CaseInsensitive) == 0 && !info.isDir();
}

bool ComposeClassicSkinArchive(CDib& dib, const QString& archive, platform::ArchiveAccess& archives,
                               const QString& pluginFolder, bool mainFirst)
{
    QString plugin;
    std::vector<platform::ArchiveMember> members;
    if (archives.List(pluginFolder, archive, kMaxMembers, &plugin, &members) !=
        platform::ArchiveListing::kListed)
        return false;

    // The pictures are written under names of our own, never under the archive's paths.
    const QTemporaryDir folder;
    if (!folder.isValid())
        return false;
    for (const Picture& picture : kPictures) {
        const QString bmp = QLatin1String(picture.name) + QStringLiteral(".bmp");
        const QString png = QLatin1String(picture.name) + QStringLiteral(".png");
        const auto member =
            std::find_if(members.begin(), members.end(), [&](const platform::ArchiveMember& m) {
                const QStringView name = BareName(m.fileName);
                return name.compare(bmp, Qt::CaseInsensitive) == 0 ||
                       name.compare(png, Qt::CaseInsensitive) == 0;
            });
        if (member == members.end()) {
            if (picture.required)
                return false;
            continue;
        }
        const QString target =
            folder.filePath(BareName(member->fileName).endsWith(u".png", Qt::CaseInsensitive) ? png : bmp);
        if (archives.Extract(plugin, archive, member->FullName(), target, kMaxPictureBytes, {}) !=
                platform::MemberExtraction::kDone &&
            picture.required)
            return false;
    }
    return ComposeClassicSkin(dib, folder.path(), mainFirst);
}
