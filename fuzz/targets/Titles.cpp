// The title probes: ID3 v1 and v2 tags (".mp3"), MIDI track names (".mid") and ASF content
// descriptions (".wma"); built once for each, with SORLIN_FUZZ_TITLE_EXTENSION naming it.

#include "FuzzSupport.h"
#include "media/TitleProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ProbeTitle(
        fuzz::WriteInput(data, size, QStringLiteral("item") + QLatin1String(SORLIN_FUZZ_TITLE_EXTENSION)));
    return 0;
}
