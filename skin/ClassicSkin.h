#pragma once
// Classic player skins: a folder of separate bitmaps (main.bmp, eqmain.bmp, cbuttons.bmp and
// titlebar.bmp) composed into one 232-row picture: the main panel and the equalizer panel one
// above the other, with the transport buttons pasted onto the main panel. The names are found
// in any letter case, and each picture may be a PNG ("main.png") instead.

#include <QString>

class CDib;

// Composes the folder's skin into `dib`. Pictures whose depth differs from the main panel's
// (a PNG among bitmaps, 8-bit buttons on a 24-bit panel) are all made 24-bit first. False,
// leaving `dib` as it was, when the title bar, main panel or buttons picture is missing, or the
// panels do not fit the layout (shorter than 116 rows, run-length compressed, of fewer than 4
// bits, or too wide for the picture's block).
bool ComposeClassicSkin(CDib& dib, const QString& folder, bool mainFirst);
