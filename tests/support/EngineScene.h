#pragma once
// What the engine and player tests set by hand instead of playing their way to it: the place
// an engine believes it is at, a rate or a full-screen choice to start from, and the operations
// a disc forbids.

#include "media/DVDMedia.h"

struct EngineScene
{
    static void SetPlace(CMedia& engine, int title, int chapter)
    {
        engine.title = title;
        engine.chapter = chapter;
    }
    static void SetRate(CMedia& engine, double rate) { engine.rate = rate; }
    static void SetFullScreenChoice(CMedia& engine, bool on) { engine.fullScreen = on; }
    static void SetValidUops(CDVDMedia& engine, unsigned long prohibited) { engine.validUops = prohibited; }
    static void ForbidButtons(CDVDMedia& engine, bool forbid)
    {
        if (forbid)
            engine.validUops |= platform::kUopSelectOrActivateButton;
        else
            engine.validUops &= ~platform::kUopSelectOrActivateButton;
    }
};
