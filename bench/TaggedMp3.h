#pragma once
// What the title and menu benchmarks share: their command-line numbers and the tagged MP3
// files they write (ID3v2.3 with artist, album and title, some padding, a few KiB of audio).

#include "support/Id3Tags.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace bench {

// The number after `name` on the command line (at least 1), or `fallback`.
inline int Argument(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? std::max(1, arguments[at + 1].toInt()) : fallback;
}

// The title file `i` carries.
inline QString TitleOf(int i)
{
    return QStringLiteral("Track %1 of the benchmark").arg(i);
}

inline QByteArray TaggedFile(int i)
{
    using namespace id3_tags;
    const QByteArray frames = Frame(3, "TPE1", TextBody("Some Artist")) +
                              Frame(3, "TALB", TextBody("An Album Name")) +
                              Frame(3, "TIT2", TextBody(TitleOf(i).toUtf8()));
    return Tag(3, frames, 256 + (i % 7) * 128) + Audio(4096 + (i % 5) * 1024);
}

} // namespace bench
