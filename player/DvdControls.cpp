#include "DvdControls.h"

#include <utility>

DvdControls::DvdControls(CDVDMedia& engine, std::function<bool()> dvdPlays)
    : dvd(engine), plays(std::move(dvdPlays))
{}

void DvdControls::PlayTitle(int step)
{
    if (plays())
        dvd.PlayTitle(step, false);
}

void DvdControls::ShowMenu(platform::DvdMenu menu)
{
    if (plays()) {
        userNavigated = true;
        dvd.ShowMenu(menu);
    }
}

void DvdControls::PointerAction(PointerEvent event, int x, int y)
{
    if (plays()) {
        userNavigated = true;
        dvd.PointerAction(event, x, y);
    }
}

unsigned long DvdControls::GetValidUops() const
{
    return plays() ? dvd.GetValidUops() : 0;
}

void DvdControls::GetAudioStreams(QStringList* names, unsigned* count, unsigned long* currentStream)
{
    *count = 0;
    if (plays())
        dvd.GetAudioStreams(names, count, currentStream);
}

void DvdControls::GetSubpictureStreams(QStringList* names, unsigned* count, unsigned long* currentStream,
                                       bool* disabled)
{
    *count = 0;
    if (plays())
        dvd.GetSubpictureStreams(names, count, currentStream, disabled);
}

void DvdControls::GetAngles(QStringList* names, unsigned* count, int* currentAngle)
{
    *count = 0;
    if (plays())
        dvd.GetAngles(names, count, currentAngle);
}
