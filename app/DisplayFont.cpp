#include "DisplayFont.h"

#include "Settings.h"
#include "res/StringTable.h"

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
    QString family = settings.fontFaceName;
    if (family == QStringLiteral("ＭＳ ゴシック") || family == QStringLiteral("MS Gothic"))
        family = QStringLiteral("IPAGothic");
    else if (family == QStringLiteral("ＭＳ Ｐゴシック") || family == QStringLiteral("MS PGothic"))
        family = QStringLiteral("IPAPGothic");
    QFont font(family);
    const int height = settings.fontHeight == 0 ? -16 : settings.fontHeight;
    if (height < 0) {
        font.setPixelSize(std::min(-height, 512));
    } else {
        // A cell height includes the leading; the characters are about nine tenths of it.
        font.setPixelSize(std::clamp(height * 9 / 10, 1, 512));
    }
    font.setWeight(static_cast<QFont::Weight>(
        std::clamp(settings.fontWeight == 0 ? 400 : settings.fontWeight, 1, 1000)));
    font.setItalic(settings.fontItalic != 0);
    return font;
}

int DisplayLineHeight(const QFont& font)
{
    const QFontMetrics metrics(font);
    return metrics.boundingRect(res::LoadString(res::kStrMeasureSample)).height() * 2;
}
