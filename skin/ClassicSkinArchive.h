#pragma once
// Classic skins as they are shared: a .wsz file, a zip of the skin's pictures, read through the
// archive plug-ins and composed like a skin folder (ClassicSkin.h).

#include <QString>

class CDib;

namespace platform {
class ArchiveAccess;
}

// True for a file named "*.wsz", in any letter case.
bool IsClassicSkinArchive(const QString& path);

// Composes the skin in `archive` into `dib`, reading it through `archives` with an archive
// plug-in of `pluginFolder`. Each picture is the first member, in any folder of the archive, named like it
// in any letter case (".bmp" or ".png"). False, leaving `dib` as it was, when no plug-in reads
// the archive, a picture the skin needs is missing or too large, or the skin does not compose.
bool ComposeClassicSkinArchive(CDib& dib, const QString& archive, platform::ArchiveAccess& archives,
                               const QString& pluginFolder, bool mainFirst);
