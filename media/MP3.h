#pragma once
// CMP3: the display title of an MP3 file from its ID3 tag. Calling order: Open; ReadTag(false)
// and GetTitle; when ReadTag(false) fails, ReadTag(true) and, if it succeeds, GetTitle; Close.
//
// ID3v2.3 and v2.4 give TIT2 (or, without one, the last TALB); ID3v2.2 gives the last TAL;
// ID3v1 gives its 30-byte title field.

#include "ProbeReader.h"

class CMP3 : public ProbeReader
{
public:
    bool Open(const QString& path);
    // Loads the ID3v2 tag at the start of the file (atEnd false) or the 128-byte ID3v1 tag at
    // its end (atEnd true). An ID3v2 tag is loaded whole, header included, but never more than
    // the file holds or kMaxBuffer.
    bool ReadTag(bool atEnd);
    // The title of the loaded tag, trimmed of trailing white space; `text` is left alone on false.
    bool GetTitle(QString* text);

    // Bytes read first from the start of the file, and the ID3v1 tag's size.
    static constexpr int kHeadBytes = 1024;
    static constexpr int kV1Bytes = 128;
    // Longest texts kept: ANSI bytes and UTF-16 units (their buffers, without the terminator).
    static constexpr int kMaxAnsiBytes = 1022;
    static constexpr int kMaxUtf16Units = 2047;

private:
    // True when the loaded bytes begin with the 3-character `signature`; else they are dropped.
    bool KeepIfSigned(const char* signature);
    bool GetV2Title(QString* text);
    // The text of the frame whose body is buffer[at, at + length).
    QString FrameText(int at, int length) const;

    int cursor = 0; // offset of the next frame
};
