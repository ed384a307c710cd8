#include "FileDialogs.h"

#include "platform/PathSplit.h"
#include "res/StringTable.h"

#include <QFileDialog>
#include <QStringList>

QString DialogFilter(const QString& listed)
{
    const QStringList parts = listed.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString name = parts[i];
        if (const qsizetype open = name.indexOf(u'('); open > 0)
            name.truncate(open);
        filters << name.trimmed() + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

QString Browse(QWidget* owner, const QString& initial, int filterId, int extensionId, int titleId, bool save)
{
    const QString start = platform::WithoutQuotes(initial);
    QFileDialog dialog(owner, res::LoadString(titleId != 0 ? titleId : res::kStrOpenTitle));
    dialog.setObjectName(QStringLiteral("BrowseForFile"));
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setNameFilter(DialogFilter(res::LoadString(filterId)));
    dialog.setDefaultSuffix(res::LoadString(extensionId));
    if (!start.isEmpty())
        dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString BrowseForFile(QWidget* owner, const QString& initial, int filterId, int extensionId, int titleId)
{
    return Browse(owner, initial, filterId, extensionId, titleId, false);
}

QString BrowseForSaveFile(QWidget* owner, const QString& initial, int filterId, int extensionId, int titleId)
{
    return Browse(owner, initial, filterId, extensionId, titleId, true);
}

QString BrowseForFolder(QWidget* owner, const QString& initial)
{
    QFileDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("BrowseForFolder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!initial.isEmpty())
        dialog.setDirectory(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
