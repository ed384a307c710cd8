#include "DisplayFont.h"

#include "Settings.h"
#include "res/StringTable.h"
#include "skin/FontRecord.h"

#include <QFontMetrics>

#include <fontconfig/fontconfig.h>
#include <thread>

namespace {

std::jthread& FontConfigReader()
{
    static std::jthread reader;
    return reader;
}

} // namespace

void PrepareFontMatching()
{
    std::jthread& reader = FontConfigReader();
    // fontconfig initialises itself once and safely from any thread; Qt's font database
    // finds the configuration ready.
    if (!reader.joinable())
        reader = std::jthread([] { FcInit(); });
}

QFont MakeDisplayFont(const AppSettings& settings)
{
    if (std::jthread& reader = FontConfigReader(); reader.joinable())
        reader.join();
    return FontFromRecord(settings.Font());
}

int DisplayLineHeight(const QFont& font)
{
    const QFontMetrics metrics(font);
    return metrics.boundingRect(res::LoadString(res::kStrMeasureSample)).height() * 2;
}
