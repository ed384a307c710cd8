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
    WindowSkin skin;
    QString imagePath; // what the player is to show behind the window
    QString maskPath;
    bool useSkin = true;
    bool showText = true;
};
