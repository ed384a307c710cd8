#include "ItemLaunch.h"

#include "NetworkSource.h"
#include "platform/Launch.h"
#include "platform/Log.h"
#include "platform/MessageBox.h"
#include "platform/PathSplit.h"
#include "res/StringTable.h"

#include <QFileInfo>

bool LaunchItem(const QString& path, const LaunchRules& rules)
{
    // An item that has gone since the list was made is not handed to the desktop, which would
    // only complain about it: it is passed over like any item nothing takes.
    if (!NetworkSource::IsAddress(path) && !QFileInfo::exists(path))
        return false;
    // What a download or an archive brings is media only: a list fetched from an address may
    // name any program of this machine, and a page it names would go to the desktop's opener.
    if (rules.fromOutside) {
        qCWarning(lcMedia).noquote() << "passed over: came from a download or an archive, not started:"
                                     << path;
        return false;
    }
    const bool program = platform::IsProgramFile(path) || platform::UpperExtension(path) == u".EXE";
    if (program && !rules.isSource &&
        platform::ShowMessageBox(rules.window, res::LoadString(res::kStrConfirmStart).arg(path),
                                 platform::kMbYesNo) != platform::kIdYes) {
        qCInfo(lcMedia).noquote() << "not started, the user said no:" << path;
        return false;
    }
    return platform::Launch(path);
}
