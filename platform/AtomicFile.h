#pragma once
// Writing a file whole or not at all.

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces `path` with `bytes`: they go to a new file in the same folder, which is flushed to
// disk and then renamed over the old one. Every write is checked, so a full disk or a size
// limit leaves the previous file as it was (QSaveFile can report success for a cut-off file).
// The new file gets the old one's permissions, or 0644 less the umask.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace platform
