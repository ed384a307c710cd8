#pragma once
// CWMA: the display title of an ASF file (WMA, WMV) from its content description, found where
// it stands when it directly follows the header object (or behind a leading extended content
// description). Calling order: Open; ReadTag and, if it succeeds, GetTitle; Close.

#include "ProbeReader.h"

class CWMA : public ProbeReader
{
public:
    // Opens `path`; the file must begin with the ASF header object's identifier.
    bool Open(const QString& path);
    // Loads the title and author strings (UTF-16 little-endian, lengths in bytes).
    bool ReadTag();
    // The title, up to its first null character and trimmed of trailing white space.
    bool GetTitle(QString* text);

private:
    uint16_t titleLength = 0;  // bytes, without the terminating null character
    uint16_t authorLength = 0; // bytes, without the terminating null character
};
