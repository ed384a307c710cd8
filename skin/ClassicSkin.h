#pragma once
// Classic player skins: a folder of separate bitmaps (main.bmp, eqmain.bmp, cbuttons.bmp and
// titlebar.bmp) composed into one 232-row picture: the main panel and the equalizer panel one
// above the other, with the transport buttons pasted onto the main panel.

#include <QString>

class CDib;

// Composes the folder's skin into `dib`. False, leaving `dib` as it was, when titlebar.bmp,
// main.bmp or cbuttons.bmp is missing, or the panels do not fit the layout (shorter than 116
// rows, run-length compressed, of another depth, or too wide for the picture's block).
bool ComposeClassicSkin(CDib& dib, const QString& folder, bool mainFirst);
