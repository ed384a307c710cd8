#pragma once
// One Susie plug-in module (*.spi) loaded from a file, with its entry points. The module stays
// loaded while this object lives, however many other objects load the same file and let it go
// (an extraction keeps its plug-in while another thread lists an archive with the same module,
// and asking the image plug-ins loads and releases every module of the folder). See SusieApi.h
// for the interface.

#include "spi/SusieApi.h"

#include <QString>

namespace platform {

class SusiePlugin
{
public:
    // Loads `path`; IsLoaded() tells whether it is a module at all.
    explicit SusiePlugin(const QString& path);
    ~SusiePlugin();
    SusiePlugin(const SusiePlugin&) = delete;
    SusiePlugin& operator=(const SusiePlugin&) = delete;

    bool IsLoaded() const { return handle != nullptr; }
    // The file it was loaded from, as given.
    const QString& Path() const { return filePath; }
    // The version text of information number 0 ("00IN", "00AM"), empty when there is none.
    QString Version() const;
    bool IsArchivePlugin() const { return Version().size() >= 3 && Version()[2] == u'A'; }

    // The entry points; null when the module does not export them.
    SpiGetPluginInfo getPluginInfo = nullptr;
    SpiIsSupported isSupported = nullptr;
    SpiGetPicture getPicture = nullptr;
    SpiGetArchiveInfo getArchiveInfo = nullptr;
    SpiGetFileInfo getFileInfo = nullptr;
    SpiGetFile getFile = nullptr;

private:
    // The dynamic loader's handle; the loader counts every open of a file, so one close only
    // takes back its own. (QLibrary does not: one instance's unload unloads the module under
    // another instance of the same file.)
    void* handle = nullptr;
    QString filePath;
};

// The plug-in files of `folder` ("*.spi"), in the order the folder lists them.
QStringList SusiePluginFiles(const QString& folder);

} // namespace platform
