#pragma once
// CD images written by the tests: raw 44.1 kHz 16-bit stereo samples (a tone per track) and
// data tracks in 2352-byte sectors, with a cue sheet or a cdrdao table of contents. They
// stand in for an optical drive, which the test machines do not have.

#include <QString>

#include <vector>

namespace cd_images {

struct Track
{
    int sectors = 300; // 75 a second
    bool audio = true;
};

// Seconds of audio in sectors.
constexpr int Seconds(double s)
{
    return static_cast<int>(s * 75);
}

enum class Format
{
    BinCue, // <name>.cue + <name>.bin
    WavCue, // <name>.cue + <name>.wav (audio tracks only)
    Toc,    // <name>.toc + <name>.bin (cdrdao)
};

// Writes the image into `folder` and returns the path of its .cue or .toc file; empty when it
// could not be written.
QString Write(const QString& folder, const QString& name, const std::vector<Track>& tracks,
              Format format = Format::BinCue);

// The data file that belongs to an image Write made.
QString DataFile(const QString& image, Format format = Format::BinCue);

} // namespace cd_images
