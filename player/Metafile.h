#pragma once
// Playlist metafiles that point at the media to fetch: ASX, WAX and WVX (XML with
// <ref href="...">) and RAM (a line with an http: address).

#include <QByteArray>
#include <QString>

#include <optional>

enum class MetafileKind
{
    kNone,
    kAsx, // also WAX and WVX
    kRam,
};

// The kind `address` names: ".ASX", ".WAX", ".WVX" or ".RAM" anywhere in it, in any case
// ("play.asp?file=news.asx" too; a word such as "program" is no ".ram").
MetafileKind MetafileKindOf(const QString& address);

// The reference of a metafile's text: for ASX the first line that holds "<REF", then "HREF",
// "=" and a double quote, in any case, gives the text up to the next quote (or the line's
// end) in its own case; for RAM the first line holding "http:" gives itself from there,
// lower-cased. Nothing when no line has one.
std::optional<QString> FindMetafileReference(MetafileKind kind, const QByteArray& text);
