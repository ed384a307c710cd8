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
// The user's music folder (XDG), without a trailing "/".
QString MusicFolder();

} // namespace platform
