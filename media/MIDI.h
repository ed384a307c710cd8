#pragma once
// CMIDI: the display title of a Standard MIDI file, from the track name or else the first text
// event of its first track. Calling order: Open, ReadTrack, FindText(text, true) and, when
// that finds nothing, FindText(text, false), Close.

#include "ProbeReader.h"

class CMIDI : public ProbeReader
{
public:
    // Opens `path` and checks the header chunk ("MThd", length 6); a file that does not match
    // is not kept open.
    bool Open(const QString& path);
    // Loads the track chunk that directly follows the header. A chunk longer than the rest of
    // the file (or than kMaxBuffer) is refused.
    bool ReadTrack();
    // The first meta event of the loaded track with type 3 (track name) when `trackName`, else
    // type 1 (text event), trimmed of trailing white space. `text` is left alone on false.
    bool FindText(QString* text, bool trackName);

    // Bytes of a meta event's text that are kept (its buffer holds 256 with the terminator).
    static constexpr int kMaxTextBytes = 255;

    // True when `path` is a Standard MIDI file (or an RMID file whose "data" chunk holds one) in
    // which a chunk claims more bytes than are left in the file (in the data chunk for RMID).
    // Only chunk headers are read, at most kMaxChunks of them. False for anything else.
    static bool HasChunkPastEnd(const QString& path);
    // Far more chunks than the 65535 tracks a header can count.
    static constexpr int kMaxChunks = 0x10000 + 16;

private:
    // Skips a variable-length quantity at cursor and returns its value.
    uint32_t ReadNumber();

    int cursor = 0;
};
