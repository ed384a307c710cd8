#pragma once
// The archive plug-ins as the window process reaches them: called in the media process, so that
// an archive that crashes or hangs a plug-in costs the item, not the window. What comes back is
// held to the bounds asked for; an answer past them ends the media process as a broken one. A
// listing is waited for with a bound; an extraction for as long as it reports progress, with the
// window's event loop running. UI thread only.

#include "platform/susie/ArchiveAccess.h"

namespace platform {

class ArchiveProxy final : public ArchiveAccess
{
public:
    // How long a listing may take (a compressed tar is read whole to be listed), and how long
    // an extraction may go without reporting progress.
    static constexpr int kListBoundMs = 30000;
    static constexpr int kQuietBoundMs = 30000;

    explicit ArchiveProxy(int quietBoundMs = kQuietBoundMs) : quietBoundMs(quietBoundMs) {}

    ArchiveListing List(const QString& pluginFolder, const QString& path, int maxMembers, QString* pluginFile,
                        std::vector<ArchiveMember>* members) override;
    // An extraction cut short (stopped, or the media process ended) leaves nothing behind.
    MemberExtraction Extract(const QString& pluginFile, const QString& archivePath, const QString& memberName,
                             const QString& targetFile, qint64 maxBytes,
                             const ArchiveProgress& progress) override;

private:
    int quietBoundMs;
};

} // namespace platform
