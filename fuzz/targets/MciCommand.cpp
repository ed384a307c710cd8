// MCI command strings, as a schedule's or a list's text may give them: split into words, and
// each word read as a number in both time formats.

#include "platform/ipc/MciCommand.h"

#include "FuzzSupport.h"
#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::Bytes(data, size));
    platform::mci::SplitMciCommand(text);
    int ms = 0;
    for (const QString& word : text.split(u' ')) {
        for (const bool msf : {false, true}) {
            if (platform::mci::ParseMciNumber(word, msf, &ms))
                platform::mci::FormatMciNumber(ms, msf);
        }
    }
    return 0;
}
