#pragma once
// Colour-keyed regions: the pixels of one colour of a picture as a region, each pixel scaled
// to the cell it covers in a target rectangle. Used for the skin's mask (buttons, text area)
// and for cutting a background's key colour out of the window.
//
// Only 24-bit uncompressed bottom-up pictures with a 40-byte header are read; anything else
// gives no region. Coordinates are relative to (0, 0), not to the rectangle's corner.

#include "Dib.h"

#include <QRegion>

#include <map>
#include <optional>
#include <vector>

class CImgFilter
{
public:
    CImgFilter() = default;
    virtual ~CImgFilter() = default;
    CImgFilter(const CImgFilter&) = delete;
    CImgFilter& operator=(const CImgFilter&) = delete;

    // Whether the picture, a matching pixel and the finished region are taken; a filter may
    // refuse any of them.
    virtual bool AcceptPicture(const DibHeader& header) = 0;
    virtual bool AcceptPixel(int x, int y) = 0;
    virtual bool AcceptRegion(const QRegion& region) = 0;

    COLORREF PixelColor(const CDib& dib, int x, int y) const { return dib.PixelColor(x, y); }
    // The region of `colour` in `dib` scaled into the size of `rect`; nothing when no pixel has
    // the colour or the picture is not of the kind read here.
    std::optional<QRegion> SelectColour(const CDib& dib, COLORREF colour, const QRect& rect);
    // The same for several colours in one pass over the picture.
    std::map<COLORREF, QRegion> SelectColours(const CDib& dib, const std::vector<COLORREF>& colours,
                                              const QRect& rect);

    const QRegion& Region() const { return region; }
    int CellCount() const { return cells; }

private:
    QRegion region{0, 0, 1, 1};
    int cells = 0;
};

// Takes every picture, pixel and region.
class CImgSelect : public CImgFilter
{
public:
    bool AcceptPicture(const DibHeader&) override { return true; }
    bool AcceptPixel(int, int) override { return true; }
    bool AcceptRegion(const QRegion&) override { return true; }
};
