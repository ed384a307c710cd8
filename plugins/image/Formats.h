#pragma once
// Which pictures this module takes: whatever Qt's image readers recognise from the first bytes,
// except BMP (the program reads it itself) and the formats that are text (XPM, XBM, plain
// PBM/PGM/PPM, SVG), so that a playlist or a note is never taken for a picture.

#include <QByteArray>

#include <optional>
#include <string>

namespace ifqtimage {

// How many bytes of a file's start the decision looks at (what a probe buffer holds).
inline constexpr int kHeaderBytes = 2048;

// The first kHeaderBytes of `data`, zero-padded when it is shorter.
QByteArray HeaderOf(const char* data, qsizetype size);

// The Qt format name ("png", "jpeg", "gif", ...) when the header starts a picture this module
// reads; nothing otherwise.
std::optional<QByteArray> RecogniseFormat(const QByteArray& header);

// The file-type patterns of the formats read here ("*.png;*.jpg;..."), and their description.
const std::string& FilePatterns();
const std::string& FileTypeDescription();

} // namespace ifqtimage
