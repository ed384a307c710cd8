#pragma once
// The table of contents of an audio CD, read with libcdio from an optical drive or from a CD
// image file (.cue with its .bin or .wav, cdrdao .toc, Nero .nrg), which acts as a drive.
//
// Positions are sector addresses counted as the disc counts them (the first sector of the
// program area is 0); milliseconds are derived from the disc's own address, which places the
// first track at 2000 ms, as CD players show it.

#include <QString>

#include <optional>
#include <vector>

namespace platform::mci {

constexpr int kSectorsPerSecond = 75;
// The program area starts two seconds into the disc's address space.
constexpr int kPregapSectors = 150;

struct CdTrack
{
    int number = 0;      // as the disc numbers it, from 1
    int startSector = 0; // first sector of the track
    int sectors = 0;     // up to the next track's start (or the lead-out)
    bool audio = false;
    // For an image whose samples are in WAVE files: the file and where the track starts in it.
    // Empty for drives and raw images, which the CD audio source reads.
    QString sampleFile;
    int sampleFileStartMs = 0;
};

struct CdToc
{
    std::vector<CdTrack> tracks; // in disc order
    int leadOutSector = 0;

    int TrackCount() const { return static_cast<int>(tracks.size()); }
    // The track with disc number `number`; null when there is none.
    const CdTrack* Track(int number) const;
    // The track that holds `sector`; null before the first or from the lead-out on.
    const CdTrack* TrackAt(int sector) const;
    bool HasAudio() const;
    // Disc addresses in milliseconds of the first track's start and of the lead-out; a disc
    // read here has at least one track.
    int StartMs() const;
    int EndMs() const;
    // A hexadecimal text computed from the track layout: the same disc always gives the same
    // text, discs with different layouts different ones.
    QString Identity() const;
};

// Disc address in milliseconds of `sector` (rounded down), and the sector that holds a
// millisecond address.
int SectorToMs(int sector);
int MsToSector(int ms);

// Reads the table of contents of `drive` (a device node or an image file). Nothing, with the
// reason in `*error`, when there is no disc, the image cannot be read, or its data file is
// shorter than the table says.
std::optional<CdToc> ReadCdToc(const QString& drive, QString* error = nullptr);

} // namespace platform::mci
