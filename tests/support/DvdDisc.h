#pragma once
// A small DVD-Video disc authored by the tests with ffmpeg, spumux and dvdauthor, made once
// per test program in a temporary folder that lives until the program ends:
//   - a title menu (a still) with two buttons side by side: the left one plays title 1, the
//     right one title 2; the disc's first-play program shows it;
//   - title 1: 6 s, chapters at 0, 2 and 4 s, with a subpicture stream in French;
//   - title 2: 4 s, chapters at 0 and 2 s;
//   - both titles with two audio streams, English and Japanese; NTSC, 720 × 480, 4:3;
//   - each title returns to the menu at its end.
// Tests that change the disc work on a copy (CopyDisc).

#include <QString>

namespace media_files {

// The disc folder (holding VIDEO_TS), or empty when it could not be made.
QString DvdDisc();
// The same disc as an ISO 9660/UDF image file, or empty.
QString DvdDiscImage();
// A PAL disc (720 × 576, 25 frames a second) without menus: one title of 3 s with one
// chapter and German audio. Empty when it could not be made.
QString PalDvdDisc();
// Copies the disc folder into `folder` and returns the copy's disc folder, or empty.
QString CopyDisc(const QString& folder);

} // namespace media_files
