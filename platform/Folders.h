#pragma once
// The folders the program works in. Folder results end in "/" unless noted.

#include <QString>

namespace platform {

// The folder of the running executable: default skin, chime, plug-ins, text files.
QString ProgramFolder();
// Per-user data ("~/.local/share/VimoPlayer/").
QString UserDataFolder();
// The download cache ("~/.cache/VimoPlayer"), without a trailing "/".
QString CacheFolder();
// Pictures kept decoded for the next start ("~/.cache/VimoPlayer-decoded"), without a trailing
// "/": beside the download cache rather than in it, so that no download or archive member
// takes its name.
QString DecodedPicturesFolder();
// The user's music folder (XDG), without a trailing "/".
QString MusicFolder();

} // namespace platform
