#pragma once
// Small media files made by the tests with the media framework's own encoders
// (gst-launch-1.0), in a folder the caller owns.

#include <QString>

namespace media_files {

// A sine tone of `seconds` in the container that `extension` names: wav, ogg, mp3, flac, wma.
// Returns the path, or an empty string when it could not be made.
QString MakeTone(const QString& folder, const QString& extension, double seconds = 2.0);

// A test picture of `width` × `height` at 25 frames a second with a tone, for `seconds`, in
// the container that `extension` names: mp4 (H.264), avi (MPEG-4 part 2), wmv.
QString MakeVideo(const QString& folder, const QString& extension, double seconds = 2.0, int width = 320,
                  int height = 240);

// A Video CD's first stream, `folder`/MPEGAV/AVSEQ01.DAT: MPEG-1 video 352 × 240 with MPEG
// audio layer 2 in a VCD program stream, whose timeline does not start at 0.
QString MakeVideoCD(const QString& folder, double seconds = 3.0);

} // namespace media_files
