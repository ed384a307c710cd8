#pragma once
// The main window's face: the skin chosen by the settings (Position\UseThema, Thema, Back,
// DispString) and the window's shape from it. The background picture it names is the
// player's to load and draw.

#include "skin/Dib.h"
#include "skin/WindowSkin.h"

#include <QSize>
#include <QString>

struct AppSettings;

class MainSkin
{
public:
    // Reads the skin the settings name (also when skins are off: colours and geometry come from
    // it), loads its mask, and returns the window's client size. At start-up, and again when
    // the position settings change.
    QSize SelectAtStartUp(const AppSettings& settings, const QString& programFolder);

    // The window's shape, buttons and display area; the window lights its buttons and sets
    // its display's line height on it.
    WindowSkin& Skin() { return skin; }
    const WindowSkin& Skin() const { return skin; }
    // What the player is to show behind the window.
    const QString& ImagePath() const { return imagePath; }
    // The display's text is drawn.
    bool ShowText() const { return showText; }

private:
    WindowSkin skin;
    QString imagePath;
    QString maskPath;
    bool useSkin = true;
    bool showText = true;
};
