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

} // namespace media_files
