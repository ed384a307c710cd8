#pragma once
// The main window's skin: its definition, its mask picture, and what follows from them for a
// window of a given size: the window's outline, each button's area, the text area. Also the
// hit test, the lit and hovered buttons, and the painting of the client area.
//
// Regions are rebuilt on every size change. Button and text areas come from the mask picture
// when one is loaded (pixels red 255, green k, blue 255 for button k; green 99 for the text
// area), otherwise from the definition's outlines scaled from the base size. UI thread only.

#include "Dib.h"
#include "ImgFilter.h"
#include "SkinDefinition.h"

#include <QFont>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

// What the hit test finds besides a button's index, and the buttons with duties of their own:
// the first ends the program, the second stops, the third plays and pauses. From the fourth on,
// each button carries a command the skin gives it.
enum SkinHit : int
{
    kNoHit = -1,
    kExitButton = 0,
    kStopButton = 1,
    kPlayButton = 2,
    kFirstCommandButton = 3,
    kTextAreaHit = 99,
};

class WindowSkin
{
public:
    // Reads the definition file (images and regions are left alone).
    void Read(const QString& path) { ReadSkinDefinition(path, &definition); }
    // Loads the mask picture; mask mode is on when it loads. A base size of 0,0 becomes the
    // mask's size.
    bool LoadMask(const QString& path);

    // Rebuilds every region for the window rectangle `windowRect` (client coordinates). The
    // background picture is needed for outline type 3 only.
    void Rebuild(const QRect& windowRect, const CDib* background);
    void BuildTextArea(const QRect& windowRect);

    // The button under `point` (0 … count-1), kTextAreaHit, or kNoHit.
    int HitTest(const QPoint& point) const;

    struct PaintOptions
    {
        bool showButtons = false; // Position\BTN_SHOW
        bool showText = true;     // Position\DispString
        QColor textColour;        // Position\COLOR
        QFont font;
        QString text; // the display's two lines
        // Draws the background picture stretched to the rectangle; false when there is none.
        std::function<bool(QPainter&, const QRect&)> drawBackground;
    };
    void Paint(QPainter& painter, const QRect& client, const PaintOptions& options) const;

    // The region a change of the lit or hovered button must repaint.
    QRegion ButtonArea(int index) const;

    const SkinDefinition& Definition() const { return definition; }
    // The mask picture's images come through the image plug-ins of `folder`.
    void SetMaskPluginFolder(const QString& folder) { mask.SetPluginFolder(folder); }
    // A mask picture loaded: the window's shape is the mask's.
    bool MaskMode() const { return maskMode; }
    // The height of one of the display's two lines, for the font the window shows them in.
    int LineHeight() const { return lineHeight; }
    void SetLineHeight(int value) { lineHeight = value; }
    // The button drawn lit (pressed, or the one playing), and the one the pointer is over;
    // kNoHit for none.
    int Lit() const { return lit; }
    void SetLit(int index) { lit = index; }
    int Hover() const { return hover; }
    void SetHover(int index) { hover = index; }

    // What the last Rebuild made: each button's region (none for a button the skin leaves out),
    // the display's area and the window's shape.
    const std::array<std::optional<QRegion>, kMaxSkinButtons>& ButtonRegions() const { return buttonRegions; }
    const QRegion& TextArea() const { return textArea; }
    const QRegion& WindowRegion() const { return window; }

private:
    // A skin without a base size is drawn in the window's own coordinates: scaling its outline
    // by the window's size would put the window far outside itself.
    qint64 BaseWidth(const QRect& R) const
    {
        return definition.baseSize.width() > 0 ? definition.baseSize.width() : std::max(R.width(), 1);
    }
    qint64 BaseHeight(const QRect& R) const
    {
        return definition.baseSize.height() > 0 ? definition.baseSize.height() : std::max(R.height(), 1);
    }
    QRect Measured(const QRect& windowRect) const;

    SkinDefinition definition;
    CDib mask;
    bool maskMode = false;
    QPoint frame;        // sizing-frame offsets cx, cy (0 without a frame)
    int lineHeight = 16; // two display lines
    int lit = kNoHit;
    int hover = kNoHit;

    std::array<std::optional<QRegion>, kMaxSkinButtons> buttonRegions;
    // The outlines of buttons given by points, unrounded: painted smooth on dense screens.
    std::array<QPainterPath, kMaxSkinButtons> buttonOutlines;
    QRegion textArea;
    QRegion window;
    std::vector<QRect> shapeRects;
    QPolygon scaledOutline;

    CImgSelect filter;
    bool busy = false;
};

// The outline of a region, one pixel wide, inside it.
QRegion RegionFrame(const QRegion& region);
