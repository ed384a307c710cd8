// The settings file: what the store reads back from a file of any content, and that what it
// reads is written and read again unchanged.

#include "FuzzSupport.h"
#include "app/SettingsStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::WriteInput(data, size, QStringLiteral("Sorlin.conf"));
    const QString text = QString::fromUtf8(fuzz::Bytes(data, size)).left(64);
    {
        SettingsStore store(path);
        store.ReadString(QStringLiteral("Play"), QStringLiteral("LastFile"), QString());
        store.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Value"), text);
        store.Sync();
    }
    // A value written is read back as it was, whatever the file held around it.
    const SettingsStore again(path);
    if (again.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Value"), QStringLiteral("missing")) != text)
        std::abort();
    return 0;
}
