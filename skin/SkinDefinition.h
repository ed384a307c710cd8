#pragma once
// The skin definition file: an INI file whose keys all sit in section "Position". It gives the
// window's outline, the buttons' outlines and tool tips, the text area, the base size of the
// skin's coordinates and the colours. A missing file or key takes the default.

#include "Dib.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

constexpr int kMaxSkinButtons = 50;
constexpr int kMaxSkinPoints = 100;
constexpr int kMaxShapeTypes = 50;

struct SkinButton
{
    std::vector<QPoint> points; // outline in skin coordinates
    QString name;               // tool tip
};

struct SkinDefinition
{
    QString back = QStringLiteral("Sorlin.bmp"); // relative to the skin file's folder
    QString mask;
    bool mainFirst = false;
    std::vector<int> shapeTypes{0};
    std::vector<QPoint> shape{{0, 0}, {179, 179}};
    QSize baseSize{0, 0};
    QPoint textArea0;
    QPoint textArea1;
    int buttonCount = kMaxSkinButtons;
    std::array<SkinButton, kMaxSkinButtons> buttons;

    COLORREF baseColour = 0xD09FDB;
    COLORREF buttonOffColour = 0xC899D8;
    COLORREF buttonOnColour = 0x802314;
    COLORREF buttonDisabledColour = 0x154200;
    COLORREF foreColour = 0x9DF90D;
    COLORREF backColour = 0x154200;
    COLORREF editColour = 0xE9D2EE;
    COLORREF controlColour = 0x7A2719;
    // The window fill: the base colour, or black when "BaseClr" was not a colour.
    COLORREF baseBrush = 0xD09FDB;
};

// Reads `path` into `skin`. Every key is set from the file or its default, except that a
// "BaseSize" without a comma and a colour that is not hexadecimal keep what `skin` held.
void ReadSkinDefinition(const QString& path, SkinDefinition* skin);
// Whether `path` is a skin definition at all: a readable regular file with a [Position]
// section. Anything else would read as defaults only: a blank window without clock or buttons.
bool IsSkinDefinition(const QString& path);

// The value syntaxes: integers separated by commas (at most `max`), and points taken in pairs
// from such a list (at most `maxPoints`; a last number without a partner is dropped).
std::vector<int> ParseSkinIntList(QStringView text, int max);
std::vector<QPoint> ParseSkinPointList(QStringView text, int maxPoints = kMaxSkinPoints);

// A colour value as a Qt colour: the text "D09FDB" is red 0xDB, green 0x9F, blue 0xD0.
QColor ToQColor(COLORREF colour);
