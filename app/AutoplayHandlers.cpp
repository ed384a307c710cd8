#include "AutoplayHandlers.h"

#include "platform/DesktopEntries.h"

namespace {

struct Handler
{
    const char* id;
    const char* contentType;
    const char* action;
};

constexpr Handler kHandlers[] = {
    {"VimoPlayerCDAudioOnArrival", "x-content/audio-cdda", "オーディオCDの再生"},
    {"VimoPlayerDVDMovieOnArrival", "x-content/video-dvd", "DVDビデオの再生"},
    {"VimoPlayerDVDAudioOnArrival", "x-content/audio-dvd", "DVDオーディオの再生"},
    {"VimoPlayerVideoCDOnArrival", "x-content/video-vcd", "ビデオCDの再生"},
};

} // namespace

void RegisterAutoplayHandlers(const QString& executable, const QString& iconFile)
{
    for (const Handler& handler : kHandlers) {
        const QString id = QString::fromLatin1(handler.id);
        // Audio CDs come as a cdda:// address, DVDs as the mounted folder.
        const QString argument = QString::fromLatin1(handler.contentType) == u"x-content/audio-cdda"
                                     ? QStringLiteral("%u")
                                     : QStringLiteral("%f");
        const bool written = platform::WriteDesktopEntry(
            id, {
                    {QStringLiteral("Type"), QStringLiteral("Application")},
                    {QStringLiteral("Name"), QStringLiteral("VimoPlayerで再生")},
                    {QStringLiteral("GenericName"), QString::fromUtf8(handler.action)},
                    {QStringLiteral("Comment"), QString::fromUtf8(handler.action)},
                    {QStringLiteral("Exec"), platform::QuoteExecArgument(executable) + u' ' + argument},
                    {QStringLiteral("Icon"), iconFile},
                    {QStringLiteral("MimeType"), QString::fromLatin1(handler.contentType) + u';'},
                    {QStringLiteral("NoDisplay"), QStringLiteral("true")},
                    {QStringLiteral("Terminal"), QStringLiteral("false")},
                    {QStringLiteral("X-VimoPlayer-Provider"), QStringLiteral("VimoPlayer")},
                });
        if (written)
            platform::AddMimeAssociation(QString::fromLatin1(handler.contentType), id);
    }
}

void UnregisterAutoplayHandlers()
{
    for (const Handler& handler : kHandlers) {
        const QString id = QString::fromLatin1(handler.id);
        platform::RemoveDesktopEntry(id);
        platform::RemoveMimeAssociation(QString::fromLatin1(handler.contentType), id);
    }
}
