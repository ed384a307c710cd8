// Metafiles fetched from an address (ASX, WAX, WVX and RAM): the reference they name.

#include "player/Metafile.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text = fuzz::Bytes(data, size);
    FindMetafileReference(MetafileKind::kAsx, text);
    FindMetafileReference(MetafileKind::kRam, text);
    return 0;
}
