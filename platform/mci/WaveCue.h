#pragma once
// Cue sheets over WAVE files (FILE "x.wav" WAVE), which libcdio cannot read: the sheet is
// parsed here and the tracks' samples are taken from the WAVE files, which must hold CD audio
// (PCM, 16 bits, two channels, 44.1 kHz). Each file follows the one before it on the disc.

#include "CdToc.h"

#include <QString>

#include <optional>

namespace platform::mci {

// True when `cue` names at least one file that is not raw CD data (WAVE, AIFF, MP3, ...).
bool CueNamesNonRawFiles(const QString& cue);

// The table of contents of a WAVE cue sheet; nothing, with the reason, when the sheet or a
// file it names cannot be read, a file is not CD audio, or a track starts past its file's end.
std::optional<CdToc> ReadWaveCue(const QString& cue, QString* error);

} // namespace platform::mci
