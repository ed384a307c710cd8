// Profile files (the skin's and the disc's INI files, as the ANSI rule reads them): every
// section, key, string and number of what parses.

#include "FuzzSupport.h"
#include "platform/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::ProfileFile profile;
    profile.Parse(fuzz::Bytes(data, size));
    int budget = 256;
    for (const QString& section : profile.SectionNames()) {
        for (const QString& key : profile.KeyNames(section)) {
            if (--budget < 0)
                return 0;
            profile.GetString(section, key, QString(), 8);
            profile.GetInt(section, key, -1);
        }
    }
    return 0;
}
