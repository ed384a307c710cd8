// Classic skins as they are shared: a .wsz (a zip of the skin's pictures) read through the archive
// plug-in and composed into the window's picture, both panels first.

#include "FuzzSupport.h"
#include "platform/susie/ArchiveAccess.h"
#include "platform/susie/SusiePlugin.h"
#include "skin/ClassicSkinArchive.h"
#include "skin/Dib.h"

#include <QFileInfo>

#include <memory>
#include <vector>

namespace {

QString Plugins()
{
    return QFileInfo(QStringLiteral(SORLIN_FUZZ_ARCHIVE_PLUGIN)).absolutePath();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    // Every plug-in of the folder loaded for good: a composition asks each of them and lets it
    // go, and a module that leaves memory takes the fuzzer's coverage counters with it.
    static std::vector<std::unique_ptr<platform::SusiePlugin>> kept;
    for (const QString& file : platform::SusiePluginFiles(Plugins()))
        kept.push_back(std::make_unique<platform::SusiePlugin>(file));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString plugins = Plugins();
    platform::LocalArchives archives;
    const QString skin = fuzz::WriteInput(data, size, QStringLiteral("skin.wsz"));
    for (const bool mainFirst : {true, false}) {
        CDib dib;
        ComposeClassicSkinArchive(dib, skin, archives, plugins, mainFirst);
    }
    return 0;
}
