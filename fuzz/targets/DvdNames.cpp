// DVD item names as lists and settings give them back (".../VIDEO_TS/VIDEO_TS_01_003.IFO" for
// title 1, chapter 3): the path split into its parts, the title and chapter read from the name,
// and the disc's IFO path found from it.

#include "FuzzSupport.h"
#include "media/DVDMedia.h"
#include "platform/PathSplit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CDVDMedia dvd;
    const QString name = QString::fromUtf8(fuzz::Bytes(data, size));
    platform::SplitPath(name, platform::DriveTable());
    int title = 0;
    dvd.ParseChapterItem(name, &title);
    CDVDMedia::GetIfoFromItem(name);
    return 0;
}
