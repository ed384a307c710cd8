#pragma once
// The archive plug-ins a process keeps loaded between calls. Finding the plug-in for a file
// asks every module of the folder; loading each again per archive costs more than listing a
// small one. A module is kept while its file stays the same (FileIdentity); a file that changed
// is loaded afresh once the old module is let go everywhere (the loader hands back a module it
// still holds under the same name, so while a call still uses the old one, the file is loaded
// for each call and kept for none). A file that is no archive plug-in (an image plug-in, a
// broken module) is remembered as such and not kept loaded. Any thread.

#include "SusiePlugin.h"
#include "platform/RegularFile.h"

#include <QString>

#include <map>
#include <memory>
#include <mutex>

namespace platform {

class ArchivePluginShelf
{
public:
    // The archive plug-in in `file`; nullptr when the file holds none.
    std::shared_ptr<const SusiePlugin> Load(const QString& file);

private:
    struct Entry
    {
        FileIdentity identity;
        std::shared_ptr<const SusiePlugin> plugin; // null: no archive plug-in
    };

    std::mutex lock;
    std::map<QString, Entry> entries;
};

} // namespace platform
