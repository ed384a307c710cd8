#include "MainSkin.h"

#include "Settings.h"
#include "platform/Log.h"

#include <QDir>
#include <QFileInfo>

QSize MainSkin::SelectAtStartUp(const AppSettings& settings, const QString& programFolder)
{
    useSkin = settings.useThema;
    const QString builtIn = programFolder + QStringLiteral("Sorlin.ini");
    QString thema = settings.thema.isEmpty() ? builtIn : settings.thema;
    // A skin that cannot be used (gone, a device, no skin at all) would leave a blank disc
    // without clock or buttons; the setting stays for when it can be used again.
    if (thema != builtIn && !IsSkinDefinition(thema)) {
        qCWarning(lcSkin).noquote() << "the skin" << thema
                                    << "cannot be used; the program's own skin is taken";
        thema = builtIn;
    }
    skin.Read(thema);
    showText = settings.dispString;

    imagePath = settings.back;
    maskPath.clear();
    skin.SetMaskPluginFolder(settings.plugIn.isEmpty() ? programFolder : settings.plugIn);
    // A skin chosen before is let go of when skins are switched off.
    skin.LoadMask(QString());
    if (useSkin) {
        const QString folder = QFileInfo(thema).absolutePath() + u'/';
        // A configured folder stays: it is a classic skin.
        const QString skinBack = folder + skin.Definition().back;
        if (!QFileInfo(settings.back).isDir() && !skin.Definition().back.isEmpty() &&
            QFileInfo(skinBack).isFile())
            imagePath = skinBack;
        maskPath = skin.Definition().mask.isEmpty() ? QString() : folder + skin.Definition().mask;
        skin.LoadMask(maskPath);
    }
    const QSize base = skin.Definition().baseSize;
    // A skin without a size of its own keeps the window's stored size.
    if (useSkin && base.width() > 0 && base.height() > 0)
        return base;
    return QSize(settings.w, settings.h);
}
