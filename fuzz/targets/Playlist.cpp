// M3U playlists as a list names them, in any encoding and with any line endings.

#include "player/Playlist.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadPlaylistEntries(fuzz::WriteInput(data, size, QStringLiteral("list.m3u")));
    return 0;
}
