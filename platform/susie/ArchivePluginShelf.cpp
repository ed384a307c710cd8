#include "ArchivePluginShelf.h"

namespace platform {

std::shared_ptr<const SusiePlugin> ArchivePluginShelf::Load(const QString& file)
{
    const std::optional<FileIdentity> identity = IdentifyRegularFile(file);
    if (!identity)
        return nullptr;
    std::shared_ptr<const SusiePlugin> dropped;
    {
        const std::lock_guard<std::mutex> held(lock);
        const auto found = entries.find(file);
        if (found != entries.end()) {
            if (found->second.identity == *identity)
                return found->second.plugin;
            // Let go of the old module before the file is loaded again, or the loader would
            // hand back the module it still holds under that name.
            dropped = std::move(found->second.plugin);
            entries.erase(found);
        }
    }
    // Another call still using the old module keeps it loaded, and this load gets it back: kept
    // for no file, so that a call after that one loads the new file.
    const bool oldStillUsed = dropped.use_count() > 1;
    dropped.reset();
    auto plugin = std::make_shared<const SusiePlugin>(file);
    if (!plugin->IsLoaded() || !plugin->IsArchivePlugin() || !plugin->isSupported)
        plugin.reset();
    if (!oldStillUsed) {
        const std::lock_guard<std::mutex> held(lock);
        entries[file] = Entry{*identity, plugin};
    }
    return plugin;
}

} // namespace platform
